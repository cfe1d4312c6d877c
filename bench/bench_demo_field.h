#pragma once

#include "demo_field.h"

#include <cstdlib>
#include <filesystem>

namespace quorvane {

// The field a benchmark reads: the folder named by its first argument, or a
// demo field generated once into the temporary folder.
inline std::filesystem::path BenchDemoField(int argc, char** argv) {
    if (argc > 1) {
        return argv[1];
    }
    demofield::COptions options;
    options.output = std::filesystem::temp_directory_path() / "quorvane_bench_field";
    if (!demofield::IsUpToDate(options)) {
        demofield::GenerateDemoField(options);
    }
    return options.output;
}

// Seconds to measure for: the second argument, 3 by default.
inline double BenchSeconds(int argc, char** argv) {
    return argc > 2 ? std::atof(argv[2]) : 3.0;
}

} // namespace quorvane
