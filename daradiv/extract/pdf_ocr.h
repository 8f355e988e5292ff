// PDF with OCR of its scanned pages: a page whose text layer holds no text is rendered with
// poppler at the OCR resolution (less for pages too large for it) and recognised; the other
// pages give their text as ExtractPdf does, all in page order.
#pragma once

#include <string_view>

#include "daradiv/extract/extractor.h"

ExtractResult ExtractPdfWithOcr(std::string_view bytes, const ExtractOptions& options);
