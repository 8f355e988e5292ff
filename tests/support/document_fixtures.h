// Small documents built in memory, each in a shape that real files take and that a reader
// must handle: a stray RTF "\*", an RTF fragment, compound-file streams named in another
// case, Excel 5.0 and Word 95 in Shift_JIS, slide text in a slide container beside master
// prompts, Word 2003 XML, every .xlsx cell type, .docx alternative-format chunks. Each
// comes with the words planted in it and the words that must not come out of it.
#pragma once

#include <gsf/gsf.h>
#include <zip.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace document_fixtures {

// A zip package in memory from (name, content) pairs.
inline std::string MakeZip(const std::map<std::string, std::string>& entries) {
    zip_error_t err;
    zip_error_init(&err);
    zip_source_t* src = zip_source_buffer_create(nullptr, 0, 0, &err);
    zip_source_keep(src);
    zip_t* z = zip_open_from_source(src, ZIP_TRUNCATE, &err);
    for (const auto& [name, content] : entries) {
        zip_source_t* s = zip_source_buffer(z, content.data(), content.size(), 0);
        zip_int64_t index = zip_file_add(z, name.c_str(), s, ZIP_FL_OVERWRITE);
        // The fastest deflate level: the large entries of some tests are runs of one byte.
        zip_set_file_compression(z, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE, 1);
    }
    zip_close(z);
    zip_source_open(src);
    zip_source_seek(src, 0, SEEK_END);
    zip_int64_t size = zip_source_tell(src);
    zip_source_seek(src, 0, SEEK_SET);
    std::string bytes(static_cast<size_t>(size), '\0');
    zip_source_read(src, bytes.data(), static_cast<zip_uint64_t>(size));
    zip_source_close(src);
    zip_source_free(src);
    return bytes;
}

// A compound file in memory from (stream name, content) pairs.
inline std::string MakeCompoundFile(const std::map<std::string, std::string>& streams) {
    gsf_init();
    GsfOutput* mem = gsf_output_memory_new();
    GsfOutfile* ole = gsf_outfile_msole_new(mem);
    for (const auto& [name, content] : streams) {
        GsfOutput* child = gsf_outfile_new_child(ole, name.c_str(), FALSE);
        gsf_output_write(child, content.size(), reinterpret_cast<const guint8*>(content.data()));
        gsf_output_close(child);
        g_object_unref(child);
    }
    gsf_output_close(GSF_OUTPUT(ole));
    g_object_unref(ole);
    std::string bytes(reinterpret_cast<const char*>(gsf_output_memory_get_bytes(GSF_OUTPUT_MEMORY(mem))),
                      static_cast<size_t>(gsf_output_size(mem)));
    g_object_unref(mem);
    return bytes;
}

