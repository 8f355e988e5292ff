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
        {"\xE3"
         "AB"
         "A",
         "A", 1, 3},
        // A stray continuation byte is stepped over alone: the A after it counts.
        {"\x80"
         "A",
         "A", 1, 1},
        {"東京都東京", "東京", 2, 0},
        // A long run of three-byte lead bytes: only the walk from the start tells whether the
        // A after it is a character start (99 = 33 characters of 3 bytes; 100 is not).
        {std::string(99, '\xE3') + "A", "A", 1, 99},
        {std::string(100, '\xE3') + "A", "A", 0, -1},
    };
    for (const Case& c : cases) {
        Occurrences got = ScanOccurrences(c.block, c.term);
        EXPECT_EQ(got.count, c.count) << c.block << " / " << c.term;
        EXPECT_EQ(got.first, c.first) << c.block << " / " << c.term;
    }
}

TEST(ScanOccurrences, AgreesWithTheCharacterWalk) {
    // Blocks built from pieces: well-formed characters of one to four bytes, and stray or
    // truncated bytes, so false candidates and ill-formed runs are frequent, and blocks long
    // enough for the sixteen-byte steps.
    const char* pieces[] = {
        "A",    "B",    "\xE3\x81\x82", "\xE3\x81\x84", "\xC3\xA4", "\xF0\x9F\x98\x80",
        "\x81", "\x82", "\xE3",         "\xC3",         "\xC0",     "\xFF",
        "\xF8", " "};
    uint32_t seed = 12345;
    auto next = [&seed]() {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) & 0x7FFF;
    };
    for (int round = 0; round < 4000; ++round) {
        // Mostly well-formed in some rounds, mostly broken in others; some rounds hold only
        // ASCII, two- and three-byte characters.
        unsigned broken = round % 4 == 0 ? 0 : (round % 4 == 1 ? 2 : 8);
        bool plain = round % 4 == 3;
        auto piece = [&]() {
            if (plain) return pieces[next() % 5];
            unsigned k = next() % 16;
            return k < broken ? pieces[6 + next() % 7] : pieces[next() % 6];
        };
        std::string block, term;
        size_t bl = next() % 120, tl = 1 + next() % 3;
        while (block.size() < bl) block += piece();
        for (size_t i = 0; i < tl; ++i) term += piece();
        if (next() % 4 == 0 && block.size() > 4)
            term = block.substr(next() % (block.size() - 3), 1 + next() % 3);
        Occurrences want = WalkScan(block, term);
        Occurrences got = ScanOccurrences(block, term);
        ASSERT_EQ(got.count, want.count) << "round " << round;
        ASSERT_EQ(got.first, want.first) << "round " << round;
        size_t count = 0;
        OccurrenceCursor cursor(block, term);
        while (cursor.Next() != OccurrenceCursor::npos) ++count;
        ASSERT_EQ(static_cast<int64_t>(count), want.count) << "round " << round;
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
