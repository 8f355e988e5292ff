// OpenDocument files (.odt .ods .odp .odg in their zip package, .fodt .fods .fodp as one flat
// XML file). The text in reading order: page headers, then the body (paragraphs, tables cell
// by cell, text boxes, comments, notes, and each slide's speaker notes after its content),
// then page footers. A spreadsheet's tables are each preceded by the sheet's name.
#pragma once

#include <string_view>

#include "daradiv/extract/extractor.h"

ExtractResult ExtractOpenDocument(std::string_view bytes);
ExtractResult ExtractFlatOpenDocument(std::string_view bytes);
