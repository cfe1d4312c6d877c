// Models whose files change on disk while the field shows them: the cells
// that show them are read again, the cursor loads again, and a file that no
// longer reads changes nothing and is told once. Real files, real stamps.
#include "fake_streaming_loader.h"

#include <fstream>

namespace quorvane::testing {
namespace {

// Checks a model as the registry would: "broken" files do not read; each
// model also reads a texture beside it, "<model>.png", present or not.
class CheckingLoader : public FakeStreamingLoader {
public:
    ModelFileCheck CheckModelFiles(const std::string& path, bool thorough) override {
        const std::filesystem::path file = modelDir / path;
        ModelFileCheck check{.reads = true, .why = {}, .files = {file.string(), file.string() + ".png"}};
        std::ifstream in(file);
        std::string first;
        std::getline(in, first);
        if (thorough && first == "broken") {
            check.reads = false;
            check.why = "no model block";
        }
        return check;
    }
    std::filesystem::path modelDir;
};

class ModelReload : public StreamingFixture<CheckingLoader> {
protected:
    void SetUp() override {
        StreamingFixture::SetUp();
        loader.modelDir = dir / "model";
        std::filesystem::create_directories(loader.modelDir);
        streaming->SetModelChangeSink([this](const std::vector<std::string>& paths) {
            changed.insert(changed.end(), paths.begin(), paths.end());
        });
    }
    void WriteModel(const std::string& name, const std::string& text) {
        std::ofstream(loader.modelDir / name, std::ios::binary | std::ios::trunc) << text;
    }
    std::vector<std::string> Problems() {
        std::lock_guard lock(problemsMutex);
        return problems;
    }

    std::vector<std::string> changed; // the timer thread's, read between rounds
};

TEST_F(ModelReload, CellsShowingAChangedModelAreReadAgainUnlessItNoLongerReads) {
    WriteModel("a.mdl", "one");
    WriteModel("c.mdl", "one");
    WriteGridFile("p0p0", {Line("p0p0_A_000", "A", 0, "a.mdl", "1.000000", "1.000000")});
    WriteGridFile("p1p0", {Line("p1p0_A_000", "A", 1, "a.mdl", "60.000000", "1.000000")});
    WriteGridFile("p2p0", {Line("p2p0_C_000", "C", 0, "c.mdl", "110.000000", "1.000000")});
    Round(2);                               // loads, then watches what it loaded
    ASSERT_EQ(loader.StartsOf("a.mdl"), 2); // the own model and the copies' shared one
    const GridFileEntry* untouched = GridFile("p2p0");
    ASSERT_NE(untouched, nullptr);

    struct Step {
        const char* what;
        std::string file;
        std::string text;
        int startsOfA; // after two rounds
        size_t problems;
    };
    const Step steps[] = {
        {"the model file rewritten", "a.mdl", "two, longer", 4, 0},
        {"replaced by a broken file", "a.mdl", "broken\n", 4, 1},
        {"still broken, nothing new told", "", "", 4, 1},
        {"mended", "a.mdl", "three", 6, 1},
        {"a texture it reads appears", "a.mdl.png", "png", 8, 1},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        if (!step.file.empty()) {
            WriteModel(step.file, step.text);
        }
        Round(2); // sees the change and drops the cells, then reads them again
        EXPECT_EQ(loader.StartsOf("a.mdl"), step.startsOfA);
        EXPECT_EQ(Problems().size(), step.problems);
        EXPECT_EQ(GridEntryNamesOf(lists),
                  (std::multiset<std::string>{"p0p0_A_000", "p1p0_A_000", "p2p0_C_000"}));
    }
    EXPECT_EQ(GridFile("p2p0"), untouched) << "a cell without the model is not read again";
    EXPECT_EQ(loader.StartsOf("c.mdl"), 1);
    ASSERT_EQ(Problems().size(), 1u);
    EXPECT_NE(Problems()[0].find("a.mdl"), std::string::npos) << Problems()[0];
    EXPECT_NE(Problems()[0].find("no model block"), std::string::npos) << Problems()[0];
    EXPECT_EQ(changed, (std::vector<std::string>{"a.mdl", "a.mdl", "a.mdl"}));
}

// A shared model kept for painting draws on for the copies that use it, but
// copies read after the change get one built from the new file.
TEST_F(ModelReload, CopiesReadAfterTheChangeDrawANewSharedModel) {
    WriteModel("a.mdl", "one");
    auto kept = std::make_unique<CModelEntry>();
    kept->name = "A";
    kept->path = "a.mdl";
    kept->hasDrawModel = true;
    kept->useCount = 1; // held while the field lives
    SetEntryLoaded(*kept, true);
    const CModelEntry* old = lists.sharedModels.Append(std::move(kept));
    WriteGridFile("p1p0", {Line("p1p0_A_000", "A", 1, "a.mdl", "60.000000", "1.000000")});
    Round(2);
    ASSERT_EQ(loader.StartsOf("a.mdl"), 0);
    ASSERT_EQ(GridEntriesOf(lists).at(0)->source, old);

    WriteModel("a.mdl", "two, longer");
    Round(2);
    EXPECT_EQ(loader.StartsOf("a.mdl"), 1);
    ASSERT_EQ(GridEntriesOf(lists).size(), 1u);
    EXPECT_NE(GridEntriesOf(lists)[0]->source, old);
    EXPECT_TRUE(old->outdated.load());
    EXPECT_EQ(lists.sharedModels.Count(), 2) << "the old one stays while it is held";
}

TEST_F(ModelReload, TheCursorLoadsAgainWhenItsModelChanges) {
    WriteModel("d.mdl", "one");
    WriteModel("e.mdl", "one");
    CModelDefinition definition;
    definition.filePath = "./model/test.mdf";
    definition.paths[0] = "d.mdl";
    definition.count = 1;
    field->ChooseModelForPlacement(definition);
    field->UpdateEditing(); // the next frame swaps the parts in
    ASSERT_EQ(field->CursorModelPaths(), std::vector<std::string>{"d.mdl"});
    Round(); // watches the cursor's model

    WriteModel("e.mdl", "two, unrelated");
    Round();
    field->WaitForBackgroundWork();
    EXPECT_EQ(modelLoader.cursorLoads, std::vector<std::string>{"d.mdl"});

    WriteModel("d.mdl", "two, longer");
    Round();
    field->WaitForBackgroundWork();
    EXPECT_EQ(modelLoader.cursorLoads, (std::vector<std::string>{"d.mdl", "d.mdl"}));
    EXPECT_EQ(changed, std::vector<std::string>{"d.mdl"});
}

} // namespace
} // namespace quorvane::testing
