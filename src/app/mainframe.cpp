#include "mainframe.h"

#include "app/commands.h"
#include "app/flashapp.h"
#include "app/recentfilelist.h"
#include "browser/flashview.h"
#include "build/compilecommand.h"
#include "build/locations.h"
#include "build/processrunner.h"
#include "build/sourcefile.h"
#include "editor/programmingview.h"
#include "tutorial/flashdoc.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QMimeData>
#include <QProcess>
#include <QSplitter>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>

#include <cstdio>
#include <optional>

namespace {

// Swallows the tool tip of a toolbar button whose command has none.
class NoToolTipFilter : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::ToolTip)
            return true;
        return QObject::eventFilter(watched, event);
    }
};

// The state of a lock key as the keyboard's LED shows it, where the system
// tells it (Linux LED class devices); nullopt when it cannot be told.
std::optional<bool> LockKeyState(const QString& ledName)
{
    const QDir leds(QStringLiteral("/sys/class/leds"));
    if (!leds.exists())
        return std::nullopt;
    const QStringList names =
        leds.entryList({QStringLiteral("*::") + ledName}, QDir::Dirs | QDir::System);
    if (names.isEmpty())
        return std::nullopt;
    for (const QString& name : names) {
        QFile brightness(leds.filePath(name + QStringLiteral("/brightness")));
        if (brightness.open(QIODevice::ReadOnly) && brightness.readAll().trimmed().toInt() > 0)
            return true;
    }
    return false;
}

QLabel* MakeIndicator(const QString& text, const QString& name, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    // The text shows only while the key is on (see UpdateKeyIndicators).
    label->setProperty("indicatorText", text);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setAlignment(Qt::AlignCenter);
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("SCRL")) + 12);
    return label;
}

bool IsInside(const QObject* object, const QWidget* ancestor)
{
    const auto* widget = qobject_cast<const QWidget*>(object);
    return widget && ancestor && (widget == ancestor || ancestor->isAncestorOf(widget));
}

} // namespace

