// daradiv-worker: extracts the text of one document after another for the indexer. It reads
// requests on stdin and answers on stdout (frames of worker_protocol.h). It runs under its
// own executable name so the viewer's stop finds the indexer alone, ends when the indexer
// ends, and caps its own address space so a runaway document costs this process only.
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <exception>
#include <new>
#include <string>

#include "daradiv/document_text.h"
#include "daradiv/extract/extractor.h"
#include "daradiv/extract/text_builder.h"
#include "daradiv/worker_protocol.h"

namespace {

void CapAddressSpace(long long bytes) {
#ifndef RUVUDAR_SANITIZED
    if (bytes <= 0) return;
    struct rlimit limit;
    limit.rlim_cur = static_cast<rlim_t>(bytes);
    limit.rlim_max = static_cast<rlim_t>(bytes);
    setrlimit(RLIMIT_AS, &limit);
#else
    (void)bytes;  // the sanitizers reserve far more address space than any cap allows
#endif
}

// Time the indexer allows a document beyond its usual limit for each page read by OCR.
constexpr uint32_t kSecondsPerOcrPage = 60;

long long FileSize(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? static_cast<long long>(st.st_size) : 0;
}

daradiv::WorkerResult Extract(const daradiv::WorkerRequest& request) {
    daradiv::WorkerResult result;
    try {
        ExtractOptions options;
        options.ocr_pdf_pages = request.ocr_pdf_pages;
        options.before_ocr = [](int pages) {
            uint32_t seconds = 60 + kSecondsPerOcrPage * static_cast<uint32_t>(pages);
            daradiv::WriteFrame(STDOUT_FILENO, daradiv::EncodeTimeRequest(seconds));
        };
        ::ExtractResult extracted = ExtractText(request.path, request.extension, options);
        result.ocr_pages = static_cast<uint32_t>(extracted.ocr_pages);
        result.ocr_milliseconds = static_cast<uint32_t>(extracted.ocr_seconds * 1000);
        result.ocr_note = std::move(extracted.ocr_note);
        if (!extracted.ok) {
            result.error = extracted.error.empty() ? "テキストを取り出せません" : extracted.error;
            return result;
        }
        // The extractor itself stops at its own cap: past it, how much more is unknown.
        const bool capped = extracted.text.size() + 8 >= kMaxExtractedTextBytes ||
                            FileSize(request.path) > static_cast<long long>(kMaxTextDocumentBytes);
        daradiv::TextBlocks blocks = daradiv::MakeTextBlocks(std::move(extracted.text));
        result.ok = true;
        result.text = std::move(blocks.display);
        result.folded = std::move(blocks.folded);
        result.notes = std::move(extracted.notes);
        if (blocks.cut_bytes > 0) result.notes.push_back(daradiv::CutTextNote(blocks.cut_bytes, capped));
    } catch (const std::bad_alloc&) {
        result = {};
        result.error = "メモリが足りません";
    } catch (const std::exception& e) {
        result = {};
        result.error = e.what();
    }
    return result;
}

}  // namespace

// Arguments: the indexer's process ID and the address-space cap in bytes (0: none).
int main(int argc, char** argv) {
    if (argc < 3) return 2;
    const pid_t parent = static_cast<pid_t>(std::atoll(argv[1]));
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) return 0;  // the indexer ended before the signal was armed
    struct rlimit no_core = {0, 0};
    setrlimit(RLIMIT_CORE, &no_core);
    CapAddressSpace(std::atoll(argv[2]));

    while (true) {
        std::optional<std::string> frame = daradiv::ReadFrame(STDIN_FILENO);
        if (!frame) return 0;  // the indexer closed the pipe: done
        std::optional<daradiv::WorkerRequest> request = daradiv::DecodeRequest(*frame);
        if (!request) return 3;
        daradiv::WorkerResult result = Extract(*request);
        std::string reply;
        try {
            reply = daradiv::EncodeResult(result);
        } catch (const std::bad_alloc&) {
            daradiv::WorkerResult failed;
            failed.error = "メモリが足りません";
            reply = daradiv::EncodeResult(failed);
        }
        if (!daradiv::WriteFrame(STDOUT_FILENO, reply)) return 0;
    }
}
