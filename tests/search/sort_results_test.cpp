#include "search/sort_results.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "text/record_field.h"
#include "text/text_rules.h"

namespace {

// A hit record named by its path; the other fields as given.
std::string Record(const std::string& score, const std::string& path,
                   const std::string& date = "20240101", const std::string& size = "10") {
    return score + ";;" + path + ";;" + date + ";;x;;" + size + ";;1;;1;;1;;0;;-1";
}

std::vector<std::string> Sorted(std::vector<std::string> records, int key) {
    ViewerState state;
    state.Results = std::move(records);
    SortResults(state, key, 0, static_cast<int>(state.Results.size()) - 1);
    std::vector<std::string> paths;
    for (const std::string& r : state.Results) paths.emplace_back(RecordField(r, 1));
    return paths;
}

using Paths = std::vector<std::string>;

TEST(SortResults, TieOrders) {
    EXPECT_EQ(Sorted({Record("5", "A"), Record("5", "B"), Record("5", "C")}, 0),
              (Paths{"C", "B", "A"}));
    EXPECT_EQ(Sorted({Record("3", "A"), Record("7", "B"), Record("3", "C"), Record("1", "D")}, 0),
              (Paths{"D", "C", "A", "B"}));
    EXPECT_EQ(Sorted({Record("1", "A"), Record("1", "B")}, 0), (Paths{"B", "A"}));
    // Dates that are not integers all count as 0 and are ordered by the ties alone.
    EXPECT_EQ(Sorted({Record("1", "A", "2024/01/02"), Record("1", "B", "2024/01/01"),
                      Record("1", "C", "20240101")},
                     2),
              (Paths{"B", "A", "C"}));
    // A size beyond 32 bits counts as 0.
    EXPECT_EQ(Sorted({Record("1", "A", "1", "2147483648"), Record("1", "B", "1", "5"),
                      Record("1", "C", "1", "-1")},
                     4),
              (Paths{"C", "A", "B"}));
}

TEST(SortResults, PathsInOrdinalUtf16Order) {
    EXPECT_EQ(Sorted({Record("1", "C:\\b"), Record("1", "C:\\a\\x")}, 1),
              (Paths{"C:\\a\\x", "C:\\b"}));
    EXPECT_EQ(Sorted({Record("1", "C:\\a.txt"), Record("1", "C:\\Z.txt")}, 1),
              (Paths{"C:\\Z.txt", "C:\\a.txt"}));
    // U+FF21 is one code unit above U+E000; U+1F600 takes a surrogate pair (D83D), which
    // orders below both although its code point is larger.
    EXPECT_EQ(Sorted({Record("1", "\xEF\xBC\xA1"), Record("1", "\xF0\x9F\x98\x80"),
                      Record("1", "\xEE\x80\x80"), Record("1", "ab"), Record("1", "a")},
                     1),
              (Paths{"a", "ab", "\xF0\x9F\x98\x80", "\xEE\x80\x80", "\xEF\xBC\xA1"}));
}

TEST(SortResults, OrdersAnyInputAndKeepsEveryRecord) {
    ViewerState state;
    uint32_t seed = 7;
    for (int i = 0; i < 5000; ++i) {
        seed = seed * 1103515245u + 12345u;
        state.Results.push_back(Record(std::to_string((seed >> 16) % 50), "P" + std::to_string(i)));
    }
    std::vector<std::string> before = state.Results;
    SortResults(state, 0, 0, 4999);
    EXPECT_TRUE(std::is_sorted(
        state.Results.begin(), state.Results.end(), [](const std::string& a, const std::string& b) {
            return ReadDecimal(RecordField(a, 0)) < ReadDecimal(RecordField(b, 0));
        }));
    std::sort(before.begin(), before.end());
    std::vector<std::string> after = state.Results;
    std::sort(after.begin(), after.end());
    EXPECT_EQ(after, before);
}

TEST(SortResults, SubrangeAndSwap) {
    ViewerState state;
    state.Results = {Record("9", "A"), Record("3", "B"), Record("1", "C"), Record("0", "D")};
    SortResults(state, 0, 1, 2);  // entries 0 and 3 stay where they are
    EXPECT_EQ(RecordField(state.Results[0], 1), "A");
    EXPECT_EQ(RecordField(state.Results[1], 1), "C");
    EXPECT_EQ(RecordField(state.Results[2], 1), "B");
    EXPECT_EQ(RecordField(state.Results[3], 1), "D");
    SwapResults(state, 0, 3);
    EXPECT_EQ(RecordField(state.Results[0], 1), "D");
    EXPECT_EQ(RecordField(state.Results[3], 1), "A");
    SortResults(state, 0, 2, 1);  // an empty range changes nothing
    EXPECT_EQ(RecordField(state.Results[1], 1), "C");
}

}  // namespace
