#include "settings/tform3.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/dialogs.h"

TForm3::TForm3(Dialogs& dialogs, std::string path_separator, QWidget* parent)
    : PlainDialog(parent), dialogs_(dialogs), path_separator_(std::move(path_separator)) {
    setObjectName("TForm3");
    setWindowTitle(QString::fromUtf8("Ruvudar 対象フォルダ"));

    Label1 = new QLabel(QString::fromUtf8("フォルダ :"), this);
    Edit1 = new QLineEdit(this);
    Edit1->setFixedWidth(343);
    Button3 = new QPushButton("...", this);
    Button3->setFixedSize(30, 20);
    Label2 = new QLabel(QString::fromUtf8("カテゴリ :"), this);
    Edit2 = new QLineEdit(this);
    Edit2->setFixedWidth(124);
    Button2 = new QPushButton("Cancel", this);
    Button1 = new QPushButton("OK", this);
    Label1->setObjectName("Label1");
    Edit1->setObjectName("Edit1");
    Button3->setObjectName("Button3");
    Label2->setObjectName("Label2");
    Edit2->setObjectName("Edit2");
    Button2->setObjectName("Button2");
    Button1->setObjectName("Button1");

    auto* fields = new QGridLayout;
    fields->addWidget(Label1, 0, 0);
    fields->addWidget(Edit1, 0, 1);
    fields->addWidget(Button3, 0, 2);
    fields->addWidget(Label2, 1, 0);
    fields->addWidget(Edit2, 1, 1, Qt::AlignLeft);
    fields->setColumnStretch(3, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Button2);
    buttons->addWidget(Button1);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 12, 8, 12);
    layout->addLayout(fields);
    layout->addStretch(1);
    layout->addLayout(buttons);

    setTabOrder(Edit1, Button1);
    setTabOrder(Button1, Button2);
    setTabOrder(Button2, Button3);
    setTabOrder(Button3, Edit2);

    NoDefaultButtons();
    connect(Button1, &QPushButton::clicked, this, [this] { done(kOk); });
    connect(Button2, &QPushButton::clicked, this, [this] { done(kCancel); });
    connect(Button3, &QPushButton::clicked, this, &TForm3::Button3Click);
    resize(464, 174);
}

int TForm3::ShowModal() { return exec() == kOk ? kOk : kCancel; }

void TForm3::Button3Click() {
    std::optional<std::string> chosen = dialogs_.ChooseFolder("Select Foler");
    if (!chosen || chosen->empty()) return;
    std::string path = *chosen;
    if (path.size() < path_separator_.size() ||
        path.compare(path.size() - path_separator_.size(), path_separator_.size(),
                     path_separator_) != 0) {
        path += path_separator_;
    }
    // Linux file names are case-sensitive: the folder keeps its case.
    Edit1->setText(QString::fromStdString(path));
}
