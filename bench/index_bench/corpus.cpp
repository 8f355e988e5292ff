#include "bench/index_bench/corpus.h"

#include <iconv.h>
#include <zip.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace bench {
namespace {

const std::vector<std::string> kJapanese = {
    "東京", "大阪", "会議", "資料", "報告", "予算", "計画", "営業", "技術", "開発",
    "品質", "管理", "顧客", "製品", "市場", "調査", "結果", "課題", "対策", "日程",
    "さくら", "ひかり", "しごと", "ことば", "カタログ", "データ", "システム", "サーバ",
    "検索", "文書", "索引", "更新", "設定", "確認", "提案", "契約", "価格", "在庫"};
const std::vector<std::string> kLatin = {
    "alpha", "bravo", "charlie", "delta", "echo", "foxtrot", "golf", "hotel", "india",
    "juliet", "kilo", "lima", "mike", "november", "oscar", "papa", "quebec", "romeo",
    "sierra", "tango", "uniform", "victor", "whiskey", "xray", "yankee", "zulu", "report",
    "budget", "meeting", "release", "server", "index", "search", "quality", "market"};

std::string Words(std::mt19937& rng, size_t bytes, bool latin_only) {
    std::string text;
    std::uniform_int_distribution<int> pick(0, 999);
    while (text.size() < bytes) {
        bool latin = latin_only || pick(rng) < 400;
        const std::vector<std::string>& v = latin ? kLatin : kJapanese;
        text += v[static_cast<size_t>(pick(rng)) % v.size()];
        if (latin || pick(rng) < 300) text += ' ';
        if (pick(rng) < 60) text += latin ? ".\n" : "。\n";
        if (pick(rng) < 20) text += std::to_string(pick(rng)) + ' ';
    }
    return text;
}

std::string Convert(const std::string& utf8, const char* charset) {
    iconv_t cd = iconv_open(charset, "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv");
    std::string out(utf8.size() * 2 + 16, '\0');
    char* in = const_cast<char*>(utf8.data());
    size_t in_left = utf8.size();
    char* o = out.data();
    size_t out_left = out.size();
    if (iconv(cd, &in, &in_left, &o, &out_left) == static_cast<size_t>(-1))
        throw std::runtime_error("iconv conversion");
    iconv_close(cd);
    out.resize(out.size() - out_left);
    return out;
}

std::string Escape(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '<') out += "&lt;";
        else if (c == '&') out += "&amp;";
        else out += c;
    }
    return out;
}

std::vector<std::string> Paragraphs(const std::string& text) {
    std::vector<std::string> out;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        if (end > start) out.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

void WriteZip(const std::string& path, const std::vector<std::pair<std::string, std::string>>& parts) {
    int err = 0;
    zip_t* z = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &err);
    if (!z) throw std::runtime_error("zip_open " + path);
    for (const auto& [name, data] : parts) {
        zip_source_t* src = zip_source_buffer(z, data.data(), data.size(), 0);
        if (!src || zip_file_add(z, name.c_str(), src, ZIP_FL_OVERWRITE) < 0)
            throw std::runtime_error("zip add " + name);
    }
    if (zip_close(z) != 0) throw std::runtime_error("zip_close " + path);
}

const char* kRels =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" Target=\"%s\"/></Relationships>";

std::string PackageRels(const std::string& target) {
    std::string s = kRels;
    s.replace(s.find("%s"), 2, target);
    return s;
}

void WriteDocx(const std::string& path, const std::string& text) {
    std::string body;
    for (const std::string& p : Paragraphs(text))
        body += "<w:p><w:r><w:t xml:space=\"preserve\">" + Escape(p) + "</w:t></w:r></w:p>";
    std::string doc =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"><w:body>" +
        body + "</w:body></w:document>";
    std::string types =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
        "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
        "<Override PartName=\"/word/document.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/></Types>";
    WriteZip(path, {{"[Content_Types].xml", types}, {"_rels/.rels", PackageRels("word/document.xml")},
                    {"word/document.xml", doc}});
}

void WriteOdt(const std::string& path, const std::string& text) {
    std::string body;
    for (const std::string& p : Paragraphs(text))
        body += "<text:p text:style-name=\"P1\">" + Escape(p) + "</text:p>";
    std::string content =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><office:document-content "
        "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
        "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\"><office:body><office:text>" +
        body + "</office:text></office:body></office:document-content>";
    WriteZip(path, {{"mimetype", "application/vnd.oasis.opendocument.text"}, {"content.xml", content}});
}

