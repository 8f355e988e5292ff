// Saving the settings dialog: the dialog copies its controls into SettingsValues and
// SaveSettings writes the three configuration files from them.
#pragma once

#include <string>
#include <vector>

#include "config/application_table.h"
#include "config/indexer_config.h"

struct SettingsValues {
    int ScheduleRadio = 0;  // the radio button that is on: 1, 2 or 3; 0 when none is on
    std::string Edit2;      // TIME1 text
    std::string Edit3;      // TIME2 text
    std::string Edit4;      // TIME3 text
    std::string Edit5;      // RHIGHT text
    IndexerConfig Indexer;  // CheckBox1..9, Edit1, ListView1, ListView2
    std::vector<ApplicationRow> Applications;  // ListView3 rows in displayed order
};

// Writes ruvudar.ini (SCTYP only when a radio button is on; TIME1..3 as integer readings
// with default 0, RHIGHT with default 120), then daradiv.ini, then appset.ini, all in
// app_dir (ending in "/"). A failed ruvudar.ini write throws AppError(CannotWriteMessage)
// and leaves the other two files untouched; the other two are skipped silently when they
// cannot be written. The caller then runs LoadSettings(state).
void SaveSettings(const std::string& app_dir, const SettingsValues& values);
