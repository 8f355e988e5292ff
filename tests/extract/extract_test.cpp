// Every fixture's planted words come out of ExtractText, and broken files fail cleanly.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <tuple>

#include "daradiv/extract/extractor.h"
#include "text/utf8.h"

namespace {

const std::string kFixtures = RUVUDAR_FIXTURES;

std::string ExtensionOf(const std::string& name) {
    size_t dot = name.rfind('.');
    return dot == std::string::npos ? "" : name.substr(dot + 1);
}

std::map<std::string, std::set<std::string>> PlantedWords() {
    std::map<std::string, std::set<std::string>> planted;
    std::ifstream in(kFixtures + "/planted.tsv");
    std::string line;
    while (std::getline(in, line)) {
        size_t tab = line.find('\t');
        if (tab == std::string::npos) continue;
        planted[line.substr(0, tab)].insert(line.substr(tab + 1));
    }
    return planted;
}

TEST(ExtractText, EveryPlantedWordComesOut) {
    auto planted = PlantedWords();
    ASSERT_GE(planted.size(), 20u) << "planted.tsv missing or short";
    for (const auto& [file, words] : planted) {
        ExtractResult r = ExtractText(kFixtures + "/" + file, ExtensionOf(file));
        if (!r.ok) {
            ADD_FAILURE() << file << ": " << r.error;
            continue;
        }
        EXPECT_TRUE(IsValidUtf8(r.text)) << file;
        for (const std::string& w : words)
            EXPECT_NE(r.text.find(w), std::string::npos) << file << " lacks " << w << "\n"
                                                         << r.text;
    }
}

// Words that sit in mark-up, scripts, styles, skipped destinations or attachments.
TEST(ExtractText, HiddenWordsStayOut) {
    const std::pair<const char*, const char*> cases[] = {
        {"html_utf8.html", "scripthidden"}, {"html_utf8.html", "stylehidden"},
        {"html_utf8.html", "commenthidden"}, {"html_utf8.html", "見えない"},
        {"html_sjis.htm", "scripthidden"},  {"rtf_escapes.rtf", "fonttblhidden"},
        {"rtf_escapes.rtf", "infohidden"},  {"rtf_escapes.rtf", "hiddengen"},
        {"rtf_escapes.rtf", "89504e"},      {"rtf_escapes.rtf", "MS Mincho"},
        {"mail_multipart.eml", "attachmenthidden"},
    };
    for (const auto& [file, word] : cases) {
        ExtractResult r = ExtractText(kFixtures + "/" + file, ExtensionOf(file));
        ASSERT_TRUE(r.ok) << file << ": " << r.error;
        EXPECT_EQ(r.text.find(word), std::string::npos) << file << " shows " << word;
    }
}

TEST(ExtractText, BrokenFilesFailWithAReason) {
    for (const char* file : {"broken_truncated.docx", "broken_garbage.pdf", "broken_binary.txt",
                             "broken_notzip.xlsx", "broken_notole.doc", "broken_empty.pdf"}) {
        ExtractResult r = ExtractText(kFixtures + "/" + file, ExtensionOf(file));
        EXPECT_FALSE(r.ok) << file;
        EXPECT_FALSE(r.error.empty()) << file;
        EXPECT_TRUE(r.text.empty()) << file;
    }
}

// Cut and scrambled copies of every fixture: text that is valid UTF-8, or a reason.
TEST(ExtractFromBytes, DamagedCopiesOfEveryFixtureFailCleanly) {
    for (const auto& [file, words] : PlantedWords()) {
        std::ifstream in(kFixtures + "/" + file, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        ASSERT_FALSE(bytes.empty()) << file;
        std::string scrambled = bytes;
        for (size_t i = 0; i < scrambled.size(); i += 97) scrambled[i] = static_cast<char>(~scrambled[i]);
        for (const std::string& damaged : {bytes.substr(0, bytes.size() / 3),
                                           bytes.substr(0, bytes.size() * 2 / 3),
                                           bytes.substr(0, bytes.size() - 1), scrambled}) {
            ExtractResult r = ExtractFromBytes(damaged, ExtensionOf(file));
            if (r.ok) {
                EXPECT_TRUE(IsValidUtf8(r.text)) << file << " " << damaged.size();
            } else {
                EXPECT_FALSE(r.error.empty()) << file << " " << damaged.size();
            }
        }
    }
}

// Text padded with NULs at its end (a log cut off by a crash) is still text; NULs spread
// through the bytes make them binary.
TEST(ExtractFromBytes, TrailingNulPaddingIsNotBinary) {
    std::string text = "ログの最後の行 lastlogline\n";
    ExtractResult padded = ExtractFromBytes(text + std::string(4096, '\0'), "log");
    ASSERT_TRUE(padded.ok) << padded.error;
    EXPECT_EQ(padded.text, text);
    std::string spread;
    for (int i = 0; i < 200; ++i) spread += std::string("word") + '\0';
    EXPECT_FALSE(ExtractFromBytes(spread, "log").ok);
}

TEST(ExtractText, EmptyTextFileIsAnEmptyDocument) {
    ExtractResult r = ExtractText(kFixtures + "/broken_empty.txt", "txt");
    EXPECT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.text, "");
}

// A missing file, a folder and a FIFO (which would block a plain open) all fail at once.
TEST(ExtractText, WhatIsNotARegularFileFails) {
    ExtractResult missing = ExtractText(kFixtures + "/no_such_file.txt", "txt");
    EXPECT_FALSE(missing.ok);
    EXPECT_FALSE(missing.error.empty());
    EXPECT_FALSE(ExtractText(kFixtures, "txt").ok);
    std::string fifo = testing::TempDir() + "/extract_fifo.txt";
    unlink(fifo.c_str());
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    ExtractResult r = ExtractText(fifo, "txt");
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.error.empty());
    unlink(fifo.c_str());
}

