#include "daradiv/extract/html_text.h"

#include <gumbo.h>

#include <vector>

#include "daradiv/extract/charset.h"
#include "daradiv/extract/html_nesting.h"
#include "daradiv/extract/text_builder.h"
#include "text/utf8.h"

namespace {

constexpr size_t kMetaScan = 4096;

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

size_t FindNoCase(std::string_view hay, std::string_view needle, size_t from) {
    for (size_t i = from; i + needle.size() <= hay.size(); ++i) {
        size_t k = 0;
        while (k < needle.size() && AsciiLower(hay[i + k]) == needle[k]) ++k;
        if (k == needle.size()) return i;
    }
    return std::string_view::npos;
}

bool IsBlock(GumboTag tag) {
    switch (tag) {
        case GUMBO_TAG_P: case GUMBO_TAG_DIV: case GUMBO_TAG_BR: case GUMBO_TAG_LI:
        case GUMBO_TAG_TR: case GUMBO_TAG_H1: case GUMBO_TAG_H2: case GUMBO_TAG_H3:
        case GUMBO_TAG_H4: case GUMBO_TAG_H5: case GUMBO_TAG_H6: case GUMBO_TAG_TABLE:
        case GUMBO_TAG_UL: case GUMBO_TAG_OL: case GUMBO_TAG_DL: case GUMBO_TAG_DT:
        case GUMBO_TAG_DD: case GUMBO_TAG_SECTION: case GUMBO_TAG_ARTICLE:
        case GUMBO_TAG_HEADER: case GUMBO_TAG_FOOTER: case GUMBO_TAG_NAV:
        case GUMBO_TAG_BLOCKQUOTE: case GUMBO_TAG_PRE: case GUMBO_TAG_HR: case GUMBO_TAG_FORM:
        case GUMBO_TAG_CAPTION: case GUMBO_TAG_ADDRESS: case GUMBO_TAG_FIGURE:
        case GUMBO_TAG_MAIN: case GUMBO_TAG_ASIDE:
            return true;
        default:
            return false;
    }
}

bool IsHidden(GumboTag tag) {
    return tag == GUMBO_TAG_SCRIPT || tag == GUMBO_TAG_STYLE || tag == GUMBO_TAG_HEAD ||
           tag == GUMBO_TAG_TEMPLATE || tag == GUMBO_TAG_NOSCRIPT || tag == GUMBO_TAG_TITLE;
}

void AppendText(const GumboNode* root, bool visible_only, TextBuilder* out) {
    // An explicit stack: pages nest deeply, and the walk must not exhaust the call stack.
    struct Item { const GumboNode* node; bool closing; };
    std::vector<Item> stack{{root, false}};
    while (!stack.empty() && !out->full()) {
        Item item = stack.back();
        stack.pop_back();
        const GumboNode* n = item.node;
        if (n->type == GUMBO_NODE_TEXT || n->type == GUMBO_NODE_WHITESPACE ||
            n->type == GUMBO_NODE_CDATA) {
            out->Append(n->v.text.text);
            continue;
        }
        if (n->type != GUMBO_NODE_ELEMENT && n->type != GUMBO_NODE_DOCUMENT &&
            n->type != GUMBO_NODE_TEMPLATE)
            continue;  // comments
        const GumboVector* children = n->type == GUMBO_NODE_DOCUMENT ? &n->v.document.children
                                                                      : &n->v.element.children;
        if (n->type != GUMBO_NODE_DOCUMENT) {
            GumboTag tag = n->v.element.tag;
            if (item.closing) {
                if (IsBlock(tag)) out->EndLine();
                continue;
            }
            if (visible_only && IsHidden(tag)) continue;
            if (tag == GUMBO_TAG_TD || tag == GUMBO_TAG_TH) out->Append('\t');
            if (IsBlock(tag)) out->EndLine();
            stack.push_back({n, true});
        }
        for (unsigned i = children->length; i > 0; --i)
            stack.push_back({static_cast<const GumboNode*>(children->data[i - 1]), false});
    }
}

const GumboNode* FindTitle(const GumboNode* root) {
    std::vector<const GumboNode*> stack{root};
    while (!stack.empty()) {
        const GumboNode* n = stack.back();
        stack.pop_back();
        if (n->type == GUMBO_NODE_ELEMENT && n->v.element.tag == GUMBO_TAG_TITLE) return n;
        if (n->type != GUMBO_NODE_ELEMENT && n->type != GUMBO_NODE_DOCUMENT) continue;
        if (n->type == GUMBO_NODE_ELEMENT && n->v.element.tag == GUMBO_TAG_BODY) continue;
        const GumboVector* c = n->type == GUMBO_NODE_DOCUMENT ? &n->v.document.children
                                                               : &n->v.element.children;
        for (unsigned i = c->length; i > 0; --i)
            stack.push_back(static_cast<const GumboNode*>(c->data[i - 1]));
    }
    return nullptr;
}

}  // namespace

