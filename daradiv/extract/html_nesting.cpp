#include "daradiv/extract/html_nesting.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

bool OneOf(std::string_view name, std::initializer_list<std::string_view> names) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

bool IsVoid(std::string_view n) {
    return OneOf(n, {"area", "base", "br", "col", "embed", "hr", "img", "input", "link", "meta",
                     "param", "source", "track", "wbr", "keygen", "basefont", "bgsound", "frame",
                     "image"});
}

// Elements whose content the tokenizer reads as text up to their end tag.
bool IsRawText(std::string_view n) {
    return OneOf(n, {"script", "style", "xmp", "iframe", "noembed", "noframes", "noscript",
                     "textarea", "title", "plaintext"});
}

bool IsFormatting(std::string_view n) {
    return OneOf(n, {"a", "b", "big", "code", "em", "font", "i", "nobr", "s", "small", "strike",
                     "strong", "tt", "u"});
}

// Elements an end tag of another name does not close (the parser's "special" category).
bool IsSpecial(std::string_view n) {
    return OneOf(n, {"address", "applet", "article", "aside", "blockquote", "body", "button",
                     "caption", "center", "colgroup", "dd", "details", "dir", "div", "dl", "dt",
                     "fieldset", "figcaption", "figure", "footer", "form", "frameset", "h1", "h2",
                     "h3", "h4", "h5", "h6", "head", "header", "hgroup", "html", "li", "listing",
                     "main", "marquee", "menu", "nav", "object", "ol", "p", "pre", "section",
                     "select", "summary", "table", "tbody", "td", "template", "tfoot", "th",
                     "thead", "tr", "ul"});
}

// Elements no end tag of another name reaches past.
bool IsScopeBoundary(std::string_view n) {
    return OneOf(n, {"table", "td", "th", "caption", "template", "object", "applet", "marquee",
                     "html"});
}

// The parts of a table: outside a table the parser ignores their tags, and their end tags
// close everything up to them within the table.
bool IsTablePart(std::string_view n) {
    return OneOf(n, {"caption", "col", "colgroup", "tbody", "td", "tfoot", "th", "thead", "tr"});
}

// HTML elements that end SVG or MathML content when they start in it.
bool EndsForeignContent(std::string_view n) {
    return OneOf(n, {"b", "big", "blockquote", "body", "br", "center", "code", "dd", "div", "dl",
                     "dt", "em", "embed", "h1", "h2", "h3", "h4", "h5", "h6", "head", "hr", "i",
                     "img", "li", "listing", "menu", "meta", "nobr", "ol", "p", "pre", "ruby",
                     "s", "small", "span", "strong", "strike", "sub", "sup", "table", "tt", "u",
                     "ul", "var", "font"});
}

// Elements shown on lines of their own (as the extractor's tree walk treats them).
bool IsBlock(std::string_view n) {
    return OneOf(n, {"p", "div", "br", "li", "tr", "h1", "h2", "h3", "h4", "h5", "h6", "table",
                     "ul", "ol", "dl", "dt", "dd", "section", "article", "header", "footer", "nav",
                     "blockquote", "pre", "hr", "form", "caption", "address", "figure", "main",
                     "aside"});
}

// Elements whose text is not shown.
bool IsHiddenContent(std::string_view n) {
    return OneOf(n, {"script", "style", "noscript", "iframe", "noembed", "noframes"});
}

struct Token {
    enum Kind { kText, kStart, kEnd, kRaw, kNone } kind = kNone;
    std::string_view text;   // kText, kRaw: the bytes; kStart: the attributes
    std::string name;        // lower-cased tag name
    bool self_closing = false;
};

size_t FindEndTag(std::string_view html, size_t from, std::string_view name) {
    for (size_t at = html.find("</", from); at != std::string_view::npos;
         at = html.find("</", at + 2)) {
        size_t k = 0;
        while (k < name.size() && at + 2 + k < html.size() && Lower(html[at + 2 + k]) == name[k])
            ++k;
        if (k == name.size()) return at;
    }
    return html.size();
}

// Splits HTML into text, tags and the text of raw-text elements, roughly as the parser's
// tokenizer does; comments, doctypes and processing instructions are passed over.
class Tokenizer {
public:
    explicit Tokenizer(std::string_view html) : html_(html) {}

