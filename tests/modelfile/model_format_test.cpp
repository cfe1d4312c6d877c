// Which reader opens a model file: one table over names and contents.
#include "modeldata/file_bytes.h"
#include "modelfile/model_format.h"
#include "tests/model_file_copies.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace quorvane {
namespace {

std::string TextOf(const std::filesystem::path& path) {
    return std::string(ReadFileBytes(path).Text());
}

struct FormatCase {
    std::string name;
    std::string content;
    ModelFormat expected;
};

TEST(ModelFormat, ExtensionInAnyCaseOrAColladaRootDecides) {
    const std::string textModel = TextOf(test::kTestData / "model_files/rock.mdl");
    const std::string cube = TextOf(test::kCubeDocument);
    const std::string commented = TextOf(test::kTestData / "model_files/commented_triangle");
    const std::string cutRoot = TextOf(test::kTestData / "model_files/cut_root");
    const std::string notes = TextOf(test::kNotAModel);
    ASSERT_FALSE(textModel.empty() || cube.empty() || commented.empty() || cutRoot.empty() || notes.empty());

    const std::vector<FormatCase> cases = {
        {"rock.mdl", textModel, ModelFormat::TextModel},
        {"rock.MDL", textModel, ModelFormat::TextModel},
        {"./model/rocks/rock.dae", cube, ModelFormat::Collada},
        {"rock.DAE", cube, ModelFormat::Collada},
        {"model\\rocks\\rock.dAE", cube, ModelFormat::Collada},
        // The root element decides whatever the name.
        {"rock.xml", cube, ModelFormat::Collada},
        {"rock", cube, ModelFormat::Collada},
        {"rock.mdl", cube, ModelFormat::Collada},
        {"commented_triangle", commented, ModelFormat::Collada},
        {"rock.xml", "\n\t <COLLADA/>", ModelFormat::Collada},
        {"rock.xml", "<COLLADA\nversion=\"1.4.1\">", ModelFormat::Collada},
        // Neither name nor root.
        {"notes.txt", notes, ModelFormat::None},
        {"rock.txt", textModel, ModelFormat::None},
        {"rock.mdl.bak", textModel, ModelFormat::None},
        {"rock.obj", textModel, ModelFormat::None},
        {"./model/.mdl", textModel, ModelFormat::None},
        {".dae", textModel, ModelFormat::None},
        {"./model/rock.dae/readme", textModel, ModelFormat::None},
        {"rock", "", ModelFormat::None},
        {"cut_root", cutRoot, ModelFormat::None},
        {"rock.xml", "<COLLADA", ModelFormat::None},
        {"rock.xml", "<COLLADAX/>", ModelFormat::None},
        {"rock.xml", "<collada version=\"1.4.1\"/>", ModelFormat::None},
        {"rock.xml", "<asset/><COLLADA/>", ModelFormat::None},
        {"rock.xml", "<!-- never closed <COLLADA/>", ModelFormat::None},
        {"rock.xml", "<?xml version=\"1.0\" <COLLADA/>", ModelFormat::None},
        {"rock.xml", "\xEF\xBB\xBF\xEF\xBB\xBF<COLLADA/>", ModelFormat::None},
        // A name that says COLLADA still goes to its reader, which then says what is wrong.
        {"cut_root.dae", cutRoot, ModelFormat::Collada},
    };
    for (const FormatCase& c : cases) {
        EXPECT_EQ(ModelFormatOf(c.name, c.content), c.expected)
            << c.name << " holding \"" << c.content.substr(0, 40) << '"';
    }
}

} // namespace
} // namespace quorvane
