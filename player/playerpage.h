#pragma once

#include <QSize>
#include <QWebEnginePage>

// The page that runs the web player. It turns the page's messages (console
// lines with a fixed prefix) into signals and keeps the page from going
// anywhere but its own document.
class CPlayerPage : public QWebEnginePage
{
    Q_OBJECT

public:
    explicit CPlayerPage(QWebEngineProfile* profile, QObject* parent = nullptr);

Q_SIGNALS:
    void traceLine(const QString& text);     // a trace() of the movie
    void movieSize(const QSize& size);       // the movie's frame size, once known
    void movieLoaded();                      // the movie started
    void movieFailed(const QString& reason); // the web player could not load it

protected:
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message,
                                  int lineNumber, const QString& sourceID) override;
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
};