    bool Next(Token& t) {
        t = Token();
        const size_t n = html_.size();
        if (!raw_.empty()) {
            size_t end = raw_ == "plaintext" ? n : FindEndTag(html_, at_, raw_);
            t.kind = Token::kRaw;
            t.name = std::move(raw_);
            t.text = html_.substr(at_, end - at_);
            raw_.clear();
            at_ = end;
            return true;
        }
        while (at_ < n) {
            if (html_[at_] != '<') {
                size_t end = html_.find('<', at_);
                if (end == std::string_view::npos) end = n;
                t.kind = Token::kText;
                t.text = html_.substr(at_, end - at_);
                at_ = end;
                return true;
            }
            std::string_view rest = html_.substr(at_);
            if (rest.starts_with("<!--")) {
                size_t end = html_.find("-->", at_ + 2);
                at_ = end == std::string_view::npos ? n : end + 3;
                continue;
            }
            if (rest.starts_with("<!") || rest.starts_with("<?")) {
                SkipPast('>');
                continue;
            }
            bool end_tag = rest.starts_with("</");
            size_t name_at = at_ + (end_tag ? 2 : 1);
            if (name_at >= n || !IsLetter(html_[name_at])) {
                t.kind = Token::kText;  // a "<" that starts no tag
                t.text = html_.substr(at_, 1);
                ++at_;
                return true;
            }
            size_t i = name_at;
            while (i < n && !IsSpace(html_[i]) && html_[i] != '/' && html_[i] != '>')
                t.name += Lower(html_[i++]);
            size_t attrs = i;
            // Attributes: a quoted value may hold ">".
            while (i < n && html_[i] != '>') {
                if (html_[i] == '=') {
                    ++i;
                    while (i < n && IsSpace(html_[i])) ++i;
                    if (i < n && (html_[i] == '"' || html_[i] == '\'')) {
                        size_t close = html_.find(html_[i], i + 1);
                        i = close == std::string_view::npos ? n : close + 1;
                    }
                    continue;
                }
                ++i;
            }
            t.self_closing = i > attrs && html_[i - 1] == '/';
            t.text = html_.substr(attrs, i - attrs);
            at_ = i < n ? i + 1 : n;
            t.kind = end_tag ? Token::kEnd : Token::kStart;
            if (!end_tag && IsRawText(t.name)) raw_ = t.name;
            return true;
        }
        return false;
    }

private:
    void SkipPast(char c) {
        size_t end = html_.find(c, at_);
        at_ = end == std::string_view::npos ? html_.size() : end + 1;
    }

    std::string_view html_;
    size_t at_ = 0;
    std::string raw_;
};

// SVG and MathML elements inside which the parser reads HTML again.
bool IsIntegrationPoint(std::string_view n) {
    return OneOf(n, {"mi", "mo", "mn", "ms", "mtext", "annotation-xml", "foreignobject", "desc",
                     "title"});
}

// An estimate of the parser's open elements that errs on the high side: it closes elements
// only where the parser surely would, and counts the formatting elements the parser would
// open again after an end tag closed them. It follows the parser's main rules, not all of
// them (frameset documents, say), so it is an estimate, not a bound.
class NestingModel {
public:
    explicit NestingModel(size_t limit) : limit_(limit) {}

    // False once the estimate passes the limit.
    bool Take(const Token& t) {
        if (t.kind == Token::kStart) Open(t);
        if (t.kind == Token::kEnd) Close(t.name);
        return open_.size() + reopened_.size() <= limit_;
    }

private:
    struct Element {
        std::string name;
        std::string key;       // name and attributes, for formatting elements
        bool foreign = false;  // an SVG or MathML element
    };

    // Whether the next tag lands in SVG or MathML content (not at a point where that content
    // takes HTML again).
    bool InForeignContent() const {
        if (open_.empty() || !open_.back().foreign) return false;
        return !IsIntegrationPoint(Top());
    }

    const std::string& Top() const { return open_.back().name; }
    void PopIf(std::initializer_list<std::string_view> names) {
        if (!open_.empty() && OneOf(Top(), names)) Pop(false);
    }
    void Pop(bool keep_formatting) {
        Element e = std::move(open_.back());
        open_.pop_back();
        if (e.name == "table" && !e.foreign) --tables_;
        if (keep_formatting && !e.key.empty()) Reopen(std::move(e.key));
    }
    // At most three alike are kept, as the parser keeps them.
    void Reopen(std::string key) {
        size_t alike = 0;
        for (auto it = reopened_.rbegin(); it != reopened_.rend(); ++it) {
            if (it->key == key && ++alike == 3) {
                reopened_.erase(std::next(it).base());
                break;
            }
        }
        std::string name = key.substr(0, key.find(' '));
        reopened_.push_back({std::move(name), std::move(key)});
    }

    // A block closes the paragraph it starts in, and everything still open inside it.
    void CloseOpenParagraph() {
        for (size_t i = open_.size(); i > 0; --i) {
            const std::string& name = open_[i - 1].name;
            if (name == "p") {
                while (open_.size() > i) Pop(true);
                Pop(false);
                return;
            }
            if (IsScopeBoundary(name) || name == "button") return;
        }
    }