CMainFrame::CMainFrame(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("mainFrame"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/peltra.svg")));
    setAcceptDrops(true);
    // The bars are shown and hidden through the View menu only.
    setContextMenuPolicy(Qt::NoContextMenu);

    OnCreateClient();
    CreateActions();
    CreateMenus();
    CreateToolBar();
    CreateStatusBar();

    const QString folder = GetProgramFolder();
    const QString gameRoot = GetGameRoot(); // the user's copy of game/ when folder is read-only
    m_strMxmlcPath = MxmlcPath(folder);
    m_strSourcePath = SourcePath(gameRoot);
    m_strPlayerPath = PlayerPath(folder);
    m_strMoviePath = MoviePath(gameRoot);

    connect(qApp, &QApplication::focusChanged, this, &CMainFrame::OnFocusChanged);
    // Drops of project files anywhere in the window (the panes would take
    // them as text or as a page to show) and the lock keys are watched
    // application-wide.
    qApp->installEventFilter(this);

    AttachDocument(theApp.GetDocument());
    if (RecentFileList* recent = theApp.GetRecentFileList())
        connect(recent, &RecentFileList::changed, this, &CMainFrame::UpdateRecentFileMenu);
    UpdateRecentFileMenu();
    UpdateEditCommands();
    UpdateKeyIndicators();
}

CMainFrame::~CMainFrame()
{
    // The application, the document and the recent-file list outlive the
    // window, and the panes are torn down only after this body: nothing may
    // reach the window from now on (the focus leaving a pane as it goes
    // would run OnFocusChanged on a window half destroyed).
    qApp->removeEventFilter(this);
    disconnect(qApp, nullptr, this, nullptr);
    if (RecentFileList* recent = theApp.GetRecentFileList())
        disconnect(recent, nullptr, this, nullptr);
    if (m_pDocument)
        disconnect(m_pDocument, nullptr, this, nullptr);
    if (m_pEditorPane)
        disconnect(m_pEditorPane, nullptr, this, nullptr);
    if (m_pBrowserPane) {
        disconnect(m_pBrowserPane, nullptr, this, nullptr);
        m_pBrowserPane->SetMainWindowQuery({});
        m_pBrowserPane->SetEditDoneQuery({});
    }
}

void CMainFrame::OnCreateClient()
{
    m_wndSplitter = new QSplitter(Qt::Horizontal, this);
    m_wndSplitter->setObjectName(QStringLiteral("splitter"));
    m_pBrowserPane = new CFlashView(m_wndSplitter);
    m_pEditorPane = new CProgrammingView(m_wndSplitter);
    m_wndSplitter->addWidget(m_pBrowserPane);
    m_wndSplitter->addWidget(m_pEditorPane);
    // Like the frame's splitter: a size change goes to the last column.
    m_wndSplitter->setStretchFactor(0, 0);
    m_wndSplitter->setStretchFactor(1, 1);
    setCentralWidget(m_wndSplitter);

    // Halves of the present width; set again once the frame is shown.
    const int half = width() / 2;
    m_wndSplitter->setSizes({half, half});

    ConnectPanes();
}

void CMainFrame::ConnectPanes()
{
    // The panes know nothing of each other: each says what happened, and
    // the frame alone passes it on. Direct connections keep the order of
    // the calls.
    m_pBrowserPane->SetMainWindowQuery([this] { return IsMainWindow(); });
    m_pBrowserPane->SetEditDoneQuery([this] { return m_pEditorPane->m_bEditDone; });
    connect(m_pBrowserPane, &CFlashView::pageEntered, this, &CMainFrame::OnPageEntered);
    connect(m_pBrowserPane, &CFlashView::statusText, this, &CMainFrame::SetStatusText);
    connect(m_pBrowserPane, &CFlashView::editorRequested, this, &CMainFrame::OnEditorRequested);
    connect(m_pEditorPane, &CProgrammingView::scriptTaken, this, &CMainFrame::OnScriptTaken);
    connect(m_pEditorPane, &CProgrammingView::commandStateChanged, this,
            &CMainFrame::UpdateEditCommands);
}

bool CMainFrame::IsMainWindow() const
{
    return theApp.GetMainWnd() == this;
}

void CMainFrame::OnPageEntered()
{
    // The page's lines are selected afresh and its edit is still to do.
    m_pEditorPane->RefreshPage();
    m_pEditorPane->m_bEditDone = false;
}

void CMainFrame::OnEditorRequested()
{
    SetActivePane(1);
}

void CMainFrame::OnScriptTaken()
{
    // The page's script is in the editor: clicks on the page go through.
    m_pBrowserPane->m_bCopyDone = true;
}

void CMainFrame::OnContentCleared()
{
    // At start-up the document is made before the window is the main
    // window; then only the model is cleared.
    if (IsMainWindow())
        m_pEditorPane->SetWindowText(QString());
}

void CMainFrame::OnProjectOpened()
{
    if (!IsMainWindow())
        return;
    m_pBrowserPane->ShowStartPage(false);
    m_pEditorPane->SetWindowText(QString());
}

void CMainFrame::OnPageSettingsApplied()
{
    if (!IsMainWindow())
        return;
    m_pEditorPane->RefreshPage();
    m_pBrowserPane->m_bCopyDone = false;
}

void CMainFrame::OnPathNameRecorded(const QString& path)
{
    if (RecentFileList* recent = theApp.GetRecentFileList())
        recent->Add(path);
}

QAction* CMainFrame::AddAction(int id, const QString& text, void (CMainFrame::*handler)())
{
    auto* action = new QAction(text, this);
    action->setObjectName(QStringLiteral("action%1").arg(id));
    action->setData(id);
    action->setStatusTip(CommandPrompt(id));
    action->setToolTip(CommandToolTip(id));
    action->setIconVisibleInMenu(false); // the menus show text only
    if (handler)
        connect(action, &QAction::triggered, this, handler);
    m_actions.insert(id, action);
    addAction(action); // shortcuts work whether or not the action is in a menu
    return action;
}

void CMainFrame::CreateActions()
{
    QAction* a = nullptr;
    a = AddAction(ID_FILE_OPEN, QStringLiteral("開く(&O)...\tCtrl+O"), &CMainFrame::OnFileOpen);
    a->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    a->setIconText(QStringLiteral("開く"));
    a->setIcon(QIcon(QStringLiteral(":/icons/open.svg")));

    a = AddAction(ID_OPEN_LAST_SOURCE, QStringLiteral("最後に実行したMain.asファイルを読み込み"),
                  &CMainFrame::OnOpenLastSource);
    a->setIconText(QStringLiteral("最後"));
    a->setIcon(QIcon(QStringLiteral(":/icons/openlast.svg")));

    a = AddAction(ID_APP_EXIT, QStringLiteral("アプリケーションの終了(&X)"),
                  &CMainFrame::OnAppExit);
    a->setMenuRole(QAction::NoRole);

    a = AddAction(ID_EDIT_UNDO, QStringLiteral("元に戻す(&U)\tCtrl+Z"), &CMainFrame::OnEditUndo);
    a->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Z), QKeySequence(Qt::ALT | Qt::Key_Backspace)});

    a = AddAction(ID_EDIT_CUT, QStringLiteral("切り取り(&T)\tCtrl+X"), &CMainFrame::OnEditCut);
    a->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_X), QKeySequence(Qt::SHIFT | Qt::Key_Delete)});
    a->setIconText(QStringLiteral("切取"));
    a->setIcon(QIcon(QStringLiteral(":/icons/cut.svg")));

    a = AddAction(ID_EDIT_COPY, QStringLiteral("コピー(&C)\tCtrl+C"), &CMainFrame::OnEditCopy);
    a->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_Insert)});
    a->setIconText(QStringLiteral("ｺﾋﾟｰ"));
    a->setIcon(QIcon(QStringLiteral(":/icons/copy.svg")));

    a = AddAction(ID_EDIT_PASTE, QStringLiteral("貼り付け(&P)\tCtrl+V"), &CMainFrame::OnEditPaste);
    a->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_V), QKeySequence(Qt::SHIFT | Qt::Key_Insert)});
    a->setIconText(QStringLiteral("貼付"));
    a->setIcon(QIcon(QStringLiteral(":/icons/paste.svg")));

    a = AddAction(ID_BUILD_AND_RUN, QStringLiteral("実行(&E)"), &CMainFrame::OnBuildAndRun);
    a->setIconText(QStringLiteral("実行"));
    a->setIcon(QIcon(QStringLiteral(":/icons/run.svg")));

    a = AddAction(ID_VIEW_TOOLBAR, QStringLiteral("ツール バー(&T)"), nullptr);
    a->setCheckable(true);
    a->setChecked(true);
    a = AddAction(ID_VIEW_STATUS_BAR, QStringLiteral("ステータス バー(&S)"), nullptr);
    a->setCheckable(true);
    a->setChecked(true);

    AddAction(ID_DELETE_REGISTRY, QStringLiteral("レジストリの削除(&U)"),
              &CMainFrame::OnDeleteRegistry);

    a = AddAction(ID_APP_ABOUT, QStringLiteral("バージョン情報 Peltra(&A)..."),
                  &CMainFrame::OnAppAbout);
    a->setMenuRole(QAction::NoRole);
    a->setIconText(QStringLiteral("ﾍﾙﾌﾟ"));
    a->setIcon(QIcon(QStringLiteral(":/icons/help.svg")));

    // Commands reached only by their keys.
    a = AddAction(ID_FILE_NEW, QStringLiteral("新規作成"), &CMainFrame::OnFileNew);
    a->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    a = AddAction(ID_FILE_SAVE, QStringLiteral("上書き保存"), &CMainFrame::OnFileSave);
    a->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    a = AddAction(ID_FILE_SAVE_AS, QStringLiteral("名前を付けて保存"), &CMainFrame::OnFileSaveAs);
    a->setShortcut(QKeySequence(Qt::Key_F10));
    a = AddAction(ID_PAGE_SETTINGS, QStringLiteral("ページの設定"), &CMainFrame::OnPageSettings);
    a->setShortcut(QKeySequence(Qt::Key_F9));
    a = AddAction(ID_NEXT_PANE, QStringLiteral("次のペイン"), &CMainFrame::OnNextPane);
    a->setShortcut(QKeySequence(Qt::Key_F6));
    a = AddAction(ID_PREV_PANE, QStringLiteral("前のペイン"), &CMainFrame::OnPrevPane);
    a->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F6));

    // The recent-file entries; shown in the File menu while they hold a path.
    for (int i = 0; i < RecentFileList::kDefaultSize; ++i) {
        a = AddAction(ID_FILE_MRU_FILE1 + i, QString(), nullptr);
        a->setVisible(false);
        connect(a, &QAction::triggered, this, [this, i] { OnRecentFile(i); });
    }
    m_pRecentPlaceholder = new QAction(QStringLiteral("最近使ったファイル"), this);
    m_pRecentPlaceholder->setObjectName(QStringLiteral("recentFilePlaceholder"));
    m_pRecentPlaceholder->setStatusTip(CommandPrompt(ID_FILE_MRU_FILE1));
    m_pRecentPlaceholder->setEnabled(false);
}

