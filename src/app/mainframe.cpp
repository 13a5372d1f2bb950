#include "mainframe.h"

#include "app/checkjob.h"
#include "app/checkpane.h"
#include "app/commands.h"
#include "app/flashapp.h"
#include "app/gotopagedlg.h"
#include "app/keyindicator.h"
#include "app/pagelist.h"
#include "app/pagelistpane.h"
#include "app/recentfilelist.h"
#include "app/tutorialcheck.h"
#include "browser/flashview.h"
#include "build/compilecommand.h"
#include "build/compilejob.h"
#include "build/diagnostics.h"
#include "build/locations.h"
#include "build/messagespane.h"
#include "build/playerlauncher.h"
#include "build/processrunner.h"
#include "build/sourcefile.h"
#include "editor/diagnosticmarks.h"
#include "editor/pagecheck.h"
#include "editor/pagediff.h"
#include "editor/programmingview.h"
#include "editor/replay.h"
#include "tutorial/flashdoc.h"
#include "tutorial/peltra.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDockWidget>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QShortcut>
#include <QSplitter>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUndoStack>
#include <QUrl>

#include <cstdio>

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
    // Drops of project files anywhere in the window are watched
    // application-wide: the panes would take them as text or as a page to
    // show.
    qApp->installEventFilter(this);

    AttachDocument(theApp.GetDocument());
    if (RecentFileList* recent = theApp.GetRecentFileList())
        connect(recent, &RecentFileList::changed, this, &CMainFrame::UpdateRecentFileMenu);
    UpdateRecentFileMenu();
    UpdateEditCommands();
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
    if (m_pDocument) {
        disconnect(m_pDocument, nullptr, this, nullptr);
        m_pDocument->SetPageSettingsQueries({});
    }
    if (m_pEditorPane) {
        disconnect(m_pEditorPane, nullptr, this, nullptr);
        disconnect(m_pEditorPane->document(), nullptr, this, nullptr);
    }
    if (m_pCompileJob)
        disconnect(m_pCompileJob, nullptr, this, nullptr);
    if (m_pCheckJob)
        disconnect(m_pCheckJob, nullptr, this, nullptr);
    if (m_pCheckPane)
        disconnect(m_pCheckPane, nullptr, this, nullptr);
    if (m_pPageList)
        disconnect(m_pPageList, nullptr, this, nullptr);
    if (m_pPageListDock)
        disconnect(m_pPageListDock, nullptr, this, nullptr);
    if (m_pDocument && m_pDocument->UndoStack())
        disconnect(m_pDocument->UndoStack(), nullptr, this, nullptr);
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
    m_wndSplitter->addWidget(m_pBrowserPane);
    // The right column: the editor, and below it the compiler's messages
    // once there was a build.
    m_wndEditorColumn = new QSplitter(Qt::Vertical, m_wndSplitter);
    m_wndEditorColumn->setObjectName(QStringLiteral("editorColumn"));
    m_wndEditorColumn->setChildrenCollapsible(false);
    m_pEditorPane = new CProgrammingView(m_wndEditorColumn);
    m_pMessagesPane = new CMessagesPane(m_wndEditorColumn);
    m_wndEditorColumn->addWidget(m_pEditorPane);
    m_wndEditorColumn->addWidget(m_pMessagesPane);
    m_wndEditorColumn->setStretchFactor(0, 1);
    m_wndEditorColumn->setStretchFactor(1, 0);
    m_pMessagesPane->hide();
    m_wndSplitter->addWidget(m_wndEditorColumn);
    m_pDiagnosticMarks = new CDiagnosticMarks(m_pEditorPane);

    m_pCompileJob = new CompileJob(this);
    // Esc stops a running compile; it is off otherwise, so the panes keep it.
    m_pCancelShortcut = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    m_pCancelShortcut->setContext(Qt::WindowShortcut);
    m_pCancelShortcut->setEnabled(false);

    // The check's findings: a dock below the panes, shown by the check.
    m_pCheckDock = new QDockWidget(QStringLiteral("チュートリアルの検査"), this);
    m_pCheckDock->setObjectName(QStringLiteral("checkDock"));
    m_pCheckPane = new CCheckPane(m_pCheckDock);
    m_pCheckDock->setWidget(m_pCheckPane);
    addDockWidget(Qt::BottomDockWidgetArea, m_pCheckDock);
    m_pCheckDock->hide();
    m_pCheckJob = new CheckJob(this);
    // The page list: a dock below the panes, shown from the View menu.
    m_pPageListDock = new QDockWidget(QStringLiteral("ページ一覧"), this);
    m_pPageListDock->setObjectName(QStringLiteral("pageListDock"));
    m_pPageList = new CPageListPane(m_pPageListDock);
    m_pPageListDock->setWidget(m_pPageList);
    addDockWidget(Qt::BottomDockWidgetArea, m_pPageListDock);
    m_pPageListDock->hide();
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
    connect(m_pBrowserPane, &CFlashView::cutRequested, this, &CMainFrame::OnBrowserCutRequested);
    connect(m_pBrowserPane, &CFlashView::pasteRequested, this, &CMainFrame::OnEditPaste);
    connect(m_pEditorPane, &CProgrammingView::scriptTaken, this, &CMainFrame::OnScriptTaken);
    connect(m_pEditorPane, &CProgrammingView::commandStateChanged, this,
            &CMainFrame::UpdateEditCommands);
    // The caption marks unsaved editor text.
    connect(m_pEditorPane->document(), &QTextDocument::modificationChanged, this,
            &CMainFrame::UpdateFrameTitle);
    connect(m_pMessagesPane, &CMessagesPane::positionRequested, this, &CMainFrame::OnMessageChosen);
    connect(m_pCompileJob, &CompileJob::progress, this, &CMainFrame::OnCompileProgress);
    connect(m_pCompileJob, &CompileJob::finished, this, &CMainFrame::OnCompileFinished);
    connect(m_pCancelShortcut, &QShortcut::activated, this, &CMainFrame::CancelBuild);
    connect(m_pCheckPane, &CCheckPane::pageRequested, this, &CMainFrame::GoToPage);
    connect(m_pPageList, &CPageListPane::pageRequested, this, &CMainFrame::GoToPage);
    connect(m_pPageList, &CPageListPane::insertRequested, this, &CMainFrame::OnInsertEntry);
    connect(m_pPageList, &CPageListPane::deleteRequested, this, &CMainFrame::OnDeleteEntry);
    connect(m_pPageList, &CPageListPane::undoRequested, this, &CMainFrame::UndoEntryChange);
    connect(m_pPageListDock, &QDockWidget::visibilityChanged, this, [this](bool visible) {
        if (visible)
            RefreshPageList();
    });
    connect(m_pCheckJob, &CheckJob::findingFound, m_pCheckPane, &CCheckPane::AddFinding);
    connect(m_pCheckJob, &CheckJob::finished, this, [this](const CheckReport& report) {
        m_pCheckPane->Finish(report);
        SetStatusText(report.summary());
    });
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
    m_pPageList->SetCurrentPage(theTutorial.GetCurrentPage());
}

