#include "search/occurrences.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text/utf8.h"

namespace {

// The scan exactly as defined: the character walk, comparing at each position.
Occurrences WalkScan(std::string_view block, std::string_view term) {
    Occurrences r;
    size_t p = 0;
    if (term.empty()) return r;
    while (term.size() <= block.size() && p <= block.size() - term.size()) {
        if (block.compare(p, term.size(), term) == 0) {
            if (r.count == 0) r.first = static_cast<int64_t>(p);
            ++r.count;
            p += term.size();
        } else {
            p += CharStep(static_cast<unsigned char>(block[p]));
        }
    }
    return r;
}

TEST(ScanOccurrences, Cases) {
    struct Case {
        std::string block, term;
        int64_t count, first;
    } cases[] = {
        {"XAAAX", "A", 3, 1},
        {"XAAAX", "AA", 1, 1},  // occurrences do not overlap
        {"AAAA", "AA", 2, 0},
        {"abc", "abcd", 0, -1},  // the window must lie inside the block
        {"abc", "bc", 1, 1},
        {"", "a", 0, -1},
        // "\xE3\x81\x82" is あ; a term "\x81\x82" only matches inside it: never counted.
        {"\xE3\x81\x82\xE3\x81\x82", "\x81\x82", 0, -1},
        // An ill-formed lead byte swallows what follows: "E3 41 42" is one character, so
        // the A there is not at a character start, the one after is.
        {"\xE3" "AB" "A", "A", 1, 3},
        // A stray continuation byte is stepped over alone: the A after it counts.
        {"\x80" "A", "A", 1, 1},
        {"東京都東京", "東京", 2, 0},
    };
    for (const Case& c : cases) {
        Occurrences got = ScanOccurrences(c.block, c.term);
        EXPECT_EQ(got.count, c.count) << c.block << " / " << c.term;
        EXPECT_EQ(got.first, c.first) << c.block << " / " << c.term;
    }
}

TEST(ScanOccurrences, AgreesWithTheCharacterWalkOnMixedBytes) {
    // Blocks of random bytes drawn from a small alphabet of lead, continuation and ASCII
    // bytes, so ill-formed sequences and false candidates are frequent.
    const unsigned char alphabet[] = {'A', 'B', 0xE3, 0x81, 0x82, 0xC3, 0xF0, 0x80, 0xFF};
    uint32_t seed = 12345;
    auto next = [&seed]() {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) & 0x7FFF;
    };
    for (int round = 0; round < 3000; ++round) {
        std::string block, term;
        size_t bl = next() % 40, tl = 1 + next() % 4;
        for (size_t i = 0; i < bl; ++i) block += static_cast<char>(alphabet[next() % 9]);
        for (size_t i = 0; i < tl; ++i) term += static_cast<char>(alphabet[next() % 9]);
        Occurrences want = WalkScan(block, term);
        Occurrences got = ScanOccurrences(block, term);
        ASSERT_EQ(got.count, want.count) << "round " << round;
        ASSERT_EQ(got.first, want.first) << "round " << round;
    }
}

TEST(OccurrenceCursor, GivesEveryOccurrenceInOrder) {
    OccurrenceCursor cursor("abXabXXab", "ab");
    std::vector<size_t> at;
    for (size_t p = cursor.Next(); p != OccurrenceCursor::npos; p = cursor.Next()) at.push_back(p);
    EXPECT_EQ(at, (std::vector<size_t>{0, 3, 7}));
    EXPECT_EQ(cursor.Next(), OccurrenceCursor::npos);
    EXPECT_EQ(OccurrenceCursor("abc", "").Next(), OccurrenceCursor::npos);
}

}  // namespace
