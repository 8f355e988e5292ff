// Format modules on small inputs built here: the RTF reader's escapes and destinations,
// HTML charsets, Office Open XML strings and limits, and the legacy record readers
// (piece table, shared strings across CONTINUE records, PowerPoint atoms).
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "daradiv/extract/extractor.h"
#include "daradiv/extract/html_text.h"
#include "tests/support/document_fixtures.h"
#include "text/utf8.h"

namespace {

using namespace document_fixtures;

bool Contains(const std::string& text, const std::string& word) {
    return text.find(word) != std::string::npos;
}

TEST(Rtf, EscapesAndDestinations) {
    struct Case { std::string rtf; std::string shown; std::string hidden; };
    const Case cases[] = {
        {R"({\rtf1\ansi\ansicpg932 \'93\'fa\'96\'7b})", "日本", ""},
        // A trail byte may stand as a plain character after its lead byte.
        {R"({\rtf1\ansi\ansicpg932 \'83e\'83X\'83g})", "テスト", ""},
        {R"({\rtf1\uc0\u26085\u26412 end})", "日本end", ""},  // the space ends the word
        {R"({\rtf1\uc2\u26085\'93\'fa!})", "日!", "\xEF\xBF\xBD"},
        {R"({\rtf1\u26085?{\u26412?}x})", "日本x", "?"},
        {R"({\rtf1 \u-10179?\u-8704?})", "\xF0\x9F\x98\x80", "?"},  // surrogate pair
        {R"({\rtf1 a\bin4 {}\\ b})", "a b", "\\"},
        {R"({\rtf1 {\field{\*\fldinst HYPERLINK "x"}{\fldrslt linktext}}})", "linktext", "HYPERLINK"},
        {R"({\rtf1 {\*\unknowndest secret}{\header head}\lquote q\rquote\tab\~})", "head\xE2\x80\x98q\xE2\x80\x99\t\xC2\xA0", "secret"},
        {R"({\rtf1\ansi {\fonttbl{\f0\fcharset128 Mincho;}{\f1\fcharset0 Arial;}}\f0\'82\'a0\f1\'e9})", "あé", "Mincho"},
        {R"({\rtf1 one\par two\line three\\\{\}})", "one\ntwo\nthree\\{}", ""},
        {R"({\rtf1 unbalanced {{{text)", "unbalanced text", ""},
    };
    for (const Case& c : cases) {
        ExtractResult r = ExtractFromBytes(c.rtf, "rtf");
        ASSERT_TRUE(r.ok) << c.rtf << ": " << r.error;
        EXPECT_TRUE(Contains(r.text, c.shown)) << c.rtf << " gave [" << r.text << "]";
        if (!c.hidden.empty()) {
            EXPECT_FALSE(Contains(r.text, c.hidden)) << c.rtf;
        }
    }
}

TEST(Rtf, DeepNestingAndNonRtf) {
    std::string deep = "{\\rtf1 " + std::string(200000, '{') + "deep" + std::string(200000, '}') + "}";
    ExtractResult r = ExtractFromBytes(deep, "rtf");
    ASSERT_TRUE(r.ok);
    EXPECT_TRUE(Contains(r.text, "deep"));
    // Text that merely holds backslashes is not taken for a header-less fragment.
    for (const char* text : {"plain text, not RTF", "\\\\server\\share\\file.txt", "{\\x} braces"}) {
        ExtractResult not_rtf = ExtractFromBytes(text, "rtf");
        EXPECT_FALSE(not_rtf.ok) << text;
        EXPECT_FALSE(not_rtf.error.empty()) << text;
    }
}

TEST(Html, DeclaredCharsets) {
    const std::pair<const char*, const char*> cases[] = {
        {R"(<meta charset="Shift_JIS">)", "CP932"},
        {R"(<META HTTP-EQUIV="Content-Type" CONTENT="text/html; charset=euc-jp">)", "EUC-JP-MS"},
        {R"(<meta charset='utf-16'>)", "UTF-8"},  // bytes cannot be UTF-16 if this is readable
        {R"(<p>charset=koi8-r in text</p>)", ""},
        {"", ""},
    };
    for (const auto& [head, expected] : cases) EXPECT_EQ(DeclaredHtmlCharset(head), expected) << head;
}

TEST(Html, UtfEightPageWithAStaleDeclarationReadsAsUtfEight) {
    ExtractResult r = ExtractFromBytes(
        "<html><head><meta charset=\"Shift_JIS\"><title>題名</title></head>"
        "<body><p>本文の文字</p></body></html>", "html");
    ASSERT_TRUE(r.ok);
    EXPECT_TRUE(Contains(r.text, "題名"));
    EXPECT_TRUE(Contains(r.text, "本文の文字"));
}

TEST(Html, DeepNestingDoesNotExhaustTheStack) {
    std::string page = "<html><body>";
    for (int i = 0; i < 5000; ++i) page += "<div>";
    page += "nestedword";
    ExtractResult r = ExtractFromBytes(page, "html");
    ASSERT_TRUE(r.ok);
    EXPECT_TRUE(Contains(r.text, "nestedword"));
}

TEST(Mail, RawShiftJisHeaderAndHtmlOnlyBody) {
    // 件名 and 本文 in Shift_JIS, the subject without encoded words as old mailers sent it.
    std::string mail =
        "From: a@example.jp\r\nSubject: \x8C\x8F\x96\xBC\r\nMIME-Version: 1.0\r\n"
        "Content-Type: text/html; charset=shift_jis\r\n\r\n"
        "<html><body><p>\x96\x7B\x95\xB6</p><script>hidden()</script></body></html>\r\n";
    ExtractResult r = ExtractFromBytes(mail, "eml");
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_TRUE(Contains(r.text, "Subject: 件名")) << r.text;
    EXPECT_TRUE(Contains(r.text, "本文")) << r.text;
    EXPECT_FALSE(Contains(r.text, "hidden")) << r.text;
    EXPECT_FALSE(Contains(r.text, "<p>")) << r.text;
}

TEST(Mail, ForwardedMessageTextIsRead) {
    std::string mail =
        "From: a@example.jp\r\nSubject: fwd\r\nMIME-Version: 1.0\r\n"
        "Content-Type: multipart/mixed; boundary=\"b\"\r\n\r\n--b\r\n"
        "Content-Type: text/plain; charset=us-ascii\r\n\r\nouterbody\r\n--b\r\n"
        "Content-Type: message/rfc822\r\n\r\n"
        "From: c@example.jp\r\nSubject: inner\r\nContent-Type: text/plain; charset=utf-8\r\n\r\n"
        "転送された本文 innerbody\r\n--b--\r\n";
    ExtractResult r = ExtractFromBytes(mail, "eml");
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_TRUE(Contains(r.text, "outerbody")) << r.text;
    EXPECT_TRUE(Contains(r.text, "転送された本文 innerbody")) << r.text;
}

const char kRootRels[] =
    R"(<Relationships><Relationship Id="r1" Type="x/officeDocument" Target="xl/workbook.xml"/></Relationships>)";
const char kWorkbook[] =
    R"(<workbook xmlns:r="r"><sheets><sheet name="Tab" sheetId="1" r:id="s1"/></sheets></workbook>)";
const char kWorkbookRels[] =
    R"(<Relationships><Relationship Id="s1" Type="x/worksheet" Target="worksheets/sheet1.xml"/>)"
    R"(<Relationship Id="s2" Type="x/sharedStrings" Target="/xl/sharedStrings.xml"/></Relationships>)";

std::string Workbook(const std::string& shared, const std::string& sheet_data) {
    return MakeZip({{"_rels/.rels", kRootRels}, {"xl/workbook.xml", kWorkbook},
                    {"xl/_rels/workbook.xml.rels", kWorkbookRels},
                    {"xl/sharedStrings.xml", "<sst>" + shared + "</sst>"},
                    {"xl/worksheets/sheet1.xml", "<worksheet><sheetData>" + sheet_data +
                                                     "</sheetData></worksheet>"}});
}

TEST(OfficeOpenXml, CellStringsInRowOrder) {
    std::string xlsx = Workbook(
        "<si><t>first</t></si><si><r><t>ri</t></r><r><t>ch</t></r><rPh><t>ヨミ</t></rPh></si>",
        R"(<row r="1"><c t="s"><v>0</v></c><c t="inlineStr"><is><t>inline</t></is></c></row>)"
        R"(<row r="2"><c><v>12.5</v></c><c t="s"><v>1</v></c><c t="s"><v>99</v></c>)"
        R"(<c t="b"><v>1</v></c><c t="s"><v>x</v></c></row>)");
    ExtractResult r = ExtractFromBytes(xlsx, "xlsx");
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.text, "Tab\nfirst\tinline\n12.5\trich\tTRUE");
}

