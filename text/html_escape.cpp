#include "text/html_escape.h"

namespace {

// The reference for a byte that cannot stand as itself in page text, or nothing.
const char* Reference(char c, bool semicolon) {
    switch (c) {
        case '&':
            return "&amp;";
        case '<':
            return "&lt;";
        case '>':
            return "&gt;";
        case '"':
            return "&quot;";
        case ';':
            return semicolon ? "&#59;" : nullptr;
        default:
            return nullptr;
    }
}

}  // namespace

void AppendEscapedHtml(std::string& out, std::string_view bytes, bool semicolon) {
    for (char c : bytes) {
        if (const char* ref = Reference(c, semicolon))
            out += ref;
        else
            out += c;
    }
}

std::string EscapeHtml(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    AppendEscapedHtml(out, text, false);
    return out;
}