inline void Put16(std::string* s, size_t at, uint32_t v) {
    if (s->size() < at + 2) s->resize(at + 2, '\0');
    (*s)[at] = static_cast<char>(v & 0xFF);
    (*s)[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}
inline void Put32(std::string* s, size_t at, uint32_t v) {
    Put16(s, at, v & 0xFFFF);
    Put16(s, at + 2, v >> 16);
}
inline std::string Le16(uint32_t v) {
    std::string s;
    Put16(&s, 0, v);
    return s;
}
inline std::string Le32(uint32_t v) {
    std::string s;
    Put32(&s, 0, v);
    return s;
}
inline std::string Utf16Le(const std::u16string& text) {
    std::string s;
    for (char16_t c : text) s += Le16(c);
    return s;
}

// An Excel record: type, length, data.
inline std::string Record(uint16_t type, const std::string& data) {
    return Le16(type) + Le16(static_cast<uint32_t>(data.size())) + data;
}

// PowerPoint records: an atom, and a container of records.
inline std::string PptAtom(uint16_t type, const std::string& data, uint16_t instance = 0) {
    return Le16(static_cast<uint32_t>(instance << 4)) + Le16(type) +
           Le32(static_cast<uint32_t>(data.size())) + data;
}
inline std::string PptContainer(uint16_t type, const std::string& body, uint16_t instance = 0) {
    return Le16(static_cast<uint32_t>((instance << 4) | 0x0F)) + Le16(type) +
           Le32(static_cast<uint32_t>(body.size())) + body;
}
// A drawing shape holding text, with a placeholder atom of the given kind (0 for none).
inline std::string PptShape(const std::u16string& text, uint8_t placeholder) {
    std::string client_data;
    if (placeholder != 0)
        client_data = PptContainer(0xF011, PptAtom(0x0BC3, Le32(0) + std::string(1, static_cast<char>(placeholder)) +
                                                                  std::string(3, '\0')));
    return PptContainer(0xF004, PptAtom(0xF00A, std::string(8, '\0')) + client_data +
                                    PptContainer(0xF00D, PptAtom(0x0F9F, Le32(1)) +
                                                             PptAtom(0x0FA0, Utf16Le(text))));
}
inline std::string PptDrawing(const std::string& shapes) {
    return PptContainer(0x040C, PptContainer(0xF002, PptContainer(0xF003, shapes)));
}

struct ShapedDocument {
    std::string name;                  // file name; its extension picks the reader
    std::string bytes;
    std::vector<std::string> planted;  // each comes out and is found by a search
    std::vector<std::string> hidden;   // none comes out
};

inline std::vector<ShapedDocument> ShapedDocuments() {
    std::vector<ShapedDocument> docs;

    // RTF: the body's group holds an unknown control word after a stray "\*"; a real
    // ignorable destination still hides its text.
    docs.push_back({"rtf_star.rtf",
                    "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}{\\*\\unknowndest rtfstarhidden}"
                    "{\\pard\\f0 rtfstarbefore \\*\\mysteryword rtfstarafter\\par}}",
                    {"rtfstarbefore", "rtfstarafter"},
                    {"rtfstarhidden", "mysteryword"}});
    // RTF without its header, as a clipboard or a converter leaves it.
    docs.push_back({"rtf_fragment.rtf", "{\\pard\\plain\\f0\\fs20 rtffragmentplanted \\u26029?\\u29255?\\par}",
                    {"rtffragmentplanted", "断片"}, {}});

    // Excel 97: the workbook stream named in capitals.
    {
        std::string word = "workbookupperplanted";
        std::string stream =
            Record(0x0809, Le16(0x0600) + Le16(0x0005) + std::string(12, '\0')) +
            Record(0x0085, Le32(0) + std::string("\x00\x00\x05\x00", 4) + "Sheet") +
            Record(0x00FC, Le32(1) + Le32(1) + Le16(static_cast<uint32_t>(word.size())) +
                               std::string(1, '\0') + word) +
            Record(0x000A, "") +
            Record(0x0809, Le16(0x0600) + Le16(0x0010) + std::string(12, '\0')) +
            Record(0x00FD, Le16(0) + Le16(0) + Le16(0) + Le32(0)) + Record(0x000A, "");
        docs.push_back({"sheet_upper.xls", MakeCompoundFile({{"WORKBOOK", stream}}), {word}, {}});
    }
    // Excel 5.0: the stream "BOOK", strings in the code page its CODEPAGE record names
    // (旧表計算 in Shift_JIS: its 表 has the trail byte 0x5C).
    {
        std::string label = "biff5planted \x8b\x8c\x95\x5c\x8c\x76\x8e\x5a";
        std::string stream =
            Record(0x0809, Le16(0x0500) + Le16(0x0005) + Le32(0)) + Record(0x0042, Le16(932)) +
            Record(0x0085, Le32(0) + std::string("\x00\x00\x07", 3) + "Daiichi") +
            Record(0x000A, "") + Record(0x0809, Le16(0x0500) + Le16(0x0010) + Le32(0)) +
            Record(0x0204, Le16(0) + Le16(0) + Le16(0) + Le16(static_cast<uint32_t>(label.size())) + label) +
            Record(0x000A, "");
        docs.push_back({"sheet_biff5.xls", MakeCompoundFile({{"BOOK", stream}}),
                        {"biff5planted", "旧表計算", "Daiichi"}, {}});
    }

    // PowerPoint 97: slide text only in a slide container's shapes, after a record whose
    // length runs far past its container; header, footer and notes header texts; masters
    // whose placeholders hold the prompts, in a main master, a title master and a notes
    // master.
    {
        std::string document = PptContainer(
            0x03E8,
            PptAtom(0x03E9, std::string(40, '\0')) +
                PptContainer(0x0FD9, PptAtom(0x0FDA, Le32(0)) +
                                         PptAtom(0x0FBA, Utf16Le(u"pptfooterplanted"), 2),
                             3) +
                PptContainer(0x0FD9, PptAtom(0x0FDA, Le32(0)) +
                                         PptAtom(0x0FBA, Utf16Le(u"pptnotesheaderplanted"), 1),
                             4));
        std::string main_master = PptContainer(
            0x03F8, PptDrawing(PptShape(u"Click to edit Master text styles\rSecond level", 2)));
        std::string title_master = PptContainer(
            0x03EE, PptAtom(0x03EF, std::string(24, '\0')) +
                        PptDrawing(PptShape(u"Click to edit Master title style", 3)));
        std::string bad_tags = PptContainer(0x1388, Le16(0) + Le16(0x1389) + Le32(0x7FFFFFF0) + "junk");
        std::string slide = PptContainer(
            0x03EE, PptAtom(0x03EF, std::string(24, '\0')) + bad_tags +
                        PptDrawing(PptShape(u"pptslideplanted スライド甲", 0x0E) +
                                   PptShape(u"ppttextboxplanted", 0)));
        std::string notes_master = PptContainer(
            0x03F0, PptAtom(0x03F1, std::string(8, '\0')) +
                        PptDrawing(PptShape(u"Click to edit Master text styles\rThird level", 6)));
        std::string notes = PptContainer(
            0x03F0, PptAtom(0x03F1, std::string(8, '\0')) +
                        PptDrawing(PptShape(u"pptnotesplanted", 0x0C)));
        std::string stream = document + main_master + title_master + slide + notes_master + notes;
        docs.push_back({"slides_container.ppt",
                        MakeCompoundFile({{"PowerPoint Document", stream}, {"Current User", std::string(20, '\0')}}),
                        {"pptslideplanted", "スライド甲", "ppttextboxplanted", "pptfooterplanted",
                         "pptnotesheaderplanted", "pptnotesplanted"},
                        {"Click to edit", "Master", "level"}});
    }

    // Word 95, Japanese: 8-bit text in Shift_JIS, named by the language id (0x0411); the
    // streams named in lower case.
    {
        std::string text = "word95planted \x8b\x8c\x94\xc5\x95\xb6\x8f\x91\x0d\x13 PAGE \x14" "1\x15\x0d";
        std::string doc(0x200, '\0');
        Put16(&doc, 0x00, 0xA5DC);
        Put16(&doc, 0x02, 104);
        Put16(&doc, 0x06, 0x0411);
        Put32(&doc, 0x18, 0x200);
        Put32(&doc, 0x1C, 0x200 + static_cast<uint32_t>(text.size()));
        doc += text;
        docs.push_back({"word95_sjis.doc", MakeCompoundFile({{"worddocument", doc}}),
                        {"word95planted", "旧版文書"}, {"PAGE"}});
    }

    // Word 2003 XML, as .doc and as .xml.
    const std::string wordml =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
        "<?mso-application progid=\"Word.Document\"?>\n"
        "<w:wordDocument xmlns:w=\"http://schemas.microsoft.com/office/word/2003/wordml\" "
        "xmlns:o=\"urn:schemas-microsoft-com:office:office\">"
        "<o:DocumentProperties><o:Title>wordmlpropshidden</o:Title></o:DocumentProperties>"
        "<w:fonts><w:font w:name=\"MS Mincho\"/></w:fonts>"
        "<w:body><w:p><w:r><w:t>wordmlplanted 旧形式</w:t></w:r></w:p>"
        "<w:tbl><w:tr><w:tc><w:p><w:r><w:t>wordmlcellplanted</w:t></w:r></w:p></w:tc>"
        "<w:tc><w:p><w:r><w:t><![CDATA[wordmlcdataplanted <b>]]></w:t></w:r></w:p></w:tc></w:tr></w:tbl>"
        "<w:p><w:r><w:fldChar w:fldCharType=\"begin\"/></w:r><w:r><w:instrText>NUMPAGES</w:instrText></w:r>"
        "<w:r><w:fldChar w:fldCharType=\"end\"/></w:r></w:p>"
        "<w:sectPr><w:hdr w:type=\"odd\"><w:p><w:r><w:t>wordmlheaderplanted</w:t></w:r></w:p></w:hdr></w:sectPr>"
        "</w:body></w:wordDocument>\n";
    for (const char* name : {"wordml_saved.doc", "wordml_saved.xml"})
        docs.push_back({name, wordml,
                        {"wordmlplanted", "旧形式", "wordmlcellplanted", "wordmlcdataplanted",
                         "wordmlheaderplanted"},
                        {"wordmlpropshidden", "NUMPAGES", "MS Mincho"}});

    // .xlsx: a boolean, an error, an inline string without its type, a shared formula's
    // cached text.
    {
        const char* root_rels =
            R"(<Relationships><Relationship Id="r1" Type="x/officeDocument" Target="xl/workbook.xml"/></Relationships>)";
        const char* workbook =
            R"(<workbook xmlns:r="r"><sheets><sheet name="Cells" sheetId="1" r:id="s1"/></sheets></workbook>)";
        const char* workbook_rels =
            R"(<Relationships><Relationship Id="s1" Type="x/worksheet" Target="worksheets/sheet1.xml"/></Relationships>)";
        std::string sheet =
            R"(<worksheet><sheetData><row r="1"><c r="A1" t="b"><v>1</v></c><c r="B1" t="b"><v>0</v></c>)"
            R"(<c r="C1" t="e"><v>#N/A</v></c><c r="D1"><is><t>xlsxinlineplanted</t></is></c></row>)"
            R"(<row r="2"><c r="A2" t="str"><f t="shared" ref="A2:A3" si="0">"xlsx"&amp;"formulaplanted"</f><v>xlsxformulaplanted</v></c></row>)"
            R"(<row r="3"><c r="A3" t="str"><f t="shared" si="0"/><v>xlsxsharedplanted</v></c></row>)"
            R"(</sheetData></worksheet>)";
        docs.push_back({"cells_types.xlsx",
                        MakeZip({{"_rels/.rels", root_rels}, {"xl/workbook.xml", workbook},
                                 {"xl/_rels/workbook.xml.rels", workbook_rels},
                                 {"xl/worksheets/sheet1.xml", sheet}}),
                        {"TRUE", "FALSE", "#N/A", "xlsxinlineplanted", "xlsxformulaplanted",
                         "xlsxsharedplanted"},
                        {"\"xlsx\""}});
    }

    // .docx: alternative-format chunks in HTML, MHT and plain text, in document order.
    {
        const char* root_rels =
            R"(<Relationships><Relationship Id="r1" Type="x/officeDocument" Target="word/document.xml"/></Relationships>)";
        std::string document =
            R"(<w:document xmlns:w="w" xmlns:r="r"><w:body><w:p><w:r><w:t>altchunkbodyplanted</w:t></w:r></w:p>)"
            R"(<w:altChunk r:id="c1"/><w:altChunk r:id="c2"/><w:altChunk r:id="c3"/></w:body></w:document>)";
        std::string rels =
            R"(<Relationships>)"
            R"(<Relationship Id="c1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/aFChunk" Target="chunk1.htm"/>)"
            R"(<Relationship Id="c2" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/aFChunk" Target="/word/chunk2.mht"/>)"
            R"(<Relationship Id="c3" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/aFChunk" Target="chunk3.txt"/>)"
            R"(</Relationships>)";
        std::string html =
            "<html><head><meta charset=\"utf-8\"><script>chunkscripthidden()</script></head>"
            "<body><p>altchunkhtmlplanted 差込甲</p></body></html>";
        std::string mht =
            "MIME-Version: 1.0\r\nContent-Type: multipart/related; boundary=\"b\"\r\n\r\n--b\r\n"
            "Content-Type: text/html; charset=\"utf-8\"\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\n"
            "<html><body><p>altchunkmhtplanted =E5=B7=AE=E8=BE=BC=E4=B9=99</p></body></html>\r\n--b--\r\n";
        docs.push_back({"altchunk.docx",
                        MakeZip({{"_rels/.rels", root_rels}, {"word/document.xml", document},
                                 {"word/_rels/document.xml.rels", rels},
                                 {"word/chunk1.htm", html}, {"word/chunk2.mht", mht},
                                 {"word/chunk3.txt", "altchunktextplanted 差込丙\n"}}),
                        {"altchunkbodyplanted", "altchunkhtmlplanted", "差込甲", "altchunkmhtplanted",
                         "差込乙", "altchunktextplanted", "差込丙"},
                        {"chunkscripthidden", "<p>", "=E5"}});
    }
    return docs;
}

}  // namespace document_fixtures
