#include "daradiv/extract/legacy_office.h"

ExtractResult ExtractLegacyOffice(std::string_view bytes) {
    ExtractResult r;
    CompoundFile file;
    if (!file.Open(bytes, &r.error)) return r;
    TextBuilder out;
    bool ok;
    if (file.HasStream("WordDocument")) {
        ok = ReadWordText(file, &out, &r.error);
    } else if (file.HasStream("Workbook") || file.HasStream("Book")) {
        ok = ReadExcelText(file, &out, &r.error);
    } else if (file.HasStream("PowerPoint Document")) {
        ok = ReadPowerPointText(file, &out, &r.error);
    } else {
        r.error = "Word、Excel、PowerPoint のいずれの文書でもありません";
        return r;
    }
    if (!ok) return r;
    r.text = out.Take();
    r.ok = true;
    return r;
}
