#pragma once

#include "widgets/prompts.h"

#include <QMessageBox>
#include <QObject>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class CCommandLineInfo;
class CMainFrame;
class CFlashDoc;
class RecentFileList;

// The application object: start-up, settings, the command line, file-type
// registration, the recent-file list, and the program's prompter: message
// boxes and file dialogs, with hooks through which tests answer them.
class CFlashApp : public QObject, public CPrompter
{
    Q_OBJECT
public:
    using FileDialogKind = ::FileDialogKind;
    using MessageBoxHook = std::function<QMessageBox::StandardButton(
        const QString& text, QMessageBox::StandardButtons buttons)>;
    // Returns the chosen path, or empty when cancelled.
    using FileDialogHook = std::function<QString(FileDialogKind kind, const QString& folder,
                                                 const QString& suggestedName)>;

    CFlashApp();
    ~CFlashApp() override;

    // Start-up after the QApplication exists: settings, main window,
    // registration, the command line. arguments are as
    // QCoreApplication::arguments() gives them: the program's own path first,
    // then the command line (so {} or {"peltra"} starts a new project and
    // {"peltra", "/path/x.lrnf"} opens one). Returns false when the program
    // is to end at once (ExitCode() tells with what).
    bool InitInstance(const QStringList& arguments);
    // Writes the settings (unless a registration switch asked otherwise) and
    // tears the window down. Returns the program's exit code.
    int ExitInstance();
    // The exit code when InitInstance returned false: 0 for a switch that
    // did its work (registration, print), 1 when start-up failed.
    int ExitCode() const { return m_nExitCode; }

    CMainFrame* GetMainWnd() const { return m_pMainWnd; }
    CFlashDoc* GetDocument() const { return m_pDocument; }
    RecentFileList* GetRecentFileList() const { return m_pRecentFileList; }

    // Opens a project through the framework road (recent list, command line,
    // drops): asks to save changes first; on a failed open keeps the open
    // project as it was. Returns true when the project opened (or is the
    // one already open).
    bool OpenDocumentFile(const QString& path);
    // Opens entry index of the recent-file list; an entry that fails to open
    // (not one whose open the user cancelled) leaves the list.
    void OpenRecentFile(int index);

    // Command handlers.
    void OnFileNew();
    void OnAppAbout();
    void OnDeleteRegistry();

    // Message box with caption "Flash" and the warning icon.
    QMessageBox::StandardButton
    MessageBox(const QString& text,
               QMessageBox::StandardButtons buttons = QMessageBox::Ok) override;
    QString FileDialog(FileDialogKind kind, const QString& folder,
                       const QString& suggestedName = {}) override;
    QWidget* DialogParent() const override;

    void SetMessageBoxHook(MessageBoxHook hook) { m_messageBoxHook = std::move(hook); }
    void SetFileDialogHook(FileDialogHook hook) { m_fileDialogHook = std::move(hook); }

    // The program's settings: organisation "Peltra", application "Flash",
    // native format.
    static std::unique_ptr<QSettings> Settings();
    // "Settings"/"PreviewPages" as read at start.
    int GetPreviewPages() const { return m_nPreviewPages; }

    // Texts the application shows.
    static QString RegistryDeletedMessage()
    {
        return QStringLiteral("レジストリ情報を削除しました！");
    }
    static QString UnregisteredMessage()
    {
        return QStringLiteral("システム レジストリ エントリは削除されています。また、INI "
                              "ファイルがある場合は、INI ファイルも削除されました。");
    }

private:
    enum class OpenResult { Opened, Cancelled, Failed };
    OpenResult DoOpenDocumentFile(const QString& path);
    void LoadStdProfileSettings();
    void SaveStdProfileSettings();
    void RegisterShellFileTypes();
    bool ProcessShellCommand(const CCommandLineInfo& info);
    void CreateMainWindow();
    void DestroyMainWindow();
    bool NewDocument();
    static void DeleteSettings();

    CMainFrame* m_pMainWnd = nullptr;
    // The window while the command line is carried out; it becomes the main
    // window once the project is there.
    CMainFrame* m_pFrame = nullptr;
    CFlashDoc* m_pDocument = nullptr;
    RecentFileList* m_pRecentFileList = nullptr;
    MessageBoxHook m_messageBoxHook;
    FileDialogHook m_fileDialogHook;
    bool m_bSaveSettingsAtExit = true;
    int m_nPreviewPages = 0;
    int m_nExitCode = 0;
};

// The one application object.
extern CFlashApp theApp;
