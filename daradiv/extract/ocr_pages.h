// The pages of one document read by OCR one after another: the number of pages is told
// ahead (the worker's time limit grows with it), the text is gathered in page order with
// any text the document already had, and the pages read, the time they took and the pages
// that failed are reported with the result.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

#include "daradiv/extract/extractor.h"
#include "daradiv/extract/text_builder.h"

struct Pix;

// Most pages of one document read by OCR; the rest are left out and the log says so.
inline constexpr int kMaxOcrPages = 1000;

class OcrPages {
public:
    // pages: how many pages will be given to Read or Fail. Calls options.before_ocr.
    OcrPages(const ExtractOptions& options, int pages);

    int count() const { return count_; }
    // Recognises page index (0-based) from its image; a null image counts as undecodable.
    void Read(int index, Pix* image);
    // Notes a page that could not be turned into an image.
    void Fail(int index, const std::string& reason);
    // Text of the document that needs no OCR (a PDF page's text layer), in page order.
    void AppendText(std::string_view text);

    // The document's text. Not ok when every page failed and there is no text at all; a
    // failed or cut page otherwise goes into ocr_note.
    ExtractResult Finish();

private:
    void Note(int index, const std::string& reason);

    TextBuilder text_;
    int count_ = 0;
    int dropped_ = 0;   // pages beyond kMaxOcrPages
    int read_ = 0;      // pages recognised
    int failed_ = 0;
    int notes_ = 0;
    std::string note_;
    std::chrono::steady_clock::duration spent_{};
};
