// libFuzzer entry: arbitrary bytes as the lines of a grid map file.
// Built with the other harnesses (clang, -fsanitize=fuzzer) against the editor library.
#include "editor/grid_file.h"
#include "editor/grid_map_line.h"
#include "platform/text_encoding.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace quorvane;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    GridFileEntry file;
    size_t start = 0;
    while (start <= bytes.size()) {
        const size_t end = std::min(bytes.find('\n', start), bytes.size());
        const std::string_view line = bytes.substr(start, end - start);
        (void)FirstGridField(line);
        file.lines.push_back(DecodeTextLine(StripCarriageReturn(line)));
        start = end + 1;
    }
    GridReadReport report;
    BuildGridEntries(file, &report);
    if (file.groups.size() > static_cast<size_t>(kMaxGridListNumber) + 1) {
        __builtin_trap();
    }
    COwnedList<CModelEntry> shared;
    DestroyGridFile(file, shared);
    return 0;
}
