#include "daradiv/extract/pdf_text.h"

#include <poppler-document.h>
#include <poppler-global.h>
#include <poppler-page.h>

#include <climits>
#include <memory>
#include <mutex>

#include "daradiv/extract/text_builder.h"

namespace {

// poppler reports every fault of a damaged file on stderr; the reason goes to the log instead.
void Quiet(const std::string&, void*) {}

}  // namespace

ExtractResult ExtractPdf(std::string_view bytes) {
    static std::once_flag quiet;
    std::call_once(quiet, [] { poppler::set_debug_error_function(Quiet, nullptr); });
    ExtractResult r;
    if (bytes.size() > static_cast<size_t>(INT_MAX)) {
        r.error = "ファイルが大きすぎます";
        return r;
    }
    std::unique_ptr<poppler::document> doc(poppler::document::load_from_raw_data(
        bytes.data(), static_cast<int>(bytes.size())));
    if (!doc) {
        r.error = "PDF として読めません";
        return r;
    }
    if (doc->is_locked()) {
        r.error = "パスワードで保護された PDF です";
        return r;
    }
    TextBuilder out;
    int pages = doc->pages();
    for (int i = 0; i < pages && !out.full(); ++i) {
        std::unique_ptr<poppler::page> page(doc->create_page(i));
        if (!page) continue;
        poppler::byte_array utf8 = page->text().to_utf8();
        out.EndLine();
        out.Append(std::string_view(utf8.data(), utf8.size()));
    }
    r.text = out.Take();
    r.ok = true;
    return r;
}
