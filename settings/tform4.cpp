#include "settings/tform4.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/dialogs.h"

TForm4::TForm4(Dialogs& dialogs, QWidget* parent) : PlainDialog(parent), dialogs_(dialogs) {
    setObjectName("TForm4");
    // The two parts are separated by an ideographic space.
    setWindowTitle(QString::fromUtf8("Ruvudar\u3000アプリケーション選択"));

    Label2 = new QLabel(QString::fromUtf8("拡張子 :"), this);
    ComboBox1 = new QComboBox(this);
    ComboBox1->setEditable(true);
    ComboBox1->setInsertPolicy(QComboBox::NoInsert);
    ComboBox1->setFixedWidth(80);
    ComboBox1->addItems({".docx", ".docm", ".doc", ".xlsx", ".xlsm", ".xls", ".pptx", ".pptm",
                         ".ppt", ".pdf", ".html", ".htm", ".txt", ".rtf", ".eml"});
    ComboBox1->setCurrentIndex(-1);
    ComboBox1->setEditText(QString());
    Label1 = new QLabel(QString::fromUtf8("アプリケーションパス :"), this);
    Edit1 = new QLineEdit(this);
    Edit1->setFixedWidth(385);
    Button3 = new QPushButton("...", this);
    Button3->setFixedSize(30, 20);
    Button2 = new QPushButton("Cancel", this);
    Button1 = new QPushButton("OK", this);
    Label2->setObjectName("Label2");
    ComboBox1->setObjectName("ComboBox1");
    Label1->setObjectName("Label1");
    Edit1->setObjectName("Edit1");
    Button3->setObjectName("Button3");
    Button2->setObjectName("Button2");
    Button1->setObjectName("Button1");

    auto* extension_row = new QHBoxLayout;
    extension_row->addWidget(Label2);
    extension_row->addWidget(ComboBox1);
    extension_row->addStretch(1);
    auto* path_row = new QHBoxLayout;
    path_row->addWidget(Edit1);
    path_row->addWidget(Button3);
    path_row->addStretch(1);
    auto* fields = new QVBoxLayout;
    fields->addLayout(extension_row);
    fields->addSpacing(8);
    fields->addWidget(Label1);
    fields->addLayout(path_row);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Button2);
    buttons->addWidget(Button1);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 12, 16, 16);
    layout->addLayout(fields);
    layout->addStretch(1);
    layout->addLayout(buttons);

    setTabOrder(Edit1, Button1);
    setTabOrder(Button1, Button2);
    setTabOrder(Button2, Button3);
    setTabOrder(Button3, ComboBox1);

    NoDefaultButtons();
    connect(Button1, &QPushButton::clicked, this, [this] { done(kOk); });
    connect(Button2, &QPushButton::clicked, this, [this] { done(kCancel); });
    connect(Button3, &QPushButton::clicked, this, &TForm4::Button3Click);
    resize(464, 201);
}

int TForm4::ShowModal() { return exec() == kOk ? kOk : kCancel; }

void TForm4::Button3Click() {
    if (std::optional<std::string> chosen = dialogs_.ChooseOpenFile()) {
        Edit1->setText(QString::fromStdString(*chosen));
    }
}
