// The choosers and message boxes of the viewer as Qt dialogs, each modal over a parent
// window.
#pragma once

#include <QPointer>
#include <QWidget>

#include "platform/dialogs.h"

class QtDialogs : public Dialogs {
public:
    explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}
    void SetParent(QWidget* parent) { parent_ = parent; }

    std::optional<std::string> ChooseFolder(const std::string& title) override;
    std::optional<std::string> ChooseOpenFile() override;
    std::optional<std::string> ChooseSaveFile(const std::string& proposed_name) override;
    void ShowError(const std::string& text) override;
    void ShowErrorLater(const std::string& text) override;
    ErrorReporter LaterErrorReporter() override;
    bool ConfirmOkCancel(const std::string& text, const std::string& caption) override;

private:
    QPointer<QWidget> parent_;
};

// The application's standard error display: a message box with the error's text.
void ShowErrorBox(QWidget* parent, const std::string& text);
