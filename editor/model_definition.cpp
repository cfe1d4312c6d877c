#include "editor/model_definition.h"

#include "modeldata/file_bytes.h"
#include "modeldata/text_numbers.h"
#include "platform/text_encoding.h"

#include <string_view>

namespace quorvane {

bool CModelDefinition::Load(const std::filesystem::path& path) {
    std::string ignored;
    return Load(path, ignored);
}

bool CModelDefinition::Load(const std::filesystem::path& path, std::string& error) {
    *this = CModelDefinition{};
    const CFileBytes file = ReadFileBytes(path);
    if (!file) {
        error = file.error;
        return false;
    }
    filePath = path;

    uint32_t lod = 0;
    uint32_t listNumber = 0;
    uint32_t shader = 0;
    uint32_t animated = 0;
    uint32_t copy = 0;

    std::string_view rest = file.Text();
    while (!rest.empty()) {
        const size_t end = rest.find('\n');
        const std::string_view line = rest.substr(0, end);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        const std::string_view text = StripCarriageReturn(line);
        const size_t colon = text.find(':');
        if (colon == std::string_view::npos) {
            continue;
        }
        const std::string_view key = text.substr(0, colon);
        const std::string_view value = TrimBlanks(text.substr(colon + 1));
        // Values are stored unsigned; a negative number keeps its bit pattern.
        const auto number = [&] { return static_cast<uint32_t>(ParseIntLikeAtoi(value)); };

        if (key == "LOD") {
            lod = number();
        } else if (key == "LIST_NUMBER") {
            listNumber = number();
        } else if (key == "SHADER") {
            shader = number();
        } else if (key == "ANIMATED") {
            animated = number();
        } else if (key == "COPY") {
            copy = number();
        } else if (key == "PATH") {
            // A part without a model path could never load; leave it out.
            if (value.empty() || count >= kMaxParts) {
                continue;
            }
            paths[count] = DecodeTextLine(value);
            lodValues[count] = lod;
            listNumbers[count] = listNumber;
            shaderValues[count] = shader;
            animatedValues[count] = animated;
            copyValues[count] = copy;
            ++count;
        }
    }
    return true;
}

} // namespace quorvane
