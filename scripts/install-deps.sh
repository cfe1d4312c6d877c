#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need.
# Quiet when everything is present; touches apt only when something is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev libgl-dev
  libvulkan-dev mesa-vulkan-drivers glslang-tools spirv-tools vulkan-validationlayers
  libpugixml-dev libstb-dev libassimp-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth x11-utils
  fonts-noto-cjk
  clang libclang-rt-14-dev
  locales
)

sudo_cmd=()
[[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
if [[ ${#missing[@]} -gt 0 ]]; then
  echo "install-deps: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  echo "install-deps: done"
fi

# The locale tests switch to a locale with a decimal comma; without it they fail.
comma_locale="de_DE.UTF-8"
has_comma_locale() { locale -a 2>/dev/null | grep -qix 'de_DE\.utf-\?8'; }
if ! has_comma_locale; then
  echo "install-deps: generating the ${comma_locale} locale"
  "${sudo_cmd[@]}" sed -i "s/^# *\(${comma_locale} UTF-8\)\$/\1/" /etc/locale.gen
  grep -qx "${comma_locale} UTF-8" /etc/locale.gen ||
    echo "${comma_locale} UTF-8" | "${sudo_cmd[@]}" tee -a /etc/locale.gen >/dev/null
  "${sudo_cmd[@]}" locale-gen >/dev/null
  has_comma_locale || { echo "install-deps: ${comma_locale} is still missing" >&2; exit 1; }
fi