TEST(OfficeOpenXml, RepeatedStringsAreCapped) {
    std::string big(4096, 'w');
    std::string rows;
    for (int i = 0; i < 9000; ++i) rows += R"(<row><c t="s"><v>0</v></c></row>)";
    ExtractResult r = ExtractFromBytes(Workbook("<si><t>" + big + "</t></si>", rows), "xlsx");
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_GT(r.text.size(), 1000000u);
    EXPECT_LE(r.text.size(), size_t{32} << 20);
}

TEST(OfficeOpenXml, EntryPastTheDecompressionCapFails) {
    std::string bomb = "<w:document><w:body>" + std::string(65u << 20, ' ') + "</w:body></w:document>";
    std::string docx = MakeZip(
        {{"_rels/.rels",
          R"(<Relationships><Relationship Id="r" Type="x/officeDocument" Target="word/document.xml"/></Relationships>)"},
         {"word/document.xml", bomb}});
    bomb.clear();
    EXPECT_LT(docx.size(), 1u << 20);
    ExtractResult r = ExtractFromBytes(docx, "docx");
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.error.empty());
}

TEST(LegacyOffice, WordPieceTableWithFieldAndBothPieceKinds) {
    // 8-bit piece at 0x800 with a field whose code is left out; UTF-16 piece at 0x900.
    std::string doc(0xA00, '\0');
    Put16(&doc, 0, 0xA5EC);
    Put16(&doc, 0x0A, 0x0200);  // table in 1Table
    std::string narrow = "Piece \x13 HYPERLINK x\x14shown\x15\x0D";
    doc.replace(0x800, narrow.size(), narrow);
    std::u16string wide = u"日本語";
    for (size_t i = 0; i < wide.size(); ++i) Put16(&doc, 0x900 + 2 * i, wide[i]);
    uint32_t n1 = static_cast<uint32_t>(narrow.size()), n2 = static_cast<uint32_t>(wide.size());
    std::string plc = Le32(0) + Le32(n1) + Le32(n1 + n2) +
                      Le16(0) + Le32((0x800 * 2) | 0x40000000u) + Le16(0) +
                      Le16(0) + Le32(0x900) + Le16(0);
    std::string clx = "\x01" + Le16(2) + "ab" + "\x02" + Le32(static_cast<uint32_t>(plc.size())) + plc;
    std::string table = std::string(16, '\0') + clx;
    Put32(&doc, 0x1A2, 16);
    Put32(&doc, 0x1A6, static_cast<uint32_t>(clx.size()));
    ExtractResult r = ExtractFromBytes(MakeCompoundFile({{"WordDocument", doc}, {"1Table", table}}), "doc");
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.text, "Piece shown\n日本語");

    Put16(&doc, 0x0A, 0x0300);  // encrypted
    ExtractResult locked = ExtractFromBytes(MakeCompoundFile({{"WordDocument", doc}, {"1Table", table}}), "doc");
    EXPECT_FALSE(locked.ok);
}

