// Replacing a file so that a crash at any step leaves the old bytes or the new ones.
#include "platform/durable_file.h"
#include "tests/file_faults.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <optional>
#include <ostream>
#include <vector>

namespace quorvane {
namespace {

const std::string kOld = "old line one\r\nold line two\r\n";
const std::string kNew = "new\r\n";

std::string Contents(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Put(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

struct CrashCase {
    const char* name;
    std::optional<ReplaceStep> stopAt;    // none: the replace runs to its end
    std::vector<ReplaceStep> steps;       // the steps reported, in order
    std::string atPath;                   // what a reader finds at the path afterwards
    std::optional<std::string> temporary; // what is left at "<path>.new", if anything
};

void PrintTo(const CrashCase& c, std::ostream* out) {
    *out << c.name;
}

class ReplaceInterrupted : public ::testing::TestWithParam<CrashCase> {};

TEST_P(ReplaceInterrupted, LeavesTheWholeOldOrTheWholeNewFile) {
    const CrashCase& c = GetParam();
    const test::CScratchDirectory dir(std::string("quorvane_replace_") + c.name);
    const std::filesystem::path path = dir / "p0p0.gmf";
    Put(path, kOld);

    std::vector<ReplaceStep> seen;
    std::string message;
    const bool replaced = ReplaceDurably(path, kNew, &message, [&](ReplaceStep step) {
        seen.push_back(step);
        return step == c.stopAt ? StepDecision::Stop : StepDecision::Continue;
    });
    EXPECT_EQ(replaced, !c.stopAt.has_value()) << message;
    EXPECT_EQ(seen, c.steps);
    if (c.stopAt) {
        EXPECT_NE(message.find(path.string()), std::string::npos) << message;
    }
    EXPECT_EQ(Contents(path), c.atPath);
    const std::filesystem::path temporary = dir / "p0p0.gmf.new";
    EXPECT_EQ(std::filesystem::exists(temporary), c.temporary.has_value());
    if (c.temporary) {
        EXPECT_EQ(Contents(temporary), *c.temporary);
    }
}

constexpr ReplaceStep kSynced = ReplaceStep::TemporarySynced;
constexpr ReplaceStep kRenamed = ReplaceStep::Renamed;

INSTANTIATE_TEST_SUITE_P(
    Steps, ReplaceInterrupted,
    ::testing::Values(CrashCase{"AfterTheTemporaryIsSynced", kSynced, {kSynced}, kOld, kNew},
                      CrashCase{"AfterTheRename", kRenamed, {kSynced, kRenamed}, kNew, std::nullopt},
                      CrashCase{"Never", std::nullopt, {kSynced, kRenamed}, kNew, std::nullopt}),
    [](const ::testing::TestParamInfo<CrashCase>& info) { return std::string(info.param.name); });

// What a crash left behind, longer than the new bytes, must not show through.
TEST(ReplaceDurably, ALeftoverTemporaryIsOverwrittenAndAMissingFileCreated) {
    const test::CScratchDirectory dir("quorvane_replace_leftover");
    const std::filesystem::path path = dir / "p0p0.gmf";
    Put(path, kOld);
    Put(dir / "p0p0.gmf.new", std::string(4096, 'x'));
    std::string message;
    ASSERT_TRUE(ReplaceDurably(path, kNew, &message)) << message;
    EXPECT_EQ(Contents(path), kNew);
    EXPECT_FALSE(std::filesystem::exists(dir / "p0p0.gmf.new"));

    // A missing file is created; a missing folder fails.
    ASSERT_TRUE(ReplaceDurably(dir / "p1p0.gmf", "", &message)) << message;
    EXPECT_TRUE(std::filesystem::is_regular_file(dir / "p1p0.gmf"));
    EXPECT_EQ(std::filesystem::file_size(dir / "p1p0.gmf"), 0u);

    EXPECT_FALSE(ReplaceDurably(dir / "lod3" / "p1p0.gmf", kNew, &message));
    EXPECT_NE(message.find((dir / "lod3" / "p1p0.gmf.new").string()), std::string::npos) << message;
    EXPECT_FALSE(std::filesystem::exists(dir / "lod3"));
}

} // namespace
} // namespace quorvane
