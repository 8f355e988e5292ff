#include "settings/tform2.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "app/load_settings.h"
#include "state/viewer_state.h"
#include "config/application_table.h"
#include "config/extension_field.h"
#include "config/indexer_config.h"
#include "config/unreadable_config.h"
#include "config/viewer_settings.h"
#include "platform/program_files.h"
#include "settings/form_widgets.h"
#include "settings/tform3.h"
#include "settings/tform4.h"
#include "text/app_error.h"
#include "text/text_rules.h"

namespace {

constexpr const char* kDefaultCategory = "文書";

QTreeWidgetItem* SelectedRow(QTreeWidget* list) {
    QList<QTreeWidgetItem*> selected = list->selectedItems();
    return selected.isEmpty() ? nullptr : selected.first();
}

QTreeWidgetItem* AddRow(QTreeWidget* list, const std::string& first, const std::string& second) {
    auto* item = new QTreeWidgetItem(list);
    item->setText(0, Q(first));
    if (list->columnCount() > 1) item->setText(1, Q(second));
    return item;
}

void DeleteSelectedRow(QTreeWidget* list) {
    if (QTreeWidgetItem* row = SelectedRow(list)) delete row;
}

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// An excluded path is refused when it is empty or a bare separator.
bool UsableExclusion(const std::string& path) {
    return !path.empty() && path != "\\" && path != "/";
}

}  // namespace

void SortListView(QTreeWidget* list) {
    QTreeWidgetItem* selected = SelectedRow(list);
    QTreeWidgetItem* current = list->currentItem();
    QList<QTreeWidgetItem*> rows;
    while (list->topLevelItemCount() > 0) rows << list->takeTopLevelItem(0);
    std::stable_sort(rows.begin(), rows.end(), [](QTreeWidgetItem* a, QTreeWidgetItem* b) {
        return QString::localeAwareCompare(a->text(0), b->text(0)) < 0;
    });
    list->addTopLevelItems(rows);
    if (current) list->setCurrentItem(current, 0, QItemSelectionModel::NoUpdate);
    if (selected) selected->setSelected(true);
}

