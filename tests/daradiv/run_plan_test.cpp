#include <gtest/gtest.h>

#include "daradiv/run_plan.h"

#include <unistd.h>

#include <cstdio>
#include <fstream>

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

// Within one whole second, the stamps decide: a change of either time by a nanosecond, a
// missing stamp or a stamp that asks for another reading means extracting again; documents
// that failed are tried again on the same terms. Without any stamps the old rule holds.
TEST(RunPlan, StampsTellApartChangesWithinTheSameSecond) {
    constexpr int64_t kAt = 100'000'000'000;  // 100 s, in nanoseconds
    auto stamped = [](std::string path) {
        FoundFile f = Found(std::move(path), 10, 100);
        f.mtime_ns = kAt + 5;
        f.ctime_ns = kAt + 7;
        return f;
    };
    std::vector<FoundFile> files;
    for (int i = 0; i < 5; ++i) files.push_back(stamped("/d/" + std::to_string(i)));
    files.push_back(stamped("/d/broken"));
    PlanInputs in = Inputs(Lines(5), files);
    in.known_failures = {{"/d/broken", 10, 100, "壊れています"}};
    DocumentStamps stamps;
    for (const FoundFile& f : files) stamps[f.path] = {f.size, f.mtime_ns, f.ctime_ns, false, {}};
    stamps["/d/1"].mtime_ns += 1;         // rewritten in the same second
    stamps["/d/2"].ctime_ns -= 1;         // its status changed since
    stamps["/d/3"].read_again = true;     // modified as it was read
    stamps.erase("/d/4");                 // no stamp: a run killed before writing them
    stamps["/d/broken"].mtime_ns -= 1;    // a failed document rewritten since
    in.stamps = &stamps;
    RunPlan plan = PlanRun(in);
    EXPECT_EQ(plan.kept, (std::vector<size_t>{0}));
    EXPECT_EQ(plan.dying, (std::vector<size_t>{1, 2, 3, 4}));
    std::vector<std::string> extracted;
    for (const FoundFile& f : plan.extract) extracted.push_back(f.path);
    EXPECT_EQ(extracted, (std::vector<std::string>{"/d/1", "/d/2", "/d/3", "/d/4", "/d/broken"}));
    EXPECT_TRUE(plan.still_failed.empty());

    in.stamps = nullptr;  // an index of an earlier version: size and seconds decide
    plan = PlanRun(in);
    EXPECT_EQ(plan.kept.size(), 5u);
    EXPECT_EQ(plan.still_failed.size(), 1u);
}

// A document is read again next time when a change after the run started could repeat both
// its times: both lie within a tick of the start (2 s where times are whole seconds).
TEST(DocumentStamps, ReadAgainWhenBothTimesAreWithinATickOfTheStart) {
    constexpr int64_t kMs = 1'000'000;
    constexpr int64_t kStart = 1'700'000'000'000 * kMs + 123 * kMs;
    struct Case {
        int64_t mtime, ctime;
        bool again;
    } cases[] = {
        {kStart - 50 * kMs, kStart - 40 * kMs, true},
        {kStart + 30 * kMs, kStart + 30 * kMs, true},      // changed while the run looked
        {kStart - 500 * kMs, kStart - 500 * kMs, false},
        {kStart - 3'600'000 * kMs, kStart - 10 * kMs, false},  // an old time: a change shows
        {(kStart / 1000 / kMs) * 1000 * kMs - 1000 * kMs, (kStart / 1000 / kMs) * 1000 * kMs, true},
        {(kStart / 1000 / kMs) * 1000 * kMs - 3000 * kMs, (kStart / 1000 / kMs) * 1000 * kMs, false},
    };
    for (const Case& c : cases) {
        FoundFile f = Found("/d/a", 1, c.mtime / 1'000'000'000);
        f.mtime_ns = c.mtime;
        f.ctime_ns = c.ctime;
        EXPECT_EQ(ChangeCouldGoUnseen(f, kStart), c.again) << c.mtime << " " << c.ctime;
        EXPECT_EQ(StampsOf({f}, kStart).at("/d/a").read_again, c.again);
    }
}

TEST(DocumentStamps, WrittenAndReadBack) {
    const std::string file = ::testing::TempDir() + "stamps_" + std::to_string(getpid()) + ".dat";
    EXPECT_FALSE(ReadDocumentStamps(file).has_value());  // none yet: an earlier version's index
    DocumentStamps stamps;
    stamps["/d/文書 a.txt"] = {12, 1'700'000'000'123'456'789, 1'700'000'000'987'654'321, false,
                               {"後ろの 10 バイトを索引していません", "区切りがありません"}};
    stamps["/d/b.txt"] = {0, 5, 6, true, {}};
    WriteDocumentStamps(file, stamps);
    EXPECT_EQ(ReadDocumentStamps(file), stamps);
    std::ofstream(file, std::ios::binary) << "/d/a;;1;;2;;3;;0\r\n\xFF\xFE broken\r\n";
    EXPECT_EQ(ReadDocumentStamps(file), DocumentStamps());  // damaged: everything read again
    std::remove(file.c_str());
}
