// Writes the OCR fixtures into the folder named by its argument: the pages of ocr_pages.h
// drawn at 300 dpi with the Noto CJK font, as PNG, as an image-only PDF and as a multi-page
// TIFF, and the broken inputs (an image that is not one, a PDF with a page that cannot be
// rendered). The output depends on nothing but the font, so it is the same on every build.
// With --dense, writes only a full A4 page of Japanese text for the OCR benchmark.
#include <leptonica/allheaders.h>
#include <zlib.h>

#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "tests/daradiv/ocr_pages.h"

namespace {

constexpr int kA4Width = 2480, kA4Height = 3508;   // 210 x 297 mm at 300 dpi
constexpr int kA6Width = 1240, kA6Height = 1748;

QImage Render(const ocr_pages::Page& page, int width, int height) {
    QImage image(width, height, QImage::Format_Grayscale8);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    QFont font("Noto Sans CJK JP");
    font.setPixelSize(50);  // 12 points at 300 dpi
    font.setHintingPreference(QFont::PreferNoHinting);
    p.setFont(font);
    p.setPen(Qt::black);
    if (!page.vertical) {
        int y = 250;
        for (const char* line : page.lines) {
            p.drawText(200, y, QString::fromUtf8(line));
            y += 100;
        }
    } else {
        // One character under the other, columns from right to left.
        int x = width - 250;
        for (const char* line : page.lines) {
            QString text = QString::fromUtf8(line);
            int y = 250;
            for (QChar c : text) {
                p.drawText(QRect(x, y, 60, 60), Qt::AlignCenter, QString(c));
                y += 62;
            }
            x -= 110;
        }
    }
    p.end();
    return image;
}

PIX* ToPix(const QImage& image) {
    PIX* pix = pixCreate(image.width(), image.height(), 8);
    pixSetResolution(pix, 300, 300);
    for (int y = 0; y < image.height(); ++y) {
        l_uint32* row = pixGetData(pix) + y * pixGetWpl(pix);
        const uchar* src = image.constScanLine(y);
        for (int x = 0; x < image.width(); ++x) SET_DATA_BYTE(row, x, src[x]);
    }
    return pix;
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string Deflate(const uchar* data, size_t size) {
    uLongf out_size = compressBound(size);
    std::string out(out_size, '\0');
    compress2(reinterpret_cast<Bytef*>(out.data()), &out_size, data, size, 9);
    out.resize(out_size);
    return out;
}

// A PDF whose pages are each one grey image filling an A4 page, with no text at all. A page
// given as nullptr is too small to draw (half a point square) and names an image it lacks.
std::string ImagePdf(const std::vector<const QImage*>& pages) {
    std::vector<std::string> objects;  // object n+1 at index n
    std::string kids;
    int n = static_cast<int>(pages.size());
    objects.push_back("<< /Type /Catalog /Pages 2 0 R >>");
    objects.push_back("");  // the page tree, filled below
    for (int i = 0; i < n; ++i) {
        int page = 3 + 3 * i, content = page + 1, image = page + 2;
        kids += std::to_string(page) + " 0 R ";
        const QImage* img = pages[static_cast<size_t>(i)];
        std::string draw = "q 595.28 0 0 841.89 0 0 cm /Im0 Do Q";
        if (img) {
            objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595.28 841.89] "
                              "/Resources << /XObject << /Im0 " + std::to_string(image) +
                              " 0 R >> >> /Contents " + std::to_string(content) + " 0 R >>");
        } else {
            objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 0.5 0.5] /Contents " +
                              std::to_string(content) + " 0 R >>");
        }
        objects.push_back("<< /Length " + std::to_string(draw.size()) + " >>\nstream\n" + draw +
                          "\nendstream");
        if (img) {
            std::string pixels;
            for (int y = 0; y < img->height(); ++y)
                pixels.append(reinterpret_cast<const char*>(img->constScanLine(y)),
                              static_cast<size_t>(img->width()));
            std::string z = Deflate(reinterpret_cast<const uchar*>(pixels.data()), pixels.size());
            objects.push_back("<< /Type /XObject /Subtype /Image /Width " +
                              std::to_string(img->width()) + " /Height " +
                              std::to_string(img->height()) +
                              " /ColorSpace /DeviceGray /BitsPerComponent 8 /Filter /FlateDecode"
                              " /Length " + std::to_string(z.size()) + " >>\nstream\n" + z +
                              "\nendstream");
        } else {
            objects.push_back("null");
        }
    }
    objects[1] = "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(n) + " >>";
    std::string pdf = "%PDF-1.4\n";
    std::vector<size_t> offsets;
    for (size_t i = 0; i < objects.size(); ++i) {
        offsets.push_back(pdf.size());
        pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    size_t xref = pdf.size();
    pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (size_t off : offsets) {
        char line[32];
        std::snprintf(line, sizeof line, "%010zu 00000 n \n", off);
        pdf += line;
    }
    pdf += "trailer\n<< /Size " + std::to_string(objects.size() + 1) +
           " /Root 1 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
    return pdf;
}

}  // namespace

// A full A4 page of Japanese text, 12 points, for measuring OCR throughput (bench only).
void WriteDensePage(const std::string& path) {
    static const char* const kSentences[] = {
        "日本語の文書を読み取るための試験用の文章です。", "会議の資料は来週までに準備します。",
        "新しい図書館は駅の近くに建てられました。", "技術の開発には多くの時間がかかります。",
        "天気予報によると明日は雨が降るそうです。", "報告書の内容を確認してから提出してください。",
    };
    std::vector<std::string> lines;
    for (int i = 0; i < 30; ++i) {
        std::string line;
        line += kSentences[i % 6];
        line += kSentences[(i + 3) % 6];
        lines.push_back(line);
    }
    ocr_pages::Page page{"dense", {}, {}};
    for (const std::string& l : lines) page.lines.push_back(l.c_str());
    Render(page, kA4Width, kA4Height).save(QString::fromStdString(path), "PNG");
}

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const std::string dir = std::string(argv[1]) + "/";
    setMsgSeverity(L_SEVERITY_NONE);
    if (argc > 2 && std::string(argv[2]) == "--dense") {
        WriteDensePage(dir + "ocr_dense_a4.png");
        return 0;
    }

    QImage page = Render(ocr_pages::kHorizontal, kA4Width, kA4Height);
    page.save(QString::fromStdString(dir + "ocr_page.png"), "PNG");
    WriteFile(dir + "ocr_page.pdf", ImagePdf({&page}));

    QImage vertical = Render(ocr_pages::kVertical, kA6Width, kA6Height);
    vertical.save(QString::fromStdString(dir + "ocr_vertical.png"), "PNG");

    QImage first = Render(ocr_pages::kTiffFirst, kA6Width, kA6Height / 2);
    QImage second = Render(ocr_pages::kTiffSecond, kA6Width, kA6Height / 2);
    std::string tiff = dir + "ocr_pages.tif";
    std::remove(tiff.c_str());
    const char* modes[] = {"w", "a"};
    int k = 0;
    for (const QImage* img : {&first, &second}) {
        PIX* pix = ToPix(*img);
        pixWriteTiff(tiff.c_str(), pix, IFF_TIFF_ZIP, modes[k++]);
        pixDestroy(&pix);
    }

    // The broken inputs: text under an image name, a PDF whose second page cannot render.
    WriteFile(dir + "broken_notimage.png", "This is not a picture at all.\n");
    WriteFile(dir + "broken_page.pdf", ImagePdf({&first, nullptr}));
    return 0;
}
