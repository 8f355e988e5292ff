#include "daradiv/extract/extractor.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <exception>

#include "daradiv/extract/charset.h"
#include "daradiv/extract/epub_text.h"
#include "daradiv/extract/html_text.h"
#include "daradiv/extract/image_text.h"
#include "daradiv/extract/legacy_office.h"
#include "daradiv/extract/mail_text.h"
#include "daradiv/extract/office_open_xml.h"
#include "daradiv/extract/open_document.h"
#include "daradiv/extract/pdf_ocr.h"
#include "daradiv/extract/pdf_text.h"
#include "daradiv/extract/plain_text.h"
#include "daradiv/extract/rtf_text.h"
#include "text/utf8.h"

namespace {

using Extractor = ExtractResult (*)(std::string_view);
// A reader that takes the options: OCR of images and of PDF pages without text.
using OcrExtractor = ExtractResult (*)(std::string_view, const ExtractOptions&);

struct Format {
    const char* extension;
    Extractor extract;  // nullptr: read only through ocr
    size_t read_limit;  // most bytes read from a file
    bool truncate;      // a larger file is read up to the limit instead of refused
    OcrExtractor ocr = nullptr;
};

constexpr size_t kText = kMaxTextDocumentBytes;
constexpr size_t kWhole = kMaxDocumentBytes;

const Format kFormats[] = {
    {"txt", ExtractPlainText, kText, true},
    {"docx", ExtractOfficeOpenXml, kWhole, false},
    {"docm", ExtractOfficeOpenXml, kWhole, false},
    {"xlsx", ExtractOfficeOpenXml, kWhole, false},
    {"xlsm", ExtractOfficeOpenXml, kWhole, false},
    {"pptx", ExtractOfficeOpenXml, kWhole, false},
    {"pptm", ExtractOfficeOpenXml, kWhole, false},
    {"pdf", ExtractPdf, kWhole, false, ExtractPdfWithOcr},
    {"doc", ExtractLegacyOffice, kWhole, false},
    {"xls", ExtractLegacyOffice, kWhole, false},
    {"ppt", ExtractLegacyOffice, kWhole, false},
    {"html", ExtractHtml, kText, true},
    {"htm", ExtractHtml, kText, true},
    {"rtf", ExtractRtf, kWhole, true},
    {"eml", ExtractMail, kWhole, false},
    {"odt", ExtractOpenDocument, kWhole, false},
    {"ods", ExtractOpenDocument, kWhole, false},
    {"odp", ExtractOpenDocument, kWhole, false},
    {"odg", ExtractOpenDocument, kWhole, false},
    {"fodt", ExtractFlatOpenDocument, kWhole, false},
    {"fods", ExtractFlatOpenDocument, kWhole, false},
    {"fodp", ExtractFlatOpenDocument, kWhole, false},
    {"epub", ExtractEpub, kWhole, false},
    {"png", nullptr, kWhole, false, ExtractImage},
    {"jpg", nullptr, kWhole, false, ExtractImage},
    {"jpeg", nullptr, kWhole, false, ExtractImage},
    {"tif", nullptr, kWhole, false, ExtractImage},
    {"tiff", nullptr, kWhole, false, ExtractImage},
};

// Container formats whose bytes may show another format (an old .doc renamed .docx). Zip
// packages of other kinds than Office Open XML, flat XML, mail and images are always read
// as their extension says.
bool Sniffed(const Format& f) {
    return !f.truncate && f.extract != nullptr && f.extract != ExtractMail &&
           f.extract != ExtractOpenDocument && f.extract != ExtractFlatOpenDocument &&
           f.extract != ExtractEpub;
}

// The extension without its dot, in ASCII lower case whatever the caller passed.
std::string Bare(const std::string& ext) {
    std::string e = !ext.empty() && ext[0] == '.' ? ext.substr(1) : ext;
    for (char& c : e)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return e;
}

const Format* FindFormat(const std::string& lower_extension) {
    std::string ext = Bare(lower_extension);
    for (const Format& f : kFormats)
        if (ext == f.extension) return &f;
    return nullptr;
}

// Control codes other than tab and line ends become spaces, so the text is safe to store
// and show; the bytes are made valid UTF-8 whatever the module produced.
void CleanText(std::string* text) {
    if (!IsValidUtf8(*text)) *text = RepairUtf8(*text);
    for (char& ch : *text) {
        auto c = static_cast<unsigned char>(ch);
        if ((c < 0x20 && c != '\t' && c != '\n' && c != '\r') || c == 0x7F) ch = ' ';
    }
}

ExtractResult Failure(std::string reason) {
    ExtractResult r;
    r.error = std::move(reason);
    return r;
}

// Reads at most limit + 1 bytes, so the caller can tell a file past the limit.
bool ReadUpTo(const std::string& path, size_t limit, std::string* out, std::string* error) {
    // Non-blocking, so a FIFO among the documents cannot stall the open; only regular files
    // are read.
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        *error = std::string("開けません: ") + std::strerror(errno);
        return false;
    }
    struct stat st{};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        *error = S_ISDIR(st.st_mode) ? "フォルダーです" : "通常のファイルではありません";
        return false;
    }
    size_t want = limit + 1;
    if (st.st_size >= 0 && static_cast<size_t>(st.st_size) < want)
        want = static_cast<size_t>(st.st_size) + 1;
    out->clear();
    out->reserve(want);
    char buf[65536];
    while (out->size() < limit + 1) {
        ssize_t n = read(fd, buf, std::min(sizeof buf, limit + 1 - out->size()));
        if (n < 0) {
            if (errno == EINTR) continue;
            *error = std::string("読めません: ") + std::strerror(errno);
            close(fd);
            return false;
        }
        if (n == 0) break;
        out->append(buf, static_cast<size_t>(n));
    }
    close(fd);
    return true;
}

