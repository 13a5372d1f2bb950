#pragma once

#include <QSize>
#include <QUrl>
#include <QWebEnginePage>

// The page that runs the web player. It is loaded once and then plays movie
// after movie without loading again; it turns the page's messages (console
// lines with a fixed prefix) into signals and keeps the page from going
// anywhere but its own document.
class CPlayerPage : public QWebEnginePage
{
    Q_OBJECT

public:
    enum class PlayerState { None, Loading, Ready, Broken };

    explicit CPlayerPage(QWebEngineProfile* profile, QObject* parent = nullptr);

    // Loads the player's page; `base` is where its relative addresses (the
    // web player's files) are resolved. `warm` also gets the web player's
    // code compiled before any movie comes.
    void LoadPlayer(const QUrl& base, bool warm = false);
    PlayerState playerState() const { return m_playerState; }

    // Plays a movie on the loaded page, in place of the one before.
    void PlayMovie(const QUrl& movie);
    // Takes the movie off the page; news of it that is still under way is
    // dropped.
    void StopMovie();

Q_SIGNALS:
    void playerLoaded(bool ok);              // the page is ready for movies (or broke)
    void playerWarm();                       // the web player's code is compiled
    void traceLine(const QString& text);     // a trace() of the movie
    void runtimeError(const QString& text);  // an uncaught error of the movie, as logged
    void movieSize(const QSize& size);       // the movie's frame size, once known
    void movieLoaded();                      // the movie started
    void firstFrameShown();                  // the movie's first frame is on screen
    void movieFailed(const QString& reason); // the web player could not load it

protected:
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message,
                                  int lineNumber, const QString& sourceID) override;
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;

private:
    void OnLoadFinished(bool ok);

    PlayerState m_playerState = PlayerState::None;
    bool m_bWarm = false;
    int m_nMovie = 0; // the number the page's news of the current movie carry
};
