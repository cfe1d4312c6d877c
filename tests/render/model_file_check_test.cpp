// What the registry names and reads through when a model's files change on
// disk: the model, its collider file and its textures, before any rebuild.
#include "demo_registry_fixture.h"
#include "render/model_registry.h"
#include "tests/file_faults.h"

#include <algorithm>
#include <fstream>

namespace quorvane {
namespace {

class ModelFileCheckTest : public test::DemoRegistryTest {
protected:
    void SetUp() override {
        test::DemoRegistryTest::SetUp();
        prop_ = test::DemoPropWithCollider(ColliderType::kBox);
        ASSERT_NE(prop_, nullptr);
        ASSERT_GT(prop_->textures, 0);
    }

    // A fresh copy of the prop's folder; the copied model's path.
    std::string CopyProp() {
        const std::filesystem::path source = test::SmallDemoRoot() / prop_->path;
        std::filesystem::remove_all(scratch_ / "prop");
        std::filesystem::copy(source.parent_path(), scratch_ / "prop",
                              std::filesystem::copy_options::recursive);
        return (scratch_ / "prop" / source.filename()).generic_string();
    }

    const demofield::CWrittenModel* prop_ = nullptr;
    test::CScratchDirectory scratch_{"quorvane_model_file_check"};
};

// Named without reading; read through, a file replaced by one that does not
// read is found, and a missing texture is not (the build shows its checker).
TEST_F(ModelFileCheckTest, NamesEveryFileAndFindsOneThatNoLongerReads) {
    struct Case {
        const char* what;
        int file; // index in the named files; -1: none touched
        bool remove;
        bool reads;
    };
    const Case cases[] = {
        {"as written", -1, false, true},
        {"a texture gone: the build shows its checker", 2, true, true},
        {"a texture that is no image", 2, false, false},
        {"a model file that is no model", 0, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string model = CopyProp();
        const std::vector<std::string> files = registry_->CheckModelFiles(model, false).files;
        // The model, its collider file, then each texture beside it.
        ASSERT_EQ(files.size(), 2u + static_cast<size_t>(prop_->textures));
        EXPECT_EQ(files[0], model);
        EXPECT_EQ(std::filesystem::path(files[1]), scratch_ / "prop" / prop_->colliderFile);
        for (size_t i = 2; i < files.size(); ++i) {
            EXPECT_TRUE(std::filesystem::is_regular_file(files[i])) << files[i];
            EXPECT_EQ(std::filesystem::path(files[i]).parent_path(), scratch_ / "prop");
        }
        if (c.file >= 0 && c.remove) {
            std::filesystem::remove(files[static_cast<size_t>(c.file)]);
        } else if (c.file >= 0) {
            std::ofstream(files[static_cast<size_t>(c.file)], std::ios::trunc) << "half written";
        }
        const ModelFileCheck checked = registry_->CheckModelFiles(model, true);
        EXPECT_EQ(checked.reads, c.reads) << checked.why;
        if (!c.reads) {
            const std::string name =
                std::filesystem::path(files[static_cast<size_t>(c.file)]).filename().string();
            EXPECT_NE(checked.why.find(name), std::string::npos) << checked.why;
        }
    }
}

} // namespace
} // namespace quorvane
