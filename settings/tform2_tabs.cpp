// The settings dialog's four tab pages: their controls and layout. The behaviour is in
// tform2.cpp.
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "settings/form_widgets.h"
#include "settings/tform2.h"

void TForm2::BuildTabSheet1() {
    QWidget* tab = TabSheet1;
    Label2 = new QLabel(Q("<対象ファイル>"), tab);
    Label2->setObjectName("Label2");
    const char* captions[8] = {
        ".docx / .docm / .doc  (Microsoft Word)",
        ".xlsx / .xlsm / .xls  (Microsoft Excel)",
        ".pptx / .pptm / .ppt  (Microsoft PowerPointl)",
        ".pdf  (PDFファイル)",
        ".html / htm  (HTMLファイル)",
        ".txt (テキストファイル)",
        ".rtf (リッチテキストファイル)",
        ".eml (Outlookファイル)",
    };
    QCheckBox** boxes[8] = {&CheckBox1, &CheckBox2, &CheckBox3, &CheckBox4,
                            &CheckBox5, &CheckBox6, &CheckBox7, &CheckBox8};
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(24);
    for (int i = 0; i < 8; ++i) {
        *boxes[i] = new QCheckBox(Q(captions[i]), tab);
        (*boxes[i])->setObjectName(QString("CheckBox%1").arg(i + 1));
        grid->addWidget(*boxes[i], i % 4, i / 4);  // 1-4 left column, 5-8 right column
    }
    // Under the eight: OpenDocument and EPUB, images read by OCR, and OCR of scanned PDFs.
    const char* more[4] = {
        ".odt / .ods / .odp  (OpenDocument)",
        ".epub  (電子書籍)",
        ".png / .jpg / .tif  (画像の文字認識)",
        "スキャンした PDF の文字を認識する",
    };
    QCheckBox** more_boxes[4] = {&CheckBox10, &CheckBox11, &CheckBox12, &CheckBox13};
    for (int i = 0; i < 4; ++i) {
        *more_boxes[i] = new QCheckBox(Q(more[i]), tab);
        (*more_boxes[i])->setObjectName(QString("CheckBox%1").arg(i + 10));
        grid->addWidget(*more_boxes[i], 4 + i / 2, i % 2);
    }
    grid->setColumnStretch(2, 1);
    Label1 = new QLabel(Q("その他:"), tab);
    Label1->setObjectName("Label1");
    Edit1 = new QLineEdit(tab);
    Edit1->setObjectName("Edit1");
    Edit1->setFixedWidth(340);
    Label3 =
        new QLabel(Q("複数ある場合は \":\" で区切って入力。例: [ .log ] [.h : .cpp : .c ]"), tab);
    Label3->setObjectName("Label3");
    auto* other = new QHBoxLayout;
    other->addWidget(Label1);
    other->addWidget(Edit1);
    other->addStretch(1);
    auto* layout = new QVBoxLayout(tab);
    layout->setContentsMargins(16, 12, 16, 12);
    layout->addWidget(Label2);
    layout->addSpacing(4);
    layout->addLayout(grid);
    layout->addSpacing(16);
    layout->addLayout(other);
    layout->addWidget(Label3);
    layout->addStretch(1);
}

void TForm2::BuildTabSheet2() {
    QWidget* tab = TabSheet2;
    Label4 = new QLabel(Q("<対象フォルダ>"), tab);
    Label4->setObjectName("Label4");
    ListView1 = MakeListView(tab, "ListView1", {{"フォルダ", 300}, {"カテゴリ", 130}});
    Button4 = MakeButton(tab, "Button4", "追加");
    Button11 = MakeButton(tab, "Button11", "編集");
    Button5 = MakeButton(tab, "Button5", "削除");
    Label5 = new QLabel(Q("<除外対象ファイル / フォルダ>"), tab);
    Label5->setObjectName("Label5");
    Label6 = new QLabel(Q("下記のフォルダ/ファイルは検索対象から除外されます。"), tab);
    Label6->setObjectName("Label6");
    ListView2 = MakeListView(tab, "ListView2", {{"ファイル / フォルダ", 350}});
    Button6 = MakeButton(tab, "Button6", "ファイル追加");
    Button8 = MakeButton(tab, "Button8", "フォルダ追加");
    Button7 = MakeButton(tab, "Button7", "削除");

    auto list_with_buttons = [](QTreeWidget* list, std::initializer_list<QPushButton*> buttons) {
        auto* column = new QVBoxLayout;
        column->setSpacing(4);
        for (QPushButton* button : buttons) column->addWidget(button);
        column->addStretch(1);
        auto* row = new QHBoxLayout;
        row->addWidget(list, 1);
        row->addLayout(column);
        return row;
    };
    auto* layout = new QVBoxLayout(tab);
    layout->setContentsMargins(12, 8, 12, 8);
    layout->setSpacing(4);
    layout->addWidget(Label4);
    layout->addLayout(list_with_buttons(ListView1, {Button4, Button11, Button5}), 1);
    layout->addSpacing(4);
    layout->addWidget(Label5);
    layout->addWidget(Label6);
    layout->addLayout(list_with_buttons(ListView2, {Button6, Button8, Button7}), 1);
}

