// Arbitrary bytes as the lines of a grid map file: every damaged line is
// skipped, and no list number makes more groups than the reader allows.
#include "editor/grid_file.h"
#include "editor/grid_map_line.h"
#include "fuzz_checks.h"
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
    FUZZ_CHECK(file.groups.size() <= static_cast<size_t>(kMaxGridListNumber) + 1);
    FUZZ_CHECK(report.linesSkipped <= report.linesRead);
    COwnedList<CModelEntry> shared;
    DestroyGridFile(file, shared);
    return 0;
}