void CMainFrame::OnEditorRequested()
{
    SetActivePane(1);
}

void CMainFrame::OnBrowserCutRequested()
{
    // Shift+Delete in the page does what the window's Shift+Delete does in
    // the editor: its guided Cut.
    SetActivePane(1);
    OnEditCut();
}

void CMainFrame::OnScriptTaken()
{
    // The page's script is in the editor: clicks on the page go through.
    m_pBrowserPane->m_bCopyDone = true;
}

void CMainFrame::ShowUnmodifiedSource(const QString& text)
{
    m_pEditorPane->SetWindowText(text);
    m_pEditorPane->document()->setModified(false);
    // Qt reports empty text set into the editor as a modification and
    // never reports it clean again: the caption is redone.
    UpdateFrameTitle();
}

void CMainFrame::OnContentCleared()
{
    // At start-up the document is made before the window is the main
    // window; then only the model is cleared.
    if (IsMainWindow())
        ShowUnmodifiedSource(QString());
}

void CMainFrame::OnProjectOpened()
{
    if (!IsMainWindow())
        return;
    m_pBrowserPane->ShowStartPage(false);
    ShowUnmodifiedSource(QString());
}

void CMainFrame::OnPageSettingsApplied()
{
    if (!IsMainWindow())
        return;
    m_pEditorPane->RefreshPage();
    m_pBrowserPane->m_bCopyDone = false;
    m_pBrowserPane->FillPageScript();
}

void CMainFrame::OnPathNameRecorded(const QString& path)
{
    if (RecentFileList* recent = theApp.GetRecentFileList())
        recent->Add(path);
}