TEST(LegacyOffice, ExcelSharedStringSplitAcrossContinueChangesWidth) {
    // String 0 starts 8-bit in the SST record and goes on as UTF-16 in a CONTINUE record,
    // which opens with its own flags byte; string 1 follows in the CONTINUE record.
    std::string sst = Le32(2) + Le32(2) + Le16(5) + std::string("\x00", 1) + "ab";
    std::string cont = std::string("\x01", 1);
    for (char16_t c : std::u16string(u"日本語")) cont += Le16(c);
    cont += Le16(3) + std::string("\x00", 1) + "xyz";
    std::string sheet_name = "\x05" + std::string("\x00", 1) + "Sheet";
    std::string stream =
        Record(0x0809, Le16(0x0600) + Le16(0x0005) + std::string(12, '\0')) +
        Record(0x0085, Le32(0) + std::string("\x00\x00", 2) + sheet_name) +
        Record(0x00FC, sst) + Record(0x003C, cont) + Record(0x000A, "") +
        Record(0x0809, Le16(0x0600) + Le16(0x0010) + std::string(12, '\0')) +
        Record(0x00FD, Le16(0) + Le16(0) + Le16(0) + Le32(0)) +
        Record(0x00FD, Le16(0) + Le16(1) + Le16(0) + Le32(1)) +
        Record(0x00FD, Le16(1) + Le16(0) + Le16(0) + Le32(7)) +  // no such string
        Record(0x027E, Le16(1) + Le16(1) + Le16(0) + Le32((42u << 2) | 2u)) +
        Record(0x000A, "") + Le16(0x0204) + Le16(0xFFFF);  // a record cut short at the end
    ExtractResult r = ExtractFromBytes(MakeCompoundFile({{"Workbook", stream}}), "xls");
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.text, "Sheet\nab日本語\txyz\n42");
}

