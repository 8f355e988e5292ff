#include "daradiv/extract/open_document.h"

#include <cstdlib>
#include <string>

#include "daradiv/extract/text_builder.h"
#include "daradiv/extract/xml_walk.h"
#include "daradiv/extract/zip_archive.h"

namespace {

ExtractResult Failure(std::string reason) {
    ExtractResult r;
    r.error = std::move(reason);
    return r;
}

// The first child element with the given local name, or an empty node.
pugi::xml_node Child(const pugi::xml_node& parent, std::string_view local) {
    for (pugi::xml_node c : parent.children())
        if (c.type() == pugi::node_element && LocalName(c) == local) return c;
    return {};
}

unsigned RepeatCount(const pugi::xml_node& n) {
    std::string_view text = PrefixedAttribute(n, "c");
    unsigned c = text.empty() ? 1 : static_cast<unsigned>(std::strtoul(std::string(text).c_str(), nullptr, 10));
    return c < 1 ? 1 : (c > 64 ? 64 : c);
}

// The text of the mark-up under root in document order. Paragraphs and headings end lines,
// cells of a row are joined by tabs; change-tracking records (deleted text), note citations,
// and drawing titles hold nothing a reader sees as text.
void AppendText(const pugi::xml_node& root, bool spreadsheet, TextBuilder* out) {
    bool first_cell = true;
    WalkXml(
        root,
        [&](const pugi::xml_node& n) {
            if (out->full()) return false;
            if (n.type() == pugi::node_pcdata || n.type() == pugi::node_cdata) {
                out->Append(n.value());
                return false;
            }
            if (n.type() != pugi::node_element) return false;
            std::string_view name = LocalName(n);
            if (name == "span" || name == "p") return true;  // most elements: nothing to do
            if (name == "tracked-changes" || name == "note-citation" || name == "sequence-decls" ||
                name == "forms" || name == "title" || name == "desc" || name == "page-thumbnail")
                return false;
            // A comment's author and date are not its text.
            if (LocalName(n.parent()) == "annotation" && name != "p" && name != "list") return false;
            if (name == "s") {
                for (unsigned i = RepeatCount(n); i > 0; --i) out->Append(' ');
            } else if (name == "tab") {
                out->Append('\t');
            } else if (name == "line-break") {
                out->Append('\n');
            } else if (name == "table" && spreadsheet) {
                out->EndLine();
                out->Append(PrefixedAttribute(n, "name"));
                out->EndLine();
            } else if (name == "table-row") {
                out->EndLine();
                first_cell = true;
            } else if (name == "table-cell" || name == "covered-table-cell") {
                if (!n.first_child()) return false;  // empty cells, repeated or not, add nothing
                if (!first_cell) out->Append('\t');
                first_cell = false;
            } else if (name == "annotation" || name == "note-body" || name == "notes" ||
                       name == "text-box") {
                out->EndLine();
            }
            return true;
        },
        [&](const pugi::xml_node& n) {
            if (n.type() != pugi::node_element) return;
            std::string_view name = LocalName(n);
            // Inside a cell a paragraph ends with a space, so the row stays on one line.
            if (name == "p" || name == "h") {
                std::string_view parent = LocalName(n.parent());
                if (parent == "table-cell" && n.next_sibling()) out->Append(' ');
                else if (parent != "table-cell") out->EndLine();
            } else if (name == "annotation" || name == "note" || name == "text-box" ||
                       name == "table" || name == "frame" || name == "page") {
                out->EndLine();
            }
        });
}

// Page headers (which==true) or footers of every master page, each text once.
void AppendMasterPages(const pugi::xml_node& master_styles, bool headers, TextBuilder* out) {
    if (!master_styles) return;
    for (pugi::xml_node page : master_styles.children()) {
        if (LocalName(page) != "master-page") continue;
        for (pugi::xml_node part : page.children()) {
            std::string_view name = LocalName(part);
            bool header = name.substr(0, 6) == "header";
            bool footer = name.substr(0, 6) == "footer";
            // header, header-left, header-first; "header-style" belongs to styles.
            if (!(headers ? header : footer) || name.find("style") != std::string_view::npos)
                continue;
            if (PrefixedAttribute(part, "display") == "false") continue;  // switched off
            out->EndLine();
            AppendText(part, false, out);
        }
    }
}

// The document's text from its body and its master styles (either may be missing).
ExtractResult FromParts(const pugi::xml_node& body, const pugi::xml_node& master_styles) {
    pugi::xml_node kind;
    for (pugi::xml_node c : body.children())
        if (c.type() == pugi::node_element) kind = c;
    if (!kind) return Failure("OpenDocument の本文がありません");
    bool spreadsheet = LocalName(kind) == "spreadsheet";
    TextBuilder out;
    AppendMasterPages(master_styles, true, &out);
    out.EndLine();
    AppendText(kind, spreadsheet, &out);
    AppendMasterPages(master_styles, false, &out);
    ExtractResult r;
    r.ok = true;
    r.text = out.Take();
    return r;
}

}  // namespace

ExtractResult ExtractOpenDocument(std::string_view bytes) {
    ZipArchive zip;
    std::string error;
    if (!zip.Open(bytes, &error)) return Failure(error);
    std::string xml;
    if (!zip.Read("content.xml", &xml, &error)) return Failure(error);
    pugi::xml_document content;
    if (!ParseXml(xml, &content)) {
        // A password-protected package keeps its parts encrypted; the manifest says so.
        std::string manifest;
        if (zip.Read("META-INF/manifest.xml", &manifest, &error) &&
            manifest.find("encryption-data") != std::string::npos)
            return Failure("パスワードで保護された文書です");
        return Failure("content.xml が XML として読めません");
    }
    xml.clear();
    xml.shrink_to_fit();
    pugi::xml_document styles;
    std::string styles_xml;
    if (zip.Read("styles.xml", &styles_xml, &error)) ParseXml(styles_xml, &styles);
    styles_xml.clear();
    pugi::xml_node root = content.document_element();
    if (LocalName(root) != "document-content")
        return Failure("OpenDocument の本文がありません");
    return FromParts(Child(root, "body"), Child(styles.document_element(), "master-styles"));
}

ExtractResult ExtractFlatOpenDocument(std::string_view bytes) {
    pugi::xml_document doc;
    if (!ParseXml(std::string(bytes), &doc)) return Failure("XML として読めません");
    pugi::xml_node root = doc.document_element();
    if (LocalName(root) != "document") return Failure("OpenDocument の文書ではありません");
    return FromParts(Child(root, "body"), Child(root, "master-styles"));
}