// Every command of the window, in the order the actions are made: id, menu
// text, handler, keys, toolbar label and icon, on/off. The menus and the
// toolbar list the ids they show (CreateMenus, CreateToolBar); the status
// prompts and tool tips come from the string table (commands.cpp).
// clang-format off
const CMainFrame::ActionSpec CMainFrame::kActionTable[] = {
    // id, menu text, handler, keys, toolbar label, icon, on/off
    {ID_FILE_OPEN, "開く(&O)...\tCtrl+O", &CMainFrame::OnFileOpen,
     {Qt::CTRL | Qt::Key_O}, "開く", ":/icons/open.svg", false},
    {ID_OPEN_LAST_SOURCE, "最後に実行したMain.asファイルを読み込み", &CMainFrame::OnOpenLastSource,
     {}, "最後", ":/icons/openlast.svg", false},
    {ID_APP_EXIT, "アプリケーションの終了(&X)", &CMainFrame::OnAppExit,
     {}, nullptr, nullptr, false},
    {ID_EDIT_UNDO, "元に戻す(&U)\tCtrl+Z", &CMainFrame::OnEditUndo,
     {Qt::CTRL | Qt::Key_Z, Qt::ALT | Qt::Key_Backspace}, nullptr, nullptr, false},
    {ID_EDIT_CUT, "切り取り(&T)\tCtrl+X", &CMainFrame::OnEditCut,
     {Qt::CTRL | Qt::Key_X, Qt::SHIFT | Qt::Key_Delete}, "切取", ":/icons/cut.svg", false},
    {ID_EDIT_COPY, "コピー(&C)\tCtrl+C", &CMainFrame::OnEditCopy,
     {Qt::CTRL | Qt::Key_C, Qt::CTRL | Qt::Key_Insert}, "ｺﾋﾟｰ", ":/icons/copy.svg", false},
    {ID_EDIT_PASTE, "貼り付け(&P)\tCtrl+V", &CMainFrame::OnEditPaste,
     {Qt::CTRL | Qt::Key_V, Qt::SHIFT | Qt::Key_Insert}, "貼付", ":/icons/paste.svg", false},
    {ID_BUILD_AND_RUN, "実行(&E)", &CMainFrame::OnBuildAndRun,
     {}, "実行", ":/icons/run.svg", false},
    // The bars follow these two (CreateToolBar, CreateStatusBar).
    {ID_VIEW_TOOLBAR, "ツール バー(&T)", nullptr, {}, nullptr, nullptr, true},
    {ID_VIEW_STATUS_BAR, "ステータス バー(&S)", nullptr, {}, nullptr, nullptr, true},
    {ID_VIEW_PAGE_LIST, "ページ一覧(&L)", &CMainFrame::OnViewPageList,
     {}, nullptr, nullptr, false},
    {ID_DELETE_REGISTRY, "レジストリの削除(&U)", &CMainFrame::OnDeleteRegistry,
     {}, nullptr, nullptr, false},
    {ID_GOTO_PAGE, "ページへ移動(&G)...\tCtrl+G", &CMainFrame::OnGoToPage,
     {Qt::CTRL | Qt::Key_G}, nullptr, nullptr, false},
    {ID_RESTART_PAGE, "このページをやり直す(&R)", &CMainFrame::OnRestartPage,
     {}, "ﾘｾｯﾄ", ":/icons/restart.svg", false},
    {ID_RECORD_PAGE, "変更をこのページに記録(&W)", &CMainFrame::OnRecordPage,
     {}, nullptr, nullptr, false},
    {ID_CHECK_TUTORIAL, "チュートリアルの検査(&K)", &CMainFrame::OnCheckTutorial,
     {}, nullptr, nullptr, false},
    {ID_APP_ABOUT, "バージョン情報 Peltra(&A)...", &CMainFrame::OnAppAbout,
     {}, "ﾍﾙﾌﾟ", ":/icons/help.svg", false},
    // Commands reached only by their keys.
    {ID_FILE_NEW, "新規作成", &CMainFrame::OnFileNew, {Qt::CTRL | Qt::Key_N}, nullptr, nullptr, false},
    {ID_FILE_SAVE, "上書き保存", &CMainFrame::OnFileSave, {Qt::CTRL | Qt::Key_S}, nullptr, nullptr, false},
    {ID_FILE_SAVE_AS, "名前を付けて保存", &CMainFrame::OnFileSaveAs, {Qt::Key_F10}, nullptr, nullptr, false},
    {ID_PAGE_SETTINGS, "ページの設定", &CMainFrame::OnPageSettings, {Qt::Key_F9}, nullptr, nullptr, false},
    {ID_NEXT_PANE, "次のペイン", &CMainFrame::OnNextPane, {Qt::Key_F6}, nullptr, nullptr, false},
    {ID_PREV_PANE, "前のペイン", &CMainFrame::OnPrevPane, {Qt::SHIFT | Qt::Key_F6}, nullptr, nullptr, false},
};
// clang-format on

QAction* CMainFrame::AddAction(const ActionSpec& row)
{
    auto* action = new QAction(QString::fromUtf8(row.text), this);
    action->setObjectName(QStringLiteral("action%1").arg(row.id));
    action->setData(row.id);
    action->setStatusTip(CommandPrompt(row.id));
    action->setToolTip(CommandToolTip(row.id));
    action->setIconVisibleInMenu(false); // the menus show text only
    // Every item stays in the menu that lists it (no platform menu roles).
    action->setMenuRole(QAction::NoRole);
    QList<QKeySequence> shortcuts;
    for (const QKeyCombination& keys : row.keys) {
        if (keys != QKeyCombination())
            shortcuts.append(QKeySequence(keys));
    }
    action->setShortcuts(shortcuts);
    if (row.iconText)
        action->setIconText(QString::fromUtf8(row.iconText));
    if (row.icon)
        action->setIcon(QIcon(QString::fromUtf8(row.icon)));
    if (row.checkable) {
        action->setCheckable(true);
        action->setChecked(true);
    }
    if (row.handler)
        connect(action, &QAction::triggered, this, row.handler);
    m_actions.insert(row.id, action);
    addAction(action); // shortcuts work whether or not the action is in a menu
    return action;
}