void CMainFrame::CreateMenus()
{
    QMenuBar* bar = menuBar();
    m_pFileMenu = bar->addMenu(QStringLiteral("ファイル(&F)"));
    m_pFileMenu->setObjectName(QStringLiteral("fileMenu"));
    m_pFileMenu->addAction(Action(ID_FILE_OPEN));
    m_pFileMenu->addSeparator();
    m_pFileMenu->addAction(Action(ID_OPEN_LAST_SOURCE));
    m_pFileMenu->addSeparator();
    m_pFileMenu->addAction(m_pRecentPlaceholder);
    for (int i = 0; i < RecentFileList::kDefaultSize; ++i)
        m_pFileMenu->addAction(Action(ID_FILE_MRU_FILE1 + i));
    m_pFileMenu->addSeparator();
    m_pFileMenu->addAction(Action(ID_APP_EXIT));

    QMenu* edit = bar->addMenu(QStringLiteral("編集(&E)"));
    edit->setObjectName(QStringLiteral("editMenu"));
    edit->addAction(Action(ID_EDIT_UNDO));
    edit->addSeparator();
    edit->addAction(Action(ID_EDIT_CUT));
    edit->addAction(Action(ID_EDIT_COPY));
    edit->addAction(Action(ID_EDIT_PASTE));

    QMenu* control = bar->addMenu(QStringLiteral("制御(&C)"));
    control->setObjectName(QStringLiteral("controlMenu"));
    control->addAction(Action(ID_BUILD_AND_RUN));

    QMenu* view = bar->addMenu(QStringLiteral("表示(&V)"));
    view->setObjectName(QStringLiteral("viewMenu"));
    view->addAction(Action(ID_VIEW_TOOLBAR));
    view->addAction(Action(ID_VIEW_STATUS_BAR));

    QMenu* help = bar->addMenu(QStringLiteral("ヘルプ(&H)"));
    help->setObjectName(QStringLiteral("helpMenu"));
    help->addAction(Action(ID_DELETE_REGISTRY));
    help->addSeparator();
    help->addAction(Action(ID_APP_ABOUT));
}

