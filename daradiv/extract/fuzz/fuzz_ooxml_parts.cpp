// libFuzzer target over the mark-up readers of Office Open XML: the input's parts (split at
// NUL bytes) go into a freshly built package, so mutations reach the XML itself instead of
// dying on a zip checksum. The first byte picks Word, Excel or PowerPoint.
#include <zip.h>

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "daradiv/extract/extractor.h"
#include "text/utf8.h"

namespace {

std::string Rels(const std::string& items) {
    return "<Relationships>" + items + "</Relationships>";
}
std::string Rel(const char* id, const char* type, const char* target) {
    return std::string("<Relationship Id=\"") + id + "\" Type=\"x/" + type + "\" Target=\"" +
           target + "\"/>";
}

std::string MakeZip(const std::map<std::string, std::string>& entries) {
    zip_error_t err;
    zip_error_init(&err);
    zip_source_t* src = zip_source_buffer_create(nullptr, 0, 0, &err);
    zip_source_keep(src);
    zip_t* z = zip_open_from_source(src, ZIP_TRUNCATE, &err);
    for (const auto& [name, content] : entries) {
        zip_source_t* s = zip_source_buffer(z, content.data(), content.size(), 0);
        zip_int64_t index = zip_file_add(z, name.c_str(), s, ZIP_FL_OVERWRITE);
        if (index >= 0) zip_set_file_compression(z, static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0);
        else zip_source_free(s);
    }
    zip_close(z);
    std::string bytes;
    if (zip_source_open(src) == 0) {
        char buf[65536];
        zip_int64_t n;
        while ((n = zip_source_read(src, buf, sizeof buf)) > 0) bytes.append(buf, static_cast<size_t>(n));
        zip_source_close(src);
    }
    zip_source_free(src);
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    std::vector<std::string> parts(3);
    size_t k = 0;
    for (size_t i = 1; i < size; ++i) {
        if (data[i] == 0 && k < 2) ++k;
        else parts[k].push_back(static_cast<char>(data[i]));
    }
    std::map<std::string, std::string> entries;
    switch (data[0] % 3) {
        case 0:
            entries = {{"_rels/.rels", Rels(Rel("r", "officeDocument", "word/document.xml"))},
                       {"word/document.xml", parts[0]},
                       {"word/_rels/document.xml.rels",
                        Rels(Rel("h", "header", "header1.xml") + Rel("f", "footnotes", "../word/fn.xml"))},
                       {"word/header1.xml", parts[1]},
                       {"word/fn.xml", parts[2]}};
            break;
        case 1:
            entries = {{"_rels/.rels", Rels(Rel("r", "officeDocument", "xl/workbook.xml"))},
                       {"xl/workbook.xml", parts[0]},
                       {"xl/_rels/workbook.xml.rels",
                        Rels(Rel("s1", "worksheet", "worksheets/sheet1.xml") +
                             Rel("s2", "sharedStrings", "/xl/sharedStrings.xml"))},
                       {"xl/worksheets/sheet1.xml", parts[1]},
                       {"xl/sharedStrings.xml", parts[2]}};
            break;
        default:
            entries = {{"_rels/.rels", Rels(Rel("r", "officeDocument", "ppt/presentation.xml"))},
                       {"ppt/presentation.xml", parts[0]},
                       {"ppt/_rels/presentation.xml.rels", Rels(Rel("p1", "slide", "slides/slide1.xml"))},
                       {"ppt/slides/slide1.xml", parts[1]},
                       {"ppt/slides/_rels/slide1.xml.rels",
                        Rels(Rel("n", "notesSlide", "../notesSlides/notes1.xml"))},
                       {"ppt/notesSlides/notes1.xml", parts[2]}};
    }
    ExtractResult r = ExtractFromBytes(MakeZip(entries), "docx");
    if (r.ok && !IsValidUtf8(r.text)) __builtin_trap();
    if (!r.ok && r.error.empty()) __builtin_trap();
    return 0;
}
