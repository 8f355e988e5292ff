// Legacy Office documents (.doc .xls .ppt, the 97-2003 binary formats): the compound file
// is opened through libgsf and the text records are read here. The streams present decide
// the kind, whatever the extension says.
#pragma once

#include <string>
#include <string_view>

#include "daradiv/extract/compound_file.h"
#include "daradiv/extract/extractor.h"
#include "daradiv/extract/text_builder.h"

ExtractResult ExtractLegacyOffice(std::string_view bytes);

// Word 97+: the text of the piece table (FIB -> CLX -> pieces, 8-bit or UTF-16), field
// codes left out, paragraph and cell marks turned into line ends and tabs.
bool ReadWordText(const CompoundFile& file, TextBuilder* out, std::string* error);

// Excel BIFF8: sheet names, then each sheet's strings and numbers in row order (the shared
// string table across its CONTINUE records, LABELSST, LABEL and formula strings).
bool ReadExcelText(const CompoundFile& file, TextBuilder* out, std::string* error);

// PowerPoint 97+: the text atoms (TextCharsAtom, TextBytesAtom) of slides and notes, in
// stream order, master slides left out.
bool ReadPowerPointText(const CompoundFile& file, TextBuilder* out, std::string* error);