void CMainFrame::CreateToolBar()
{
    m_wndToolBar = new QToolBar(QStringLiteral("ツール バー"), this);
    m_wndToolBar->setObjectName(QStringLiteral("toolBar"));
    m_wndToolBar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    m_wndToolBar->setIconSize(QSize(16, 16));
    m_wndToolBar->setMovable(true);
    m_wndToolBar->setFloatable(true);
    m_wndToolBar->setAllowedAreas(Qt::AllToolBarAreas);
    // The frame's own context menu of bars is replaced by the View menu.
    m_wndToolBar->toggleViewAction()->setVisible(false);
    addToolBar(Qt::TopToolBarArea, m_wndToolBar);

    m_wndToolBar->addAction(Action(ID_FILE_OPEN));
    m_wndToolBar->addAction(Action(ID_OPEN_LAST_SOURCE));
    m_wndToolBar->addSeparator();
    m_wndToolBar->addAction(Action(ID_EDIT_CUT));
    m_wndToolBar->addAction(Action(ID_EDIT_COPY));
    m_wndToolBar->addAction(Action(ID_EDIT_PASTE));
    m_wndToolBar->addSeparator();
    m_wndToolBar->addAction(Action(ID_BUILD_AND_RUN));
    m_wndToolBar->addSeparator();
    m_wndToolBar->addAction(Action(ID_APP_ABOUT));

    // Every button takes the labelled size of the first.
    const QList<QAction*> actions = m_wndToolBar->actions();
    QWidget* first = m_wndToolBar->widgetForAction(Action(ID_FILE_OPEN));
    const QSize size = first ? first->sizeHint() : QSize();
    auto* noToolTip = new NoToolTipFilter(this);
    for (QAction* action : actions) {
        if (action->isSeparator())
            continue;
        QWidget* button = m_wndToolBar->widgetForAction(action);
        if (!button)
            continue;
        button->setObjectName(QStringLiteral("toolButton%1").arg(action->data().toInt()));
        if (size.isValid())
            button->setFixedSize(size);
        if (action->toolTip().isEmpty() || CommandToolTip(action->data().toInt()).isEmpty())
            button->installEventFilter(noToolTip);
    }

    QAction* toggle = Action(ID_VIEW_TOOLBAR);
    connect(toggle, &QAction::toggled, m_wndToolBar, &QToolBar::setVisible);
    connect(m_wndToolBar, &QToolBar::visibilityChanged, toggle, &QAction::setChecked);
}