void CMainFrame::CreateActions()
{
    for (const ActionSpec& row : kActionTable)
        AddAction(row);

    // The recent-file entries; shown in the File menu while they hold a path.
    for (int i = 0; i < RecentFileList::kDefaultSize; ++i) {
        QAction* a = AddAction({ID_FILE_MRU_FILE1 + i, "", nullptr, {}, nullptr, nullptr, false});
        a->setVisible(false);
        connect(a, &QAction::triggered, this, [this, i] { OnRecentFile(i); });
    }
    m_pRecentPlaceholder = new QAction(QStringLiteral("最近使ったファイル"), this);
    m_pRecentPlaceholder->setObjectName(QStringLiteral("recentFilePlaceholder"));
    m_pRecentPlaceholder->setStatusTip(CommandPrompt(ID_FILE_MRU_FILE1));
    m_pRecentPlaceholder->setEnabled(false);
}

namespace {

// Marks in the menu and toolbar layouts.
constexpr int kSeparator = 0;
constexpr int kRecentFiles = -1; // the recent-file entries (or their placeholder)

} // namespace

void CMainFrame::CreateMenus()
{
    const struct
    {
        const char* title;
        const char* name;
        QList<int> ids;
    } menus[] = {
        {"ファイル(&F)",
         "fileMenu",
         {ID_FILE_OPEN, kSeparator, ID_OPEN_LAST_SOURCE, kSeparator, kRecentFiles, kSeparator,
          ID_APP_EXIT}},
        {"編集(&E)",
         "editMenu",
         {ID_EDIT_UNDO, kSeparator, ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE}},
        {"制御(&C)", "controlMenu", {ID_BUILD_AND_RUN}},
        {"ツール(&T)",
         "toolsMenu",
         {ID_GOTO_PAGE, ID_RESTART_PAGE, kSeparator, ID_RECORD_PAGE, ID_CHECK_TUTORIAL}},
        {"表示(&V)",
         "viewMenu",
         {ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR, kSeparator, ID_VIEW_PAGE_LIST}},
        {"ヘルプ(&H)", "helpMenu", {ID_DELETE_REGISTRY, kSeparator, ID_APP_ABOUT}},
    };
    QMenuBar* bar = menuBar();
    for (const auto& layout : menus) {
        QMenu* menu = bar->addMenu(QString::fromUtf8(layout.title));
        menu->setObjectName(QLatin1String(layout.name));
        for (int id : layout.ids) {
            if (id == kSeparator) {
                menu->addSeparator();
            } else if (id == kRecentFiles) {
                menu->addAction(m_pRecentPlaceholder);
                for (int i = 0; i < RecentFileList::kDefaultSize; ++i)
                    menu->addAction(Action(ID_FILE_MRU_FILE1 + i));
            } else {
                menu->addAction(Action(id));
            }
        }
        if (layout.ids.contains(kRecentFiles))
            m_pFileMenu = menu;
    }
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

    const int buttons[] = {ID_FILE_OPEN,     ID_OPEN_LAST_SOURCE, kSeparator,      ID_EDIT_CUT,
                           ID_EDIT_COPY,     ID_EDIT_PASTE,       ID_RESTART_PAGE, kSeparator,
                           ID_BUILD_AND_RUN, kSeparator,          ID_APP_ABOUT};
    for (int id : buttons) {
        if (id == kSeparator)
            m_wndToolBar->addSeparator();
        else
            m_wndToolBar->addAction(Action(id));
    }

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
    const struct
    {
        const char* text;
        Qt::Key key;
        const char* led;
        const char* name;
    } lockKeys[] = {{"CAP", Qt::Key_CapsLock, "capslock", "capIndicator"},
                    {"NUM", Qt::Key_NumLock, "numlock", "numIndicator"},
                    {"SCRL", Qt::Key_ScrollLock, "scrolllock", "scrlIndicator"}};
    for (const auto& lockKey : lockKeys) {
        auto* indicator = new CKeyIndicator(QLatin1String(lockKey.text), lockKey.key,
                                            QLatin1String(lockKey.led), bar);
        indicator->setObjectName(QLatin1String(lockKey.name));
        bar->addPermanentWidget(indicator);
    }

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
    else if (IsInside(now, m_pBrowserPane) || IsInside(now, m_pPageListDock))
        column = 0; // the page list belongs to the tutorial's side
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
    // On the tutorial's side, Undo takes back the author's last change of
    // the page entries.
    if (m_nActivePane == 0 && m_pDocument && m_pDocument->UndoStack())
        canUndo = m_pDocument->UndoStack()->canUndo();
    // The tutorial pane has no edit commands of its own; while it is active
    // the page's guided Paste or Cut goes to the editor (OnEditPaste,
    // OnEditCut), and the others stay greyed.
    if (m_nActivePane == 0 && m_pEditorPane && theTutorial.GetCurrentPage() >= 0) {
        canPaste = theTutorial.GetColor() <= ARROW_REPLACE && m_pEditorPane->CanPaste();
        canCut = theTutorial.GetColor() == ARROW_DELETE && m_pEditorPane->CanCut();
    }
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
    // From the tutorial pane, the page's guided Cut happens in the editor.
    if (m_nActivePane == 0 && m_pEditorPane && theTutorial.GetCurrentPage() >= 0)
        SetActivePane(1);
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
    // From the tutorial pane, the page's script is pasted into the editor,
    // which becomes the active pane, exactly as a paste there would.
    if (m_nActivePane == 0 && m_pEditorPane && theTutorial.GetCurrentPage() >= 0)
        SetActivePane(1);
    if (m_nActivePane == 1 && m_pEditorPane)
        m_pEditorPane->OnEditPaste();
    UpdateEditCommands();
}

