#pragma once

// Test documents copied under the names a model file may carry, shared by the
// tests of every caller that opens model files.
#include "tests/file_faults.h"

#include <filesystem>
#include <string>

namespace quorvane::test {

inline const std::filesystem::path kTestData = QUORVANE_TEST_DATA;
// Twelve triangles in one geometry, from another tool.
inline const std::filesystem::path kCubeDocument = kTestData / "collada/cube_tristrips.dae";
// Plain text that mentions "<COLLADA>" but is no model.
inline const std::filesystem::path kNotAModel = kTestData / "model_files/notes.txt";

inline constexpr const char* kNeitherFormat = "is neither a text model (.mdl) nor a COLLADA document (.dae)";

// A name a COLLADA document is read under, and the model ID it must get: the
// name without a final ".dae" in any case, so "rock.DAE" names the same model
// as "rock.dae" in the grid map files.
struct ColladaName {
    const char* name;
    const char* modelId;
};

inline constexpr ColladaName kColladaNames[] = {
    {"rock.dae", "rock"},
    {"rock.DAE", "rock"},
    {"rock.Dae", "rock"},
    // No model extension: the root element decides.
    {"rock.xml", "rock.xml"},
    {"rock", "rock"},
};

// A scratch folder holding copies of test files under chosen names.
class CModelFileCopies {
public:
    explicit CModelFileCopies(const std::string& folder) : scratch_(folder) {}

    // Where a file of that name lies in the folder, whether or not it exists.
    std::filesystem::path PathOf(const std::string& name) const { return scratch_ / name; }

    std::filesystem::path Copy(const std::filesystem::path& source, const std::string& name) const {
        const std::filesystem::path target = PathOf(name);
        std::filesystem::copy_file(source, target, std::filesystem::copy_options::overwrite_existing);
        return target;
    }

private:
    CScratchDirectory scratch_;
};

} // namespace quorvane::test