void CMainFrame::CreateStatusBar()
{
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("statusBar"));
    bar->setSizeGripEnabled(true);
    m_pMessagePane = new QLabel(IdleMessage(), bar);
    m_pMessagePane->setObjectName(QStringLiteral("messagePane"));
    m_pMessagePane->setTextFormat(Qt::PlainText);
    m_pMessagePane->setMinimumWidth(1);
    bar->addWidget(m_pMessagePane, 1);
    m_pCapIndicator = MakeIndicator(QStringLiteral("CAP"), QStringLiteral("capIndicator"), bar);
    m_pNumIndicator = MakeIndicator(QStringLiteral("NUM"), QStringLiteral("numIndicator"), bar);
    m_pScrlIndicator = MakeIndicator(QStringLiteral("SCRL"), QStringLiteral("scrlIndicator"), bar);
    bar->addPermanentWidget(m_pCapIndicator);
    bar->addPermanentWidget(m_pNumIndicator);
    bar->addPermanentWidget(m_pScrlIndicator);

    QAction* toggle = Action(ID_VIEW_STATUS_BAR);
    connect(toggle, &QAction::toggled, bar, &QStatusBar::setVisible);
}

void CMainFrame::SetStatusText(const QString& text)
{
    if (!m_pMessagePane)
        return;
    // An empty message pane is the idle one.
    m_pMessagePane->setText(text.isEmpty() ? IdleMessage() : text);
    if (m_pMessagePane->isVisible())
        m_pMessagePane->repaint();
}

QString CMainFrame::GetStatusText() const
{
    return m_pMessagePane ? m_pMessagePane->text() : QString();
}

void CMainFrame::SetActivePane(int column)
{
    QWidget* pane = nullptr;
    if (column == 0)
        pane = m_pBrowserPane;
    else if (column == 1)
        pane = m_pEditorPane;
    if (!pane)
        return;
    m_nActivePane = column;
    pane->setFocus(Qt::OtherFocusReason);
    UpdateEditCommands();
}

