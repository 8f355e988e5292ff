#include "daradiv/extract/office_open_xml.h"

#include <functional>
#include <string>
#include <vector>

#include "daradiv/extract/html_text.h"
#include "daradiv/extract/mail_text.h"
#include "daradiv/extract/plain_text.h"
#include "daradiv/extract/rtf_text.h"
#include "daradiv/extract/text_builder.h"
#include "daradiv/extract/xml_walk.h"
#include "daradiv/extract/zip_archive.h"

namespace {

// Parts read beyond the main one (slides, sheets, headers) are capped in number.
constexpr size_t kMaxParts = 4096;

struct Relationship {
    std::string type;    // the last segment of the type URI: "slide", "worksheet", ...
    std::string target;  // the part's name inside the package, resolved
    std::string id;
};

// The folder of a part name, with a trailing "/" ("xl/workbook.xml" -> "xl/").
std::string FolderOf(const std::string& part) {
    size_t slash = part.rfind('/');
    return slash == std::string::npos ? "" : part.substr(0, slash + 1);
}

// The relationships of a part ("" for the package itself), in their stored order.
std::vector<Relationship> ReadRelationships(const ZipArchive& zip, const std::string& part) {
    std::string folder = FolderOf(part);
    std::string name = part.empty() ? "_rels/.rels"
                                    : folder + "_rels/" + part.substr(folder.size()) + ".rels";
    std::string bytes, error;
    std::vector<Relationship> rels;
    pugi::xml_document doc;
    if (!zip.Read(name, &bytes, &error) || !ParseXml(bytes, &doc)) return rels;
    for (pugi::xml_node r : doc.document_element().children()) {
        if (LocalName(r) != "Relationship") continue;
        if (std::string_view(r.attribute("TargetMode").value()) == "External") continue;
        std::string_view type = r.attribute("Type").value();
        size_t slash = type.rfind('/');
        Relationship rel;
        rel.type = std::string(slash == std::string_view::npos ? type : type.substr(slash + 1));
        rel.target = ResolveEntryName(folder, r.attribute("Target").value());
        rel.id = r.attribute("Id").value();
        rels.push_back(std::move(rel));
        if (rels.size() >= kMaxParts) break;
    }
    return rels;
}

const Relationship* FindById(const std::vector<Relationship>& rels, std::string_view id) {
    for (const Relationship& r : rels)
        if (r.id == id) return &r;
    return nullptr;
}

bool LoadPart(const ZipArchive& zip, const std::string& name, pugi::xml_document* doc) {
    std::string bytes, error;
    return zip.Read(name, &bytes, &error) && ParseXml(bytes, doc);
}

// Called with the relationship id of each alternative-format chunk, where it stands.
using ChunkReader = std::function<void(std::string_view id)>;

// Word and drawing text: paragraphs end lines, runs give their text, tabs and breaks.
void AppendWordText(const pugi::xml_node& root, TextBuilder* out,
                    const ChunkReader& read_chunk = nullptr) {
    WalkXml(
        root,
        [&](const pugi::xml_node& n) {
            if (out->full()) return false;
            if (n.type() != pugi::node_element) return false;
            std::string_view name = LocalName(n);
            if (name == "t") {
                // Text may come in pieces of character data and CDATA sections.
                for (pugi::xml_node piece : n.children())
                    if (piece.type() == pugi::node_pcdata || piece.type() == pugi::node_cdata)
                        out->Append(piece.value());
                return false;
            }
            if (name == "altChunk") {
                if (read_chunk) read_chunk(PrefixedAttribute(n, "id"));
                return false;
            }
            // Alternate content repeats its choice in a fallback; deleted text, field codes
            // and paragraph properties hold nothing to show.
            if (name == "Fallback" || name == "delText" || name == "instrText" ||
                name == "pPr" || name == "rPr")
                return false;
            if (name == "tab" && LocalName(n.parent()) == "r") out->Append('\t');
            else if (name == "br" || name == "cr") out->Append('\n');
            else if (name == "noBreakHyphen") out->Append('-');
            else if (name == "p" || name == "tc" || name == "tr") out->EndLine();
            return true;
        },
        [&](const pugi::xml_node& n) {
            if (n.type() == pugi::node_element && LocalName(n) == "p") out->EndLine();
        });
}

// The text of an element: all its t descendants, phonetic readings (rPh) left out.
std::string StringItem(const pugi::xml_node& item) {
    std::string s;
    WalkXml(
        item,
        [&](const pugi::xml_node& n) {
            if (n.type() != pugi::node_element) return false;
            std::string_view name = LocalName(n);
            if (name == "rPh") return false;
            if (name == "t") {
                s += n.text().get();
                return false;
            }
            return true;
        },
        [](const pugi::xml_node&) {});
    return s;
}

ExtractResult Failure(std::string reason) {
    ExtractResult r;
    r.error = std::move(reason);
    return r;
}

bool EndsWithNoCase(std::string_view s, std::string_view suffix) {
    if (s.size() < suffix.size()) return false;
    for (size_t i = 0; i < suffix.size(); ++i) {
        char c = s[s.size() - suffix.size() + i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != suffix[i]) return false;
    }
    return true;
}

// The text of an alternative-format chunk, by its part name and then its bytes: a web
// archive (MHT) through the mail reader, HTML, RTF, else plain text. A chunk that is itself
// a Word package is left out, so chunks cannot nest without end.
ExtractResult ChunkText(const std::string& name, std::string_view bytes) {
    std::string_view head = bytes.substr(0, 1024);
    if (EndsWithNoCase(name, ".mht") || EndsWithNoCase(name, ".mhtml") ||
        head.find("MIME-Version:") != std::string_view::npos)
        return ExtractMail(bytes);
    if (EndsWithNoCase(name, ".htm") || EndsWithNoCase(name, ".html") ||
        EndsWithNoCase(name, ".xhtml") || head.find('<') != std::string_view::npos)
        return ExtractHtml(bytes);
    if (head.find("{\\rtf") != std::string_view::npos) return ExtractRtf(bytes);
    if (bytes.substr(0, 2) == "PK") return Failure("");
    return ExtractPlainText(bytes);
}

void ExtractWord(const ZipArchive& zip, const std::string& main_part,
                 const pugi::xml_document& doc, TextBuilder* out) {
    std::vector<Relationship> rels = ReadRelationships(zip, main_part);
    auto read_chunk = [&](std::string_view id) {
        const Relationship* rel = FindById(rels, id);
        std::string bytes, error;
        if (!rel || rel->type != "aFChunk" || !zip.Read(rel->target, &bytes, &error)) return;
        ExtractResult chunk = ChunkText(rel->target, bytes);
        if (!chunk.ok) return;
        out->EndLine();
        out->Append(chunk.text);
        out->EndLine();
    };
    AppendWordText(doc.document_element(), out, read_chunk);
    static const char* const kExtraTypes[] = {"header", "footer", "footnotes", "endnotes",
                                              "comments"};
    for (const Relationship& rel : rels) {
        bool wanted = false;
        for (const char* t : kExtraTypes) wanted = wanted || rel.type == t;
        pugi::xml_document part;
        if (!wanted || out->full() || !LoadPart(zip, rel.target, &part)) continue;
        out->EndLine();
        AppendWordText(part.document_element(), out);
    }
}

// A cell's text by its type: a shared string, an inline string, TRUE or FALSE, an error
// value (#N/A), or the cached value (number, date, a formula's result) as written.
std::string CellText(const pugi::xml_node& c, const std::vector<std::string>& shared) {
    std::string_view type = c.attribute("t").value();
    std::string value;
    bool has_value = false;
    for (pugi::xml_node child : c.children()) {
        std::string_view name = LocalName(child);
        if (name == "is") return StringItem(child);
        if (name == "v") {
            value = child.text().get();
            has_value = true;
        }
    }
    if (!has_value) return "";
    if (type == "s") {
        char* end = nullptr;
        unsigned long i = std::strtoul(value.c_str(), &end, 10);
        return (!value.empty() && *end == '\0' && i < shared.size()) ? shared[i] : std::string();
    }
    if (type == "b") {
        std::string_view v = value;
        while (!v.empty() && v.back() == ' ') v.remove_suffix(1);
        while (!v.empty() && v.front() == ' ') v.remove_prefix(1);
        return v == "1" || v == "true" ? "TRUE" : v == "0" || v == "false" ? "FALSE" : "";
    }
    return value;
}

void ExtractWorkbook(const ZipArchive& zip, const std::string& main_part,
                     const pugi::xml_document& doc, TextBuilder* out) {
    std::vector<Relationship> rels = ReadRelationships(zip, main_part);
    std::vector<std::string> shared;
    size_t shared_bytes = 0;
    for (const Relationship& rel : rels) {
        pugi::xml_document sst;
        if (rel.type != "sharedStrings" || !LoadPart(zip, rel.target, &sst)) continue;
        for (pugi::xml_node si : sst.document_element().children()) {
            if (LocalName(si) != "si") continue;
            shared.push_back(StringItem(si));
            shared_bytes += shared.back().size();
            if (shared_bytes > kMaxExtractedTextBytes) break;
        }
        break;
    }
    pugi::xml_node sheets;
    for (pugi::xml_node c : doc.document_element().children())
        if (LocalName(c) == "sheets") sheets = c;
    for (pugi::xml_node sheet : sheets.children()) {
        if (out->full()) break;
        if (LocalName(sheet) != "sheet") continue;
        const Relationship* rel = FindById(rels, PrefixedAttribute(sheet, "id"));
        out->EndLine();
        out->Append(sheet.attribute("name").value());
        out->EndLine();
        pugi::xml_document ws;
        if (!rel || !LoadPart(zip, rel->target, &ws)) continue;
        bool first_in_row = true;
        WalkXml(
            ws.document_element(),
            [&](const pugi::xml_node& n) {
                if (out->full() || n.type() != pugi::node_element) return false;
                std::string_view name = LocalName(n);
                if (name == "row") {
                    out->EndLine();
                    first_in_row = true;
                    return true;
                }
                if (name != "c") return name == "sheetData";
                std::string value = CellText(n, shared);
                if (!value.empty()) {
                    if (!first_in_row) out->Append('\t');
                    out->Append(value);
                    first_in_row = false;
                }
                return false;
            },
            [](const pugi::xml_node&) {});
    }
}

void ExtractPresentation(const ZipArchive& zip, const std::string& main_part,
                         const pugi::xml_document& doc, TextBuilder* out) {
    std::vector<Relationship> rels = ReadRelationships(zip, main_part);
    pugi::xml_node list;
    for (pugi::xml_node c : doc.document_element().children())
        if (LocalName(c) == "sldIdLst") list = c;
    for (pugi::xml_node id : list.children()) {
        if (out->full()) break;
        const Relationship* rel = FindById(rels, PrefixedAttribute(id, "id"));
        pugi::xml_document slide;
        if (!rel || !LoadPart(zip, rel->target, &slide)) continue;
        out->EndLine();
        AppendWordText(slide.document_element(), out);
        for (const Relationship& note : ReadRelationships(zip, rel->target)) {
            pugi::xml_document notes;
            if (note.type != "notesSlide" || !LoadPart(zip, note.target, &notes)) continue;
            out->EndLine();
            AppendWordText(notes.document_element(), out);
        }
    }
}

}  // namespace

