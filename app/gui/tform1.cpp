#include "app/gui/tform1.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QScreen>
#include <QShowEvent>
#include <QStatusBar>
#include <QTimer>
#include <QUrl>
#include <QWebEngineView>

#include "app/app_dir.h"
#include "app/form_create.h"
#include "app/gui/web_page.h"
#include "app/home_state.h"
#include "app/window_placement.h"
#include "index_control/schedule.h"
#include "index_control/update_log.h"
#include "pages/search_page.h"
#include "pages/welcome_page.h"
#include "platform/processes.h"

namespace {

constexpr int kClientWidth = 784;
constexpr int kClientHeight = 761;
constexpr int kScheduleIntervalMs = 60000;

}  // namespace

TForm1::TForm1(const std::string& app_dir, QWidget* parent, Dialogs* dialogs,
               Processes* processes)
    : QMainWindow(parent),
      dialogs_(this),
      context_{dialogs ? *dialogs : dialogs_, processes ? *processes : SystemProcesses()} {
    setWindowTitle("Ruvudar");

    EndE1 = menuBar()->addAction("終了(&E)");
    SettingS1 = menuBar()->addAction("設定(&S)");
    HomeH1 = menuBar()->addAction("ホーム(&H)");
    connect(EndE1, &QAction::triggered, this, [this] { EndE1Click(); });
    connect(SettingS1, &QAction::triggered, this, [this] { SettingS1Click(); });
    connect(HomeH1, &QAction::triggered, this, [this] { HomeH1Click(); });

    CppWebBrowser1 = new QWebEngineView(this);
    page_ = new WebPage(state_, context_, this, CppWebBrowser1);
    CppWebBrowser1->setPage(page_);
    setCentralWidget(CppWebBrowser1);

    // Hidden, the status bar takes no room: the client area is the web view's alone.
    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName("StatusBar1");
    StatusBar1->setSizeGripEnabled(false);
    StatusLabel1 = new QLabel(StatusBar1);
    StatusBar1->addWidget(StatusLabel1, 1);
    ProgressBar1 = new QProgressBar(StatusBar1);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setFixedWidth(200);
    StatusBar1->addPermanentWidget(ProgressBar1);
    setStatusBar(StatusBar1);
    StatusBar1->hide();

    Timer1 = new QTimer(this);
    Timer1->setInterval(kScheduleIntervalMs);
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
    Timer1->start();

    // The client area below the menu bar is 784 x 761, the window centred on the desktop
    // with its title bar kept on a screen smaller than the window.
    resize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
    if (QScreen* screen = QApplication::primaryScreen()) {
        QRect area = screen->availableGeometry();
        QRect frame = frameGeometry();
        WindowPosition p = CentredWindowPosition({area.x(), area.y(), area.width(), area.height()},
                                                 frame.width(), frame.height());
        move(p.x, p.y);
    }

    try {
        FormCreate(state_, app_dir);
    } catch (const std::exception& e) {
        ShowError(e.what());
    }
}

TForm1::~TForm1() {
    // The view and its page go while the state they refer to is still there.
    delete CppWebBrowser1;
}

void TForm1::FormShow() {
    try {
        WriteWelcomePage(state_);
        WriteSearchPage(state_);
    } catch (const std::exception& e) {
        ShowError(e.what());
        return;
    }
    QString page = QFile::decodeName(FramesetPagePath(state_.AppDir).c_str());
    CppWebBrowser1->setUrl(QUrl::fromLocalFile(page));
}

void TForm1::EndE1Click() { close(); }

void TForm1::SettingS1Click() {
    if (ShowSettingsForm) ShowSettingsForm();
}

void TForm1::HomeH1Click() {
    ResetHomeState(state_);
    FormShow();
}

void TForm1::Timer1Timer() {
    ScheduleTick(state_, SystemClock(), [this] {
        if (StartIndexerForm) StartIndexerForm();
    });
}

void TForm1::ShowUpdateProgress(bool running, const std::string& status) {
    if (!running) {
        StatusBar1->hide();
        return;
    }
    StatusLabel1->setText(QString::fromStdString(status));
    if (std::optional<UpdateCounts> counts = ProgressCounts(status)) {
        // QProgressBar counts in int; the total is scaled down when it is larger.
        const int64_t scale = counts->total / 1'000'000'000 + 1;
        ProgressBar1->setRange(0, static_cast<int>(counts->total / scale));
        ProgressBar1->setValue(static_cast<int>(counts->done / scale));
    } else {
        ProgressBar1->setRange(0, 0);  // busy: nothing counted yet
    }
    StatusBar1->show();
}

void TForm1::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    // The first showing writes the pages; a restore from the task bar is no new showing.
    if (!shown_ && !event->spontaneous()) {
        shown_ = true;
        FormShow();
    }
}

void TForm1::closeEvent(QCloseEvent* event) {
    // Nothing is saved; closing the main window ends the program even while a dialog is
    // open. A running indexer goes on.
    event->accept();
    QApplication::quit();
}

void TForm1::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange) return;
    if (isMinimized()) {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w == this || !w->isVisible() || w->isMinimized() || w->windowType() == Qt::Popup ||
                w->windowType() == Qt::ToolTip)
                continue;
            w->showMinimized();
            minimised_with_me_.emplace_back(w);
        }
    } else {
        // Restoring the main window brings back the windows minimised with it.
        for (const QPointer<QWidget>& w : minimised_with_me_)
            if (w && w->isMinimized()) w->showNormal();
        minimised_with_me_.clear();
    }
}

void TForm1::ShowError(const std::string& text) { ShowErrorBox(this, text); }