void CMainFrame::OnFocusChanged(QWidget* /*old*/, QWidget* now)
{
    int column = -1;
    if (IsInside(now, m_pEditorPane))
        column = 1;
    else if (IsInside(now, m_pBrowserPane))
        column = 0;
    if (column >= 0 && column != m_nActivePane) {
        m_nActivePane = column;
        UpdateEditCommands();
    }
}

void CMainFrame::OnNextPane()
{
    SetActivePane(m_nActivePane == 0 ? 1 : 0);
}

void CMainFrame::OnPrevPane()
{
    // With two columns the previous pane is the next one.
    SetActivePane(m_nActivePane == 0 ? 1 : 0);
}

void CMainFrame::UpdateEditCommands()
{
    bool canCut = false;
    bool canCopy = false;
    bool canPaste = false;
    bool canUndo = false;
    if (m_nActivePane == 1 && m_pEditorPane) {
        canCut = m_pEditorPane->CanCut();
        canCopy = m_pEditorPane->CanCopy();
        canPaste = m_pEditorPane->CanPaste();
        canUndo = m_pEditorPane->CanUndo();
    }
    // The tutorial pane has no edit commands of its own: while it is active
    // they stay greyed, so a Paste is never sent to a page that cannot take it
    // (the learner pastes in the editor).
    if (QAction* a = Action(ID_EDIT_CUT))
        a->setEnabled(canCut);
    if (QAction* a = Action(ID_EDIT_COPY))
        a->setEnabled(canCopy);
    if (QAction* a = Action(ID_EDIT_PASTE))
        a->setEnabled(canPaste);
    if (QAction* a = Action(ID_EDIT_UNDO))
        a->setEnabled(canUndo);
}

void CMainFrame::OnEditCut()
{
    if (m_nActivePane == 1 && m_pEditorPane)
        m_pEditorPane->OnEditCut();
    UpdateEditCommands();
}

void CMainFrame::OnEditCopy()
{
    if (m_nActivePane == 1 && m_pEditorPane)
        m_pEditorPane->copy();
    UpdateEditCommands();
}

void CMainFrame::OnEditPaste()
{
    if (m_nActivePane == 1 && m_pEditorPane)
        m_pEditorPane->OnEditPaste();
    UpdateEditCommands();
}

void CMainFrame::OnEditUndo()
{
    if (m_nActivePane == 1 && m_pEditorPane)
        m_pEditorPane->undo();
    UpdateEditCommands();
}

void CMainFrame::OnFileOpen()
{
    if (CFlashDoc* doc = theApp.GetDocument())
        doc->OnFileOpen();
}

void CMainFrame::OnFileNew()
{
    theApp.OnFileNew();
}

void CMainFrame::OnFileSave()
{
    if (CFlashDoc* doc = theApp.GetDocument())
        doc->OnFileSave();
}

void CMainFrame::OnFileSaveAs()
{
    if (CFlashDoc* doc = theApp.GetDocument())
        doc->OnFileSaveAs();
}

void CMainFrame::OnPageSettings()
{
    if (CFlashDoc* doc = theApp.GetDocument())
        doc->OnPageSettings();
}

void CMainFrame::OnAppExit()
{
    close();
}

void CMainFrame::OnAppAbout()
{
    theApp.OnAppAbout();
}

void CMainFrame::OnDeleteRegistry()
{
    theApp.OnDeleteRegistry();
}

void CMainFrame::OnRecentFile(int index)
{
    theApp.OpenRecentFile(index);
}