void CMainFrame::OnEditUndo()
{
    if (m_nActivePane == 1 && m_pEditorPane)
        m_pEditorPane->undo();
    else if (m_nActivePane == 0)
        UndoEntryChange();
    UpdateEditCommands();
}

void CMainFrame::OnFileOpen()
{
    if (!SaveEditorChanges())
        return;
    if (CFlashDoc* doc = theApp.GetDocument())
        doc->OnFileOpen();
}

void CMainFrame::OnFileNew()
{
    if (!SaveEditorChanges())
        return;
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
    if (!SaveEditorChanges())
        return;
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

void CMainFrame::AttachDocument(CFlashDoc* document)
{
    if (m_pDocument == document) {
        UpdateFrameTitle();
        return;
    }
    if (m_pDocument) {
        disconnect(m_pDocument, nullptr, this, nullptr);
        disconnect(m_pDocument->UndoStack(), nullptr, this, nullptr);
        m_pDocument->SetPageSettingsQueries({});
    }
    m_pDocument = document;
    if (m_pDocument) {
        connect(m_pDocument, &CFlashDoc::titleChanged, this, &CMainFrame::UpdateFrameTitle);
        connect(m_pDocument, &CFlashDoc::contentCleared, this, &CMainFrame::OnContentCleared);
        connect(m_pDocument, &CFlashDoc::projectOpened, this, &CMainFrame::OnProjectOpened);
        connect(m_pDocument, &CFlashDoc::pageSettingsApplied, this,
                &CMainFrame::OnPageSettingsApplied);
        connect(m_pDocument, &CFlashDoc::pathNameRecorded, this, &CMainFrame::OnPathNameRecorded);
        m_pDocument->SetPageSettingsQueries(PageSettingsQueries());
        connect(m_pDocument, &CFlashDoc::entriesChanged, this, &CMainFrame::RefreshPageList);
        // A first save writes the template, which the list's check needs.
        connect(m_pDocument, &CFlashDoc::titleChanged, this, &CMainFrame::RefreshPageList);
        QUndoStack* undo = m_pDocument->UndoStack();
        connect(undo, &QUndoStack::canUndoChanged, this, &CMainFrame::UpdateUndoState);
        connect(undo, &QUndoStack::undoTextChanged, this, &CMainFrame::UpdateUndoState);
    }
    UpdateUndoState();
    UpdateFrameTitle();
}

void CMainFrame::OnViewPageList()
{
    // A hidden list is refreshed as it shows (visibilityChanged); one
    // already shown is refreshed here.
    const bool shown = m_pPageListDock->isVisible();
    m_pPageListDock->show();
    m_pPageListDock->raise();
    if (shown)
        RefreshPageList();
}

void CMainFrame::RefreshPageList()
{
    if (!m_pPageList || !m_pPageListDock->isVisible())
        return;
    const CFlashDoc* doc = theApp.GetDocument();
    const QString folder = HtmlFolderOf(GetProgramFolder(), theTutorial.GetStartPage());
    QString templateText;
    QString note;
    if (doc && doc->Template().HasTemplate())
        templateText = doc->Template().Text();
    else
        note = QStringLiteral("テンプレートがないため、設定の検査はしていません。");
    m_pPageList->SetRows(
        PageListRows(theTutorial, folder, note.isEmpty() ? &templateText : nullptr),
        theTutorial.GetPageCount(), note);
    m_pPageList->SetCurrentPage(theTutorial.GetCurrentPage());
}

void CMainFrame::OnInsertEntry(int page)
{
    if (CFlashDoc* doc = theApp.GetDocument())
        doc->InsertEntry(page);
}

void CMainFrame::OnDeleteEntry(int page)
{
    if (CFlashDoc* doc = theApp.GetDocument())
        doc->DeleteEntry(page);
}

void CMainFrame::UndoEntryChange()
{
    if (m_pDocument && m_pDocument->UndoStack()->canUndo()) {
        const QString text = m_pDocument->UndoStack()->undoText();
        m_pDocument->UndoStack()->undo();
        SetStatusText(QStringLiteral("元に戻しました: %1").arg(text));
    }
}

void CMainFrame::UpdateUndoState()
{
    QUndoStack* undo = m_pDocument ? m_pDocument->UndoStack() : nullptr;
    m_pPageList->SetUndoState(undo && undo->canUndo(), undo ? undo->undoText() : QString());
    UpdateEditCommands();
}

CDlgPage::Queries CMainFrame::PageSettingsQueries()
{
    CDlgPage::Queries queries;
    queries.selection = [this] { return SelectedEditorLines(); };
    queries.check = [this](int page, const PageEntry& entry) {
        return CheckPageSettings(page, entry);
    };
    queries.area = [this] {
        if (!m_pBrowserPane || !m_pBrowserPane->isVisible())
            return QRect();
        return QRect(m_pBrowserPane->mapToGlobal(QPoint(0, 0)), m_pBrowserPane->size());
    };
    return queries;
}

CDlgPage::EditorLines CMainFrame::SelectedEditorLines() const
{
    CDlgPage::EditorLines lines;
    if (!m_pEditorPane)
        return lines;
    const QTextCursor cursor = m_pEditorPane->textCursor();
    const QTextDocument* document = m_pEditorPane->document();
    const QTextBlock first = document->findBlock(cursor.selectionStart());
    QTextBlock last = document->findBlock(cursor.selectionEnd());
    // A selection that ends at the start of a line does not touch that line.
    if (cursor.hasSelection() && last != first && cursor.selectionEnd() == last.position())
        last = last.previous();
    lines.line = first.blockNumber() + 1;
    lines.count = last.blockNumber() - first.blockNumber() + 1;
    for (QTextBlock block = first; block.isValid(); block = block.next()) {
        lines.text += block.text() + QLatin1Char('\n');
        if (block == last)
            break;
    }
    return lines;
}

QList<CDlgPage::Problem> CMainFrame::CheckPageSettings(int page, const PageEntry& entry) const
{
    // Without a template there is no stage to judge against.
    const CFlashDoc* doc = theApp.GetDocument();
    if (!doc || !doc->Template().HasTemplate())
        return {};
    const QString stage = SourceAtPage(doc->Template().Text(), PageEntries(theTutorial), page);
    QList<CDlgPage::Problem> problems;
    for (const CheckFinding& finding : CheckPageEntry(page, entry, stage)) {
        CDlgPage::Field field = CDlgPage::FieldLine;
        switch (finding.kind) {
        case CheckFinding::ZeroCount:
        case CheckFinding::CountPastEnd:
            field = CDlgPage::FieldCount;
            break;
        case CheckFinding::BadKind:
            field = CDlgPage::FieldKind;
            break;
        case CheckFinding::NoFinalLineBreak:
        case CheckFinding::EmptyText:
            field = CDlgPage::FieldText;
            break;
        default:
            break;
        }
        problems.append({field, finding.text});
    }
    return problems;
}

void CMainFrame::UpdateFrameTitle()
{
    QString title = m_pDocument ? m_pDocument->GetTitle() : QString();
    // An asterisk after the title while the project or the editor's text
    // is unsaved.
    if ((m_pDocument && m_pDocument->IsModified()) || IsEditorModified())
        title += u'*';
    setWindowTitle(title.isEmpty() ? WindowTitle() : title + QStringLiteral(" - ") + WindowTitle());
}

void CMainFrame::OnInitialUpdate()
{
    if (m_pBrowserPane)
        m_pBrowserPane->OnInitialUpdate();
    if (m_pEditorPane) {
        m_pEditorPane->OnInitialUpdate();
        // Nothing the learner typed is in the editor yet.
        m_pEditorPane->document()->setModified(false);
    }
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

void CMainFrame::ShowGreyedItemPrompt(QObject* watched, const QMouseEvent* event)
{
    // Qt gives a greyed menu item no prompt; the window shows it all the
    // same, as it does for a greyed toolbar button.
    auto* menu = qobject_cast<QMenu*>(watched);
    if (!menu)
        return;
    QObject* owner = menu->parent();
    while (owner && owner != this)
        owner = owner->parent();
    if (!owner)
        return;
    const QAction* action = menu->actionAt(event->position().toPoint());
    if (!action || action->isEnabled() || action->statusTip().isEmpty())
        return;
    SetStatusText(action->statusTip());
    // Qt clears only the prompts it showed itself when the menu closes.
    static const char hooked[] = "peltraGreyedPromptHooked";
    if (!menu->property(hooked).toBool()) {
        menu->setProperty(hooked, true);
        connect(menu, &QMenu::aboutToHide, this, [this] { SetStatusText(QString()); });
    }
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::ShortcutOverride:
    case QEvent::KeyPress:
        // The page would keep Ctrl+Z for itself: in the tutorial pane it is
        // the window's Undo, which takes back the author's last change of
        // the page entries.
        // Compared by address and through the focus widget: the watched
        // object may be the web view's internal Qt Quick window, whose type
        // is private to Qt and no cast should be asked about.
        if (watched == m_pBrowserPane || watched == m_pBrowserPane->focusProxy() ||
            IsInside(QApplication::focusWidget(), m_pBrowserPane)) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->matches(QKeySequence::Undo)) {
                if (event->type() == QEvent::KeyPress)
                    OnEditUndo();
                return true;
            }
        }
        break;
    case QEvent::MouseMove:
        ShowGreyedItemPrompt(watched, static_cast<QMouseEvent*>(event));
        break;
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
    if (!SaveEditorChanges())
        return;
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
    if (IsBuilding()) {
        // The compile is cancelled first; the window closes once it has
        // ended (OnCompileFinished).
        m_bCloseAfterBuild = true;
        CancelBuild();
        event->ignore();
        return;
    }
    if (!SaveEditorChanges()) {
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

bool CMainFrame::IsBuilding() const
{
    return m_pCompileJob && m_pCompileJob->isRunning();
}

void CMainFrame::CancelBuild()
{
    if (IsBuilding())
        m_pCompileJob->cancel();
}

bool CMainFrame::IsEditorModified() const
{
    return m_pEditorPane && m_pEditorPane->document()->isModified();
}

bool CMainFrame::SaveEditorChanges()
{
    if (!IsEditorModified())
        return true;
    const auto answer = AfxMessageBox(QStringLiteral("Main.as への変更を保存しますか?"),
                                      QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    switch (answer) {
    case QMessageBox::Yes:
        return SaveSourceForBuild();
    case QMessageBox::No:
        return true;
    default:
        return false;
    }
}

bool CMainFrame::SaveSourceForBuild()
{
    const QString text = m_pEditorPane ? m_pEditorPane->GetWindowText() : QString();
    const FileResult saved = SaveSourceFile(m_strSourcePath, text);
    if (!saved.ok()) {
        QString reason = saved.message();
        if (reason.isEmpty())
            reason = QStringLiteral("エラー コード %1").arg(int(saved.code()));
        AfxMessageBox(QStringLiteral("%1 を保存できませんでした。\n%2")
                          .arg(QDir::toNativeSeparators(m_strSourcePath), reason));
        return false;
    }
    if (m_pEditorPane)
        m_pEditorPane->document()->setModified(false);
    return true;
}

void CMainFrame::OnBuildAndRun()
{
    if (IsBuilding()) {
        // 実行 again stops the running compile.
        CancelBuild();
        return;
    }
    // A source that cannot be saved is not compiled: the compiler would
    // read the old one.
    if (!SaveSourceForBuild())
        return;

    m_pDiagnosticMarks->Clear();
    const QFileInfo movie(m_strMoviePath);
    m_movieTimeBeforeBuild = movie.exists() ? movie.lastModified() : QDateTime();
    m_bCloseAfterBuild = false;
    if (!m_pCompileJob->start(CompileArguments(m_strMxmlcPath, m_strSourcePath, GetGameRoot())))
        return;
    m_pCancelShortcut->setEnabled(true);
    OnCompileProgress(0);
}

void CMainFrame::OnCompileProgress(qint64 elapsedMs)
{
    SetStatusText(QStringLiteral("コンパイル中… %1 秒").arg(elapsedMs / 1000));
}

namespace {

QString Seconds(qint64 ms)
{
    return QString::number(double(ms) / 1000.0, 'f', 1);
}

} // namespace

void CMainFrame::OnCompileFinished(const RunResult& result)
{
    m_pCancelShortcut->setEnabled(false);
    if (m_bCloseAfterBuild) {
        // The window was closed during the compile: it closes now.
        m_bCloseAfterBuild = false;
        SetStatusText(QString());
        QTimer::singleShot(0, this, &QWidget::close);
        return;
    }
    m_pMessagesPane->show();

    if (!result.ok) {
        // The compiler could not be run: the build is abandoned, the
        // program goes on.
        const QString report = result.report();
        std::fputs(report.toLocal8Bit().constData(), stderr);
        m_pMessagesPane->ShowNote(QStringLiteral("コンパイラーを起動できませんでした。"));
        SetStatusText(QString());
        AfxMessageBox(report);
        return;
    }
    if (result.end == RunEnd::Cancelled) {
        const QString text = QStringLiteral("コンパイルを中止しました。");
        m_pMessagesPane->ShowNote(text);
        SetStatusText(text);
        return;
    }
    if (result.end == RunEnd::TimedOut) {
        const QString text =
            QStringLiteral("コンパイルが %1 秒を過ぎても終わらないため、中止しました。")
                .arg(m_pCompileJob->timeLimit().count() / 1000);
        m_pMessagesPane->ShowNote(text);
        SetStatusText(text);
        AfxMessageBox(text);
        return;
    }

    const QList<Diagnostic> diagnostics = ParseDiagnostics(result.output);
    const qsizetype errors = CountDiagnostics(diagnostics, Diagnostic::Kind::Error);
    const qsizetype warnings = CountDiagnostics(diagnostics, Diagnostic::Kind::Warning);
    QList<CDiagnosticMarks::Mark> marks;
    QList<Diagnostic> warningList;
    for (const Diagnostic& d : diagnostics) {
        if (d.kind == Diagnostic::Kind::Warning)
            warningList.append(d);
        if (d.kind != Diagnostic::Kind::Other && d.line > 0 && d.isAbout(m_strSourcePath))
            marks.append({d.line, d.column, d.kind == Diagnostic::Kind::Error});
    }
    m_pDiagnosticMarks->SetMarks(marks);

    // Only a movie this compile wrote is played: never the one before.
    const QFileInfo movie(m_strMoviePath);
    const bool newMovie = movie.exists() && (!m_movieTimeBeforeBuild.isValid() ||
                                             movie.lastModified() != m_movieTimeBeforeBuild);
    const QString warningText =
        warnings > 0 ? QStringLiteral("、警告 %1 件").arg(warnings) : QString();
    if (result.succeeded() && errors == 0 && newMovie) {
        const QString summary =
            QStringLiteral("コンパイル完了 (%1 秒)").arg(Seconds(result.elapsedMs)) + warningText;
        m_pMessagesPane->ShowSuccess(summary, warningList, m_strSourcePath);
        SetStatusText(summary);
        // An open player takes the movie; a player that cannot be started
        // is not reported.
        CPlayerLauncher(m_strPlayerPath).Play(m_strMoviePath);
        return;
    }

    QString summary;
    if (errors > 0)
        summary = QStringLiteral("コンパイル エラー %1 件").arg(errors) + warningText;
    else if (!result.succeeded())
        summary = QStringLiteral("コンパイルに失敗しました (終了コード %1)").arg(result.exitCode);
    else
        summary = QStringLiteral("コンパイラーがムービーを書きませんでした");
    summary += QStringLiteral(" (%1 秒)").arg(Seconds(result.elapsedMs));
    m_pMessagesPane->ShowFailure(summary, diagnostics, m_strSourcePath);
    SetStatusText(summary);
}

void CMainFrame::OnMessageChosen(int line, int column)
{
    // Only the caret moves: the page's guided editing stays as it is.
    CDiagnosticMarks::ShowPlace(m_pEditorPane, line, column);
    SetActivePane(1);
}

void CMainFrame::OnOpenLastSource()
{
    if (!SaveEditorChanges())
        return;
    QString text;
    if (LoadSourceFile(m_strSourcePath, text) && m_pEditorPane)
        ShowUnmodifiedSource(text);
    if (m_pBrowserPane)
        m_pBrowserPane->ShowStartPage(true);
}

bool CMainFrame::StageAtPage(int page, QString& stage)
{
    const CFlashDoc* doc = theApp.GetDocument();
    if (!doc)
        return false;
    if (!doc->Template().HasTemplate()) {
        AfxMessageBox(doc->Template().MissingMessage());
        return false;
    }
    stage = SourceAtPage(doc->Template().Text(), PageEntries(theTutorial), page);
    return true;
}

void CMainFrame::ShowStage(int page, const QString& stage)
{
    // The stage can always be made again: it is no unsaved text.
    ShowUnmodifiedSource(stage);
    theTutorial.SetCurrentPage(page);
    m_pEditorPane->RefreshPage();
    m_pEditorPane->m_bEditDone = false;
    m_pBrowserPane->m_bCopyDone = false;
    UpdateEditCommands();
}

void CMainFrame::OnGoToPage()
{
    // Up to the page after the last entry: the next page an author writes.
    const int last = theTutorial.GetPageCount();
    CDlgGoToPage dlg(qMax(0, theTutorial.GetCurrentPage()), last, AfxGetDialogParent());
    if (dlg.exec() == QDialog::Accepted)
        GoToPage(dlg.Page());
}

bool CMainFrame::GoToPage(int page)
{
    QString stage;
    if (page < 0 || !StageAtPage(page, stage) || !SaveEditorChanges())
        return false;
    ShowStage(page, stage);
    // The page itself; its navigation selects the same lines again.
    const QString folder = HtmlFolderOf(GetProgramFolder(), theTutorial.GetStartPage());
    m_pBrowserPane->load(
        QUrl::fromLocalFile(QDir(folder).filePath(QStringLiteral("index%1.html").arg(page))));
    SetStatusText(QStringLiteral("ページ %1 を始めるときのソースにしました").arg(page));
    return true;
}

namespace {

const QString kNoPageShown = QStringLiteral(
    "番号の付いたページが表示されていません。チュートリアルのページを表示してから選んでください。");

} // namespace

bool CMainFrame::RestartPage()
{
    const int page = theTutorial.GetCurrentPage();
    if (page < 0) {
        AfxMessageBox(kNoPageShown);
        return false;
    }
    QString stage;
    if (!StageAtPage(page, stage) || !SaveEditorChanges())
        return false;
    ShowStage(page, stage);
    SetStatusText(QStringLiteral("ページ %1 を始めたときのソースに戻しました").arg(page));
    return true;
}

void CMainFrame::RecordPage()
{
    const int page = theTutorial.GetCurrentPage();
    CFlashDoc* doc = theApp.GetDocument();
    if (page < 0 || !doc) {
        AfxMessageBox(kNoPageShown);
        return;
    }
    QString stage;
    if (!StageAtPage(page, stage))
        return;
    const DerivedEntry derived = DerivePageEntry(stage, EditorText(m_pEditorPane->GetWindowText()));
    if (!derived.ok()) {
        AfxMessageBox(derived.message());
        return;
    }
    doc->OnPageSettings(derived.entry);
}

void CMainFrame::CheckTutorial()
{
    m_pCheckDock->show();
    m_pCheckDock->raise();
    if (m_pCheckJob->isRunning())
        return;
    const CFlashDoc* doc = theApp.GetDocument();
    if (!doc || !doc->Template().HasTemplate()) {
        m_pCheckPane->ShowNote(doc ? doc->Template().MissingMessage() : QString());
        return;
    }
    CheckOptions options;
    options.programFolder = GetProgramFolder();
    m_pCheckPane->Begin();
    SetStatusText(QStringLiteral("チュートリアルを検査しています…"));
    m_pCheckJob->start(theTutorial, doc->Template().Text(), options);
}
