// Text recognition of page images with Tesseract: Japanese in horizontal and vertical lines,
// and English, in one pass whose layout analysis finds the direction of each block. Words
// recognised with little confidence are left out, so noise does not reach the index.
#pragma once

#include <chrono>
#include <string>

struct Pix;

// Below this word confidence (0 to 100) a recognised word is taken as noise.
inline constexpr int kOcrConfidenceFloor = 40;
// The time one page may take; a document's time limit grows with its pages by this much.
inline constexpr std::chrono::seconds kOcrPageTimeLimit{60};
// The resolution scanned PDF pages are rendered at, and assumed for images that give none.
inline constexpr int kOcrDpi = 300;
// Largest page image read, in pixels (an A2 page at 300 dpi): bounds the engine's memory.
inline constexpr long long kOcrMaxPixels = 36'000'000;

struct OcrPage {
    bool ok = false;
    std::string text;   // valid UTF-8; lines end with "\n"
    std::string error;  // when !ok, or the page was cut short by the time limit
    bool timed_out = false;
};

// Recognises the text of one page image (any depth; the caller keeps ownership). The engine
// is loaded on first use and kept for the life of the process.
OcrPage RecognizePage(Pix* image, std::chrono::milliseconds limit = kOcrPageTimeLimit);