void CMainFrame::UpdateRecentFileMenu()
{
    const RecentFileList* recent = theApp.GetRecentFileList();
    const int count = recent ? recent->count() : 0;
    for (int i = 0; i < RecentFileList::kDefaultSize; ++i) {
        QAction* action = Action(ID_FILE_MRU_FILE1 + i);
        if (!action)
            continue;
        if (i < count) {
            QString name = recent->GetDisplayName(i);
            name.replace(QLatin1Char('&'), QStringLiteral("&&"));
            action->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(name));
            action->setToolTip(recent->at(i));
            action->setVisible(true);
        } else {
            action->setText(QString());
            action->setVisible(false);
        }
    }
    m_pRecentPlaceholder->setVisible(count == 0);
}

void CMainFrame::UpdateKeyIndicators()
{
    const struct
    {
        QLabel* label;
        const char* led;
    } indicators[] = {{m_pCapIndicator, "capslock"},
                      {m_pNumIndicator, "numlock"},
                      {m_pScrlIndicator, "scrolllock"}};
    for (const auto& indicator : indicators) {
        if (!indicator.label)
            continue;
        // Like a status bar's key indicator: the pane stays, its text shows
        // only while the key is on (blank when its state cannot be told).
        const std::optional<bool> on = LockKeyState(QLatin1String(indicator.led));
        indicator.label->setText(
            on.value_or(false) ? indicator.label->property("indicatorText").toString() : QString());
    }
}

void CMainFrame::AttachDocument(CFlashDoc* document)
{
    if (m_pDocument == document) {
        UpdateFrameTitle();
        return;
    }
    if (m_pDocument)
        disconnect(m_pDocument, nullptr, this, nullptr);
    m_pDocument = document;
    if (m_pDocument) {
        connect(m_pDocument, &CFlashDoc::titleChanged, this, &CMainFrame::UpdateFrameTitle);
        connect(m_pDocument, &CFlashDoc::contentCleared, this, &CMainFrame::OnContentCleared);
        connect(m_pDocument, &CFlashDoc::projectOpened, this, &CMainFrame::OnProjectOpened);
        connect(m_pDocument, &CFlashDoc::pageSettingsApplied, this,
                &CMainFrame::OnPageSettingsApplied);
        connect(m_pDocument, &CFlashDoc::pathNameRecorded, this, &CMainFrame::OnPathNameRecorded);
    }
    UpdateFrameTitle();
}

void CMainFrame::UpdateFrameTitle()
{
    const QString title = m_pDocument ? m_pDocument->GetTitle() : QString();
    setWindowTitle(title.isEmpty() ? WindowTitle() : title + QStringLiteral(" - ") + WindowTitle());
}

void CMainFrame::OnInitialUpdate()
{
    if (m_pBrowserPane)
        m_pBrowserPane->OnInitialUpdate();
    if (m_pEditorPane)
        m_pEditorPane->OnInitialUpdate();
    UpdateEditCommands();
}

void CMainFrame::OnSize(bool maximized, int cx)
{
    if (!maximized || !m_wndSplitter)
        return;
    const int left = cx / 2;
    if (m_pBrowserPane)
        m_pBrowserPane->setMinimumWidth(qMin(100, left));
    SetLeftColumn(left);
}

void CMainFrame::SetLeftColumn(int left)
{
    // The splitter is laid out for the frame's current size first, so that
    // the right column takes exactly the rest.
    if (layout())
        layout()->activate();
    const int total = m_wndSplitter->width() - m_wndSplitter->handleWidth();
    m_wndSplitter->setSizes({left, qMax(0, total - left)});
}

void CMainFrame::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!m_bColumnsSet) {
        // The columns start as halves of the frame's width, once the frame
        // has its first size.
        m_bColumnsSet = true;
        SetLeftColumn(width() / 2);
    }
    UpdateKeyIndicators();
}

void CMainFrame::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    const bool maximized = windowState().testFlag(Qt::WindowMaximized);
    if (maximized)
        OnSize(true, width());
    m_bWasMaximized = maximized;
}

void CMainFrame::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) {
        const bool maximized = windowState().testFlag(Qt::WindowMaximized);
        if (maximized && !m_bWasMaximized)
            OnSize(true, width());
        m_bWasMaximized = maximized;
    } else if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        UpdateKeyIndicators();
    }
}

