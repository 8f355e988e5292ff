// The modal windows the core asks for: choosers and message boxes. The viewer fills them
// with Qt dialogs; tests stand in for them.
#pragma once

#include <functional>
#include <optional>
#include <string>

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // A folder chooser titled title; the chosen folder, or nothing when cancelled.
    virtual std::optional<std::string> ChooseFolder(const std::string& title) = 0;
    // An open-file chooser without filter or title; the typed name need not exist.
    virtual std::optional<std::string> ChooseOpenFile() = 0;
    // A save-file chooser proposing proposed_name; it does not ask before replacing.
    virtual std::optional<std::string> ChooseSaveFile(const std::string& proposed_name) = 0;
    // Shows an error message.
    virtual void ShowError(const std::string& text) = 0;
    // Shows an error message once the current event handler has returned; may be called
    // from any thread (a started program that failed is learnt of on another thread). The
    // default, for stand-ins, shows it at once.
    virtual void ShowErrorLater(const std::string& text) { ShowError(text); }
    // What ShowErrorLater does, as a function that may be kept past the end of this object
    // (by a thread that watches a started program). The default, for stand-ins that outlive
    // their use, calls ShowErrorLater on this object.
    using ErrorReporter = std::function<void(const std::string& text)>;
    virtual ErrorReporter LaterErrorReporter() {
        return [this](const std::string& text) { ShowErrorLater(text); };
    }
    // Asks an OK/Cancel question; true for OK.
    virtual bool ConfirmOkCancel(const std::string& text, const std::string& caption) = 0;
};
