#include "search/term_groups.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Groups = std::vector<TermGroup>;

TEST(BuildTermGroups, KeywordTable) {
    struct Case {
        std::string keyword;
        Groups groups;
    } cases[] = {
        {"", {}},
        {"abc", {{"ABC"}}},
        {"ａｂｃ１２", {{"ABC12"}}},
        {"東京　大阪", {{"東京"}, {"大阪"}}},
        {"カタカナ", {{"かたかな"}}},
        {"ärger", {{"ÄRGER"}}},
        {"÷ÿ", {{"×ß"}}},
        {"ıŀ", {{"İĿ"}}},
        {"  a \t b  ", {{"A"}, {"B"}}},
        {"(a b) c", {{"A", "B"}, {"C"}}},
        {"(a b)(c d)", {{"A", "B"}, {"C", "D"}}},
        {"(a b", {{"A", "B"}}},
        {"(a b ", {}},
        {"(a (b c)", {{"A"}, {"B", "C"}}},
        {"()", {{}}},
        {"((a)", {{}, {"A"}}},
        {"a) b", {{"B"}}},
        {"ab\"cd\"", {{"CD"}}},
        {"\"foo bar\" baz", {{"FOO BAR"}, {" BAZ"}}},
        {"\"foo\" \"bar\"", {{"FOO"}, {"BAR"}}},
        {"\"abc\" ", {{"ABC"}, {" "}}},
        {"(a \"b c\")", {{"A", "B C", ")"}}},
        {"OR a OR", {{"OR"}, {"A"}, {"OR"}}},
        {"（ａ）＂", {{"（A）＂"}}},  // full-width brackets and quotes are ordinary
    };
    for (const Case& c : cases) {
        Groups groups = {{"STALE"}};
        BuildTermGroups(c.keyword, groups);
        EXPECT_EQ(groups, c.groups) << "keyword «" << c.keyword << "»";
    }
}

TEST(BuildTermGroups, LongKeywordIsCutAtACharacterBoundary) {
    // 1,365 three-byte characters take 4,095 bytes; the cut keeps 1,364 of them (4,092).
    std::string keyword;
    for (int i = 0; i < 1365; ++i) keyword += "東";
    Groups groups;
    BuildTermGroups(keyword, groups);
    ASSERT_EQ(groups.size(), 1u);
    ASSERT_EQ(groups[0].size(), 1u);
    EXPECT_EQ(groups[0][0].size(), 4092u);
}

TEST(BuildTermGroups, BytesThatAreNotUtf8AndZeroBytes) {
    Groups groups;
    BuildTermGroups(std::string("ab\xFF"
                                "c d",
                                6),
                    groups);
    EXPECT_EQ(groups, (Groups{{"AB\xEF\xBF\xBD"
                               "C"},
                              {"D"}}));
    BuildTermGroups(std::string("ab\0cd", 5), groups);
    EXPECT_EQ(groups, (Groups{{"AB"}}));
}

}  // namespace
