// Unwritten placements whose model's files changed on disk load again and
// take their old parts' places, keeping where they stand and their marks.
#include "editor_fixture.h"

namespace quorvane::testing {
namespace {

using PlacedReload = EditorFixture;

struct Shown {
    const CModelEntry* entry;
    std::string name;
    std::string path;
    Vector4 position;
};

std::vector<Shown> PlacedParts(const CMainField& field) {
    std::vector<Shown> parts;
    field.ForEachPlacedModel([&parts](const CModelEntry& entry) {
        parts.push_back({&entry, entry.name, entry.path, entry.transform.position});
    });
    return parts;
}

TEST_F(PlacedReload, PartsOfAChangedModelLoadAgainWhereTheyStand) {
    Place({"a.mdl", "b.mdl"}, 10.0f, 20.0f);
    LeftClick(); // confirmed
    PlaceAt(30.0f, 40.0f);
    LeftClick();
    const std::vector<Shown> before = PlacedParts(*field);
    ASSERT_EQ(before.size(), 4u);
    const size_t loadsBefore = loader.entryLoads.size();

    field->FollowChangedModels({"a.mdl"});
    field->WaitForBackgroundWork();
    EXPECT_EQ(PlacedParts(*field)[0].entry, before[0].entry) << "nothing changes before a frame";
    field->UpdateEditing();

    const std::vector<Shown> after = PlacedParts(*field);
    ASSERT_EQ(after.size(), before.size());
    for (size_t i = 0; i < after.size(); ++i) {
        SCOPED_TRACE(before[i].name);
        EXPECT_EQ(after[i].name, before[i].name) << "in the same places";
        EXPECT_EQ(after[i].position, before[i].position);
        EXPECT_EQ(after[i].entry != before[i].entry, before[i].path == "a.mdl");
    }
    EXPECT_GT(loader.entryLoads.size(), loadsBefore) << "read from the file again";
    EXPECT_EQ(field->UnwrittenPlacementCount(), 4);
}

} // namespace
} // namespace quorvane::testing
