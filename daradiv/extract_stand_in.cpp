// Temporary: reads every document as UTF-8 plain text until the format modules are built.
#include <string>

#include "daradiv/extract/extractor.h"
#include "text/text_file.h"
#include "text/utf8.h"

ExtractResult ExtractFromBytes(std::string_view bytes, const std::string&) {
    ExtractResult r;
    if (!IsValidUtf8(bytes)) {
        r.error = "UTF-8 のテキストではありません";
        return r;
    }
    r.ok = true;
    r.text = std::string(bytes);
    return r;
}

ExtractResult ExtractText(const std::string& path, const std::string& lower_extension) {
    std::optional<std::string> bytes = ReadFileBytes(path);
    if (!bytes) {
        ExtractResult r;
        r.error = "ファイルを読めません";
        return r;
    }
    return ExtractFromBytes(*bytes, lower_extension);
}

bool HasFormatModule(const std::string&) { return false; }
