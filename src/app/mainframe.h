#pragma once

#include <QDateTime>
#include <QHash>
#include <QKeyCombination>
#include <QList>
#include <QMainWindow>
#include <QString>

#include "tutorial/dlgpage.h"

class QAction;
class QLabel;
class QShortcut;
class QMenu;
class QDropEvent;
class QMimeData;
class QMouseEvent;
class QSplitter;
class QToolBar;
class CCheckPane;
class CDiagnosticMarks;
class CFlashDoc;
class CPageListPane;
class CFlashView;
class CMessagesPane;
class CProgrammingView;
class CheckJob;
class CompileJob;
class QDockWidget;
struct RunResult;

// The main window: a splitter with the tutorial browser on the left and the
// script editor on the right, the menu bar, the labelled toolbar and the
// status bar. Every command is one QAction, shared by menu, toolbar and
// shortcut, found by its command id.
class CMainFrame : public QMainWindow
{
    Q_OBJECT
public:
    explicit CMainFrame(QWidget* parent = nullptr);
    ~CMainFrame() override;

    // The action of a command id (nullptr for unknown ids). The recent-file
    // entries are ID_FILE_MRU_FILE1 + 0..3.
    QAction* Action(int id) const { return m_actions.value(id); }

    // Puts text into the status bar's message pane at once.
    void SetStatusText(const QString& text);
    // The text of the message pane.
    QString GetStatusText() const;
    // Makes the editor (column 1) or the browser (column 0) the active pane.
    void SetActivePane(int column);
    // The column of the active pane: the one the Edit commands act on.
    int GetActivePane() const { return m_nActivePane; }

    // 実行: saves the editor's text to Main.as and starts the compile, which
    // runs while the window goes on; the player starts when it wrote a new
    // movie. While a compile runs, 実行 (and Esc) cancels it instead.
    void OnBuildAndRun();
    void OnOpenLastSource();
    bool IsBuilding() const;
    void CancelBuild();

    // Whether the editor's text changed since it was loaded or saved for a
    // build.
    bool IsEditorModified() const;
    // With unsaved editor text, asks "Main.as への変更を保存しますか?": はい
    // saves it to Main.as, いいえ goes on without. False for キャンセル and
    // for a save that failed (which says why).
    bool SaveEditorChanges();

    // The tutorial's replay (ツール menu). GoToPage shows page `page` and puts
    // the source at its stage (the template with the pages before it
    // applied) into the editor; RestartPage puts the source at the start of
    // the shown page back. Both start the page's guided editing afresh and
    // ask first about unsaved editor text. False when nothing changed (no
    // template, no such page, the question cancelled).
    bool GoToPage(int page);
    bool RestartPage();
    // Derives the shown page's entry from the difference between its stage
    // and the editor's text and offers it in the page settings dialog.
    void RecordPage();
    // Runs the tutorial's check; its findings appear in the check pane.
    void CheckTutorial();

    // The first update of both panes for a project created or opened through
    // the framework: the browser shows the start page, the editor is reset.
    void OnInitialUpdate();
    // Follows the document: its title ("<title> - Peltra 0.7") and what it
    // tells the panes and the recent-file list.
    void AttachDocument(CFlashDoc* document);
    void UpdateFrameTitle();

    // The column rule of a size change: on a maximised window the left column
    // is set to half the client width (at least 100 pixels shown); other
    // sizes leave the columns alone.
    void OnSize(bool maximized, int cx);

    static QString WindowTitle() { return QStringLiteral("Peltra 0.7"); }

