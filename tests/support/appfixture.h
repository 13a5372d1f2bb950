#pragma once

// The application as the window tests run it: the hooks that answer its
// message boxes and file dialogs, start-up and shut-down, and the main
// window with its two panes.

#include "widgets/prompts.h"

#include <QList>
#include <QMessageBox>
#include <QSize>
#include <QStringList>

#include <functional>

class CFlashView;
class CMainFrame;
class CProgrammingView;

class AppFixture
{
public:
    using FileDialogAnswer = std::function<QString(FileDialogKind kind, const QString& folder,
                                                   const QString& suggestedName)>;

    // For a test's initMain, before the QApplication exists: the tutorial
    // browser shares its GL context with the window.
    static void InitMain();
    // Removes the program's settings file: the next start has an empty
    // recent-file list and no stored values.
    static void ForgetSettings();
    // The settings file of this test's home folder.
    static QString SettingsFile();
    // Writes an empty project file (a project without pages) to path;
    // returns path.
    static QString EmptyProject(const QString& path);

    // Test mode for the standard paths, and hooks that note every message
    // box (answering `answer`) and answer every file dialog with fileDialog.
    void SetUp();
    // Shuts the application down when it runs and removes the hooks.
    void TearDown();

    // InitInstance with the program's own path followed by arguments.
    bool Start(const QStringList& arguments = {});
    // Shows the main window at size and waits until it is exposed, or with
    // active until it is the active window.
    bool ShowMainWindow(const QSize& size = QSize(1000, 700), bool active = false);
    // ExitInstance; the program's exit code.
    int Stop();
    // Clicks the main window's toolbar button of command id, with the mouse
    // over it first; false when the button is missing or greyed.
    bool ClickToolButton(int id);

    CMainFrame* Frame() const;
    CFlashView* Browser() const;
    CProgrammingView* Editor() const;

    // The message boxes shown, in order: their texts and their buttons.
    QStringList messages;
    QList<QMessageBox::StandardButtons> messageButtons;
    // What every message box answers.
    QMessageBox::StandardButton answer = QMessageBox::Ok;
    // What a file dialog answers; unset, every dialog is cancelled.
    FileDialogAnswer fileDialog;

    // Forgets the message boxes shown and answers Ok again.
    void ClearMessages();
};
