#include "daradiv/extract/pdf_text.h"

#include <poppler-document.h>
#include <poppler-global.h>
#include <poppler-page.h>

#include <climits>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>

#include "daradiv/extract/text_builder.h"

namespace {

// poppler reports every fault of a damaged file on stderr; the reason goes to the log instead.
void Quiet(const std::string&, void*) {}

// poppler builds its global tables (character maps, font lists) when a document opens while
// no other is open, and frees them when the last one closes: for a short PDF most of the
// work. A one-page blank document kept open for the life of the process keeps them.
void KeepPopplerTables() {
    static const std::string kBlank = [] {
        const char* objects[] = {
            "<< /Type /Catalog /Pages 2 0 R >>",
            "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
            "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 10 10] >>"};
        std::string pdf = "%PDF-1.4\n";
        std::string xref = "xref\n0 4\n0000000000 65535 f \n";
        for (int i = 0; i < 3; ++i) {
            char entry[24];
            std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", pdf.size());
            xref += entry;
            pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
        }
        const size_t at = pdf.size();
        return pdf + xref + "trailer\n<< /Size 4 /Root 1 0 R >>\nstartxref\n" + std::to_string(at) +
               "\n%%EOF\n";
    }();
    // Never closed: it reads kBlank, which lives as long.
    static poppler::document* held =
        poppler::document::load_from_raw_data(kBlank.data(), static_cast<int>(kBlank.size()));
    (void)held;
}

}  // namespace

ExtractResult ExtractPdf(std::string_view bytes) {
    static std::once_flag quiet;
    std::call_once(quiet, [] {
        poppler::set_debug_error_function(Quiet, nullptr);
        KeepPopplerTables();
    });
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
