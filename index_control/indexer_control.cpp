#include "index_control/indexer_control.h"

#include <filesystem>
#include <system_error>

#include "platform/program_files.h"
#include "index_control/update_log.h"
#include "text/app_error.h"

void EnterWatching(UpdateState& state) {
    state.TimerInterval = kPollIntervalMs;
    state.FinishTicks = 0;
    state.TimerEnabled = true;
    state.UpdateRunning = 1;
    state.Button3Caption = kStopUpdateCaption;
}

int StartIndexer(UpdateState& state, IndexerContext& context) {
    // Whether an update runs is judged from the polling timer, not from the processes.
    if (state.TimerEnabled) return -1;
    std::error_code ignored;
    std::filesystem::remove(UpdateLogPath(context.app_dir), ignored);
    EnterWatching(state);
    // A launch that fails is not noticed: the polls keep showing the missing log.
    context.processes.Spawn(
        {context.app_dir + program_files::kIndexerExecutable, program_files::kIndexerSwitch});
    return 1;
}

std::vector<int> FindIndexerProcesses(IndexerContext& context) {
    return context.processes.FindFolderIndexer(context.app_dir);
}

namespace {

void ReturnToIdle(UpdateState& state) {
    state.TimerEnabled = false;
    state.UpdateRunning = 0;
    state.Button3Caption = kUpdateNowCaption;
}

// When the log says an update is under way but this folder has no indexer alive, the
// update was killed or crashed: the log says so. The log is read again after the process
// check, so an indexer that ended meanwhile keeps the log it wrote. True when the entry was
// written (or was due but could not be written).
bool MarkInterruptedUpdate(const UpdateLogReading& reading, IndexerContext& context) {
    if (!reading.under_way || !FindIndexerProcesses(context).empty()) return false;
    if (!UpdateLogStatus(ReadUpdateLog(context.app_dir)).under_way) return false;
    try {
        WriteInterruptedEntry(context.app_dir, context.clock.Now());
    } catch (const AppError&) {
        // The status keeps the last progress line; the dialog is idle all the same.
    }
    return true;
}

}  // namespace

void WatchRunningIndexer(UpdateState& state, IndexerContext& context) {
    if (!FindIndexerProcesses(context).empty()) {
        EnterWatching(state);
        return;
    }
    MarkInterruptedUpdate(UpdateLogStatus(ReadUpdateLog(context.app_dir)), context);
}

void StopIndexer(IndexerContext& context) {
    if (!context.dialogs.ConfirmOkCancel(kStopQuestion, kStopQuestionCaption)) return;
    bool last_killed = false;
    for (int pid : FindIndexerProcesses(context)) {
        if (pid != 0) last_killed = context.processes.Kill(pid);
    }
    // Only a terminated indexer leaves the log to the viewer; with none found nothing is
    // written.
    if (last_killed) WriteAbortEntry(context.app_dir, context.clock.Now());
}

void PollUpdateLog(UpdateState& state, IndexerContext& context,
                   const std::function<void()>& home) {
    UpdateLogReading reading = UpdateLogStatus(ReadUpdateLog(context.app_dir));
    if (MarkInterruptedUpdate(reading, context)) {
        UpdateLogReading now = UpdateLogStatus(ReadUpdateLog(context.app_dir));
        if (now.status) state.StatusText = *now.status;
        // As after a watched update that ended: later showings run home as well.
        state.FinishTicks = 4;
        ReturnToIdle(state);
        if (home) home();
        return;
    }
    if (reading.status) state.StatusText = *reading.status;
    if (!reading.ended) return;
    int noted = state.FinishTicks;
    state.FinishTicks += 1;
    if (noted < 3) return;
    ReturnToIdle(state);
    if (home) home();
}
