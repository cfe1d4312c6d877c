// Time and memory of writing the whole demo field, as run.sh does before the
// editor starts (targets: under 30 s on two cores, under 300 MB).
#include "demo_field.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <sys/resource.h>
#include <unistd.h>

int main() {
    using namespace quorvane::demofield;
    COptions options;
    options.output =
        std::filesystem::temp_directory_path() / ("quorvane-bench-demofield-" + std::to_string(getpid()));
    std::filesystem::remove_all(options.output);

    const auto start = std::chrono::steady_clock::now();
    const CManifest manifest = GenerateDemoField(options);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::filesystem::remove_all(options.output);

    std::printf("demo field: %zu models, %zu collider files, %zu pictures\n", manifest.models.size(),
                manifest.colliders.size(), manifest.pictures.size());
    std::printf("RESULT demofield_time=%.2f s\n", seconds);
    std::printf("RESULT demofield_peak_memory=%.1f MB\n", static_cast<double>(usage.ru_maxrss) / 1024.0);
    std::printf("RESULT demofield_written=%.1f MB\n", static_cast<double>(manifest.bytesWritten) / 1e6);
    return 0;
}
