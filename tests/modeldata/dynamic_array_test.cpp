#include "modeldata/dynamic_array.h"

#include <array>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

TEST(DynamicArrayTest, StartsWithHundredZeroSlots) {
    CDynamicArray<float> array;
    EXPECT_EQ(array.Capacity(), 100u);
    EXPECT_EQ(array.Count(), 0);
    EXPECT_EQ(array.At(0), nullptr); // empty
}

TEST(DynamicArrayTest, GrowsToTwoHundredOnPushThatFindsNinetyNine) {
    CDynamicArray<int32_t> array;
    for (int32_t i = 0; i < 99; ++i) {
        array.Push(i * 3);
    }
    EXPECT_EQ(array.Capacity(), 100u);
    array.Push(297);
    EXPECT_EQ(array.Capacity(), 200u);
    EXPECT_EQ(array.Count(), 100);
    for (int32_t i = 0; i < 100; ++i) {
        EXPECT_EQ(*array.At(i), i * 3);
    }
    for (uint64_t i = 100; i < array.Capacity(); ++i) {
        EXPECT_EQ(array.Data()[i], 0);
    }
    for (int32_t i = 100; i < 200; ++i) {
        array.Push(i);
    }
    EXPECT_EQ(array.Capacity(), 400u);
}

TEST(DynamicArrayTest, NullSourcePushesZeroElement) {
    struct Matrix {
        std::array<float, 16> m;
    };
    CDynamicArray<Matrix> array;
    Matrix ones{};
    ones.m.fill(1.0f);
    array.Push(ones);
    array.Push(nullptr);
    EXPECT_EQ(array.Count(), 2);
    for (float v : array.At(1)->m) {
        EXPECT_EQ(v, 0.0f);
    }
    EXPECT_EQ(array.At(0)->m[15], 1.0f);
}

TEST(DynamicArrayTest, AtBounds) {
    CDynamicArray<double> array;
    array.Push(1.5);
    array.Push(2.5);
    EXPECT_EQ(array.At(-1), nullptr);
    ASSERT_NE(array.At(2), nullptr); // the spare zero slot
    EXPECT_EQ(*array.At(2), 0.0);
    EXPECT_EQ(array.At(3), nullptr);
    EXPECT_EQ(array.Items().size(), 2u);
}

TEST(DynamicArrayTest, ReserveKeepsASpareSlotAndContents) {
    CDynamicArray<int32_t> array;
    array.Push(7);
    array.Reserve(1000);
    EXPECT_GE(array.Capacity(), 1001u);
    EXPECT_EQ(*array.At(0), 7);
    CDynamicArray<int32_t> moved(std::move(array));
    EXPECT_EQ(*moved.At(0), 7);
    EXPECT_EQ(array.Count(), 0);
    array.Push(5); // a moved-from array is empty and usable
    EXPECT_EQ(*array.At(0), 5);
}

} // namespace
} // namespace quorvane
