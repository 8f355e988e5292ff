// The messages between the indexer and its extraction workers over a pair of pipes: each
// message is one frame, a 4-byte little-endian length followed by that many bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace daradiv {

// Largest frame either side accepts; a longer length means the stream is corrupt.
inline constexpr uint32_t kMaxFrameBytes = 64u << 20;

// Writes one frame, retrying short writes and EINTR. False when the pipe is broken.
bool WriteFrame(int fd, std::string_view payload);

// Reads one whole frame (blocking). Nothing at end of stream, on an error or on a length
// beyond kMaxFrameBytes.
std::optional<std::string> ReadFrame(int fd);

// Collects frames from bytes that arrive in pieces (non-blocking reads).
class FrameReader {
public:
    void Append(const char* data, size_t n) { buffer_.append(data, n); }
    // The next complete frame, or nothing while it is incomplete. Sets corrupt() on a
    // length beyond kMaxFrameBytes.
    std::optional<std::string> Next();
    bool corrupt() const { return corrupt_; }
    void Clear() { buffer_.clear(); corrupt_ = false; }

private:
    std::string buffer_;
    bool corrupt_ = false;
};

// A request: the document's path and its lower-cased extension (dot included), and
// whether PDF pages without text are read by OCR.
struct WorkerRequest {
    std::string path;
    std::string extension;
    bool ocr_pdf_pages = false;
};
std::string EncodeRequest(const WorkerRequest& request);
std::optional<WorkerRequest> DecodeRequest(std::string_view frame);

// A result: the display text block and its folded copy (same length), or the reason the
// document could not be read; with either, the pages read by OCR, their time and a note on
// pages that failed.
struct WorkerResult {
    bool ok = false;
    std::string text;
    std::string folded;
    std::string error;
    uint32_t ocr_pages = 0;
    uint32_t ocr_milliseconds = 0;
    std::string ocr_note;
    std::vector<std::string> notes;  // when ok: what was left out and why, for the log
};
std::string EncodeResult(const WorkerResult& result);
std::optional<WorkerResult> DecodeResult(std::string_view frame);

// Sent by a worker before a result when the document needs longer than the usual limit
// (OCR of many pages): the time the whole document may take, counted from its request.
std::string EncodeTimeRequest(uint32_t seconds);
std::optional<uint32_t> DecodeTimeRequest(std::string_view frame);

}  // namespace daradiv
