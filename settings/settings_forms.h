// Creates the three dialogs after the main window and wires them to it: the settings menu
// shows TForm2, the schedule starts the indexer through it, the main window's status bar
// follows its update state, and an ended update runs the main window's HomeH1Click.
#pragma once

#include <memory>

#include "app/gui/qt_dialogs.h"
#include "settings/tform2.h"
#include "settings/tform3.h"
#include "settings/tform4.h"

class Clock;
class Processes;
class TForm1;

struct SettingsForms {
    std::unique_ptr<QtDialogs> dialogs;  // choosers and message boxes over the settings dialog
    std::unique_ptr<TForm2> form2;
    std::unique_ptr<TForm3> form3;
    std::unique_ptr<TForm4> form4;
};

// Creates TForm2 (which looks for a running indexer), TForm3 and TForm4, in this order.
// form1 must outlive them.
SettingsForms CreateSettingsForms(TForm1& form1, Processes& processes, Clock& clock);
