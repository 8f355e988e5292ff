// Renders every tab of the settings dialog and the two small dialogs into PNG files, and
// reports any control narrower than its caption or overlapping a sibling. Run by
// scripts/screenshot_settings.sh under Xvfb.
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "state/viewer_state.h"
#include "platform/clock.h"
#include "platform/processes.h"
#include "settings/tform2.h"
#include "settings/tform3.h"
#include "settings/tform4.h"

namespace {

class NoDialogs : public Dialogs {
  public:
    std::optional<std::string> ChooseFolder(const std::string&) override { return {}; }
    std::optional<std::string> ChooseOpenFile() override { return {}; }
    std::optional<std::string> ChooseSaveFile(const std::string&) override { return {}; }
    void ShowError(const std::string& text) override {
        std::fprintf(stderr, "error: %s\n", text.c_str());
    }
    bool ConfirmOkCancel(const std::string&, const std::string&) override { return false; }
};

class NoProcesses : public Processes {
  public:
    bool Spawn(const std::vector<std::string>&) override { return false; }
    std::vector<int> FindByName(const std::string&) override { return {}; }
    bool Kill(int) override { return false; }
};

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// Captions that do not fit and siblings that overlap, below root.
int CheckLayout(QWidget* root) {
    int problems = 0;
    for (QWidget* w : root->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(root)) continue;
        bool captioned = qobject_cast<QAbstractButton*>(w) || qobject_cast<QLabel*>(w);
        // A push button is judged by its caption, not by the style's minimum button width.
        QSize needed = w->sizeHint();
        if (auto* button = qobject_cast<QPushButton*>(w)) {
            QFontMetrics metrics(button->font());
            needed = QSize(metrics.horizontalAdvance(button->text()) + 6, metrics.height());
        }
        if (captioned && w->width() < needed.width()) {
            std::printf("too narrow: %s (%d < %d)\n", qPrintable(w->objectName()), w->width(),
                        needed.width());
            ++problems;
        }
        if (captioned && w->height() < needed.height()) {
            std::printf("too low: %s (%d < %d)\n", qPrintable(w->objectName()), w->height(),
                        needed.height());
            ++problems;
        }
        for (QObject* o : w->parentWidget() ? w->parentWidget()->children() : QObjectList{}) {
            auto* sibling = qobject_cast<QWidget*>(o);
            if (!sibling || sibling <= w || !sibling->isVisibleTo(root) || sibling->isWindow())
                continue;
            if (w->geometry().intersects(sibling->geometry())) {
                std::printf("overlap: %s and %s\n", qPrintable(w->objectName()),
                            qPrintable(sibling->objectName()));
                ++problems;
            }
        }
    }
    return problems;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QString out = argc > 1 ? argv[1] : "screenshots";
    QDir().mkpath(out);
    std::filesystem::path dir = std::filesystem::temp_directory_path() / "ruvudar_screenshot";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    WriteFile(dir / "daradiv.ini",
              "[Common]\r\nReindex=update\r\n\r\n[FileType]\r\n.docx\r\n.pdf\r\n.txt\r\n.log\r\n"
              "\r\n[SearchDir]\r\n/home/user/文書/;;文書\r\n/srv/share/projects/;;仕事\r\n"
              "\r\n[ExtraDir]\r\n/home/user/文書/private/\r\n/srv/share/projects/big.pdf\r\n");
    WriteFile(dir / "ruvudar.ini",
              "[COMMON]\r\nSCTYP=2\r\nTIME1=10\r\nTIME2=7\r\nTIME3=5\r\nRHIGHT=120\r\n");
    WriteFile(dir / "appset.ini", ".pdf;;/usr/bin/evince\r\n.docx;;/usr/bin/lowriter\r\n");
    WriteFile(dir / "srep.txt",
              "\r\n[更新記録]\r\n2024-01-05 07:03:09  128 件のファイルを更新しました\r\n");

    ViewerState state;
    state.AppDir = dir.string() + "/";
    NoDialogs dialogs;
    NoProcesses processes;
    TForm2 form2(state, dialogs, processes, SystemClock());
    TForm3 form3(dialogs, state.PathSeparator);
    TForm4 form4(dialogs);
    form2.UseDialogs(&form3, &form4);
    form2.ShowSettings();

    int problems = 0;
    std::printf("TForm2 client %dx%d\n", form2.width(), form2.height());
    for (int i = 0; i < form2.PageControl1->count(); ++i) {
        form2.PageControl1->setCurrentIndex(i);
        app.processEvents();
        problems += CheckLayout(form2.PageControl1->currentWidget());
        form2.grab().save(out + QString("/settings_tab%1.png").arg(i + 1));
    }
    problems += CheckLayout(form2.findChild<QWidget*>("Panel1"));
    form3.Edit1->setText("/home/user/文書/");
    form3.Edit2->setText("文書");
    form4.ComboBox1->setEditText(".pdf");
    form4.Edit1->setText("/usr/bin/evince");
    for (PlainDialog* dialog :
         {static_cast<PlainDialog*>(&form3), static_cast<PlainDialog*>(&form4)}) {
        dialog->show();
        app.processEvents();
        std::printf("%s client %dx%d\n", qPrintable(dialog->objectName()), dialog->width(),
                    dialog->height());
        problems += CheckLayout(dialog);
        dialog->grab().save(out + "/" + dialog->objectName().toLower() + ".png");
        dialog->hide();
    }
    std::filesystem::remove_all(dir);
    std::printf("%d layout problem(s)\n", problems);
    return problems == 0 ? 0 : 1;
}
