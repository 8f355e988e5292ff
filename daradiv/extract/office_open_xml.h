// Office Open XML documents (.docx .docm .xlsx .xlsm .pptx .pptm): the zip package's main
// part decides the kind. Word: body paragraphs and tables, then headers, footers, notes and
// comments; Excel: each sheet's name and cell strings in row order; PowerPoint: each slide's
// text in slide order, then its notes. A Word document's alternative-format chunks (HTML,
// MHT, plain text, RTF) are read in place through the readers of those formats.
// Word 2003 XML (one flat <w:wordDocument> file) shares Word's element names and is read
// the same way.
#pragma once

#include <string_view>

#include "daradiv/extract/extractor.h"

ExtractResult ExtractOfficeOpenXml(std::string_view bytes);

ExtractResult ExtractWordXml(std::string_view bytes);

// True when bytes are a Word 2003 XML document: their root element is wordDocument.
bool LooksLikeWordXml(std::string_view bytes);