void WriteXlsx(const std::string& path, const std::string& text) {
    std::string rows;
    int r = 0;
    for (const std::string& p : Paragraphs(text)) {
        ++r;
        rows += "<row r=\"" + std::to_string(r) + "\"><c r=\"A" + std::to_string(r) +
                "\" t=\"inlineStr\"><is><t>" + Escape(p) + "</t></is></c><c r=\"B" +
                std::to_string(r) + "\"><v>" + std::to_string(r * 7) + "</v></c></row>";
    }
    std::string sheet =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>" +
        rows + "</sheetData></worksheet>";
    std::string workbook =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
        "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><sheets>"
        "<sheet name=\"Sheet1\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>";
    std::string wb_rels =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" Target=\"worksheets/sheet1.xml\"/></Relationships>";
    std::string types =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
        "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
        "<Override PartName=\"/xl/workbook.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
        "<Override PartName=\"/xl/worksheets/sheet1.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/></Types>";
    WriteZip(path, {{"[Content_Types].xml", types}, {"_rels/.rels", PackageRels("xl/workbook.xml")},
                    {"xl/workbook.xml", workbook}, {"xl/_rels/workbook.xml.rels", wb_rels},
                    {"xl/worksheets/sheet1.xml", sheet}});
}

// A minimal PDF: Helvetica pages of Latin text, with a correct cross-reference table.
void WritePdf(const std::string& path, const std::string& text) {
    std::vector<std::string> lines;
    for (const std::string& p : Paragraphs(text)) {
        for (size_t at = 0; at < p.size(); at += 90) lines.push_back(p.substr(at, 90));
    }
    std::vector<std::string> objects;  // object i + 1
    const size_t per_page = 60;
    size_t pages = (lines.size() + per_page - 1) / per_page;
    if (pages == 0) pages = 1;
    objects.push_back("<< /Type /Catalog /Pages 2 0 R >>");
    std::string kids;
    for (size_t i = 0; i < pages; ++i) kids += std::to_string(4 + 2 * i) + " 0 R ";
    objects.push_back("<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages) + " >>");
    objects.push_back("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
    for (size_t i = 0; i < pages; ++i) {
        std::string content = "BT /F1 9 Tf 11 TL 40 800 Td\n";
        for (size_t k = i * per_page; k < std::min(lines.size(), (i + 1) * per_page); ++k) {
            std::string esc;
            for (char c : lines[k]) {
                if (c == '(' || c == ')' || c == '\\') esc += '\\';
                esc += c;
            }
            content += "(" + esc + ") '\n";
        }
        content += "ET";
        objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Resources << /Font << /F1 3 0 R >> >> /Contents " +
                          std::to_string(5 + 2 * i) + " 0 R >>");
        objects.push_back("<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content +
                          "\nendstream");
    }
    std::string pdf = "%PDF-1.4\n";
    std::vector<size_t> offsets;
    for (size_t i = 0; i < objects.size(); ++i) {
        offsets.push_back(pdf.size());
        pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    size_t xref = pdf.size();
    pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (size_t off : offsets) {
        char buf[32];
        snprintf(buf, sizeof buf, "%010zu 00000 n \n", off);
        pdf += buf;
    }
    pdf += "trailer\n<< /Size " + std::to_string(objects.size() + 1) +
           " /Root 1 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
    std::ofstream(path, std::ios::binary) << pdf;
}

void WriteDocument(const CorpusFile& file, std::mt19937& rng, int index, bool short_docs) {
    std::uniform_int_distribution<size_t> length(short_docs ? 1'000 : 2'000,
                                                 short_docs ? 4'000 : 20'000);
    const std::string& f = file.format;
    bool legacy = (f == ".txt" || f == ".html") && index % 5 == 0;  // a fifth
    const char* charset = (index / 5) % 2 == 0 ? "SHIFT_JIS" : "EUC-JP";
    std::string text = Words(rng, length(rng), f == ".pdf");
    if (f == ".txt") {
        std::ofstream(file.path, std::ios::binary) << (legacy ? Convert(text, charset) : text);
    } else if (f == ".html") {
        std::string html = std::string("<html><head><meta charset=\"") + (legacy ? charset : "utf-8") +
                           "\"><title>文書</title><style>p{color:red}</style></head><body>";
        for (const std::string& p : Paragraphs(text)) html += "<p>" + Escape(p) + "</p>\n";
        html += "</body></html>";
        std::ofstream(file.path, std::ios::binary) << (legacy ? Convert(html, charset) : html);
    } else if (f == ".docx") {
        WriteDocx(file.path, text);
    } else if (f == ".odt") {
        WriteOdt(file.path, text);
    } else if (f == ".xlsx") {
        WriteXlsx(file.path, text);
    } else {
        WritePdf(file.path, text);
    }
}

}  // namespace

std::vector<CorpusFile> WriteCorpus(const std::string& folder, int count, uint32_t seed,
                                    bool short_docs) {
    std::mt19937 rng(seed);
    std::vector<CorpusFile> files;
    for (int i = 0; i < count; ++i) {
        const std::string& format = kFormats[static_cast<size_t>(i) % kFormats.size()];
        std::string dir = folder + "/d" + std::to_string(i / 500);
        std::filesystem::create_directories(dir);
        CorpusFile file{dir + "/doc" + std::to_string(i) + format, format};
        WriteDocument(file, rng, i / static_cast<int>(kFormats.size()), short_docs);
        files.push_back(std::move(file));
    }
    return files;
}

void RewriteDocument(const CorpusFile& file, uint32_t seed, bool short_docs) {
    std::mt19937 rng(seed);
    WriteDocument(file, rng, 1, short_docs);
}

}  // namespace bench
