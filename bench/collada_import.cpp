// COLLADA import speed on the shared real documents: the whole import against
// a bare pugixml parse of the same file, and Assimp (no post-processing) as
// an outside reference.
#include "collada/collada_import.h"

#include <algorithm>
#include <assimp/Importer.hpp>
#include <assimp/scene.h>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <pugixml.hpp>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

long MinorFaults() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt;
}

// Minor page faults per call over a short run. Freshly touched pages are
// expensive on a virtual machine: when the allocator hands memory back to the
// system between calls, every call pays for its pages again, which shows here
// before it shows in the times.
double FaultsPerCall(const std::function<void()>& call) {
    constexpr int kCalls = 20;
    const long before = MinorFaults();
    for (int i = 0; i < kCalls; ++i) {
        call();
    }
    return static_cast<double>(MinorFaults() - before) / kCalls;
}

// Seconds per call: the best mean of several batches, each long enough to
// swamp the clock's resolution.
double SecondsPerCall(const std::function<void()>& call) {
    constexpr double kBatchSeconds = 0.05;
    constexpr int kBatches = 5;
    int callsPerBatch = 1;
    for (;;) {
        const auto start = Clock::now();
        for (int i = 0; i < callsPerBatch; ++i) {
            call();
        }
        if (std::chrono::duration<double>(Clock::now() - start).count() >= kBatchSeconds) {
            break;
        }
        callsPerBatch *= 2;
    }
    double best = 1e30;
    for (int batch = 0; batch < kBatches; ++batch) {
        const auto start = Clock::now();
        for (int i = 0; i < callsPerBatch; ++i) {
            call();
        }
        best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count() / callsPerBatch);
    }
    return best;
}

std::vector<std::filesystem::path> Documents(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> documents;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string extension = entry.path().extension().string();
        if (extension == ".dae" || extension == ".DAE") {
            documents.push_back(entry.path());
        }
    }
    std::sort(documents.begin(), documents.end());
    return documents;
}

// Assimp 5.2 crashes on some valid documents (skin_4_influence.dae): try each
// one in a child process first and leave Assimp out where it does not survive.
bool AssimpSurvives(const std::string& path) {
    const pid_t child = fork();
    if (child == 0) {
        Assimp::Importer importer;
        _exit(importer.ReadFile(path, 0) != nullptr ? 0 : 1);
    }
    int status = 0;
    return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::filesystem::path folder = argc > 1 ? argv[1] : QUORVANE_COLLADA_DOCUMENTS;
    if (!std::filesystem::is_directory(folder)) {
        std::fprintf(stderr, "bench_collada: no document folder %s\n", folder.string().c_str());
        return 1;
    }
    double importTotal = 0.0;
    double parseTotal = 0.0;
    double assimpTotal = 0.0;
    double importWhereAssimpReads = 0.0; // the Assimp ratio compares the same documents
    std::printf("%-34s %10s %10s %10s %14s  (microseconds per file)\n", "document", "parse", "import",
                "assimp", "import faults");
    for (const auto& path : Documents(folder)) {
        const std::string name = path.string();
        bool imported = true;
        const auto importOnce = [&] {
            quorvane::CModel model;
            imported = quorvane::LoadCollada(model, name) && imported;
        };
        const double import = SecondsPerCall(importOnce);
        const double importFaults = FaultsPerCall(importOnce);
        const double parse = SecondsPerCall([&] {
            pugi::xml_document document;
            document.load_file(name.c_str());
        });
        double assimp = 0.0;
        const bool assimpReads = AssimpSurvives(name);
        if (assimpReads) {
            Assimp::Importer importer;
            assimp = SecondsPerCall([&] { importer.ReadFile(name, 0); });
            assimpTotal += assimp;
            importWhereAssimpReads += import;
        }
        std::printf("%-34s %10.1f %10.1f", path.filename().string().c_str(), parse * 1e6, import * 1e6);
        if (assimpReads) {
            std::printf(" %10.1f", assimp * 1e6);
        } else {
            std::printf(" %10s", "crashes");
        }
        std::printf(" %14.1f", importFaults);
        std::printf("%s\n", imported ? "" : "  (import failed)");
        importTotal += import;
        parseTotal += parse;
    }
    std::printf(
        "all documents: parse %.1f us, import %.1f us; where Assimp reads: import %.1f us, assimp %.1f us\n",
        parseTotal * 1e6, importTotal * 1e6, importWhereAssimpReads * 1e6, assimpTotal * 1e6);
    std::printf("RESULT import_vs_parse=%.2f x\n", importTotal / parseTotal);
    std::printf("RESULT assimp_vs_import=%.2f x\n", assimpTotal / importWhereAssimpReads);
    return 0;
}
