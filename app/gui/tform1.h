// TForm1: the main window. Its whole client area is the web view that shows the pages of
// the page folder; a menu bar with three commands and the one-minute schedule timer. While
// an update is watched, a status bar at the bottom shows its progress.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/gui/qt_dialogs.h"
#include "app/navigation.h"
#include "state/viewer_state.h"

class QAction;
class QLabel;
class QProgressBar;
class QStatusBar;
class QTimer;
class QWebEngineView;
class WebPage;

class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    // Runs FormCreate for the program folder app_dir; its error is shown in a message box
    // and the window is built all the same. The navigation commands use dialogs and
    // processes when given (tests stand in for them), else the Qt dialogs and the system.
    explicit TForm1(const std::string& app_dir, QWidget* parent = nullptr,
                    Dialogs* dialogs = nullptr, Processes* processes = nullptr);
    ~TForm1() override;

    ViewerState& State() { return state_; }
    Dialogs& AppDialogs() { return dialogs_; }

    // What SettingS1Click runs: shows the settings dialog (set once TForm2 exists).
    std::function<void()> ShowSettingsForm;
    // What the schedule runs when an update is due: the settings dialog's StartIndexer.
    std::function<void()> StartIndexerForm;

    // Writes the welcome and search form pages and points the web view at index.html.
    void FormShow();
    void EndE1Click();
    void SettingS1Click();
    // Back to the home state (no search, sort 0, all categories ticked), then FormShow.
    void HomeH1Click();
    void Timer1Timer();
    // Mirrors the settings dialog's update state: while running, the status bar shows the
    // status text and a progress bar (busy until the text holds counts); otherwise it is
    // hidden and the web view has the whole client area.
    void ShowUpdateProgress(bool running, const std::string& status);

    QAction* EndE1;
    QAction* SettingS1;
    QAction* HomeH1;
    QWebEngineView* CppWebBrowser1;
    QTimer* Timer1;
    QStatusBar* StatusBar1;
    QLabel* StatusLabel1;
    QProgressBar* ProgressBar1;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // Minimising the main window minimises every other window of the program with it.
    void changeEvent(QEvent* event) override;

private:
    void ShowError(const std::string& text);

    ViewerState state_;
    QtDialogs dialogs_;
    NavigationContext context_;
    WebPage* page_ = nullptr;
    bool shown_ = false;
    std::vector<QPointer<QWidget>> minimised_with_me_;
};
