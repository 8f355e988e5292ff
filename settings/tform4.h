// TForm4: the application dialog of the settings dialog's application list. It asks for an
// extension and the application that opens it, checks nothing and returns OK (1) or
// Cancel (2); its fields keep their text from one use to the next.
#pragma once

#include "settings/plain_dialog.h"

class Dialogs;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

class TForm4 : public PlainDialog {
    Q_OBJECT
  public:
    static constexpr int kOk = 1;
    static constexpr int kCancel = 2;

    explicit TForm4(Dialogs& dialogs, QWidget* parent = nullptr);

    // Shows the dialog modally: kOk for OK, kCancel for Cancel or the close box.
    int ShowModal();

    QLabel* Label2;
    QComboBox* ComboBox1;  // extension: editable, the 15 known ones as suggestions
    QLabel* Label1;
    QLineEdit* Edit1;      // application path
    QPushButton* Button3;  // "..." browse
    QPushButton* Button2;  // Cancel
    QPushButton* Button1;  // OK

  public slots:
    // Browse for an application: a confirmed file replaces Edit1 unchanged.
    void Button3Click();

  private:
    Dialogs& dialogs_;  // stands for OpenDialog1
};