    QSplitter* m_wndSplitter = nullptr;
    CFlashView* m_pBrowserPane = nullptr;
    CProgrammingView* m_pEditorPane = nullptr;
    // The right column: the editor above the compiler's messages, which
    // appear with the first build.
    QSplitter* m_wndEditorColumn = nullptr;
    CMessagesPane* m_pMessagesPane = nullptr;
    CDiagnosticMarks* m_pDiagnosticMarks = nullptr;
    CompileJob* m_pCompileJob = nullptr;
    // The findings of ツール → チュートリアルの検査, docked below the panes.
    QDockWidget* m_pCheckDock = nullptr;
    CCheckPane* m_pCheckPane = nullptr;
    CheckJob* m_pCheckJob = nullptr;
    QString m_strMxmlcPath;
    QString m_strSourcePath;
    // Where the build starts the player and what it hands it; set with the
    // other paths at creation.
    QString m_strPlayerPath;
    QString m_strMoviePath;
    QToolBar* m_wndToolBar = nullptr;
    // 表示 → ページ一覧: every numbered page with its entry, docked below.
    QDockWidget* m_pPageListDock = nullptr;
    CPageListPane* m_pPageList = nullptr;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // The editor shows text that needs no saving (a loaded file, a stage).
    void ShowUnmodifiedSource(const QString& text);
    // The prompt of the greyed menu item under the mouse, if any.
    void ShowGreyedItemPrompt(QObject* watched, const QMouseEvent* event);
    // One command of the action table (kActionTable in mainframe.cpp).
    struct ActionSpec
    {
        int id;
        const char* text;              // menu text (UTF-8), the keys after a tab
        void (CMainFrame::*handler)(); // nullptr: the action is wired by hand
        QKeyCombination keys[2];       // shortcuts; QKeyCombination() for none
        const char* iconText;          // toolbar label, or nullptr
        const char* icon;              // resource path of the icon, or nullptr
        bool checkable;                // an on/off command, on at start
    };
    static const ActionSpec kActionTable[];

    void OnCreateClient();
    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreateStatusBar();
    QAction* AddAction(const ActionSpec& row);

    void OnFileOpen();
    void OnFileNew();
    void OnFileSave();
    void OnFileSaveAs();
    void OnPageSettings();
    void OnAppExit();
    void OnAppAbout();
    void OnDeleteRegistry();
    void OnNextPane();
    void OnPrevPane();
    void OnEditCut();
    void OnEditCopy();
    void OnEditPaste();
    void OnEditUndo();
    void OnRecentFile(int index);
    void OnCheckTutorial() { CheckTutorial(); }
    void OnGoToPage();
    void OnRestartPage() { RestartPage(); }
    void OnRecordPage() { RecordPage(); }
    // The source at the start of page, replayed from the template, or
    // false after saying the template is missing.
    bool StageAtPage(int page, QString& stage);
    // The editor holds stage, the page's guided editing starts afresh.
    void ShowStage(int page, const QString& stage);

    void SetLeftColumn(int left);
    void UpdateEditCommands();
    void UpdateRecentFileMenu();
    void OnFocusChanged(QWidget* old, QWidget* now);

    // The wiring of the panes and the document (see ConnectPanes and
    // AttachDocument).
    void ConnectPanes();
    bool IsMainWindow() const;
    void OnPageEntered();
    void OnEditorRequested();
    void OnBrowserCutRequested();
    void OnScriptTaken();
    void OnContentCleared();
    void OnProjectOpened();
    void OnPageSettingsApplied();
    void OnPathNameRecorded(const QString& path);
    // The page list: shown, filled again after every change of the entries
    // (while it is shown), and its 追加, 削除 and 元に戻す.
    void OnViewPageList();
    void RefreshPageList();
    void OnInsertEntry(int page);
    void OnDeleteEntry(int page);
    void UndoEntryChange();
    void UpdateUndoState();
    // What the page settings dialog may ask: the lines the editor's
    // selection touches, the check of an entry against its page's stage,
    // and the tutorial pane's place (the dialog opens there, beside the
    // editor).
    CDlgPage::Queries PageSettingsQueries();
    CDlgPage::EditorLines SelectedEditorLines() const;
    QList<CDlgPage::Problem> CheckPageSettings(int page, const PageEntry& entry) const;
    void OnCompileProgress(qint64 elapsedMs);
    void OnCompileFinished(const RunResult& result);
    void OnMessageChosen(int line, int column);
    bool SaveSourceForBuild();
    static bool HasDroppedFiles(const QDropEvent* event);
    void OpenDroppedFiles(const QMimeData* data);

    QHash<int, QAction*> m_actions;
    QMenu* m_pFileMenu = nullptr;
    QAction* m_pRecentPlaceholder = nullptr;
    QLabel* m_pMessagePane = nullptr;
    CFlashDoc* m_pDocument = nullptr;
    int m_nActivePane = 0;
    bool m_bColumnsSet = false;
    bool m_bWasMaximized = false;
    QShortcut* m_pCancelShortcut = nullptr;
    // The movie's time before the running compile (invalid: there was none).
    QDateTime m_movieTimeBeforeBuild;
    bool m_bCloseAfterBuild = false;
};