// Office files are often saved under the wrong name: an old .doc renamed .docx, or a page,
// an XML spreadsheet or RTF that an application wrote as .doc or .xls. For the container
// formats the bytes decide when they plainly belong to another format; nullptr when not.
Extractor SniffedExtractor(std::string_view b) {
    if (b.substr(0, 8) == "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1") return ExtractLegacyOffice;
    if (b.substr(0, 4) == "PK\x03\x04") return ExtractOfficeOpenXml;
    if (b.substr(0, 5) == "%PDF-") return ExtractPdf;
    std::string bom_charset;
    std::string_view rest = b.substr(ByteOrderMarkLength(b, &bom_charset));
    size_t i = 0;
    while (i < rest.size() && i < 1024 &&
           (rest[i] == ' ' || rest[i] == '\t' || rest[i] == '\r' || rest[i] == '\n'))
        ++i;
    rest = rest.substr(i);
    if (rest.substr(0, 5) == "{\\rtf") return ExtractRtf;
    // Mark-up: Word 2003 XML, or a web page or an XML spreadsheet, whose text the HTML
    // reader gives.
    if (!rest.empty() && rest[0] == '<') return LooksLikeWordXml(rest) ? ExtractWordXml : ExtractHtml;
    return nullptr;
}

}  // namespace

bool HasFormatModule(const std::string& lower_extension) {
    return FindFormat(lower_extension) != nullptr;
}

ExtractResult ExtractFromBytes(std::string_view bytes, const std::string& lower_extension,
                               const ExtractOptions& options) {
    const Format* f = FindFormat(lower_extension);
    Extractor extract = f ? f->extract : ExtractPlainText;
    if (f && Sniffed(*f)) {  // a container format
        if (Extractor sniffed = SniffedExtractor(bytes)) extract = sniffed;
    }
    if (!f && LooksLikeWordXml(bytes)) extract = ExtractWordXml;  // a .xml Word document
    OcrExtractor ocr = nullptr;
    if (f && f->ocr && (f->extract == nullptr || (extract == ExtractPdf && options.ocr_pdf_pages)))
        ocr = f->ocr;
    ExtractResult r;
    try {
        r = ocr ? ocr(bytes, options) : extract(bytes);
    } catch (const std::bad_alloc&) {
        return Failure("メモリーが足りません");
    } catch (const std::exception& e) {
        return Failure(std::string("読み取りエラー: ") + e.what());
    }
    if (r.ok) {
        CleanText(&r.text);
        r.error.clear();
    } else {
        r.text.clear();
        if (r.error.empty()) r.error = "テキストを取り出せません";
    }
    if (!IsValidUtf8(r.ocr_note)) r.ocr_note = RepairUtf8(r.ocr_note);
    return r;
}

ExtractResult ExtractText(const std::string& path, const std::string& lower_extension,
                          const ExtractOptions& options) {
    const Format* f = FindFormat(lower_extension);
    size_t limit = f ? f->read_limit : kText;
    bool truncate = f == nullptr || f->truncate;
    std::string bytes, error;
    try {
        if (!ReadUpTo(path, limit, &bytes, &error)) return Failure(error);
    } catch (const std::bad_alloc&) {
        return Failure("メモリーが足りません");
    }
    if (bytes.size() > limit) {
        if (!truncate) return Failure("ファイルが大きすぎます");
        bytes.resize(limit);
    }
    return ExtractFromBytes(bytes, lower_extension, options);
}