ExtractResult ExtractOfficeOpenXml(std::string_view bytes) {
    ZipArchive zip;
    std::string error;
    if (!zip.Open(bytes, &error)) return Failure(error);
    std::string main_part;
    for (const Relationship& rel : ReadRelationships(zip, ""))
        if (rel.type == "officeDocument") main_part = rel.target;
    if (main_part.empty()) {
        for (const char* guess : {"word/document.xml", "xl/workbook.xml", "ppt/presentation.xml"})
            if (zip.Has(guess)) main_part = guess;
    }
    if (main_part.empty()) return Failure("Office 文書の本体がありません");
    std::string xml;
    if (!zip.Read(main_part, &xml, &error)) return Failure(error);
    pugi::xml_document doc;
    if (!ParseXml(xml, &doc)) return Failure(main_part + " が XML として読めません");
    xml.clear();
    xml.shrink_to_fit();

    TextBuilder out;
    std::string_view kind = LocalName(doc.document_element());
    if (kind == "document") ExtractWord(zip, main_part, doc, &out);
    else if (kind == "workbook") ExtractWorkbook(zip, main_part, doc, &out);
    else if (kind == "presentation") ExtractPresentation(zip, main_part, doc, &out);
    else return Failure("知らない種類の Office 文書です");
    ExtractResult r;
    r.ok = true;
    r.text = out.Take();
    return r;
}

