#include "daradiv/extract/ocr_pages.h"

#include "daradiv/extract/ocr_engine.h"

OcrPages::OcrPages(const ExtractOptions& options, int pages) {
    count_ = pages < kMaxOcrPages ? pages : kMaxOcrPages;
    dropped_ = pages - count_;
    if (options.before_ocr && count_ > 0) options.before_ocr(count_);
}

void OcrPages::Note(int index, const std::string& reason) {
    // The first few reasons name their pages; the rest are counted.
    if (++notes_ > 3) return;
    if (!note_.empty()) note_ += "、";
    note_ += std::to_string(index + 1) + " ページ目: " + reason;
}

void OcrPages::Fail(int index, const std::string& reason) {
    ++failed_;
    Note(index, reason);
}

void OcrPages::Read(int index, Pix* image) {
    if (!image) {
        Fail(index, "画像として読めません");
        return;
    }
    auto start = std::chrono::steady_clock::now();
    OcrPage page = RecognizePage(image);
    spent_ += std::chrono::steady_clock::now() - start;
    if (!page.ok) {
        Fail(index, page.error);
        return;
    }
    ++read_;
    if (page.timed_out) Note(index, page.error);
    text_.EndLine();
    text_.Append(page.text);
}

void OcrPages::AppendText(std::string_view text) {
    text_.EndLine();
    text_.Append(text);
}

ExtractResult OcrPages::Finish() {
    ExtractResult r;
    r.ocr_pages = read_ + failed_;
    r.ocr_seconds = std::chrono::duration<double>(spent_).count();
    if (notes_ > 3) note_ += " ほか " + std::to_string(notes_ - 3) + " ページ";
    if (dropped_ > 0) {
        if (!note_.empty()) note_ += "、";
        note_ += std::to_string(count_ + 1) + " ページ目以降は文字認識しません";
    }
    if (read_ == 0 && failed_ > 0 && text_.text().empty()) {
        r.error = note_;
        return r;
    }
    r.ok = true;
    r.ocr_note = std::move(note_);
    r.text = text_.Take();
    return r;
}
