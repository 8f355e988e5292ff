#include "index_control/indexer_control.h"

#include <filesystem>
#include <system_error>

#include "platform/program_files.h"
#include "index_control/update_log.h"

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
    if (context.executable_dir.empty() || context.executable_dir == context.app_dir) {
        context.processes.Spawn(
            {context.app_dir + program_files::kIndexerExecutable, program_files::kIndexerSwitch});
    } else {
        context.processes.Spawn({context.executable_dir + program_files::kIndexerExecutable,
                                 program_files::kIndexerSwitch,
                                 program_files::kIndexerFolderOption + context.app_dir});
    }
    return 1;
}

std::vector<int> FindIndexerProcesses(Processes& processes) {
    return processes.FindByName(program_files::kIndexerExecutable);
}

void WatchRunningIndexer(UpdateState& state, Processes& processes) {
    if (!FindIndexerProcesses(processes).empty()) EnterWatching(state);
}

void StopIndexer(IndexerContext& context) {
    if (!context.dialogs.ConfirmOkCancel(kStopQuestion, kStopQuestionCaption)) return;
    bool last_killed = false;
    for (int pid : FindIndexerProcesses(context.processes)) {
        if (pid != 0) last_killed = context.processes.Kill(pid);
    }
    // Only a terminated indexer leaves the log to the viewer; with none found nothing is
    // written.
    if (last_killed) WriteAbortEntry(context.app_dir, context.clock.Now());
}

void PollUpdateLog(UpdateState& state, const std::string& app_dir,
                   const std::function<void()>& home) {
    UpdateLogReading reading = UpdateLogStatus(ReadUpdateLog(app_dir));
    if (reading.status) state.StatusText = *reading.status;
    if (!reading.ended) return;
    int noted = state.FinishTicks;
    state.FinishTicks += 1;
    if (noted < 3) return;
    state.TimerEnabled = false;
    state.UpdateRunning = 0;
    state.Button3Caption = kUpdateNowCaption;
    if (home) home();
}
