// Collects extracted text with an upper bound, so a small document that expands (a shared
// string repeated over a million cells, a decompression bomb) cannot use unbounded memory.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "text/utf8.h"

// Most text any one document yields; the indexer keeps far less than this.
inline constexpr size_t kMaxExtractedTextBytes = 32u << 20;

class TextBuilder {
public:
    explicit TextBuilder(size_t limit = kMaxExtractedTextBytes) : limit_(limit) {}

    // Appends s, or as much of it as fits; the caller may stop early once full().
    void Append(std::string_view s) {
        if (full_) return;
        if (text_.size() + s.size() > limit_) {
            text_.append(s.substr(0, CutAtCharBoundary(s, limit_ - text_.size())));
            full_ = true;
            return;
        }
        text_.append(s);
    }
    void Append(char c) { Append(std::string_view(&c, 1)); }
    // Appends a line break unless the text is empty or already ends in one.
    void EndLine() {
        if (!text_.empty() && text_.back() != '\n') Append('\n');
    }
    // Appends one code point as UTF-8; invalid code points become U+FFFD.
    void AppendCodePoint(char32_t cp);
    // Appends UTF-16 code units; an unpaired surrogate becomes U+FFFD.
    void AppendUtf16(std::u16string_view units);

    bool full() const { return full_; }
    const std::string& text() const { return text_; }
    std::string Take() { return std::move(text_); }

private:
    std::string text_;
    size_t limit_;
    bool full_ = false;
};