TEST(LegacyOffice, PowerPointAtomsWithoutMasters) {
    auto atom = [](uint16_t type, const std::string& data) {
        return Le16(0) + Le16(type) + Le32(static_cast<uint32_t>(data.size())) + data;
    };
    auto container = [](uint16_t type, const std::string& body) {
        return Le16(0x000F) + Le16(type) + Le32(static_cast<uint32_t>(body.size())) + body;
    };
    std::string chars;
    for (char16_t c : std::u16string(u"発表\rline")) chars += Le16(c);
    std::string stream =
        container(0x03E8, container(0x0FF0, atom(0x0FA0, chars)) +
                              container(0x03F8, atom(0x0FA8, "mastertext")) +
                              atom(0x0FA8, "bytes")) +
        Le16(0) + Le16(0x0FA8) + Le32(0x7FFFFFFF) + "cut";  // length past the end
    ExtractResult r = ExtractFromBytes(MakeCompoundFile({{"PowerPoint Document", stream}}), "ppt");
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.text, "発表\nline\nbytes\ncut\n");
}

// Each document of a shape real files take gives its planted words and none of its hidden
// ones.
TEST(ShapedDocuments, PlantedWordsComeOutAndHiddenOnesStayOut) {
    for (const ShapedDocument& d : ShapedDocuments()) {
        std::string ext = d.name.substr(d.name.rfind('.') + 1);
        ExtractResult r = ExtractFromBytes(d.bytes, ext);
        if (!r.ok) {
            ADD_FAILURE() << d.name << ": " << r.error;
            continue;
        }
        for (const std::string& w : d.planted)
            EXPECT_TRUE(Contains(r.text, w)) << d.name << " lacks " << w << "\n" << r.text;
        for (const std::string& w : d.hidden)
            EXPECT_FALSE(Contains(r.text, w)) << d.name << " shows " << w << "\n" << r.text;
    }
}

