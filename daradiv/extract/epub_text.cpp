#include "daradiv/extract/epub_text.h"

#include <map>
#include <string>
#include <vector>

#include "daradiv/extract/html_text.h"
#include "daradiv/extract/text_builder.h"
#include "daradiv/extract/xml_walk.h"
#include "daradiv/extract/zip_archive.h"

namespace {

// Content documents read from one book are capped in number.
constexpr size_t kMaxSpineItems = 4096;

ExtractResult Failure(std::string reason) {
    ExtractResult r;
    r.error = std::move(reason);
    return r;
}

pugi::xml_node Child(const pugi::xml_node& parent, std::string_view local) {
    for (pugi::xml_node c : parent.children())
        if (c.type() == pugi::node_element && LocalName(c) == local) return c;
    return {};
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// A manifest href as a name inside the zip: percent escapes decoded, any fragment dropped,
// "." and ".." resolved against the package document's folder.
std::string EntryName(const std::string& folder, std::string_view href) {
    href = href.substr(0, href.find('#'));
    std::string decoded;
    for (size_t i = 0; i < href.size(); ++i) {
        if (href[i] == '%' && i + 2 < href.size() && HexValue(href[i + 1]) >= 0 &&
            HexValue(href[i + 2]) >= 0) {
            decoded += static_cast<char>(HexValue(href[i + 1]) * 16 + HexValue(href[i + 2]));
            i += 2;
        } else {
            decoded += href[i];
        }
    }
    std::string path = !decoded.empty() && decoded[0] == '/' ? decoded.substr(1) : folder + decoded;
    std::vector<std::string> segments;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        std::string seg = path.substr(start, end - start);
        if (seg == "..") {
            if (!segments.empty()) segments.pop_back();
        } else if (!seg.empty() && seg != ".") {
            segments.push_back(seg);
        }
        start = end + 1;
    }
    std::string out;
    for (const std::string& s : segments) out += (out.empty() ? "" : "/") + s;
    return out;
}

// Elements whose end ends a line of text.
bool IsBlock(std::string_view name) {
    static const char* const kBlocks[] = {"p", "div", "h1", "h2", "h3", "h4", "h5", "h6",
                                          "li", "tr", "td", "th", "dt", "dd", "pre",
                                          "blockquote", "section", "article", "aside",
                                          "header", "footer", "figcaption", "table", "ul", "ol"};
    for (const char* b : kBlocks)
        if (name == b) return true;
    return false;
}

// The text of an XHTML content document's body: scripts and styles left out, block
// elements on lines of their own.
void AppendXhtml(const pugi::xml_document& page, TextBuilder* out) {
    pugi::xml_node body;
    for (pugi::xml_node c : page.document_element().children())
        if (LocalName(c) == "body") body = c;
    if (!body) return;
    WalkXml(
        body,
        [&](const pugi::xml_node& n) {
            if (out->full()) return false;
            if (n.type() == pugi::node_pcdata || n.type() == pugi::node_cdata) {
                out->Append(n.value());
                return false;
            }
            if (n.type() != pugi::node_element) return false;
            std::string_view name = LocalName(n);
            if (name == "script" || name == "style") return false;
            if (name == "br") out->Append('\n');
            return true;
        },
        [&](const pugi::xml_node& n) {
            if (n.type() == pugi::node_element && IsBlock(LocalName(n))) out->EndLine();
        });
}

}  // namespace

ExtractResult ExtractEpub(std::string_view bytes) {
    ZipArchive zip;
    std::string error, xml;
    if (!zip.Open(bytes, &error)) return Failure(error);
    pugi::xml_document container;
    if (!zip.Read("META-INF/container.xml", &xml, &error) || !ParseXml(xml, &container))
        return Failure("EPUB の container.xml がありません");
    std::string package_name;
    pugi::xml_node rootfiles = Child(container.document_element(), "rootfiles");
    for (pugi::xml_node rf : rootfiles.children()) {
        if (LocalName(rf) != "rootfile") continue;
        std::string_view type = rf.attribute("media-type").value();
        if (type.empty() || type == "application/oebps-package+xml") {
            package_name = EntryName("", rf.attribute("full-path").value());
            break;
        }
    }
    pugi::xml_document package;
    if (package_name.empty() || !zip.Read(package_name, &xml, &error) || !ParseXml(xml, &package))
        return Failure("EPUB のパッケージ文書がありません");
    xml.clear();
    std::string folder = package_name.substr(0, package_name.rfind('/') + 1);
    if (package_name.find('/') == std::string::npos) folder.clear();

    pugi::xml_node root = package.document_element();
    pugi::xml_node spine = Child(root, "spine");
    if (!spine) return Failure("EPUB の spine がありません");
    std::map<std::string, std::string> hrefs;
    for (pugi::xml_node item : Child(root, "manifest").children()) {
        if (LocalName(item) == "item")
            hrefs[item.attribute("id").value()] = EntryName(folder, item.attribute("href").value());
    }

    TextBuilder out;
    for (pugi::xml_node meta : Child(root, "metadata").children()) {
        if (LocalName(meta) != "title") continue;
        out.Append(meta.text().get());
        out.EndLine();
    }
    size_t read = 0;
    for (pugi::xml_node ref : spine.children()) {
        if (out.full() || read >= kMaxSpineItems) break;
        if (LocalName(ref) != "itemref") continue;
        auto it = hrefs.find(ref.attribute("idref").value());
        std::string page;
        if (it == hrefs.end() || !zip.Read(it->second, &page, &error)) continue;
        ++read;
        out.EndLine();
        // Content documents are XML; one that is not is read as a web page.
        pugi::xml_document xhtml;
        if (xhtml.load_buffer(page.data(), page.size(), pugi::parse_default, pugi::encoding_auto)) {
            AppendXhtml(xhtml, &out);
        } else {
            ExtractResult part = ExtractHtml(page);
            if (part.ok) out.Append(part.text);
        }
    }
    ExtractResult r;
    r.ok = true;
    r.text = out.Take();
    return r;
}
