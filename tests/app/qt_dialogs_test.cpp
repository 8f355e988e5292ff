// The viewer's standard dialogs: Qt's own texts in the desktop's language, and choosers that
// open at home or in the last folder chosen, never in the current directory.
#include "app/gui/qt_dialogs.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QLocale>
#include <QMessageBox>
#include <QTimer>
#include <filesystem>
#include <functional>

#include "app/gui/qt_translations.h"
#include "tests/support/test_folder.h"

namespace fs = std::filesystem;

namespace {

QApplication& App() {
    static int argc = 1;
    static char name[] = "qt_dialogs_test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

// Runs act on the next modal file dialog, from inside its loop.
void OnNextFileDialog(std::function<void(QFileDialog*)> act) {
    auto* timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        timer->stop();
        timer->deleteLater();
        act(dialog);
    });
    timer->start(20);
}

QString Q(const fs::path& path) { return QString::fromStdString(path.string()); }

TEST(QtTranslations, AJapaneseLocaleGivesJapaneseButtons) {
    App();
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    ASSERT_TRUE(InstallQtTranslations(App())) << "Qt's translations (qt6-translations-l10n)";
    QMessageBox box(QMessageBox::Question, "確認", "インデックス更新を中止しますか？",
                    QMessageBox::Ok | QMessageBox::Cancel);
    EXPECT_EQ(box.button(QMessageBox::Cancel)->text(), "キャンセル");
    QFileDialog chooser;
    chooser.setAcceptMode(QFileDialog::AcceptSave);
    EXPECT_EQ(chooser.labelText(QFileDialog::Reject), "キャンセル");
    EXPECT_EQ(chooser.labelText(QFileDialog::Accept), "保存(&S)");
}

TEST(QtChoosers, OpenAtHomeThenInTheLastFolderChosen) {
    App();
    fs::path dir = MakeTestFolder("qt_dialogs_");
    fs::path home = dir / "home";
    fs::path chosen = home / "文書 #1";
    fs::create_directories(chosen);
    const char* old_home = std::getenv("HOME");
    std::string saved_home = old_home ? old_home : "";
    ::setenv("HOME", home.c_str(), 1);
    ASSERT_NE(fs::current_path(), home);

    QtDialogs dialogs;
    QString opened_in;
    OnNextFileDialog([&](QFileDialog* d) {
        opened_in = d->directory().absolutePath();
        d->reject();
    });
    EXPECT_FALSE(dialogs.ChooseFolder("フォルダの選択"));
    EXPECT_EQ(opened_in, Q(home));

    OnNextFileDialog([&](QFileDialog* d) {
        d->setDirectory(Q(chosen));  // the user opens the folder and presses 選択
        static_cast<QDialog*>(d)->accept();
    });
    EXPECT_EQ(dialogs.ChooseFolder("フォルダの選択"), chosen.string());

    // Save As proposes the hit's name inside the folder chosen last.
    QString proposed;
    OnNextFileDialog([&](QFileDialog* d) {
        opened_in = d->directory().absolutePath();
        proposed = d->selectedFiles().value(0);
        d->reject();
    });
    EXPECT_FALSE(dialogs.ChooseSaveFile("報告書.docx"));
    EXPECT_EQ(opened_in, Q(chosen));
    EXPECT_EQ(proposed, Q(chosen / "報告書.docx"));

    // A last folder that has gone sends the chooser home again.
    fs::remove_all(chosen);
    OnNextFileDialog([&](QFileDialog* d) {
        opened_in = d->directory().absolutePath();
        d->reject();
    });
    EXPECT_FALSE(dialogs.ChooseOpenFile());
    EXPECT_EQ(opened_in, Q(home));

    if (old_home) ::setenv("HOME", saved_home.c_str(), 1);
    fs::remove_all(dir);
}

}  // namespace