TEST(LegacyOffice, WordBeforeSixAndOtherFilesNamedDocAreRefusedWithTheirReason) {
    std::string word2 = "\xDB\xA5" + std::string(400, '\0');
    ExtractResult r = ExtractFromBytes(word2, "doc");
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(Contains(r.error, "Word 2.0")) << r.error;

    std::string old_ident(0x300, '\0');
    Put16(&old_ident, 0, 0xA59B);
    r = ExtractFromBytes(MakeCompoundFile({{"WordDocument", old_ident}}), "doc");
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.error.empty());

    r = ExtractFromBytes(MakeCompoundFile({{"Contents", "x"}}), "doc");
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(Contains(r.error, "いずれの文書でもありません")) << r.error;
}

// The code page a Word 95 file's summary information names wins over its language id; a
// fast-saved one orders its text by the piece table in the document stream.
TEST(LegacyOffice, Word95CodePageFromSummaryAndFastSavedPieces) {
    std::string summary = Le16(0xFFFE) + Le16(0) + Le32(0) + std::string(16, '\0') + Le32(1) +
                          std::string(16, '\0') + Le32(48) +          // one section, at 48
                          Le32(24) + Le32(1) + Le32(1) + Le32(16) +    // PID_CODEPAGE at +16
                          Le32(2) + Le16(1251) + Le16(0);              // VT_I2 1251
    std::string first = "\xCF\xF0\xE8\xE2\xE5\xF2 ";  // Привет in CP1251
    std::string second = "fastsaved\x0d";
    std::string doc(0x200, '\0');
    Put16(&doc, 0x00, 0xA5DC);
    Put16(&doc, 0x02, 101);
    Put16(&doc, 0x06, 0x0409);
    Put16(&doc, 0x0A, 0x0004);  // fast-saved
    doc += second + first;      // stored out of order; the pieces put it right
    uint32_t at_second = 0x200, at_first = 0x200 + static_cast<uint32_t>(second.size());
    uint32_t n1 = static_cast<uint32_t>(first.size()), n2 = static_cast<uint32_t>(second.size());
    std::string plc = Le32(0) + Le32(n1) + Le32(n1 + n2) + Le16(0) + Le32(at_first) + Le16(0) +
                      Le16(0) + Le32(at_second) + Le16(0);
    std::string clx = "\x02" + Le32(static_cast<uint32_t>(plc.size())) + plc;
    Put32(&doc, 0x160, static_cast<uint32_t>(doc.size()));
    Put32(&doc, 0x164, static_cast<uint32_t>(clx.size()));
    doc += clx;
    ExtractResult r = ExtractFromBytes(
        MakeCompoundFile({{"WordDocument", doc}, {"\005SummaryInformation", summary}}), "doc");
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.text, "Привет fastsaved\n");

    Put16(&doc, 0x0A, 0x0104);  // encrypted
    EXPECT_FALSE(ExtractFromBytes(MakeCompoundFile({{"WordDocument", doc}}), "doc").ok);
}

// Word 2003 XML is known by its content whatever the extension; other XML keeps its reader.
TEST(WordXml, ReadByContentOtherXmlAsBefore) {
    std::string wordml =
        "<w:wordDocument xmlns:w=\"http://schemas.microsoft.com/office/word/2003/wordml\">"
        "<w:body><w:p><w:r><w:t>one</w:t></w:r><w:r><w:tab/><w:t>two</w:t></w:r></w:p>"
        "<w:p><w:r><w:t>three</w:t></w:r></w:p></w:body></w:wordDocument>";
    for (const char* ext : {"doc", "xml", "xls", "dat"}) {
        ExtractResult r = ExtractFromBytes(wordml, ext);
        ASSERT_TRUE(r.ok) << ext << ": " << r.error;
        EXPECT_EQ(r.text, "one\ttwo\nthree\n") << ext;
    }
    // Other XML, even XML that names Word's root element in its text, keeps its reader.
    for (const char* xml : {"<note><to>someone</to></note>",
                            "<?xml version=\"1.0\"?><!-- x --><xsl:stylesheet>w:wordDocument</xsl:stylesheet>"}) {
        ExtractResult other = ExtractFromBytes(xml, "xml");
        ASSERT_TRUE(other.ok) << xml;
        EXPECT_EQ(other.text, xml);
    }
}

}  // namespace