bool LooksLikeWordXml(std::string_view bytes) {
    // The root element, after a byte-order mark, declarations, processing instructions
    // and comments, must be wordDocument in any prefix.
    std::string_view b = bytes.substr(0, 65536);
    if (b.substr(0, 3) == "\xEF\xBB\xBF") b.remove_prefix(3);
    while (true) {
        size_t start = b.find_first_not_of(" \t\r\n");
        if (start == std::string_view::npos || b[start] != '<') return false;
        b.remove_prefix(start);
        std::string_view close = b.substr(0, 4) == "<!--" ? "-->" : (b.substr(0, 2) == "<?" ? "?>" : "");
        if (close.empty() && b.substr(0, 2) == "<!") close = ">";
        if (close.empty()) break;
        size_t end = b.find(close);
        if (end == std::string_view::npos) return false;
        b.remove_prefix(end + close.size());
    }
    size_t name_end = b.find_first_of(" \t\r\n/>", 1);
    std::string_view name = b.substr(1, name_end == std::string_view::npos ? b.size() - 1 : name_end - 1);
    size_t colon = name.rfind(':');
    return (colon == std::string_view::npos ? name : name.substr(colon + 1)) == "wordDocument";
}

ExtractResult ExtractWordXml(std::string_view bytes) {
    pugi::xml_document doc;
    if (!ParseXml(std::string(bytes), &doc) || LocalName(doc.document_element()) != "wordDocument")
        return Failure("Word 2003 XML 文書として読めません");
    // The body (and the headers and footers in its section properties); document
    // properties, styles, fonts and embedded binaries hold no text of the document.
    TextBuilder out;
    for (pugi::xml_node part : doc.document_element().children())
        if (LocalName(part) == "body") AppendWordText(part, &out);
    ExtractResult r;
    r.ok = true;
    r.text = out.Take();
    return r;
}
