// Legacy Office documents (.doc .xls .ppt: Word 6.0 to 2003, Excel 5.0 to 2003, PowerPoint
// 97 to 2003): the compound file is opened through libgsf and the text records are read
// here. The streams present decide the kind, whatever the extension says.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "daradiv/extract/compound_file.h"
#include "daradiv/extract/extractor.h"
#include "daradiv/extract/text_builder.h"

ExtractResult ExtractLegacyOffice(std::string_view bytes);

// Word 97+: the text of the piece table (FIB -> CLX -> pieces, 8-bit or UTF-16), field
// codes left out, paragraph and cell marks turned into line ends and tabs. Word 6.0/95:
// the same marks over 8-bit text in the document's code page (EightBitCodePage).
bool ReadWordText(const CompoundFile& file, TextBuilder* out, std::string* error);

// Excel BIFF8: sheet names, then each sheet's strings and numbers in row order (the shared
// string table across its CONTINUE records, LABELSST, LABEL and formula strings). Excel
// 5.0/95 (BIFF5): the same records with 8-bit strings in the code page its CODEPAGE names.
bool ReadExcelText(const CompoundFile& file, TextBuilder* out, std::string* error);

// PowerPoint 97+: the text atoms (TextCharsAtom, TextBytesAtom) of slides and notes, in
// stream order, and the header and footer texts; master slides and the prompts of master
// placeholders left out.
bool ReadPowerPointText(const CompoundFile& file, TextBuilder* out, std::string* error);

// The iconv name of a Windows code page number (932 -> "CP932", 10000 -> "MACINTOSH"),
// or "" when the number names no 8-bit or double-byte set.
std::string CodePageName(int code_page);

// The 8-bit code page of a pre-97 document: the one its summary information names, else
// the one its language id implies (0x0411 Japanese -> "CP932"), else "CP1252".
std::string EightBitCodePage(const CompoundFile& file, uint16_t language_id);

// Text in an 8-bit or double-byte code page as UTF-16 code units.
std::u16string DecodeCodePage(std::string_view bytes, const std::string& code_page);
