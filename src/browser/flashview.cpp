#include "flashview.h"

#include "browser/flashpage.h"
#include "browser/pagenumber.h"
#include "browser/pagescript.h"
#include "build/locations.h"
#include "tutorial/copytext.h"
#include "tutorial/pathname.h"
#include "tutorial/peltra.h"
#include "widgets/prompts.h"

#include <QAction>
#include <QChildEvent>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QCursor>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QSoundEffect>
#include <QWebEngineProfile>

namespace {

const char* const kCopySoundUrl = "qrc:/sounds/copy.wav";

} // namespace

CFlashView::CFlashView(QWidget* parent) : QWebEngineView(parent)
{
    // The copy sound.
    InitProgramResources();
    // A profile without a storage name is off the record: no cache, cookies
    // or history are written to the home folder.
    m_pProfile = new QWebEngineProfile(this);
    // Pages read no local file but the tutorial's own.
    m_pProfile->setUrlRequestInterceptor(
        new CFileRequestGuard(&CFlashView::ReadableFolders, m_pProfile));
    m_pPage = new CFlashPage(m_pProfile, this, this);
    setPage(m_pPage);
    connect(m_pPage, &QWebEnginePage::linkHovered, this, &CFlashView::OnLinkHovered);
    // The widget that receives the input appears with the first load and
    // may be replaced when the page's renderer is; watch for it every time.
    connect(m_pPage, &QWebEnginePage::loadStarted, this, &CFlashView::WatchInput);
    connect(m_pPage, &QWebEnginePage::loadFinished, this, &CFlashView::WatchInput);
    connect(m_pPage, &QWebEnginePage::loadFinished, this, [this](bool ok) {
        if (ok)
            FillPageScript();
    });
}

CFlashView::~CFlashView()
{
    // The page has to go before its profile.
    delete m_pPage;
}

void CFlashView::OnInitialUpdate()
{
    m_bCopyDone = false;
    ShowStartPage(false);
    EmptyClipboard();
}

void CFlashView::ShowStartPage(bool bDefaultIndex)
{
    if (!HasMainWindow())
        return;
    const QString folder = GetProgramFolder();
    const QString path = bDefaultIndex ? DefaultIndexPath(folder)
                                       : StartPagePath(folder, theTutorial.GetStartPage());
    // Whether the file exists is not checked: whatever the browser shows for
    // a missing file stays on the pane.
    load(QUrl::fromLocalFile(path));
}

QStringList CFlashView::ReadableFolders()
{
    const QString folder = GetProgramFolder();
    QStringList folders{QFileInfo(DefaultIndexPath(folder)).absolutePath()};
    const QByteArray startPage = theTutorial.GetStartPage();
    if (!startPage.isEmpty())
        folders << QFileInfo(StartPagePath(folder, startPage)).absolutePath();
    return folders;
}

void CFlashView::OnBeforeNavigate2(const QUrl& url)
{
    // The address as written, fragment and query included, so that
    // "index4.html#top" still has the title "index4".
    const QString address = url.toString();
    // Addresses of the web are left alone (https ones are not: they go
    // through the rule like local pages).
    if (address.contains(QLatin1String("http://"), Qt::CaseSensitive))
        return;
    if (!HasMainWindow())
        return;

    // An address without a file title (ending in a separator, or a last
    // component that begins with its only dot) names no numbered page.
    int page = -1;
    QString title;
    if (GetPathTitle(address, title))
        ParsePageNumber(title, QStringLiteral("index"), page);
    theTutorial.SetCurrentPage(page);

    Q_EMIT pageEntered();
    m_bCopyDone = false;
    EmptyClipboard();
}

void CFlashView::FillPageScript()
{
    // Only the tutorial's own pages: a page of the web keeps its text.
    if (!m_pPage || !m_pPage->url().isLocalFile())
        return;
    m_pPage->runJavaScript(PageScriptFiller(ClipboardText(theTutorial.GetText())));
}

QString CFlashView::ClipboardText(const QByteArray& copyText)
{
    // The same text the replay of a tutorial pastes.
    return PageClipboardText(copyText);
}

bool CFlashView::CopyPageScript()
{
    const QByteArray text = theTutorial.GetText();
    if (m_bCopyDone)
        return false;
    if (text.isEmpty())
        return false;

    const QString clipText = ClipboardText(text);
    QClipboard* clipboard = QGuiApplication::clipboard();
    bool copied = false;
    if (clipboard) {
        clipboard->setText(clipText, QClipboard::Clipboard);
        // Read it back: while this program owns the clipboard the answer is
        // local; when another client kept it, the text differs.
        const QMimeData* data = clipboard->mimeData(QClipboard::Clipboard);
        copied = data && data->hasText() && data->text() == clipText;
    }
    if (!copied) {
        AfxMessageBox(QStringLiteral("クリップボードが開けません"), QMessageBox::Ok);
        return false;
    }

    PlayCopySound();
    Q_EMIT statusText(QStringLiteral("左のスクリプトをクリップボードにコピーしました"));
    return true;
}

void CFlashView::OnCopyScript()
{
    // The menu copies even after the learner has pasted, and leaves the
    // click rule as it was.
    const bool bCopyDone = m_bCopyDone;
    m_bCopyDone = false;
    CopyPageScript();
    m_bCopyDone = bCopyDone;
}