TEST(ExtractText, ExtensionWithOrWithoutDotAndUnknownExtensions) {
    EXPECT_TRUE(HasFormatModule("docx"));
    EXPECT_TRUE(HasFormatModule(".docx"));
    EXPECT_TRUE(HasFormatModule(".DOCX"));
    EXPECT_FALSE(HasFormatModule("csv"));
    ExtractResult dotted = ExtractText(kFixtures + "/office_text.docx", ".docx");
    ASSERT_TRUE(dotted.ok) << dotted.error;
    EXPECT_NE(dotted.text.find("docxplanted"), std::string::npos);
    // A Word file listed under an extension without a module is read as text: it must not
    // crash and must come out as valid UTF-8 (or be refused as binary).
    ExtractResult as_text = ExtractText(kFixtures + "/office_text.doc", "xyz");
    EXPECT_TRUE(as_text.ok ? IsValidUtf8(as_text.text) : !as_text.error.empty());
}

// Office files saved under another format's name are read by what their bytes are.
TEST(ExtractText, MisnamedOfficeFilesAreReadByTheirContent) {
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"office_text.doc", "docx", "docplanted"},     {"office_text.docx", "doc", "docxplanted"},
        {"office_text.rtf", "doc", "rtfplanted"},      {"html_utf8.html", "xls", "htmlplanted"},
        {"office_sheet.xlsx", "xls", "xlsxplanted"},   {"office_text.pdf", "docx", "pdfplanted"},
    };
    for (const auto& [file, ext, word] : cases) {
        ExtractResult r = ExtractText(kFixtures + "/" + file, ext);
        ASSERT_TRUE(r.ok) << file << " as " << ext << ": " << r.error;
        EXPECT_NE(r.text.find(word), std::string::npos) << file << " as " << ext;
    }
    // An XML spreadsheet of Office 2003 named .xls gives its cell text.
    ExtractResult xml = ExtractFromBytes(
        "<?xml version=\"1.0\"?><Workbook><Worksheet><Table><Row><Cell><Data>xmlcell</Data>"
        "</Cell></Row></Table></Worksheet></Workbook>", "xls");
    ASSERT_TRUE(xml.ok) << xml.error;
    EXPECT_NE(xml.text.find("xmlcell"), std::string::npos);
}

// Stray control bytes in text never reach the stored text.
TEST(ExtractFromBytes, OutputIsCleanUtf8) {
    ExtractResult r = ExtractFromBytes("a line of plain text with a stray\x01 control and\x7f "
                                       "delete byte in the middle of it, then d", "txt");
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_TRUE(IsValidUtf8(r.text));
    EXPECT_EQ(r.text.find('\x01'), std::string::npos);
    EXPECT_EQ(r.text.find('\x7f'), std::string::npos);
    EXPECT_NE(r.text.find('a'), std::string::npos);
    EXPECT_NE(r.text.find('d'), std::string::npos);
}

}  // namespace
