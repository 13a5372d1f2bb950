#pragma once

#include <QPointer>
#include <QWebEngineView>

#include <functional>
#include <utility>

class CFlashPage;
class QKeyEvent;
class QMouseEvent;
class QSoundEffect;
class QWebEngineProfile;

// The tutorial browser: shows the tutorial's pages, turns page links into
// the current page, filters the learner's clicks and keys, and copies the
// page's script. It says with signals what happened; what it needs to know
// of the window around it it asks through the queries the main window hands
// it when it creates the panes.
class CFlashView : public QWebEngineView
{
    Q_OBJECT
public:
    using Query = std::function<bool()>;

    explicit CFlashView(QWidget* parent = nullptr);
    ~CFlashView() override;

    // Whether the main window exists: without it the view shows no start
    // page and its navigation rule leaves the model alone. Unset: no main
    // window (a view on its own).
    void SetMainWindowQuery(Query query) { m_mainWindowQuery = std::move(query); }
    // The editor's m_bEditDone, which holds back clicks on a delete page.
    // Unset: there is no editor, and no click is held back.
    void SetEditDoneQuery(Query query) { m_editDoneQuery = std::move(query); }

    void OnInitialUpdate();
    // FALSE: the project's start page; TRUE: the default index page.
    void ShowStartPage(bool bDefaultIndex);
    // The navigation rule, called before every navigation (never cancels).
    void OnBeforeNavigate2(const QUrl& url);
    bool CopyPageScript();
    void OnCopyScript();

    // Puts the current page's copy text into the page's
    // <pre class="peltra-script"> elements (pagescript.h); done whenever a
    // local page has loaded, and again when the page's entry changed.
    void FillPageScript();

    // The text a copy puts on the clipboard: the copy text (code page 932
    // bytes) up to its first NUL, decoded.
    static QString ClipboardText(const QByteArray& copyText);

    // The folders whose files the pages may read: the tutorial's HTML
    // folder and the folder of the project's start page.
    static QStringList ReadableFolders();

    // The page's own context menu is never shown; this one-item menu
    // ("コピー") takes its place. Public so that its contents can be checked.
    void ShowContextMenu(const QPoint& globalPos);

    bool m_bCopyDone = false;

Q_SIGNALS:
    // A navigation made a page current (the main window exists): the editor
    // follows the page and its edit starts afresh. Emitted before this view
    // clears m_bCopyDone and empties the clipboard.
    void pageEntered();
    // A text for the status bar's message pane (a link's address, a copy).
    void statusText(const QString& text);
    // Backspace or Delete was pressed in the page: deleting is the editor's.
    void editorRequested();
    // Shift+Delete was pressed in the page: the editor's Cut, as the
    // window's Shift+Delete gives it (a delete page's lines are cut there).
    void cutRequested();
    // Ctrl+V or Shift+Insert was pressed in the page: the main window pastes
    // the page's script into the editor.
    void pasteRequested();

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
    bool HasMainWindow() const { return m_mainWindowQuery && m_mainWindowQuery(); }

    Query m_mainWindowQuery;
    Query m_editDoneQuery;

    QWebEngineProfile* m_pProfile = nullptr;
    QPointer<CFlashPage> m_pPage;
    QSoundEffect* m_pCopySound = nullptr;
    // Buttons pressed in the pane, and those of them whose press was used
    // up: their release is used up too, so the page never sees half a click.
    Qt::MouseButtons m_pressedButtons;
    Qt::MouseButtons m_swallowedButtons;
};
