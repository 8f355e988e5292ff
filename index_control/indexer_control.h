// Starting, watching and stopping the external indexer. The update state lives with the
// settings dialog (TForm2) even while it is hidden; the form mirrors it on its timer, its
// Button3 caption and its status bar after every call.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/processes.h"

inline constexpr const char* kUpdateNowCaption = "今すぐインディクスを更新する";
inline constexpr const char* kStopUpdateCaption = "インデックスの更新中止";
inline constexpr const char* kStopQuestion = "インデックス更新を中止しますか？";
inline constexpr const char* kStopQuestionCaption = "確認";
inline constexpr int kPollIntervalMs = 1000;

// The settings dialog's update state. Idle: timer off, UpdateRunning 0, the update-now
// caption. Watching: timer on at 1000 ms, UpdateRunning 1, the stop caption.
struct UpdateState {
    int UpdateRunning = 0;
    int FinishTicks = 0;        // polls that found an ended log since the last start
    bool TimerEnabled = false;  // Timer1
    int TimerInterval = 0;      // Timer1's interval in ms
    std::string Button3Caption = kUpdateNowCaption;
    std::string StatusText;  // the single text of StatusBar1
};

// What the indexer operations need of the program and the platform.
struct IndexerContext {
    std::string app_dir;  // AppDir, with its trailing "/"
    Processes& processes;
    Dialogs& dialogs;
    Clock& clock;
};

// Enters the watching state (timer on, FinishTicks 0, UpdateRunning 1, stop caption).
void EnterWatching(UpdateState& state);

// Starts an update: -1 and nothing else when the timer already runs; otherwise deletes the
// log, enters watching and launches [AppDir + "daradiv", "-j"] without waiting. Result 1
// after the launch attempt, whose outcome is not examined.
int StartIndexer(UpdateState& state, IndexerContext& context);

// The running indexer of this program folder (found by its lock in the folder, never by
// its name), so a second program folder or a foreign process called daradiv is never
// counted, watched or stopped.
std::vector<int> FindIndexerProcesses(IndexerContext& context);

// TForm2's creation: enters watching, without starting or deleting anything, when this
// folder's indexer is already running. When none runs but the log shows an update under
// way, that update was interrupted: the log gets the interrupted entry (best effort).
void WatchRunningIndexer(UpdateState& state, IndexerContext& context);

// Asks to stop; on OK kills this folder's indexer (its workers end with it) and, when the
// last kill succeeded, replaces the log by the abort entry. The state is left as it is: the
// polls return it to idle.
void StopIndexer(IndexerContext& context);

// One poll of the log: sets the status text from it; the fourth and every later poll that
// finds an ended log returns to idle and runs home (the main window's HomeH1Click). A log
// that shows an update under way while no indexer of this folder is alive gets the
// interrupted entry, and the dialog returns to idle at once and runs home.
void PollUpdateLog(UpdateState& state, IndexerContext& context,
                   const std::function<void()>& home);
