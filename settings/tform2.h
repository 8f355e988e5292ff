// TForm2: the settings dialog. Modeless, created once and hidden between uses, it loads the
// three configuration files into its four tabs each time it is shown and writes them back
// through SaveSettings. It also holds the index maintenance state: the update-now/stop
// button, the status bar fed from the update log, and the polling timer.
#pragma once

#include <functional>
#include <string>

#include "config/save_settings.h"
#include "config/unreadable_config.h"
#include "index_control/indexer_control.h"
#include "settings/plain_dialog.h"

struct ViewerState;
class Clock;
class Dialogs;
class Processes;
class TForm3;
class TForm4;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QStatusBar;
class QTabWidget;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;

class TForm2 : public PlainDialog {
    Q_OBJECT
  public:
    // Runs FormCreate: an indexer already running is watched from the start.
    TForm2(ViewerState& state, Dialogs& dialogs, Processes& processes, Clock& clock,
           QWidget* parent = nullptr);

    // The folder and application dialogs the lists use (created after this form).
    void UseDialogs(TForm3* form3, TForm4* form4);
    // The main window's HomeH1Click, run when a watched update has ended.
    void SetHomeH1Click(std::function<void()> home);
    // Called with the update state each time the form mirrors it (and once now), so the
    // main window can show the progress too.
    void SetUpdateListener(std::function<void(const UpdateState&)> listener);

    // Shows the dialog without blocking; an open dialog is only brought to the front.
    void ShowSettings();

    // Starts an update unless one is watched (the schedule's entry); 1 or -1.
    int StartIndexer();
    // The copy of the controls that SaveSettings writes, lists in displayed order.
    SettingsValues CollectValues() const;
    const UpdateState& Update() const { return update_; }
    QString StatusText() const;

    // --- Controls, named as the handlers refer to them.
    QTabWidget* PageControl1;
    QWidget* TabSheet1;
    QWidget* TabSheet2;
    QWidget* TabSheet3;
    QWidget* TabSheet4;
    QPushButton* Button2;  // Cancel
    QCheckBox* CheckBox9;  // rebuild the index
    QPushButton* Button3;  // update now / stop
    QPushButton* Button1;  // OK
    QStatusBar* StatusBar1;
    QTimer* Timer1;  // polls the update log while an update is watched

    QLabel* Label2;
    QCheckBox* CheckBox1;
    QCheckBox* CheckBox2;
    QCheckBox* CheckBox3;
    QCheckBox* CheckBox4;
    QCheckBox* CheckBox5;
    QCheckBox* CheckBox6;
    QCheckBox* CheckBox7;
    QCheckBox* CheckBox8;
    QCheckBox* CheckBox10;  // OpenDocument
    QCheckBox* CheckBox11;  // EPUB
    QCheckBox* CheckBox12;  // images read by OCR
    QCheckBox* CheckBox13;  // OCR of scanned PDF pages
    QLabel* Label1;
    QLineEdit* Edit1;  // further extensions
    QLabel* Label3;

    QLabel* Label4;
    QTreeWidget* ListView1;  // target folders: folder, category
    QPushButton* Button4;    // add
    QPushButton* Button11;   // edit
    QPushButton* Button5;    // delete
    QLabel* Label5;
    QLabel* Label6;
    QTreeWidget* ListView2;  // exclusions
    QPushButton* Button6;    // add a file
    QPushButton* Button8;    // add a folder
    QPushButton* Button7;    // delete

    QLabel* Label9;
    QGroupBox* RadioGroup1;
    QRadioButton* RadioButton1;
    QLineEdit* Edit2;  // TIME1
    QLabel* Label7;
    QRadioButton* RadioButton2;
    QLineEdit* Edit3;  // TIME2
    QLabel* Label8;
    QLineEdit* Edit4;  // TIME3
    QRadioButton* RadioButton3;
    QLabel* Label11;
    QLineEdit* Edit5;  // RHIGHT

    QLabel* Label10;
    QTreeWidget* ListView3;  // applications: extension, path
    QPushButton* Button9;    // add
    QPushButton* Button10;   // delete

  public slots:
    void FormShow();
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Timer1Timer();
    void Edit1Exit();
    void Edit2Exit(QLineEdit* edit);
    void Button4Click();
    void Button11Click();
    void Button5Click();
    void Button6Click();
    void Button8Click();
    void Button7Click();
    void Button9Click();
    void Button10Click();

  protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildTabSheet1();
    void BuildTabSheet2();
    void BuildTabSheet3();
    void BuildTabSheet4();
    // SaveSettings and then the main window's LoadSettings; false when an error ended it or
    // the user declined to replace a file that could not be read whole.
    bool Save();
    // Runs one handler at the boundary: an AppError is shown and ends the handler.
    bool Guard(const std::function<void()>& handler);
    // Mirrors the update state on the timer, Button3 and the status bar.
    void ApplyUpdateState();
    IndexerContext Context();

    ViewerState& state_;
    Dialogs& dialogs_;
    Processes& processes_;
    Clock& clock_;
    TForm3* form3_ = nullptr;
    TForm4* form4_ = nullptr;
    std::function<void()> home_;
    std::function<void(const UpdateState&)> update_listener_;
    UpdateState update_;
    QLabel* status_text_;
    // The files that could not be read whole when the dialog was last shown.
    std::vector<UnreadableConfig> unreadable_;
};

// Sorts a list by the text of its first column (locale-aware, stable), keeping its
// selection.
void SortListView(QTreeWidget* list);