bool CMainFrame::event(QEvent* event)
{
    if (event->type() == QEvent::StatusTip) {
        // The prompt of the menu item or button under the mouse, and the
        // idle text when the mouse leaves it.
        const QString tip = static_cast<QStatusTipEvent*>(event)->tip();
        SetStatusText(tip.isEmpty() ? IdleMessage() : tip);
        return true;
    }
    return QMainWindow::event(event);
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyRelease: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_CapsLock || key == Qt::Key_NumLock || key == Qt::Key_ScrollLock)
            UpdateKeyIndicators();
        break;
    }
    case QEvent::DragEnter:
    case QEvent::DragMove:
        if (watched != this && IsInside(watched, this)) {
            auto* drag = static_cast<QDragMoveEvent*>(event);
            if (HasDroppedFiles(drag)) {
                drag->acceptProposedAction();
                return true;
            }
        }
        break;
    case QEvent::Drop:
        if (watched != this && IsInside(watched, this)) {
            auto* drop = static_cast<QDropEvent*>(event);
            if (HasDroppedFiles(drop)) {
                drop->acceptProposedAction();
                OpenDroppedFiles(drop->mimeData());
                return true;
            }
        }
        break;
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}

bool CMainFrame::HasDroppedFiles(const QDropEvent* event)
{
    // Only files dragged in from outside the program: a link dragged inside
    // the tutorial page is no project to open.
    if (event->source())
        return false;
    const QMimeData* data = event->mimeData();
    if (!data || !data->hasUrls())
        return false;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile())
            return true;
    }
    return false;
}

void CMainFrame::OpenDroppedFiles(const QMimeData* data)
{
    QStringList paths;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile())
            paths.append(url.toLocalFile());
    }
    activateWindow();
    raise();
    // Each in turn, as the framework opens them; the last that opens stays.
    for (const QString& path : paths)
        theApp.OpenDocumentFile(path);
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event)
{
    if (HasDroppedFiles(event))
        event->acceptProposedAction();
    else
        QMainWindow::dragEnterEvent(event);
}

void CMainFrame::dropEvent(QDropEvent* event)
{
    if (HasDroppedFiles(event)) {
        event->acceptProposedAction();
        OpenDroppedFiles(event->mimeData());
    } else {
        QMainWindow::dropEvent(event);
    }
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    if (m_bBuilding) {
        event->ignore();
        return;
    }
    CFlashDoc* doc = theApp.GetDocument();
    if (doc && !doc->SaveModified()) {
        event->ignore();
        return;
    }
    event->accept();
}

void CMainFrame::OnBuildAndRun()
{
    if (m_bBuilding)
        return;
    m_bBuilding = true;

    // The editor's text goes to Main.as whatever becomes of the save.
    const QString text = m_pEditorPane ? m_pEditorPane->GetWindowText() : QString();
    SaveSourceFile(m_strSourcePath, text);

    const QString commandLine =
        FormatCompileCommandLine(m_strMxmlcPath, m_strSourcePath, GetGameRoot());

    // The window takes no input while the compiler runs, but keeps painting.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const RunResult result = RunCompilerProcess(
        commandLine, [] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); });
    QApplication::restoreOverrideCursor();
    m_bBuilding = false;

    if (!result.ok) {
        // A failed call abandons this build; the program keeps running.
        const QString report = result.report();
        std::fputs(report.toLocal8Bit().constData(), stderr);
        AfxMessageBox(report);
        return;
    }
    // The player is started on the movie whether or not the compile wrote
    // one; a player that cannot be started is not reported.
    QProcess::startDetached(m_strPlayerPath, {m_strMoviePath});
}

void CMainFrame::OnOpenLastSource()
{
    QString text;
    if (LoadSourceFile(m_strSourcePath, text) && m_pEditorPane)
        m_pEditorPane->SetWindowText(text);
    if (m_pBrowserPane)
        m_pBrowserPane->ShowStartPage(true);
}
