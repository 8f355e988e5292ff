#include "daradiv/extract/ocr_engine.h"

#include <leptonica/allheaders.h>
#include <tesseract/baseapi.h>
#include <tesseract/ocrclass.h>

#include <memory>
#include <string_view>

namespace {

// Horizontal Japanese, vertical Japanese and English models together.
constexpr const char* kLanguages = "jpn+jpn_vert+eng";

tesseract::TessBaseAPI* Engine(std::string* error) {
    static std::unique_ptr<tesseract::TessBaseAPI> api;
    static bool tried = false;
    if (!tried) {
        tried = true;
        setMsgSeverity(L_SEVERITY_NONE);  // Leptonica's complaints go to the log, not stderr
        auto engine = std::make_unique<tesseract::TessBaseAPI>();
        if (engine->Init(nullptr, kLanguages, tesseract::OEM_LSTM_ONLY) == 0) {
            engine->SetVariable("debug_file", "/dev/null");
            api = std::move(engine);
        }
    }
    if (!api) *error = "文字認識の言語データを読み込めません";
    return api.get();
}

bool IsAsciiWordByte(char c) { return static_cast<unsigned char>(c) < 0x80 && c != ' '; }

}  // namespace

OcrPage RecognizePage(Pix* image, std::chrono::milliseconds limit) {
    OcrPage page;
    tesseract::TessBaseAPI* api = Engine(&page.error);
    if (!api) return page;
    if (!image || static_cast<long long>(pixGetWidth(image)) * pixGetHeight(image) > kOcrMaxPixels) {
        page.error = image ? "画像が大きすぎます" : "画像がありません";
        return page;
    }
    std::unique_ptr<Pix, void (*)(Pix*)> gray(pixConvertTo8(image, 0), [](Pix* p) { pixDestroy(&p); });
    if (!gray) {
        page.error = "画像を変換できません";
        return page;
    }
    api->SetPageSegMode(tesseract::PSM_AUTO);
    api->SetImage(gray.get());
    int dpi = pixGetXRes(image);
    api->SetSourceResolution(dpi >= 70 && dpi <= 2400 ? dpi : kOcrDpi);
    tesseract::ETEXT_DESC monitor;
    monitor.set_deadline_msecs(static_cast<int32_t>(limit.count()));
    int rc = api->Recognize(&monitor);
    page.timed_out = monitor.deadline_exceeded();
    if (rc != 0 && !page.timed_out) {
        api->Clear();
        page.error = "文字認識に失敗しました";
        return page;
    }
    // Words joined on their lines: a space only between two words of Latin script, since
    // Japanese is written without spaces and the engine cuts it into words of its own.
    std::unique_ptr<tesseract::ResultIterator> it(api->GetIterator());
    if (it) {
        do {
            if (it->Empty(tesseract::RIL_WORD)) continue;
            if (it->IsAtBeginningOf(tesseract::RIL_TEXTLINE) && !page.text.empty() &&
                page.text.back() != '\n')
                page.text += '\n';
            if (it->Confidence(tesseract::RIL_WORD) < kOcrConfidenceFloor) continue;
            std::unique_ptr<char[]> word(it->GetUTF8Text(tesseract::RIL_WORD));
            std::string_view w = word ? std::string_view(word.get()) : std::string_view();
            while (!w.empty() && (w.front() == ' ' || w.front() == '\n')) w.remove_prefix(1);
            while (!w.empty() && (w.back() == ' ' || w.back() == '\n')) w.remove_suffix(1);
            if (w.empty()) continue;
            if (!page.text.empty() && page.text.back() != '\n' && IsAsciiWordByte(page.text.back()) &&
                IsAsciiWordByte(w.front()))
                page.text += ' ';
            page.text += w;
        } while (it->Next(tesseract::RIL_WORD));
    }
    if (!page.text.empty() && page.text.back() != '\n') page.text += '\n';
    api->Clear();
    page.ok = true;
    if (page.timed_out) page.error = "文字認識が時間内に終わりませんでした";
    return page;
}