TForm2::TForm2(ViewerState& state, Dialogs& dialogs, Processes& processes, Clock& clock,
               QWidget* parent)
    : PlainDialog(parent), state_(state), dialogs_(dialogs), processes_(processes), clock_(clock) {
    setObjectName("TForm2");
    setWindowTitle(Q("Ruvudar 設定"));
    setModal(false);
    setSizeGripEnabled(false);

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName("PageControl1");
    TabSheet1 = new QWidget;
    TabSheet2 = new QWidget;
    TabSheet3 = new QWidget;
    TabSheet4 = new QWidget;
    TabSheet1->setObjectName("TabSheet1");
    TabSheet2->setObjectName("TabSheet2");
    TabSheet3->setObjectName("TabSheet3");
    TabSheet4->setObjectName("TabSheet4");
    PageControl1->addTab(TabSheet1, Q("対象ファイル"));
    PageControl1->addTab(TabSheet2, Q("対象フォルダ"));
    PageControl1->addTab(TabSheet3, Q("システム設定"));
    PageControl1->addTab(TabSheet4, Q("アプリケーション"));
    BuildTabSheet1();
    BuildTabSheet2();
    BuildTabSheet3();
    BuildTabSheet4();

    // The bottom panel, left to right: Cancel, the rebuild box, update now, OK.
    auto* panel = new QWidget(this);
    panel->setObjectName("Panel1");
    panel->setMinimumHeight(45);
    Button2 = MakeButton(panel, "Button2", "Cancel");
    CheckBox9 = new QCheckBox(Q("インディクスを再構築する"), panel);
    CheckBox9->setObjectName("CheckBox9");
    Button3 = MakeButton(panel, "Button3", kUpdateNowCaption);
    Button1 = MakeButton(panel, "Button1", "OK");
    auto* panel_layout = new QHBoxLayout(panel);
    panel_layout->setContentsMargins(8, 0, 8, 0);
    panel_layout->addWidget(Button2);
    panel_layout->addStretch(1);
    panel_layout->addWidget(CheckBox9);
    panel_layout->addSpacing(8);
    panel_layout->addWidget(Button3);
    panel_layout->addSpacing(8);
    panel_layout->addWidget(Button1);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName("StatusBar1");
    StatusBar1->setSizeGripEnabled(false);
    status_text_ = new QLabel(StatusBar1);
    status_text_->setObjectName("StatusText");
    StatusBar1->addWidget(status_text_, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(PageControl1, 1);
    layout->addWidget(panel);
    layout->addWidget(StatusBar1);

    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");

    NoDefaultButtons();
    connect(Button1, &QPushButton::clicked, this, &TForm2::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TForm2::Button2Click);
    connect(Button3, &QPushButton::clicked, this, &TForm2::Button3Click);
    connect(Timer1, &QTimer::timeout, this, &TForm2::Timer1Timer);
    connect(Button4, &QPushButton::clicked, this, &TForm2::Button4Click);
    connect(Button11, &QPushButton::clicked, this, &TForm2::Button11Click);
    connect(Button5, &QPushButton::clicked, this, &TForm2::Button5Click);
    connect(Button6, &QPushButton::clicked, this, &TForm2::Button6Click);
    connect(Button8, &QPushButton::clicked, this, &TForm2::Button8Click);
    connect(Button7, &QPushButton::clicked, this, &TForm2::Button7Click);
    connect(Button9, &QPushButton::clicked, this, &TForm2::Button9Click);
    connect(Button10, &QPushButton::clicked, this, &TForm2::Button10Click);
    // ListView1SelectItem, ListView2SelectItem, ListView3SelectItem: the edit and delete
    // buttons follow whether a row is selected.
    auto follow = [this](QTreeWidget* list, std::vector<QPushButton*> buttons) {
        connect(list, &QTreeWidget::itemSelectionChanged, this, [list, buttons] {
            bool selected = !list->selectedItems().isEmpty();
            for (QPushButton* button : buttons) button->setEnabled(selected);
        });
        for (QPushButton* button : buttons) button->setEnabled(false);
    };
    follow(ListView1, {Button11, Button5});
    follow(ListView2, {Button7});
    follow(ListView3, {Button10});
    for (QLineEdit* edit : {Edit1, Edit2, Edit3, Edit4, Edit5}) edit->installEventFilter(this);

    resize(592, 368);

    // FormCreate: an indexer running at start-up counts as a watched update.
    IndexerContext context = Context();
    WatchRunningIndexer(update_, context);
    ApplyUpdateState();
}

void TForm2::UseDialogs(TForm3* form3, TForm4* form4) {
    form3_ = form3;
    form4_ = form4;
}

void TForm2::SetHomeH1Click(std::function<void()> home) { home_ = std::move(home); }

void TForm2::ShowSettings() {
    if (isMinimized()) showNormal();
    show();  // runs FormShow only when the dialog was hidden
    raise();
    activateWindow();
}

QString TForm2::StatusText() const { return status_text_->text(); }

bool TForm2::Guard(const std::function<void()>& handler) {
    try {
        handler();
        return true;
    } catch (const AppError& error) {
        dialogs_.ShowError(error.what());
    }
    return false;
}

IndexerContext TForm2::Context() {
    return IndexerContext{state_.AppDir, processes_, dialogs_, clock_};
}

void TForm2::ApplyUpdateState() {
    Timer1->setInterval(update_.TimerInterval > 0 ? update_.TimerInterval : kPollIntervalMs);
    if (update_.TimerEnabled && !Timer1->isActive()) Timer1->start();
    if (!update_.TimerEnabled && Timer1->isActive()) Timer1->stop();
    Button3->setText(Q(update_.Button3Caption));
    status_text_->setText(Q(update_.StatusText));
    if (update_listener_) update_listener_(update_);
}

void TForm2::SetUpdateListener(std::function<void(const UpdateState&)> listener) {
    update_listener_ = std::move(listener);
    if (update_listener_) update_listener_(update_);
}

void TForm2::showEvent(QShowEvent* event) {
    PlainDialog::showEvent(event);
    // A restore from the minimised state is spontaneous; FormShow runs on hidden -> shown.
    if (!event->spontaneous()) FormShow();
}

bool TForm2::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        // A field is left when the focus moves within the program, not when the window
        // merely loses activation or a menu pops up.
        Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            if (watched == Edit1 || watched == Edit5)
                Edit1Exit();
            else if (watched == Edit2)
                Edit2Exit(Edit2);
            else if (watched == Edit3)
                Edit2Exit(Edit3);
            else if (watched == Edit4)
                Edit2Exit(Edit4);
        }
    }
    return PlainDialog::eventFilter(watched, event);
}

