#pragma once

#include <QHash>
#include <QMainWindow>
#include <QString>

class QAction;
class QLabel;
class QSplitter;
class QToolBar;
class CFlashView;
class CProgrammingView;

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

    // The action of a command id (nullptr for unknown ids).
    QAction* Action(int id) const { return m_actions.value(id); }

    // Puts text into the status bar's message pane at once.
    void SetStatusText(const QString& text);
    // Makes the editor (column 1) or the browser (column 0) the active pane.
    void SetActivePane(int column);

    void OnBuildAndRun();
    void OnOpenLastSource();

    QSplitter* m_wndSplitter = nullptr;
    CFlashView* m_pBrowserPane = nullptr;
    CProgrammingView* m_pEditorPane = nullptr;
    QString m_strMxmlcPath;
    QString m_strSourcePath;
    QToolBar* m_wndToolBar = nullptr;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void OnCreateClient();
    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreateStatusBar();

    QHash<int, QAction*> m_actions;
};
