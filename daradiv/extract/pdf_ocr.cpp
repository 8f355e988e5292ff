#include "daradiv/extract/pdf_ocr.h"

#include <leptonica/allheaders.h>
#include <poppler-document.h>
#include <poppler-global.h>
#include <poppler-image.h>
#include <poppler-page-renderer.h>
#include <poppler-page.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "daradiv/extract/ocr_engine.h"
#include "daradiv/extract/ocr_pages.h"
#include "daradiv/extract/pdf_text.h"

namespace {

bool Blank(std::string_view text) {
    for (char c : text)
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r' && c != '\f') return false;
    return true;
}

// The page drawn in grey at the OCR resolution, lowered so the image stays within the pixel
// cap; nullptr with a reason when poppler cannot draw it.
Pix* RenderPage(const poppler::page& page, std::string* error) {
    poppler::rectf box = page.page_rect(poppler::media_box);
    double w_in = std::fabs(box.width()) / 72.0, h_in = std::fabs(box.height()) / 72.0;
    if (!(w_in > 0.01 && h_in > 0.01)) {
        *error = "ページの大きさがありません";
        return nullptr;
    }
    double dpi = kOcrDpi;
    double pixels = w_in * h_in * dpi * dpi;
    if (pixels > static_cast<double>(kOcrMaxPixels))
        dpi = std::floor(dpi * std::sqrt(static_cast<double>(kOcrMaxPixels) / pixels));
    if (dpi < 1) {
        *error = "ページが大きすぎます";
        return nullptr;
    }
    poppler::page_renderer renderer;
    renderer.set_image_format(poppler::image::format_gray8);
    renderer.set_render_hint(poppler::page_renderer::antialiasing, true);
    renderer.set_render_hint(poppler::page_renderer::text_antialiasing, true);
    poppler::image image = renderer.render_page(&page, dpi, dpi);
    if (!image.is_valid() || image.width() <= 0 || image.height() <= 0) {
        *error = "ページを描画できません";
        return nullptr;
    }
    Pix* pix = pixCreate(image.width(), image.height(), 8);
    if (!pix) {
        *error = "メモリーが足りません";
        return nullptr;
    }
    pixSetResolution(pix, static_cast<l_int32>(dpi), static_cast<l_int32>(dpi));
    const char* src = image.const_data();
    for (int y = 0; y < image.height(); ++y) {
        l_uint32* row = pixGetData(pix) + static_cast<size_t>(y) * pixGetWpl(pix);
        const auto* line = reinterpret_cast<const unsigned char*>(src + static_cast<size_t>(y) * image.bytes_per_row());
        for (int x = 0; x < image.width(); ++x) SET_DATA_BYTE(row, x, line[x]);
    }
    return pix;
}

}  // namespace

ExtractResult ExtractPdfWithOcr(std::string_view bytes, const ExtractOptions& options) {
    ExtractResult plain = ExtractPdf(bytes);  // the checks and quieting of the plain reader
    if (!plain.ok) return plain;
    std::unique_ptr<poppler::document> doc(poppler::document::load_from_raw_data(
        bytes.data(), static_cast<int>(bytes.size())));
    if (!doc) return plain;
    // First the text layer of every page, to know how many pages need OCR.
    int count = doc->pages();
    std::vector<std::string> texts(static_cast<size_t>(count > 0 ? count : 0));
    int scanned = 0;
    for (int i = 0; i < count; ++i) {
        std::unique_ptr<poppler::page> page(doc->create_page(i));
        if (page) {
            poppler::byte_array utf8 = page->text().to_utf8();
            texts[static_cast<size_t>(i)].assign(utf8.data(), utf8.size());
        }
        if (Blank(texts[static_cast<size_t>(i)])) ++scanned;
    }
    if (scanned == 0) return plain;
    OcrPages pages(options, scanned);
    int ocred = 0;
    for (int i = 0; i < count; ++i) {
        const std::string& text = texts[static_cast<size_t>(i)];
        if (!Blank(text)) {
            pages.AppendText(text);
            continue;
        }
        if (ocred >= pages.count()) continue;
        ++ocred;
        std::unique_ptr<poppler::page> page(doc->create_page(i));
        std::string error = "ページを読めません";
        Pix* pix = page ? RenderPage(*page, &error) : nullptr;
        if (!pix) {
            pages.Fail(i, error);
            continue;
        }
        pages.Read(i, pix);
        pixDestroy(&pix);
    }
    return pages.Finish();
}
