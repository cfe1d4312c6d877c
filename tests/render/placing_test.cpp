// A click places the models the cursor holds: no file read, no wait for a
// loader slot, even while streaming holds every one of them.
#include "demo_registry_fixture.h"
#include "editor/main_field.h"
#include "render/model_registry.h"
#include "render/registry_payload.h"
#include "tests/small_demo_field.h"

#include <chrono>
#include <thread>

namespace quorvane {
namespace {

using Clock = std::chrono::steady_clock;

class PlacingTest : public test::DemoRegistryTest {
protected:
    void SetUp() override {
        test::DemoRegistryTest::SetUp();
        test::EmptySmallDemoGridFolder();
        field_ = std::make_unique<CMainField>(*registry_, *lists_, test::SmallDemoRoot() / "gridfile");
    }
    void TearDown() override {
        field_.reset();
        test::DemoRegistryTest::TearDown();
    }

    // The cursor's uploads go with the frame too, and the editing update runs.
    void AddUploads(std::vector<VkCommandBuffer>& uploads) override {
        field_->ForEachCursorPart(
            [&](CCursorPart& part) { registry_->AdvanceUploads(*part.payload, uploads); });
        field_->UpdateEditing();
    }

    std::vector<CLoaderSlot> HoldEverySlot() {
        std::vector<CLoaderSlot> held;
        while (const std::optional<uint32_t> index = AcquireLoaderSlot(device_->UploadPool(), 1, {})) {
            held.emplace_back(*device_, *index);
        }
        EXPECT_EQ(held.size(), CUploadCommandPool::kEntryCount);
        return held;
    }

    // Cursor parts whose drawable model is built and uploaded.
    uint32_t ReadyCursorParts() const {
        uint32_t ready = 0;
        field_->ForEachCursorPart([&ready](const CCursorPart& part) {
            const CRegistryPayload* payload = RegistryPayloadOf(part.payload);
            ready += payload != nullptr && payload->drawModel && payload->drawModel->LoadState() == 4 ? 1 : 0;
        });
        return ready;
    }

    void Click() {
        field_->OnLButtonDown({0, 0});
        field_->OnLButtonUp();
        field_->ApplyPostedInput(); // as the frame update does
    }

    std::unique_ptr<CMainField> field_;
};

TEST_F(PlacingTest, AClickWithEverySlotHeldPlacesAtOnceAndTheCursorComesBackAfter) {
    const demofield::CWrittenDefinition* house = test::SmallDemoDefinition("house.mdf");
    ASSERT_NE(house, nullptr);
    CModelDefinition definition;
    std::string why;
    ASSERT_TRUE(definition.Load(test::SmallDemoRoot() / house->path, why)) << why;
    field_->ChooseModelForPlacement(definition);
    field_->WaitForBackgroundWork(); // the cell's names
    for (int frame = 0;
         frame < 20 && (ReadyCursorParts() == 0 || ReadyCursorParts() < field_->CursorPartCount()); ++frame) {
        RunFrame();
    }
    ASSERT_GT(field_->CursorPartCount(), 0u);
    ASSERT_EQ(ReadyCursorParts(), field_->CursorPartCount());

    const uint32_t parts = field_->CursorPartCount();
    std::vector<CLoaderSlot> held = HoldEverySlot();
    const Clock::time_point before = Clock::now();
    Click();
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - before);
    EXPECT_LT(took.count(), 1000) << "the click waited; it must return at once";
    EXPECT_EQ(static_cast<uint32_t>(field_->PlacedModelCount()), parts);
    EXPECT_EQ(field_->Mode(), EditMode::ModeAdjust);
    RunFrame();
    int ready = 0;
    field_->ForEachPlacedModel([&ready](const CModelEntry& entry) { ready += entry.ready.load() ? 1 : 0; });
    EXPECT_EQ(static_cast<uint32_t>(ready), parts)
        << "the cursor's models were ready: so are the placed ones";

    EXPECT_EQ(ReadyCursorParts(), 0u) << "the cursor gave its models to the placement";

    // Its next copies wait in the background for a slot, then come back.
    held.clear();
    for (int frame = 0; frame < 300 && ReadyCursorParts() < parts; ++frame) {
        RunFrame();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_EQ(ReadyCursorParts(), parts);
}

} // namespace
} // namespace quorvane
