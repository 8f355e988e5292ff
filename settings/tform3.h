// TForm3: the target-folder dialog of the settings dialog's folder list. It asks for a
// folder and its category, checks nothing and returns OK (1) or Cancel (2); its fields keep
// their text from one use to the next.
#pragma once

#include <string>

#include "settings/plain_dialog.h"

class Dialogs;
class QLabel;
class QLineEdit;
class QPushButton;

class TForm3 : public PlainDialog {
    Q_OBJECT
  public:
    static constexpr int kOk = 1;
    static constexpr int kCancel = 2;

    // path_separator is appended to a browsed folder that does not end in it.
    TForm3(Dialogs& dialogs, std::string path_separator, QWidget* parent = nullptr);

    // Shows the dialog modally: kOk for OK, kCancel for Cancel or the close box.
    int ShowModal();

    QLabel* Label1;
    QLineEdit* Edit1;      // folder
    QPushButton* Button3;  // "..." browse
    QLabel* Label2;
    QLineEdit* Edit2;      // category
    QPushButton* Button2;  // Cancel
    QPushButton* Button1;  // OK

  public slots:
    // Browse for a folder: a chosen folder, ending in the separator, replaces Edit1 with its
    // case kept; a cancelled chooser leaves Edit1 as it is.
    void Button3Click();

  private:
    Dialogs& dialogs_;
    std::string path_separator_;
};