void TForm2::FormShow() {
    // A file that cannot be read whole (a byte that is not UTF-8) is left out of the
    // controls and remembered: saving would write the dialog's empty values over it.
    unreadable_.clear();
    auto note = [this](const UnreadableFileError& e) {
        unreadable_.push_back({e.path(), e.line(), e.what()});
    };
    std::optional<std::vector<std::string>> lines;
    try {
        lines = ReadIndexerConfig(state_.AppFile(program_files::kIndexerConfig));
    } catch (const UnreadableFileError& e) {
        note(e);
    }

    for (QCheckBox* box : {CheckBox1, CheckBox2, CheckBox3, CheckBox4, CheckBox5, CheckBox6,
                           CheckBox7, CheckBox8, CheckBox10, CheckBox11, CheckBox12, CheckBox13}) {
        box->setChecked(false);
    }
    for (QLineEdit* edit : {Edit1, Edit2, Edit3, Edit4, Edit5}) edit->clear();
    ListView1->clear();
    ListView2->clear();
    ListView3->clear();

    if (lines) {
        FileTypeSelection types = FileTypePass(*lines);
        QCheckBox* boxes[kFileTypeBoxCount] = {CheckBox1, CheckBox2, CheckBox3,  CheckBox4,
                                               CheckBox5, CheckBox6, CheckBox7,  CheckBox8,
                                               CheckBox10, CheckBox11, CheckBox12};
        for (int i = 0; i < kFileTypeBoxCount; ++i) boxes[i]->setChecked(types.FileTypes[i]);
        CheckBox13->setChecked(PdfOcrOn(*lines));
        Edit1->setText(Q(types.ExtraExtensions));
        for (const FolderRow& row : FolderPass(*lines)) AddRow(ListView1, row.folder, row.category);
        SortListView(ListView1);
        // Linux paths are case-sensitive: exclusions are listed as stored.
        for (const std::string& path : ExclusionPass(*lines)) AddRow(ListView2, path, "");
        SortListView(ListView2);
    }

    ViewerSettings settings = ReadViewerSettings(state_.AppFile(program_files::kViewerSettings));
    // Any other type leaves the radio buttons as they are.
    if (settings.ScheduleType == 3) RadioButton3->setChecked(true);
    if (settings.ScheduleType == 2) RadioButton2->setChecked(true);
    if (settings.ScheduleType == 1) RadioButton1->setChecked(true);
    Edit2->setText(QString::number(settings.ScheduleDelay));
    Edit3->setText(QString::number(settings.ScheduleHour));
    Edit4->setText(QString::number(settings.ScheduleMinute));
    Edit5->setText(QString::number(settings.FrameHeight));

    try {
        for (const ApplicationRow& row :
             ReadApplicationTable(state_.AppFile(program_files::kApplicationTable))) {
            AddRow(ListView3, row.extension, row.application);
        }
        SortListView(ListView3);
    } catch (const UnreadableFileError& e) {
        note(e);
    }

    std::vector<std::string> errors;
    if (!unreadable_.empty()) errors.push_back(UnreadableConfigNotice(unreadable_));
    // The timer's poll; an error of the home page write is shown with the others.
    try {
        IndexerContext context = Context();
        PollUpdateLog(update_, context, home_);
    } catch (const AppError& error) {
        errors.push_back(error.what());
    }
    ApplyUpdateState();
    PageControl1->setCurrentWidget(TabSheet1);
    // Shown once the dialog is up.
    for (const std::string& text : errors)
        QTimer::singleShot(0, this, [this, text] { dialogs_.ShowError(text); });
}

SettingsValues TForm2::CollectValues() const {
    SettingsValues values;
    values.ScheduleRadio = RadioButton1->isChecked()   ? 1
                           : RadioButton2->isChecked() ? 2
                           : RadioButton3->isChecked() ? 3
                                                       : 0;
    values.Edit2 = S(Edit2->text());
    values.Edit3 = S(Edit3->text());
    values.Edit4 = S(Edit4->text());
    values.Edit5 = S(Edit5->text());
    IndexerConfig& indexer = values.Indexer;
    indexer.Rebuild = CheckBox9->isChecked();
    const QCheckBox* boxes[kFileTypeBoxCount] = {CheckBox1, CheckBox2, CheckBox3, CheckBox4,
                                                 CheckBox5, CheckBox6, CheckBox7, CheckBox8,
                                                 CheckBox10, CheckBox11, CheckBox12};
    for (int i = 0; i < kFileTypeBoxCount; ++i) indexer.FileTypes[i] = boxes[i]->isChecked();
    indexer.PdfOcr = CheckBox13->isChecked();
    indexer.ExtraExtensions = S(Edit1->text());
    for (int i = 0; i < ListView1->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* row = ListView1->topLevelItem(i);
        indexer.Folders.push_back({S(row->text(0)), S(row->text(1))});
    }
    for (int i = 0; i < ListView2->topLevelItemCount(); ++i) {
        indexer.Exclusions.push_back(S(ListView2->topLevelItem(i)->text(0)));
    }
    for (int i = 0; i < ListView3->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* row = ListView3->topLevelItem(i);
        values.Applications.push_back({S(row->text(0)), S(row->text(1))});
    }
    return values;
}

bool TForm2::Save() {
    // A file that could not be read whole, when shown or now, is replaced only when the
    // user says so; otherwise nothing at all is written.
    std::vector<UnreadableConfig> unreadable =
        MergeUnreadable(UnreadableConfigFiles(state_.AppDir), unreadable_);
    if (!unreadable.empty()) {
        if (!dialogs_.ConfirmOkCancel(ReplaceUnreadableQuestion(unreadable), kConfirmCaption))
            return false;
        unreadable_.clear();
    }
    return Guard([this] {
        SaveSettings(state_.AppDir, CollectValues());
        LoadSettings(state_);
    });
}

