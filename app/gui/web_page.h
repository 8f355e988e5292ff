// The page of the main window's web view: every navigation of the top window and of the
// frames passes the navigation handler first; links the program does not handle open in
// the desktop's own programs.
#pragma once

#include <QWebEnginePage>

#include "app/navigation.h"

class WebPage : public QWebEnginePage {
    Q_OBJECT
public:
    // state and context must outlive the page; errors are shown over error_parent.
    WebPage(ViewerState& state, NavigationContext& context, QWidget* error_parent,
            QObject* parent = nullptr);

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
    // A link to a new window (target="_blank") opens outside the viewer.
    QWebEnginePage* createWindow(WebWindowType type) override;

private:
    // Loads page (a file of the page folder) into the body frame.
    void ShowInBody(const std::string& page);

    ViewerState& state_;
    NavigationContext& context_;
    QWidget* error_parent_;
};

// Hands url to the desktop's default opener (xdg-open); when there is none, or it fails,
// the user is told through dialogs.
void OpenOutside(const QUrl& url, Processes& processes, Dialogs& dialogs);
