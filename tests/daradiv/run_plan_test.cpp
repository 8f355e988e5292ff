#include <gtest/gtest.h>

#include "daradiv/run_plan.h"

using namespace daradiv;

namespace {

OldLine Line(const std::string& path, int64_t size, int64_t mtime, int32_t offset = 0) {
    std::string text = path + ";;20240101;;" + std::to_string(mtime) + ";;" +
                       std::to_string(size) + ";;1;;5;;5;;" + std::to_string(offset);
    return OldLine(text);
}

FoundFile Found(const std::string& path, int64_t size, int64_t mtime) {
    return {path, ".txt", size, mtime};
}

PlanInputs Inputs(std::vector<OldLine> old, std::vector<FoundFile> found) {
    PlanInputs in;
    in.record_readable.assign(old.size(), true);
    in.old_lines = std::move(old);
    in.found = std::move(found);
    return in;
}

std::vector<OldLine> Lines(int n) {
    std::vector<OldLine> lines;
    for (int i = 0; i < n; ++i) lines.push_back(Line("/d/" + std::to_string(i), 10, 100));
    return lines;
}

std::vector<FoundFile> Files(int n) {
    std::vector<FoundFile> files;
    for (int i = 0; i < n; ++i) files.push_back(Found("/d/" + std::to_string(i), 10, 100));
    return files;
}

}  // namespace

TEST(RunPlan, UnchangedDocumentsAreKeptAndNothingChanges) {
    RunPlan plan = PlanRun(Inputs(Lines(20), Files(20)));
    EXPECT_EQ(plan.kind, RunKind::kIncremental);
    EXPECT_TRUE(plan.nothing_changed);
    EXPECT_EQ(plan.kept.size(), 20u);
    EXPECT_TRUE(plan.extract.empty());
}

TEST(RunPlan, ChangedGoneAndNewDocuments) {
    std::vector<FoundFile> files = Files(50);
    files[3].size = 11;                       // changed size
    files[4].mtime = 101;                     // changed time
    files.erase(files.begin() + 5);           // gone
    files.push_back(Found("/d/new", 1, 1));   // new
    PlanInputs in = Inputs(Lines(50), files);
    in.record_readable[6] = false;            // its catalogue is damaged: extract again
    RunPlan plan = PlanRun(in);
    EXPECT_EQ(plan.kind, RunKind::kIncremental);  // 4 dead of 51 lines
    EXPECT_FALSE(plan.nothing_changed);
    EXPECT_EQ(plan.dying, (std::vector<size_t>{3, 4, 5, 6}));
    ASSERT_EQ(plan.extract.size(), 4u);
    EXPECT_EQ(plan.extract[0].path, "/d/3");
    EXPECT_EQ(plan.extract[3].path, "/d/new");
    EXPECT_EQ(plan.kept.size(), 46u);
}

// Dead lines and documents indexed one by one since the last fresh build each may reach a
// tenth of all lines; past that the run compacts.
TEST(RunPlan, CompactsWhenDeadOrAddedLinesPassATenth) {
    struct Case {
        int lines, old_dead, removed, added, added_before;
        RunKind kind;
    } cases[] = {
        {100, 0, 10, 0, 0, RunKind::kIncremental},   // 10 of 100: exactly a tenth
        {100, 0, 11, 0, 0, RunKind::kCompact},
        {100, 5, 6, 0, 0, RunKind::kCompact},        // dead lines of earlier runs count
        {100, 0, 11, 11, 0, RunKind::kIncremental},  // appended lines raise the total
        {100, 0, 0, 10, 0, RunKind::kIncremental},   // 10 of 110 added
        {100, 0, 0, 12, 0, RunKind::kCompact},
        {100, 0, 0, 1, 9, RunKind::kIncremental},    // 10 of 101
        {100, 0, 0, 2, 9, RunKind::kCompact},        // earlier additions count
    };
    for (const Case& c : cases) {
        std::vector<OldLine> old = Lines(c.lines);
        for (int i = 0; i < c.old_dead; ++i) old[i] = Line("/d/" + std::to_string(i), 10, 100, -1);
        std::vector<FoundFile> files;
        for (int i = c.old_dead + c.removed; i < c.lines; ++i)
            files.push_back(Found("/d/" + std::to_string(i), 10, 100));
        for (int i = 0; i < c.added; ++i) files.push_back(Found("/n/" + std::to_string(i), 1, 1));
        PlanInputs in = Inputs(old, files);
        in.added_since_fresh = static_cast<size_t>(c.added_before);
        RunPlan plan = PlanRun(in);
        EXPECT_EQ(plan.kind, c.kind) << c.lines << " " << c.old_dead << " " << c.removed << " "
                                     << c.added << " " << c.added_before;
    }
}

TEST(RunPlan, IndexNotMatchingTheInformationFileCompactsWithoutExtracting) {
    PlanInputs in = Inputs(Lines(5), Files(5));
    in.index_matches = false;
    RunPlan plan = PlanRun(in);
    EXPECT_EQ(plan.kind, RunKind::kCompact);
    EXPECT_EQ(plan.kept.size(), 5u);
    EXPECT_TRUE(plan.extract.empty());
}

TEST(RunPlan, UnchangedFailedDocumentsAreNotTriedAgain) {
    PlanInputs in = Inputs(Lines(2), Files(2));
    in.found.push_back(Found("/d/broken", 7, 70));
    in.found.push_back(Found("/d/fixed", 8, 81));
    in.known_failures = {{"/d/broken", 7, 70, "壊れています"}, {"/d/fixed", 8, 80, "x"}};
    RunPlan plan = PlanRun(in);
    ASSERT_EQ(plan.still_failed.size(), 1u);
    EXPECT_EQ(plan.still_failed[0].path, "/d/broken");
    ASSERT_EQ(plan.extract.size(), 1u);
    EXPECT_EQ(plan.extract[0].path, "/d/fixed");

    in.full = true;  // a full run tries everything
    plan = PlanRun(in);
    EXPECT_EQ(plan.kind, RunKind::kFull);
    EXPECT_EQ(plan.extract.size(), 4u);
}
