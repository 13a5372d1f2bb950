#pragma once

#include <QPointer>
#include <QWebEngineView>

class CFlashPage;
class QKeyEvent;
class QMouseEvent;
class QSoundEffect;
class QWebEngineProfile;

// The tutorial browser: shows the tutorial's pages, turns page links into
// the current page, filters the learner's clicks and keys, and copies the
// page's script.
class CFlashView : public QWebEngineView
{
    Q_OBJECT
public:
    explicit CFlashView(QWidget* parent = nullptr);
    ~CFlashView() override;

    void OnInitialUpdate();
    // FALSE: the project's start page; TRUE: the default index page.
    void ShowStartPage(bool bDefaultIndex);
    // The navigation rule, called before every navigation (never cancels).
    void OnBeforeNavigate2(const QUrl& url);
    bool CopyPageScript();
    void OnCopyScript();

    // The text a copy puts on the clipboard: the copy text (code page 932
    // bytes) up to its first NUL, decoded.
    static QString ClipboardText(const QByteArray& copyText);

    // The page's own context menu is never shown; this one-item menu
    // ("コピー") takes its place. Public so that its contents can be checked.
    void ShowContextMenu(const QPoint& globalPos);

    bool m_bCopyDone = false;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void WatchInput();
    bool FilterKey(QKeyEvent* event);
    bool FilterMouse(QMouseEvent* event);
    bool HoldsBackClicks() const;
    void EmptyClipboard();
    void PlayCopySound();
    void OnLinkHovered(const QString& url);

    QWebEngineProfile* m_pProfile = nullptr;
    QPointer<CFlashPage> m_pPage;
    QSoundEffect* m_pCopySound = nullptr;
    // Buttons pressed in the pane, and those of them whose press was used
    // up: their release is used up too, so the page never sees half a click.
    Qt::MouseButtons m_pressedButtons;
    Qt::MouseButtons m_swallowedButtons;
};
