#include "daradiv/worker_protocol.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace daradiv {
namespace {

void PutLength(std::string& out, uint32_t n) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((n >> (8 * i)) & 0xFF));
}

uint32_t GetLength(const char* p) {
    uint32_t n = 0;
    for (int i = 0; i < 4; ++i) n |= static_cast<uint32_t>(static_cast<unsigned char>(p[i])) << (8 * i);
    return n;
}

bool WriteAll(int fd, const char* p, size_t n) {
    while (n > 0) {
        ssize_t w = write(fd, p, n);
        if (w < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += w;
        n -= static_cast<size_t>(w);
    }
    return true;
}

bool ReadAll(int fd, char* p, size_t n) {
    while (n > 0) {
        ssize_t r = read(fd, p, n);
        if (r < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (r == 0) return false;
        p += r;
        n -= static_cast<size_t>(r);
    }
    return true;
}

// Two length-prefixed strings after a one-byte tag.
void PutString(std::string& out, std::string_view s) {
    PutLength(out, static_cast<uint32_t>(s.size()));
    out.append(s);
}

bool GetString(std::string_view& in, std::string& out) {
    if (in.size() < 4) return false;
    uint32_t n = GetLength(in.data());
    in.remove_prefix(4);
    if (n > in.size()) return false;
    out.assign(in.substr(0, n));
    in.remove_prefix(n);
    return true;
}

}  // namespace

bool WriteFrame(int fd, std::string_view payload) {
    if (payload.size() > kMaxFrameBytes) return false;
    std::string head;
    PutLength(head, static_cast<uint32_t>(payload.size()));
    return WriteAll(fd, head.data(), head.size()) && WriteAll(fd, payload.data(), payload.size());
}

std::optional<std::string> ReadFrame(int fd) {
    char head[4];
    if (!ReadAll(fd, head, 4)) return std::nullopt;
    uint32_t n = GetLength(head);
    if (n > kMaxFrameBytes) return std::nullopt;
    std::string payload(n, '\0');
    if (!ReadAll(fd, payload.data(), n)) return std::nullopt;
    return payload;
}

std::optional<std::string> FrameReader::Next() {
    if (corrupt_ || buffer_.size() < 4) return std::nullopt;
    uint32_t n = GetLength(buffer_.data());
    if (n > kMaxFrameBytes) {
        corrupt_ = true;
        return std::nullopt;
    }
    if (buffer_.size() < 4 + static_cast<size_t>(n)) return std::nullopt;
    std::string frame = buffer_.substr(4, n);
    buffer_.erase(0, 4 + static_cast<size_t>(n));
    return frame;
}

std::string EncodeRequest(const WorkerRequest& request) {
    std::string out = "Q";
    PutString(out, request.path);
    PutString(out, request.extension);
    if (request.ocr_pdf_pages) out += 'O';
    return out;
}

std::optional<WorkerRequest> DecodeRequest(std::string_view frame) {
    if (frame.empty() || frame[0] != 'Q') return std::nullopt;
    frame.remove_prefix(1);
    WorkerRequest r;
    if (!GetString(frame, r.path) || !GetString(frame, r.extension)) return std::nullopt;
    if (frame == "O") {
        r.ocr_pdf_pages = true;
        frame.remove_prefix(1);
    }
    if (!frame.empty()) return std::nullopt;
    return r;
}

std::string EncodeResult(const WorkerResult& result) {
    std::string out;
    if (result.ok) {
        out.reserve(1 + 8 + result.text.size() + result.folded.size());
        out = "T";
        PutString(out, result.text);
        PutString(out, result.folded);
        PutLength(out, static_cast<uint32_t>(result.notes.size()));
        for (const std::string& note : result.notes) PutString(out, note);
    } else {
        out = "E";
        PutString(out, result.error);
    }
    if (result.ocr_pages > 0 || !result.ocr_note.empty()) {
        out += 'O';
        PutLength(out, result.ocr_pages);
        PutLength(out, result.ocr_milliseconds);
        PutString(out, result.ocr_note);
    }
    return out;
}

std::optional<WorkerResult> DecodeResult(std::string_view frame) {
    if (frame.empty()) return std::nullopt;
    char tag = frame[0];
    frame.remove_prefix(1);
    WorkerResult r;
    if (tag == 'T') {
        r.ok = true;
        if (!GetString(frame, r.text) || !GetString(frame, r.folded)) return std::nullopt;
        if (r.text.size() != r.folded.size()) return std::nullopt;
        if (frame.size() < 4) return std::nullopt;
        uint32_t notes = GetLength(frame.data());
        frame.remove_prefix(4);
        if (notes > frame.size() / 4) return std::nullopt;  // each note takes 4 bytes at least
        r.notes.resize(notes);
        for (std::string& note : r.notes) {
            if (!GetString(frame, note)) return std::nullopt;
        }
    } else if (tag == 'E') {
        if (!GetString(frame, r.error)) return std::nullopt;
    } else {
        return std::nullopt;
    }
    if (!frame.empty() && frame[0] == 'O') {
        frame.remove_prefix(1);
        if (frame.size() < 8) return std::nullopt;
        r.ocr_pages = GetLength(frame.data());
        r.ocr_milliseconds = GetLength(frame.data() + 4);
        frame.remove_prefix(8);
        if (!GetString(frame, r.ocr_note)) return std::nullopt;
    }
    if (!frame.empty()) return std::nullopt;
    return r;
}

std::string EncodeTimeRequest(uint32_t seconds) {
    std::string out = "X";
    PutLength(out, seconds);
    return out;
}

std::optional<uint32_t> DecodeTimeRequest(std::string_view frame) {
    if (frame.size() != 5 || frame[0] != 'X') return std::nullopt;
    return GetLength(frame.data() + 1);
}

}  // namespace daradiv
