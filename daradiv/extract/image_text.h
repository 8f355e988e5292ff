// Image files read by OCR (.png .jpg .jpeg .tif .tiff, every page of a multi-page TIFF):
// Leptonica decodes them, ocr_engine recognises the text page by page.
#pragma once

#include <string_view>

#include "daradiv/extract/extractor.h"

ExtractResult ExtractImage(std::string_view bytes, const ExtractOptions& options);
