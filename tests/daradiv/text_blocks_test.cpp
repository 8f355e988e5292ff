#include <gtest/gtest.h>

#include "daradiv/document_text.h"
#include "daradiv/leftovers.h"
#include "search/index_files.h"

using namespace daradiv;

TEST(TextBlocks, NormalisedThenFoldedWithEqualLengths) {
    TextBlocks b = MakeTextBlocks("  ｈｅｌｌｏ　１２\n\n\tカタカナ abc");
    EXPECT_EQ(b.display, "hello 12 カタカナ abc");
    EXPECT_EQ(b.folded, "HELLO 12 かたかな ABC");
}

TEST(TextBlocks, LongTextIsCutAtACharacterBoundary) {
    // 3-byte characters do not divide the limit, so a naive cut would split one.
    std::string text;
    while (text.size() < index_files::kMaxTextBlock + 10) text += "語";
    TextBlocks b = MakeTextBlocks(text);
    EXPECT_LE(b.display.size(), index_files::kMaxTextBlock);
    EXPECT_GT(b.display.size(), index_files::kMaxTextBlock - 3);
    EXPECT_EQ(b.display.size() % 3, 0u);
    EXPECT_EQ(b.folded.size(), b.display.size());

    std::string path = "/" + text.substr(0, 200'001);
    std::string block = MakePathBlock(path);
    EXPECT_LE(block.size(), index_files::kMaxPathBlock);
    EXPECT_EQ((block.size() - 1) % 3, 0u);
}

TEST(Leftovers, CatalogueNumbersOfFileNames) {
    const std::pair<const char*, int> cases[] = {
        {"sindex1.dat", 1},  {"sindexc12.dat", 12}, {"sindexi.dat", 0},  {"sindex0.dat", 0},
        {"sindex01.dat", 0}, {"sindexc.dat", 0},     {"sindex1.dat.x", 0}, {"sindex1x.dat", 0},
        {"srep.txt", 0},     {"sindex", 0},
    };
    for (const auto& [name, n] : cases) EXPECT_EQ(CatalogueNumberOf(name), n) << name;
}