// OpenDocument and EPUB: what stays out, reading order, and broken packages.
TEST(OpenFormats, OrderHiddenPartsAndBrokenPackages) {
    const std::string fixtures = RUVUDAR_FIXTURES;
    ExtractResult text = ExtractText(fixtures + "/open_text.odt", "odt");
    ASSERT_TRUE(text.ok) << text.error;
    EXPECT_FALSE(Contains(text.text, "hiddenauthor"));  // a comment's author is not its text
    size_t header = text.text.find("odtheaderplanted"), heading = text.text.find("odtheadingplanted"),
           body = text.text.find("odtbodyplanted"), cell = text.text.find("odtcellplanted"),
           footer = text.text.find("odtfooterplanted");
    EXPECT_LT(header, heading);
    EXPECT_LT(heading, body);
    EXPECT_LT(body, cell);
    EXPECT_LT(cell, footer);
    EXPECT_NE(footer, std::string::npos);
    EXPECT_TRUE(Contains(text.text, "odtbodyplanted 開文本体  after."));  // text:s c="2"

    // A million repeated empty rows and a thousand empty cells add nothing.
    ExtractResult sheet = ExtractText(fixtures + "/open_spreadsheet.ods", "ods");
    ASSERT_TRUE(sheet.ok) << sheet.error;
    EXPECT_LT(sheet.text.size(), 1000u);
    EXPECT_TRUE(Contains(sheet.text, "top\todscellplanted"));

    ExtractResult book = ExtractText(fixtures + "/book.epub", "epub");
    ASSERT_TRUE(book.ok) << book.error;
    EXPECT_LT(book.text.find("epubtitleplanted"), book.text.find("epubsecondplanted"));
    EXPECT_LT(book.text.find("epubsecondplanted"), book.text.find("epubfirstplanted"));
    EXPECT_FALSE(Contains(book.text, "stylehidden"));

    for (const char* broken : {"broken_truncated.odt", "broken_nospine.epub"}) {
        std::string name = broken;
        ExtractResult r = ExtractText(fixtures + "/" + name, name.substr(name.rfind('.')));
        EXPECT_FALSE(r.ok) << name;
        EXPECT_FALSE(r.error.empty()) << name;
    }
    // An .odt is a zip package, but never taken for an Office Open XML one; a flat file is
    // not taken for a web page.
    EXPECT_TRUE(ExtractText(fixtures + "/open_text.fodt", "fodt").ok);
    EXPECT_FALSE(ExtractFromBytes("<html><body>x</body></html>", "fodt").ok);
}

// Images that cannot be read fail before any recognition: bytes that are no image, and an
// image whose header asks for more pixels than a page may have (never decoded).
TEST(Images, UnreadableAndOversizedImagesFailWithAReason) {
    std::string huge_png("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16);
    for (uint32_t side : {60000u, 60000u}) {
        for (int shift = 24; shift >= 0; shift -= 8) huge_png += static_cast<char>((side >> shift) & 0xFF);
    }
    huge_png += std::string("\x08\x00\x00\x00\x00", 5) + std::string(16, '\0');
    const std::pair<std::string, std::string> cases[] = {
        {"This is not a picture at all.\n", "png"},
        {"GIF89a....", "jpg"},
        {huge_png, "png"},
        {"II*\0garbage", "tif"},
    };
    for (const auto& [bytes, ext] : cases) {
        ExtractResult r = ExtractFromBytes(bytes, ext);
        EXPECT_FALSE(r.ok) << ext;
        EXPECT_FALSE(r.error.empty()) << ext;
        EXPECT_EQ(r.ocr_pages, 0) << ext;
    }
    EXPECT_EQ(ExtractFromBytes(huge_png, "png").error, "画像が大きすぎます");
}