void CFlashView::ShowContextMenu(const QPoint& globalPos)
{
    // Made for this one showing and gone afterwards. It has no parent, so it
    // is never taken for a child whose input this view filters.
    QMenu menu;
    menu.setObjectName(QStringLiteral("browserMenu"));
    menu.setTitle(QStringLiteral("HTML"));
    QAction* copy = menu.addAction(QStringLiteral("コピー"));
    copy->setObjectName(QStringLiteral("copyScriptAction"));
    QPointer<CFlashView> self(this);
    if (menu.exec(globalPos) == copy && self)
        OnCopyScript();
}

bool CFlashView::event(QEvent* event)
{
    if (event->type() == QEvent::ChildAdded || event->type() == QEvent::ChildPolished) {
        QObject* child = static_cast<QChildEvent*>(event)->child();
        if (child && child->isWidgetType() && !static_cast<QWidget*>(child)->isWindow())
            child->installEventFilter(this);
    }
    return QWebEngineView::event(event);
}

void CFlashView::WatchInput()
{
    // Installing again only moves the filter to the front; no event is seen
    // twice.
    if (QWidget* proxy = focusProxy())
        proxy->installEventFilter(this);
    const QList<QWidget*> children = findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (QWidget* child : children) {
        if (!child->isWindow())
            child->installEventFilter(this);
    }
}

bool CFlashView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != this && watched->isWidgetType()) {
        switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
            if (FilterKey(static_cast<QKeyEvent*>(event)))
                return true;
            break;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseButtonRelease:
            if (FilterMouse(static_cast<QMouseEvent*>(event)))
                return true;
            break;
        default:
            break;
        }
    }
    return QWebEngineView::eventFilter(watched, event);
}

bool CFlashView::FilterKey(QKeyEvent* event)
{
    const int key = event->key();
    const bool alt = event->modifiers().testFlag(Qt::AltModifier);
    const bool press = event->type() == QEvent::KeyPress;

    if (!alt && (key == Qt::Key_Backspace || key == Qt::Key_Delete)) {
        // Deleting belongs to the editor: make it the active pane (Shift+Delete
        // is Cut, there too); the key itself never reaches the page.
        if (press && key == Qt::Key_Delete && event->modifiers() == Qt::ShiftModifier)
            Q_EMIT cutRequested();
        else if (press)
            Q_EMIT editorRequested();
        return true;
    }
    // Paste and Cut keys are the editor's guided commands: the page takes no
    // text, and its script goes into the editor.
    const auto mods = event->modifiers() & ~Qt::KeypadModifier;
    if ((key == Qt::Key_V && mods == Qt::ControlModifier) ||
        (key == Qt::Key_Insert && mods == Qt::ShiftModifier)) {
        if (press)
            Q_EMIT pasteRequested();
        return true;
    }
    if (key == Qt::Key_X && mods == Qt::ControlModifier) {
        if (press)
            Q_EMIT cutRequested();
        return true;
    }
    if (alt && (key == Qt::Key_Left || key == Qt::Key_Right)) {
        // The tutorial moves only by its own links.
        if (press && !event->isAutoRepeat()) {
            AfxMessageBox(key == Qt::Key_Left ? QStringLiteral("戻れません！")
                                              : QStringLiteral("進めません！"),
                          QMessageBox::Ok);
        }
        return true;
    }
    if (key == Qt::Key_Back || key == Qt::Key_Forward)
        return true;
    return false;
}

bool CFlashView::FilterMouse(QMouseEvent* event)
{
    const Qt::MouseButton button = event->button();
    const Qt::MouseButtons bit(button);
    if (event->type() == QEvent::MouseButtonRelease) {
        const bool swallowed = m_swallowedButtons & bit;
        m_pressedButtons &= ~bit;
        m_swallowedButtons &= ~bit;
        return swallowed;
    }
    // The second press of a double click comes as a press and then as a
    // double click; the press has been answered already.
    if (event->type() == QEvent::MouseButtonDblClick && (m_pressedButtons & bit))
        return m_swallowedButtons & bit;

    m_pressedButtons |= bit;
    // Marked before a message box or the menu may open, so that the release
    // is recognised afterwards.
    m_swallowedButtons |= bit;
    QPointer<CFlashView> self(this);
    bool swallow = false;
    if (button == Qt::LeftButton) {
        swallow = CopyPageScript() || HoldsBackClicks();
    } else if (button == Qt::RightButton) {
        ShowContextMenu(QCursor::pos());
        swallow = true;
    } else if (button == Qt::BackButton || button == Qt::ForwardButton) {
        // No back or forward in the tutorial.
        swallow = true;
    }
    if (!self)
        return true;
    if (!swallow)
        m_swallowedButtons &= ~bit;
    return swallow;
}

bool CFlashView::HoldsBackClicks() const
{
    // On a delete page the clicks wait until the learner has cut the marked
    // lines in the editor.
    const int page = theTutorial.GetCurrentPage();
    if (page < 0 || page >= theTutorial.ColorCount())
        return false;
    if (theTutorial.GetColor() != ARROW_DELETE)
        return false;
    return m_editDoneQuery && !m_editDoneQuery();
}

void CFlashView::contextMenuEvent(QContextMenuEvent* event)
{
    // The page's own menu (back, forward, reload...) is never offered.
    event->accept();
}

void CFlashView::EmptyClipboard()
{
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        clipboard->clear(QClipboard::Clipboard);
}

void CFlashView::PlayCopySound()
{
    // Loaded once and played in the background; without an audio device
    // there is simply no sound.
    if (!m_pCopySound) {
        m_pCopySound = new QSoundEffect(this);
        m_pCopySound->setSource(QUrl(QString::fromLatin1(kCopySoundUrl)));
    }
    m_pCopySound->play();
}

void CFlashView::OnLinkHovered(const QString& url)
{
    Q_EMIT statusText(url);
}