void TForm2::BuildTabSheet3() {
    QWidget* tab = TabSheet3;
    Label9 = new QLabel(Q("<インディクス自動更新の設定>"), tab);
    Label9->setObjectName("Label9");
    // The frame only draws a border; the radio buttons inside share one parent and so
    // turn each other off.
    RadioGroup1 = new QGroupBox(tab);
    RadioGroup1->setObjectName("RadioGroup1");
    RadioButton1 =
        new QRadioButton(Q("起動後 〇分後に自動的にインディクスを更新する"), RadioGroup1);
    RadioButton1->setObjectName("RadioButton1");
    Edit2 = new QLineEdit(RadioGroup1);
    Edit2->setObjectName("Edit2");
    Edit2->setFixedWidth(33);
    Label7 = new QLabel(Q("分"), RadioGroup1);
    Label7->setObjectName("Label7");
    RadioButton2 =
        new QRadioButton(Q("毎日 〇時△分 に自動的にインディクスを更新する"), RadioGroup1);
    RadioButton2->setObjectName("RadioButton2");
    Edit3 = new QLineEdit(RadioGroup1);
    Edit3->setObjectName("Edit3");
    Edit3->setFixedWidth(33);
    Label8 = new QLabel(":", RadioGroup1);
    Label8->setObjectName("Label8");
    Edit4 = new QLineEdit(RadioGroup1);
    Edit4->setObjectName("Edit4");
    Edit4->setFixedWidth(33);
    RadioButton3 = new QRadioButton(Q("インディクスを自動更新しない"), RadioGroup1);
    RadioButton3->setObjectName("RadioButton3");
    RadioButton3->setChecked(true);
    Label11 = new QLabel(Q("<検索エリアの高さ>"), tab);
    Label11->setObjectName("Label11");
    Edit5 = new QLineEdit(tab);
    Edit5->setObjectName("Edit5");
    Edit5->setFixedWidth(50);

    auto indented = [](std::initializer_list<QWidget*> widgets) {
        auto* row = new QHBoxLayout;
        row->addSpacing(24);
        for (QWidget* widget : widgets) row->addWidget(widget);
        row->addStretch(1);
        return row;
    };
    auto* group = new QVBoxLayout(RadioGroup1);
    group->setContentsMargins(12, 8, 12, 8);
    group->setSpacing(4);
    group->addWidget(RadioButton1);
    group->addLayout(indented({Edit2, Label7}));
    group->addWidget(RadioButton2);
    group->addLayout(indented({Edit3, Label8, Edit4}));
    group->addWidget(RadioButton3);
    auto* framed = new QHBoxLayout;
    framed->addWidget(RadioGroup1);
    framed->addStretch(1);
    auto* height = new QHBoxLayout;
    height->addWidget(Label11);
    height->addWidget(Edit5);
    height->addStretch(1);
    auto* layout = new QVBoxLayout(tab);
    layout->setContentsMargins(16, 12, 16, 12);
    layout->addWidget(Label9);
    layout->addLayout(framed);
    layout->addSpacing(12);
    layout->addLayout(height);
    layout->addStretch(1);
}

void TForm2::BuildTabSheet4() {
    QWidget* tab = TabSheet4;
    Label10 = new QLabel(Q("<ファイルを開く時のアプリケーション>"), tab);
    Label10->setObjectName("Label10");
    ListView3 = MakeListView(tab, "ListView3", {{"拡張子", 80}, {"アプリケーションパス", 350}});
    Button9 = MakeButton(tab, "Button9", "追加");
    Button10 = MakeButton(tab, "Button10", "削除");
    auto* column = new QVBoxLayout;
    column->addWidget(Button9);
    column->addWidget(Button10);
    column->addStretch(1);
    auto* row = new QHBoxLayout;
    row->addWidget(ListView3, 1);
    row->addLayout(column);
    auto* layout = new QVBoxLayout(tab);
    layout->setContentsMargins(12, 8, 12, 8);
    layout->addWidget(Label10);
    layout->addLayout(row, 1);
}