std::string DeclaredHtmlCharset(std::string_view bytes) {
    std::string_view head = bytes.substr(0, kMetaScan);
    for (size_t meta = FindNoCase(head, "<meta", 0); meta != std::string_view::npos;
         meta = FindNoCase(head, "<meta", meta + 5)) {
        size_t end = head.find('>', meta);
        std::string_view tag = head.substr(meta, end == std::string_view::npos ? head.npos
                                                                               : end - meta);
        size_t at = FindNoCase(tag, "charset", 0);
        if (at == std::string_view::npos) continue;
        size_t i = at + 7;
        while (i < tag.size() && (tag[i] == ' ' || tag[i] == '\t')) ++i;
        if (i >= tag.size() || tag[i] != '=') continue;
        ++i;
        while (i < tag.size() && (tag[i] == ' ' || tag[i] == '"' || tag[i] == '\'')) ++i;
        size_t start = i;
        while (i < tag.size() && (isalnum(static_cast<unsigned char>(tag[i])) || tag[i] == '-' ||
                                  tag[i] == '_' || tag[i] == '.' || tag[i] == ':'))
            ++i;
        std::string cs = CanonicalCharset(tag.substr(start, i - start));
        // A page read as bytes cannot be UTF-16 whatever it says of itself.
        if (cs.rfind("UTF-16", 0) == 0) cs = "UTF-8";
        if (!cs.empty()) return cs;
    }
    return "";
}

std::string HtmlToText(std::string_view utf8) {
    // Mark-up nested past what any page needs would cost the parser minutes: it gets the
    // page's text with its line breaks instead.
    std::optional<std::string> flat = FlattenDeepHtml(utf8);
    if (flat) utf8 = *flat;
    GumboOptions options = kGumboDefaultOptions;
    options.max_errors = 100;
    GumboOutput* output = gumbo_parse_with_options(&options, utf8.data(), utf8.size());
    if (!output) return "";
    TextBuilder out;
    if (const GumboNode* title = FindTitle(output->document)) {
        AppendText(title, false, &out);
        out.EndLine();
    }
    AppendText(output->document, true, &out);
    gumbo_destroy_output(&options, output);
    return out.Take();
}

ExtractResult ExtractHtml(std::string_view bytes) {
    std::string charset;
    size_t bom = ByteOrderMarkLength(bytes, &charset);
    std::string_view body = bytes.substr(bom);
    if (bom == 0) {
        charset = DeclaredHtmlCharset(body);
        // Pages saved again as UTF-8 often keep their old declaration: trust the bytes then.
        if (!charset.empty() && charset != "UTF-8" && IsValidUtf8(body) &&
            !ConvertsCleanly(body, charset))
            charset = "UTF-8";
        if (charset.empty()) charset = DetectCharset(body);
    }
    ExtractResult r;
    r.text = HtmlToText(ConvertToUtf8(body, charset));
    r.ok = true;
    return r;
}
