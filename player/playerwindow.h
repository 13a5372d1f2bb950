#pragma once

#include <QMainWindow>
#include <QSize>
#include <QString>

class CPlayerPage;
class QLabel;
class QPlainTextEdit;
class QStackedWidget;
class QToolButton;
class QWebEngineProfile;
class QWebEngineView;

// The player's window: the movie, run by the web player inside a web view,
// at the movie's own size, and under it a pane with the movie's trace()
// output and its uncaught errors, which the learner can open and close and
// which opens itself on an error. The web player's page is loaded once and
// plays every later movie without loading again.
class CPlayerWindow : public QMainWindow
{
    Q_OBJECT

public:
    enum class State { Empty, Loading, Playing, Failed };

    // `filesFolder` holds player.html's companions: the web player in ruffle/.
    explicit CPlayerWindow(const QString& filesFolder, QWidget* parent = nullptr);
    ~CPlayerWindow() override;

    // The folder beside the executable that holds the web player.
    static QString DefaultFilesFolder();

    // Shows a movie, replacing the one shown before. A movie that cannot be
    // shown (missing, not a movie) puts a plain message in the window.
    void OpenMovie(const QString& path);

    // Loads the web player before any movie comes, so that the first movie
    // starts sooner. The window may stay hidden meanwhile.
    void Preload();

    State state() const { return m_state; }
    QString moviePath() const { return m_strMoviePath; }
    QString errorText() const { return m_strError; }
    QSize movieSize() const { return m_movieSize; }

    bool isTracePaneOpen() const;
    void SetTracePaneOpen(bool open);
    QStringList traceLines() const;

    QWebEngineView* view() const { return m_pView; }

Q_SIGNALS:
    void stateChanged(CPlayerWindow::State state);
    void playerReady();                             // the web player is loaded and compiled
    void firstFrameShown(const QString& moviePath); // the movie's first frame is on screen
    void movieFailed(const QString& moviePath);     // the movie could not be shown

protected:
    void changeEvent(QEvent* event) override;

private:
    void ShowError(const QString& text);
    void SetState(State state);
    void LoadPlayer(bool warm);
    void OnPlayerLoaded(bool ok);
    void StartMovie();
    void OnTraceLine(const QString& text);
    void OnRuntimeError(const QString& text);
    void OnFirstFrame();
    void AppendTrace(const QString& text, bool isError);
    void OnMovieLoaded();
    void OnMovieFailed(const QString& reason);
    void OnMovieSize(const QSize& size);
    void FitToMovie();
    void UpdateTraceButton();

    QString m_strFilesFolder;
    QString m_strMoviePath;
    QString m_strError;
    QSize m_movieSize;
    State m_state = State::Empty;
    int m_nUnseenTraceLines = 0;
    QString m_strLastError; // the error shown last, not repeated while it recurs

    QWebEngineProfile* m_pProfile = nullptr;
    CPlayerPage* m_pPage = nullptr;
    QWebEngineView* m_pView = nullptr;
    QStackedWidget* m_pStack = nullptr;
    QLabel* m_pErrorLabel = nullptr;
    QPlainTextEdit* m_pTracePane = nullptr;
    QToolButton* m_pTraceButton = nullptr;
};
