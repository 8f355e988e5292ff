// Extraction speed per megabyte of text for DOCX, ODT and EPUB documents holding the same
// paragraphs, and, given --ocr=image, OCR pages per minute on that page image.
// Usage: format_bench [--mb=N] [--ocr=page.png] [--pages=N]
#include <zip.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "daradiv/extract/extractor.h"

namespace {

// Paragraphs of mixed Japanese and Latin words from a fixed seed.
std::vector<std::string> Paragraphs(size_t bytes) {
    static const char* kWords[] = {"東京", "会議", "資料", "予算", "報告書", "開発", "技術",
                                   "report", "budget", "library", "の", "を", "に", "は"};
    std::mt19937 rng(20240105);
    std::vector<std::string> out;
    size_t total = 0;
    while (total < bytes) {
        std::string p;
        for (int i = 0; i < 60; ++i) p += kWords[rng() % (sizeof kWords / sizeof *kWords)];
        total += p.size();
        out.push_back(std::move(p));
    }
    return out;
}

std::string Zip(const std::vector<std::pair<std::string, std::string>>& entries) {
    zip_error_t err;
    zip_error_init(&err);
    zip_source_t* src = zip_source_buffer_create(nullptr, 0, 0, &err);
    zip_source_keep(src);
    zip_t* z = zip_open_from_source(src, ZIP_TRUNCATE, &err);
    for (const auto& [name, data] : entries) {
        zip_source_t* s = zip_source_buffer(z, data.data(), data.size(), 0);
        zip_file_add(z, name.c_str(), s, ZIP_FL_ENC_UTF_8);
    }
    zip_close(z);
    zip_source_open(src);
    zip_source_seek(src, 0, SEEK_END);
    zip_int64_t size = zip_source_tell(src);
    zip_source_seek(src, 0, SEEK_SET);
    std::string out(static_cast<size_t>(size), '\0');
    zip_source_read(src, out.data(), static_cast<zip_uint64_t>(size));
    zip_source_close(src);
    zip_source_free(src);
    return out;
}

std::string Docx(const std::vector<std::string>& paras) {
    std::string body;
    for (const std::string& p : paras) body += "<w:p><w:r><w:t>" + p + "</w:t></w:r></w:p>";
    return Zip({{"[Content_Types].xml", "<Types/>"},
                {"_rels/.rels",
                 "<Relationships><Relationship Id=\"r1\" Type=\"http://schemas.openxmlformats.org/"
                 "officeDocument/2006/relationships/officeDocument\" Target=\"word/document.xml\"/>"
                 "</Relationships>"},
                {"word/document.xml",
                 "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/"
                 "main\"><w:body>" + body + "</w:body></w:document>"}});
}

std::string Odt(const std::vector<std::string>& paras) {
    std::string body;
    for (const std::string& p : paras) body += "<text:p text:style-name=\"P1\">" + p + "</text:p>";
    return Zip({{"mimetype", "application/vnd.oasis.opendocument.text"},
                {"content.xml",
                 "<office:document-content xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:"
                 "office:1.0\" xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\">"
                 "<office:body><office:text>" + body + "</office:text></office:body>"
                 "</office:document-content>"}});
}

std::string Epub(const std::vector<std::string>& paras) {
    std::vector<std::pair<std::string, std::string>> entries = {
        {"mimetype", "application/epub+zip"},
        {"META-INF/container.xml",
         "<container><rootfiles><rootfile full-path=\"content.opf\"/></rootfiles></container>"}};
    std::string manifest, spine;
    const size_t per_chapter = 200;
    for (size_t c = 0; c * per_chapter < paras.size(); ++c) {
        std::string name = "c" + std::to_string(c) + ".xhtml";
        std::string page = "<html xmlns=\"http://www.w3.org/1999/xhtml\"><head><title>c</title>"
                           "</head><body>";
        for (size_t i = c * per_chapter; i < paras.size() && i < (c + 1) * per_chapter; ++i)
            page += "<p>" + paras[i] + "</p>";
        entries.push_back({name, page + "</body></html>"});
        manifest += "<item id=\"i" + std::to_string(c) + "\" href=\"" + name + "\"/>";
        spine += "<itemref idref=\"i" + std::to_string(c) + "\"/>";
    }
    entries.push_back({"content.opf", "<package><metadata><title>t</title></metadata><manifest>" +
                                          manifest + "</manifest><spine>" + spine +
                                          "</spine></package>"});
    return Zip(entries);
}

double Seconds(const std::function<void()>& f) {
    auto t0 = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

}  // namespace

int main(int argc, char** argv) {
    size_t mb = 8;
    int pages = 3;
    std::string ocr_image;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a.rfind("--mb=", 0) == 0) mb = static_cast<size_t>(std::atoi(a.c_str() + 5));
        else if (a.rfind("--ocr=", 0) == 0) ocr_image = a.substr(6);
        else if (a.rfind("--pages=", 0) == 0) pages = std::atoi(a.c_str() + 8);
    }
    std::vector<std::string> paras = Paragraphs(mb << 20);
    const std::pair<const char*, std::string> docs[] = {
        {"docx", Docx(paras)}, {"odt", Odt(paras)}, {"epub", Epub(paras)}};
    for (const auto& [ext, bytes] : docs) {
        ExtractResult r;
        const int rounds = 5;
        double best = 1e9;
        for (int k = 0; k < rounds; ++k)
            best = std::min(best, Seconds([&] { r = ExtractFromBytes(bytes, ext); }));
        double text_mb = static_cast<double>(r.text.size()) / (1 << 20);
        std::printf("format=%s ok=%d text_mib=%.1f seconds=%.3f mib_per_s=%.1f\n", ext, r.ok,
                    text_mb, best, text_mb / best);
    }
    if (!ocr_image.empty()) {
        std::ifstream in(ocr_image, std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        std::string ext = ocr_image.substr(ocr_image.rfind('.') + 1);
        ExtractFromBytes(bytes.str(), ext);  // loads the engine once, as a worker does
        ExtractResult r;
        double s = Seconds([&] {
            for (int k = 0; k < pages; ++k) r = ExtractFromBytes(bytes.str(), ext);
        });
        std::printf("ocr image=%s pages=%d seconds=%.1f pages_per_minute=%.1f chars=%zu\n",
                    ocr_image.c_str(), pages, s, 60.0 * pages / s, r.text.size());
    }
    return 0;
}
