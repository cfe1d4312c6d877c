// The model viewer's set of drawable models, built on a headless device.
#include "tests/model_file_copies.h"
#include "tests/render/device_fixture.h"
#include "ui/model_viewer_set.h"

#include <gtest/gtest.h>
#include <stop_token>
#include <string>
#include <vector>

namespace quorvane {
namespace {

class ViewerSetTest : public test::HeadlessDeviceTest {
protected:
    // Frames as the viewer runs them, until the set is ready or frames run out.
    bool RunUntilReady(ViewerModelSet& set, int frames) {
        for (int frame = 0; frame < frames && !ViewerSetReady(set); ++frame) {
            std::vector<VkCommandBuffer> uploads;
            if (!device_->BeginFrame()) {
                return false;
            }
            AdvanceViewerUploads(set, uploads);
            device_->ComposeFrame(nullptr);
            if (!device_->EndFrame(uploads)) {
                return false;
            }
            device_->WaitForGpu();
            device_->ReleaseFinishedObjects();
        }
        return ViewerSetReady(set);
    }
};

// What the viewer previews is what the field places: the same opener, so
// "rock.DAE" gets the model ID "rock" (every name is walked in
// ModelRegistryTest.ColladaDocumentsLoadUnderEveryNameWithTheIdOfTheirStem).
TEST_F(ViewerSetTest, ColladaDocumentsAreBuiltWithTheFieldsModelId) {
    const test::CModelFileCopies copies("quorvane_viewer_names");
    CModelDefinition definition;
    definition.paths[definition.count++] = copies.Copy(test::kCubeDocument, "rock.DAE").string();
    const std::string notes = copies.Copy(test::kNotAModel, "notes.txt").string();
    definition.paths[definition.count++] = notes;

    std::vector<std::string> failed;
    const std::stop_source stop;
    std::unique_ptr<ViewerModelSet> set = BuildViewerModelSet(*device_, definition, stop.get_token(), failed);
    ASSERT_NE(set, nullptr);
    EXPECT_FALSE(set->abandoned);
    EXPECT_EQ(failed, std::vector<std::string>{notes});
    const ViewerSlot& slot = set->entries[0];
    ASSERT_NE(slot.model, nullptr);
    EXPECT_EQ(slot.model->id, "rock");
    ASSERT_NE(slot.drawModel, nullptr);
    EXPECT_FALSE(slot.drawModel->meshes.empty());
    EXPECT_TRUE(RunUntilReady(*set, 4));

    set.reset();
    device_->WaitForGpu();
    device_->ReleaseFinishedObjects();
}

} // namespace
} // namespace quorvane