    void Open(const Token& t) {
        const std::string& n = t.name;
        if (InForeignContent()) {
            if (!EndsForeignContent(n)) {
                if (!t.self_closing) open_.push_back({n, "", true});
                return;
            }
            while (InForeignContent()) Pop(false);  // the HTML element ends the foreign content
        }
        if (IsVoid(n) || (IsTablePart(n) && tables_ == 0)) return;
        if (n == "form" && form_open_) return;  // forms do not nest
        if (OneOf(n, {"html", "head", "body", "isindex"})) return;  // opened once at most
        const bool foreign = n == "svg" || n == "math";
        if (foreign && t.self_closing) return;
        if (n == "li") PopIf({"li"});
        if (n == "dt" || n == "dd") PopIf({"dt", "dd"});
        if (n == "td" || n == "th" || n == "tr") PopIf({"td", "th"});
        if (n == "tr") PopIf({"tr"});
        if (n == "option" || n == "optgroup") PopIf({"option"});
        if (IsBlock(n) || IsSpecial(n)) CloseOpenParagraph();
        Element e{n, "", foreign};
        if (IsFormatting(n)) e.key = n + " " + std::string(t.text);
        if (n == "table") ++tables_;
        if (n == "form") form_open_ = true;
        open_.push_back(std::move(e));
    }

    void Close(const std::string& n) {
        if (n == "form") {
            // The form element alone leaves the open elements; what it holds stays open.
            form_open_ = false;
            for (size_t i = open_.size(); i > 0; --i) {
                if (open_[i - 1].name == "form" && !open_[i - 1].foreign) {
                    open_.erase(open_.begin() + static_cast<std::ptrdiff_t>(i - 1));
                    return;
                }
            }
            return;
        }
        if (OneOf(n, {"html", "head", "body"})) return;  // the parser keeps them open
        if (n == "frameset") {  // ignored outside a frameset: close only the innermost
            PopIf({"frameset"});
            return;
        }
        if (IsFormatting(n)) {
            // The latest of that name the parser would reopen goes first, without closing
            // anything.
            for (size_t i = reopened_.size(); i > 0; --i) {
                if (reopened_[i - 1].name == n) {
                    reopened_.erase(reopened_.begin() + static_cast<std::ptrdiff_t>(i - 1));
                    return;
                }
            }
        }
        const bool special = IsSpecial(n);
        const bool table = n == "table" || IsTablePart(n);
        for (size_t i = open_.size(); i > 0; --i) {
            const Element& e = open_[i - 1];
            if (e.name == n) {
                while (open_.size() > i) Pop(true);
                Pop(false);
                return;
            }
            const bool integration = e.foreign && IsIntegrationPoint(e.name);
            bool stop;
            if (table)
                stop = e.name == "table" || e.name == "template" || e.name == "html";
            else if (special)
                stop = IsScopeBoundary(e.name) || integration ||
                       (n == "li" && (e.name == "ul" || e.name == "ol")) ||
                       (n == "p" && e.name == "button");
            else
                stop = IsSpecial(e.name) || integration;
            if (stop) break;
        }
    }

    size_t limit_;
    std::vector<Element> open_;
    std::vector<Element> reopened_;
    int tables_ = 0;
    bool form_open_ = false;
};

void AppendEscaped(std::string& out, std::string_view text) {
    for (char c : text) {
        if (c == '<') out += "&lt;";
        else out += c;
    }
}

}  // namespace

std::optional<std::string> FlattenDeepHtml(std::string_view html, size_t max_depth) {
    {
        NestingModel model(max_depth);
        Tokenizer tokens(html);
        Token t;
        bool too_deep = false;
        while (!too_deep && tokens.Next(t)) too_deep = !model.Take(t);
        if (!too_deep) return std::nullopt;
    }
    std::string title;
    bool have_title = false;
    std::string body;
    body.reserve(html.size());
    Tokenizer tokens(html);
    Token t;
    while (tokens.Next(t)) {
        switch (t.kind) {
            case Token::kText:
                AppendEscaped(body, t.text);
                break;
            case Token::kRaw:
                if (t.name == "title") {
                    if (!have_title) title = t.text;
                    have_title = true;
                } else if (!IsHiddenContent(t.name)) {
                    AppendEscaped(body, t.text);
                }
                break;
            case Token::kStart:
            case Token::kEnd:
                if (t.kind == Token::kStart && (t.name == "td" || t.name == "th")) body += "&#9;";
                // Line breaks in a row show as one: keep one.
                if (IsBlock(t.name) && !body.ends_with("<br>")) body += "<br>";
                break;
            case Token::kNone:
                break;
        }
    }
    std::string out;
    if (have_title) {
        out = "<title>";
        AppendEscaped(out, title);
        out += "</title>";
    }
    out += "<body>";
    out += body;
    return out;
}