void TForm2::Button1Click() {
    // A failed save keeps the dialog open with its edits.
    if (Save()) hide();
}

void TForm2::Button2Click() { hide(); }

void TForm2::Button3Click() {
    if (update_.UpdateRunning == 0) {
        // The indexer reads the settings as they are on screen now.
        if (Save()) {
            IndexerContext context = Context();
            ::StartIndexer(update_, context);
        }
    } else {
        Guard([this] {
            IndexerContext context = Context();
            StopIndexer(context);
        });
    }
    ApplyUpdateState();
}

int TForm2::StartIndexer() {
    IndexerContext context = Context();
    int result = ::StartIndexer(update_, context);
    ApplyUpdateState();
    return result;
}

void TForm2::Timer1Timer() {
    Guard([this] {
        IndexerContext context = Context();
        PollUpdateLog(update_, context, home_);
    });
    ApplyUpdateState();
}

void TForm2::Edit1Exit() { Edit1->setText(Q(NormaliseExtensionField(S(Edit1->text())))); }

void TForm2::Edit2Exit(QLineEdit* edit) {
    edit->setText(QString::number(ReadInteger(S(edit->text()), 0)));
}

void TForm2::Button4Click() {
    if (!form3_ || form3_->ShowModal() != TForm3::kOk) return;
    std::string folder(Trim(S(form3_->Edit1->text())));
    if (folder.empty()) return;
    if (form3_->Edit2->text().isEmpty()) form3_->Edit2->setText(Q(kDefaultCategory));
    if (!EndsWith(folder, state_.PathSeparator)) folder += state_.PathSeparator;
    std::string category(Trim(S(form3_->Edit2->text())));
    // A listed folder inside the new one is replaced by it. Paths are case-sensitive and
    // every path starts with "/", so the match is a case-sensitive prefix test.
    for (int i = 0; i < ListView1->topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = ListView1->topLevelItem(i);
        if (S(row->text(0)).starts_with(folder)) {
            row->setText(0, Q(folder));
            row->setText(1, Q(category));
            SortListView(ListView1);
            return;
        }
    }
    AddRow(ListView1, folder, category);
    SortListView(ListView1);
}

void TForm2::Button11Click() {
    QTreeWidgetItem* row = SelectedRow(ListView1);
    if (!row || !form3_) return;
    form3_->Edit1->setText(row->text(0));
    form3_->Edit2->setText(row->text(1));
    if (form3_->Edit2->text().isEmpty()) form3_->Edit2->setText(Q(kDefaultCategory));
    if (form3_->ShowModal() != TForm3::kOk) return;
    std::string folder(Trim(S(form3_->Edit1->text())));
    if (folder.empty()) return;
    if (form3_->Edit2->text().isEmpty()) form3_->Edit2->setText(Q(kDefaultCategory));
    // The folder keeps its case (Linux paths are case-sensitive); no separator is added.
    row->setText(0, Q(folder));
    row->setText(1, form3_->Edit2->text());
    SortListView(ListView1);
}

void TForm2::Button5Click() { DeleteSelectedRow(ListView1); }

void TForm2::Button6Click() {
    std::optional<std::string> path = dialogs_.ChooseOpenFile();
    if (!path) return;
    if (UsableExclusion(*path)) AddRow(ListView2, *path, "");
    SortListView(ListView2);
}

void TForm2::Button8Click() {
    std::string path = dialogs_.ChooseFolder("Select Foler").value_or("");
    if (!EndsWith(path, state_.PathSeparator)) path += state_.PathSeparator;
    if (UsableExclusion(path)) AddRow(ListView2, path, "");
    SortListView(ListView2);
}

void TForm2::Button7Click() { DeleteSelectedRow(ListView2); }

void TForm2::Button9Click() {
    if (!form4_ || form4_->ShowModal() != TForm4::kOk) return;
    std::string path(Trim(S(form4_->Edit1->text())));
    std::string extension = S(form4_->ComboBox1->currentText());
    if (path.empty() || extension.empty()) return;
    // Extensions match regardless of case; the row takes the newly typed text.
    std::string wanted = LowerCase(extension);
    for (int i = 0; i < ListView3->topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = ListView3->topLevelItem(i);
        if (LowerCase(S(row->text(0))) == wanted) {
            row->setText(0, Q(extension));
            row->setText(1, Q(path));
            SortListView(ListView3);
            return;
        }
    }
    AddRow(ListView3, extension, path);
    SortListView(ListView3);
}

void TForm2::Button10Click() { DeleteSelectedRow(ListView3); }
