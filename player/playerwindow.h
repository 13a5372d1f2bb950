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
// output that the learner can open and close.
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

protected:
    void changeEvent(QEvent* event) override;

private:
    void ShowError(const QString& text);
    void SetState(State state);
    void StartMovie(bool pageOk);
    void OnTraceLine(const QString& text);
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

    QWebEngineProfile* m_pProfile = nullptr;
    CPlayerPage* m_pPage = nullptr;
    QWebEngineView* m_pView = nullptr;
    QStackedWidget* m_pStack = nullptr;
    QLabel* m_pErrorLabel = nullptr;
    QPlainTextEdit* m_pTracePane = nullptr;
    QToolButton* m_pTraceButton = nullptr;
};
