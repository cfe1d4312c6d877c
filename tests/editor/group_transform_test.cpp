// Copies selected together move, scale and turn as one rigid group about their centre.
#include "editor/group_transform.h"
#include "editor/model_frame.h"

#include <gtest/gtest.h>
#include <random>
#include <string>

namespace quorvane {
namespace {

void ExpectNear(const Vector4& actual, const Vector4& expected, const std::string& what, float near = 2e-4f) {
    EXPECT_NEAR(actual.x, expected.x, near) << what;
    EXPECT_NEAR(actual.y, expected.y, near) << what;
    EXPECT_NEAR(actual.z, expected.z, near) << what;
}

CModelTransform At(float x, float y, float z) {
    CModelTransform t;
    t.scale = {1, 1, 1, 1};
    t.position = {x, y, z, 1};
    return t;
}

TEST(GroupTransform, TheCentreIsTheMeanOfThePositions) {
    ExpectNear(CentreOf({At(0, 0, 0), At(4, 2, 0), At(2, -2, 6)}), {2, 0, 2, 1}, "three copies");
}

TEST(GroupTransform, HandWorkedGestures) {
    // Two copies either side of the origin; the renderer turns +x towards +y about z.
    const struct {
        const char* what;
        GroupGesture gesture;
        Vector4 right; // where the copy at (1, 0, 0) goes
        Vector4 left;  // and the one at (-1, 0, 0)
        Vector4 scale; // of each
    } cases[] = {
        {"moved 5 along x", {{5, 0, 0, 1}, {1, 1, 1, 1}, {}}, {6, 0, 0, 1}, {4, 0, 0, 1}, {1, 1, 1, 1}},
        {"scaled twice", {{0, 0, 0, 1}, {2, 2, 2, 1}, {}}, {2, 0, 0, 1}, {-2, 0, 0, 1}, {2, 2, 2, 1}},
        {"scaled along y only", {{0, 0, 0, 1}, {1, 3, 1, 1}, {}}, {1, 0, 0, 1}, {-1, 0, 0, 1}, {1, 3, 1, 1}},
        {"turned 90 about z",
         {{0, 0, 0, 1}, {1, 1, 1, 1}, {0, 0, 90, 0}},
         {0, 1, 0, 1},
         {0, -1, 0, 1},
         {1, 1, 1, 1}},
        {"turned 90 about y",
         {{0, 0, 0, 1}, {1, 1, 1, 1}, {0, 90, 0, 0}},
         {0, 0, -1, 1},
         {0, 0, 1, 1},
         {1, 1, 1, 1}},
    };
    for (const auto& c : cases) {
        ExpectNear(MovedWithGroup(At(1, 0, 0), {0, 0, 0, 1}, c.gesture).position, c.right, c.what);
        ExpectNear(MovedWithGroup(At(-1, 0, 0), {0, 0, 0, 1}, c.gesture).position, c.left, c.what);
        ExpectNear(MovedWithGroup(At(1, 0, 0), {0, 0, 0, 1}, c.gesture).scale, c.scale, c.what);
    }
}

TEST(GroupTransform, AMoveKeepsEveryAngleDigitForDigit) {
    CModelTransform start = At(3, 4, 5);
    start.rotation = {12.345678f, -170.0f, 359.5f, 1.0f};
    const CModelTransform moved = MovedWithGroup(start, {0, 0, 0, 1}, {{1, 2, 3, 1}, {2, 2, 2, 1}, {}});
    EXPECT_EQ(moved.rotation, start.rotation);
}

// Whatever the copies' own angles and the gesture's turn, every point of every
// copy lands where turning the whole group as one body puts it.
TEST(GroupTransform, ATurnMovesEachCopyAsOneRigidBody) {
    std::mt19937 random(7u);
    std::uniform_real_distribution<float> angle(-180.0f, 180.0f);
    std::uniform_real_distribution<float> coordinate(-20.0f, 20.0f);
    const Vector4 centre{1.0f, -2.0f, 0.5f, 1.0f};
    for (int trial = 0; trial < 200; ++trial) {
        CModelTransform start = At(coordinate(random), coordinate(random), coordinate(random));
        start.rotation = {angle(random), angle(random) / 2.0f, angle(random), 1.0f};
        GroupGesture gesture{
            {4.0f, 5.0f, 6.0f, 1.0f}, {1, 1, 1, 1}, {angle(random), angle(random) / 2.0f, angle(random), 0}};
        // Every third trial a turn about z alone, every third about x of a copy turned about x alone.
        if (trial % 3 == 0) {
            gesture.rotation = {0, 0, angle(random), 0};
        } else if (trial % 3 == 1) {
            gesture.rotation = {angle(random), 0, 0, 0};
            start.rotation = {angle(random), 0, 0, 1};
        }
        const CModelTransform moved = MovedWithGroup(start, centre, gesture);
        const auto before = CModelFrame::Of(start);
        const auto after = CModelFrame::Of(moved);
        // The group as one body: the centre to the gesture's position, turned by its angles.
        CModelTransform body = At(gesture.position.x, gesture.position.y, gesture.position.z);
        body.rotation = gesture.rotation;
        const auto group = CModelFrame::Of(body);
        ASSERT_TRUE(before && after && group);
        for (const Vector4 local : {Vector4{1, 0, 0, 1}, Vector4{0, 2, 0, 1}, Vector4{0, 0, -3, 1}}) {
            const Vector4 world = before->PointToWorld(local);
            const Vector4 expected =
                group->PointToWorld({world.x - centre.x, world.y - centre.y, world.z - centre.z, 1.0f});
            ExpectNear(after->PointToWorld(local), expected, "trial " + std::to_string(trial), 2e-3f);
        }
    }
}

} // namespace
} // namespace quorvane
