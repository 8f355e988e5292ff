// Office Open XML documents (.docx .docm .xlsx .xlsm .pptx .pptm): the zip package's main
// part decides the kind. Word: body paragraphs and tables, then headers, footers, notes and
// comments; Excel: each sheet's name and cell strings in row order; PowerPoint: each slide's
// text in slide order, then its notes.
#pragma once

#include <string_view>

#include "daradiv/extract/extractor.h"

ExtractResult ExtractOfficeOpenXml(std::string_view bytes);
