#include "modeldata/scalar_math.h"
#include "render/matrix.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

Matrix4 Sample() {
    Matrix4 m;
    const float values[16] = {2, 0, 1, 0, 1, 3, 0, 0, 0, 1, 4, 0, 5, -2, 3, 1};
    for (int i = 0; i < 16; ++i) {
        m.m[static_cast<size_t>(i)] = values[i];
    }
    return m;
}

void ExpectNear(const Matrix4& a, const Matrix4& b, float tolerance = 1e-5f) {
    for (size_t i = 0; i < 16; ++i) {
        EXPECT_NEAR(a.m[i], b.m[i], tolerance) << "element " << i;
    }
}

TEST(Matrix, MultiplyComposesRowVectorTransformsLeftToRight) {
    Matrix4 scale = Diagonal(2, 2, 2, 1);
    Matrix4 move = Identity();
    move(3, 0) = 10; // translation row
    const Vec4 p = Transform({1, 1, 1, 1}, Multiply(scale, move));
    EXPECT_FLOAT_EQ(p.x, 12);
    EXPECT_FLOAT_EQ(p.y, 2);
    const Vec4 q = Transform({1, 1, 1, 1}, Multiply(move, scale));
    EXPECT_FLOAT_EQ(q.x, 22);
    ExpectNear(Multiply(Sample(), Identity()), Sample());
}

TEST(Matrix, InverseUndoesTheMatrixAndRefusesASingularOne) {
    Matrix4 inverse;
    ASSERT_TRUE(Inverse(Sample(), inverse));
    ExpectNear(Multiply(Sample(), inverse), Identity());
    ExpectNear(Multiply(inverse, Sample()), Identity());

    Matrix4 singular = Sample();
    for (int c = 0; c < 4; ++c) {
        singular(1, c) = singular(0, c) * 3; // dependent rows
    }
    Matrix4 untouched = Identity();
    EXPECT_FALSE(Inverse(singular, untouched));
    ExpectNear(untouched, Identity());
}

TEST(Matrix, LookToBuildsAnOrthonormalLeftHandedBasis) {
    const Matrix4 v = LookTo({1, 2, 3}, {0, 5, 0}, {0, 0, 1});
    // The looked-at direction becomes +z, distance along it the depth.
    const Vec4 ahead = Transform({1, 9, 3, 1}, v);
    EXPECT_NEAR(ahead.x, 0, 1e-6);
    EXPECT_NEAR(ahead.y, 0, 1e-6);
    EXPECT_NEAR(ahead.z, 7, 1e-5);
    // Up stays up; right is -x for a look along +y with z up.
    const Vec4 above = Transform({1, 2, 4, 1}, v);
    EXPECT_NEAR(above.y, 1, 1e-6);
    const Vec4 right = Transform({0, 2, 3, 1}, v);
    EXPECT_NEAR(right.x, 1, 1e-6);
}

TEST(ScalarMath, AlignUpRoundsToMultiplesAndLeavesAlignmentsZeroAndOne) {
    // Value, alignment, aligned.
    const std::array<uint32_t, 3> cases[] = {{13, 0, 13}, {13, 1, 13},  {0, 256, 0},
                                             {13, 4, 16}, {16, 16, 16}, {17, 16, 32},
                                             {10, 3, 12}, {12, 3, 12},  {1000, 7, 1001}};
    for (const auto& [value, alignment, aligned] : cases) {
        EXPECT_EQ(AlignUp(value, alignment), aligned) << value << " to " << alignment;
    }
    EXPECT_EQ(AlignUp<uint64_t>(0x1'0000'0001, 65536), 0x1'0001'0000u);
}

TEST(ScalarMath, DegreesToRadiansExactAndWithFiveDigitPi) {
    EXPECT_DOUBLE_EQ(DegreesToRadians(180.0), 3.14159265358979323846);
    EXPECT_DOUBLE_EQ(DegreesToRadians(-45.0), -0.78539816339744830962);
    EXPECT_FLOAT_EQ(DegreesToRadians(90.0f), 1.5707963f);
    EXPECT_EQ(DegreesToRadiansFiveDigits(180.0f), 3.14159f);
    EXPECT_FLOAT_EQ(DegreesToRadiansFiveDigits(90.0f), 1.570795f);
    // The five-digit value stays measurably short of pi.
    EXPECT_GT(kPi<float> - kPiFiveDigits, 2e-6f);
}

} // namespace
} // namespace quorvane
