// The base of the three dialogs: neither Escape nor Enter typed in a field closes them.
// Enter on a focused button presses that button, as the button's own key.
#pragma once

#include <QDialog>

class QPushButton;

class PlainDialog : public QDialog {
    Q_OBJECT
  public:
    explicit PlainDialog(QWidget* parent = nullptr);

  protected:
    // Takes the default-button role away from every push button made so far.
    void NoDefaultButtons();
    void keyPressEvent(QKeyEvent* event) override;
};
