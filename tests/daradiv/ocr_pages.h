// The pages of the OCR fixtures: lines of known text that make_ocr_pages renders at 300 dpi
// and the tests look for after recognition. Every word listed is planted once.
#pragma once

#include <vector>

namespace ocr_pages {

struct Page {
    const char* name;                 // file name without extension
    std::vector<const char*> lines;   // top to bottom, or right to left when vertical
    std::vector<const char*> planted; // the words the search must find
    bool vertical = false;
};

// An A4 page of horizontal Japanese and English text.
inline const Page kHorizontal = {
    "ocr_page",
    {"会議の資料は図書館にあります。",
     "来年の予算について報告書を書きました。",
     "天気が良いので公園を散歩します。",
     "新しい技術の開発は順調に進んでいます。",
     "The quarterly report describes our budget.",
     "Please bring the library card tomorrow.",
     "Recognition of printed pages works well.",
     "大学の研究室で実験を続けています。",
     "電車の時刻表を確認してください。"},
    {"会議", "資料", "図書館", "予算", "報告書", "天気", "公園", "散歩", "技術", "開発",
     "順調", "quarterly", "report", "budget", "library", "tomorrow", "Recognition",
     "printed", "大学", "研究室", "実験", "電車", "時刻表", "確認"},
};

// A page of vertical Japanese text, columns from right to left.
inline const Page kVertical = {
    "ocr_vertical",
    {"縦書きの文章を読みます。", "日本の文化と歴史について。", "美しい山と川の風景です。"},
    {"縦書き", "文章", "文化", "歴史", "風景"},
    true,
};

// The two pages of a multi-page TIFF.
inline const Page kTiffFirst = {
    "ocr_tiff_1",
    {"最初の頁には地図があります。", "The first page shows a harbour."},
    {"地図", "harbour"},
};
inline const Page kTiffSecond = {
    "ocr_tiff_2",
    {"二枚目の頁は音楽の話です。", "The second page mentions violins."},
    {"音楽", "violins"},
};

}  // namespace ocr_pages
