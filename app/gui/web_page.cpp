#include "app/gui/web_page.h"

#include <QFile>
#include <QPointer>
#include <QTimer>

#include "app/gui/qt_dialogs.h"
#include "documents/open_document.h"
#include "platform/desktop.h"

namespace {

// Catches the first navigation of a page opened for a new window, hands its address to the
// desktop and goes away; the viewer never shows a second window.
class OutsidePage : public QWebEnginePage {
public:
    OutsidePage(Processes& processes, Dialogs& dialogs, QObject* parent)
        : QWebEnginePage(parent), processes_(processes), dialogs_(dialogs) {}

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType, bool) override {
        if (!opened_ && url.isValid() && url.scheme() != "about") {
            opened_ = true;
            OpenOutside(url, processes_, dialogs_);
            deleteLater();
        }
        return false;
    }

private:
    Processes& processes_;
    Dialogs& dialogs_;
    bool opened_ = false;
};

// Schemes the desktop opens for the user (the welcome page's home and mail links).
bool OpensOutside(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    return scheme == "http" || scheme == "https" || scheme == "mailto" || scheme == "ftp";
}

}  // namespace

void OpenOutside(const QUrl& url, Processes& processes, Dialogs& dialogs) {
    std::string address = url.toString(QUrl::FullyEncoded).toStdString();
    std::string opener = DefaultOpener();
    std::vector<std::string> argv;
    if (!opener.empty()) argv = {opener, address};
    StartOpener(argv, address, processes, dialogs);
}

WebPage::WebPage(ViewerState& state, NavigationContext& context, QWidget* error_parent,
                 QObject* parent)
    : QWebEnginePage(parent), state_(state), context_(context), error_parent_(error_parent) {}

bool WebPage::acceptNavigationRequest(const QUrl& url, NavigationType, bool) {
    if (!url.isLocalFile()) {
        if (OpensOutside(url)) OpenOutside(url, context_.processes, context_.dialogs);
        // The empty page a frame may start with is harmless; nothing else leaves the folder.
        return url.scheme() == "about";
    }
    QPointer<QWidget> parent = error_parent_;
    try {
        NavigationResult result = CppWebBrowser1BeforeNavigate2(
            state_, context_, url.toString(QUrl::FullyEncoded).toStdString());
        if (result.deferred) {
            // Modal windows open after the web view's callback has returned.
            QTimer::singleShot(0, this, [deferred = result.deferred, parent] {
                try {
                    deferred();
                } catch (const std::exception& e) {
                    ShowErrorBox(parent, e.what());
                } catch (...) {
                    ShowErrorBox(parent, "");
                }
            });
        }
        if (!result.show_in_body.empty()) ShowInBody(result.show_in_body);
        return result.proceed;
    } catch (const std::exception& e) {
        // The error ends the command; the view stays where it was.
        std::string text = e.what();
        QTimer::singleShot(0, this, [text, parent] { ShowErrorBox(parent, text); });
    } catch (...) {
        QTimer::singleShot(0, this, [parent] { ShowErrorBox(parent, ""); });
    }
    return false;
}

void WebPage::ShowInBody(const std::string& page) {
    const QUrl url = QUrl::fromLocalFile(QFile::decodeName(state_.PageFile(page).c_str()));
    // The body frame is the frameset's FrBody; its loads pass the handler as any other.
    runJavaScript(QString("(function(){var f=window.frames['FrBody'];"
                          "if(f)f.location.href='%1';})()")
                      .arg(url.toString(QUrl::FullyEncoded)
                               .replace("\\", "%5C")
                               .replace("'", "%27")));
}

QWebEnginePage* WebPage::createWindow(WebWindowType) {
    return new OutsidePage(context_.processes, context_.dialogs, this);
}
