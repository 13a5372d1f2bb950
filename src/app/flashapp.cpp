#include "flashapp.h"

#include "app/aboutdlg.h"
#include "app/commandlineinfo.h"
#include "app/commands.h"
#include "app/mainframe.h"
#include "app/recentfilelist.h"
#include "app/shellregistration.h"
#include "build/locations.h"
#include "build/warmup.h"
#include "tutorial/flashdoc.h"
#include "tutorial/logging.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QScreen>
#include <QSettings>

CFlashApp theApp;

namespace {

QByteArray ReadResource(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The framework's default size of a new frame: most of the screen.
QSize DefaultFrameSize(const QWidget* window)
{
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return QSize(1000, 700);
    const QRect available = screen->availableGeometry();
    return QSize(qMin(available.width() * 4 / 5, 1400), qMin(available.height() * 4 / 5, 1000));
}

} // namespace

CFlashApp::CFlashApp() : m_pRecentFileList(new RecentFileList(RecentFileList::kDefaultSize))
{
    SetPrompter(this);
}

CFlashApp::~CFlashApp()
{
    SetPrompter(nullptr);
    // The windows are gone with ExitInstance; whatever is left belongs to a
    // QApplication that no longer exists and is not touched here.
    delete m_pRecentFileList;
}

std::unique_ptr<QSettings> CFlashApp::Settings()
{
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QStringLiteral("Peltra"), AppName());
}

bool CFlashApp::InitInstance(const QStringList& arguments)
{
    if (m_pMainWnd || m_pFrame || m_pDocument)
        ExitInstance();
    m_bSaveSettingsAtExit = true;
    m_nExitCode = 0;

    LoadStdProfileSettings();
    m_pDocument = new CFlashDoc(this);
    RegisterShellFileTypes();

    const CCommandLineInfo info = ParseCommandLine(arguments.mid(1));
    if (!ProcessShellCommand(info)) {
        DestroyMainWindow();
        return false;
    }
    m_pMainWnd->show();
    m_pMainWnd->activateWindow();
    // The player and the compiler start warming in the background, so that
    // the first 実行 is as quick as the later ones.
    CWarmUp::StartIfEnabled(CWarmUp::PathsFor(GetProgramFolder(), GetGameRoot()), m_pMainWnd);
    return true;
}

int CFlashApp::ExitInstance()
{
    if (m_pDocument && m_bSaveSettingsAtExit)
        SaveStdProfileSettings();
    DestroyMainWindow();
    delete m_pDocument;
    m_pDocument = nullptr;
    // The next start-up reads the list afresh from the settings.
    const QSignalBlocker blocker(m_pRecentFileList);
    m_pRecentFileList->Clear();
    return m_nExitCode;
}

void CFlashApp::LoadStdProfileSettings()
{
    const auto settings = Settings();
    m_pRecentFileList->ReadList(*settings);
    m_nPreviewPages = settings->value(QStringLiteral("Settings/PreviewPages"), 0).toInt();
}

void CFlashApp::SaveStdProfileSettings()
{
    const auto settings = Settings();
    m_pRecentFileList->WriteList(*settings);
    // The program never changes the value; it is written back only when set.
    if (m_nPreviewPages != 0)
        settings->setValue(QStringLiteral("Settings/PreviewPages"), m_nPreviewPages);
    settings->sync();
}

void CFlashApp::DeleteSettings()
{
    auto settings = Settings();
    const QString fileName = settings->fileName();
    settings->clear();
    settings->sync();
    settings.reset();
    QFile::remove(fileName);
    // The organisation's folder goes too when nothing else is left in it.
    QDir().rmdir(QFileInfo(fileName).absolutePath());
}

void CFlashApp::RegisterShellFileTypes()
{
    ShellRegistration registration = ShellRegistration::ForCurrentUser();
    // A packaged installation is registered in the system's folders already.
    if (registration.IsRegisteredSystemWide(QCoreApplication::applicationFilePath()))
        return;
    if (!registration.Register(QCoreApplication::applicationFilePath(),
                               ReadResource(QStringLiteral(":/icons/peltra.svg")),
                               ReadResource(QStringLiteral(":/icons/document.svg"))))
        qCWarning(lcApp).noquote()
            << "the file type registration is incomplete:" << registration.DesktopEntryPath();
    if (registration.Changed())
        registration.RefreshDatabases(false);
}

void CFlashApp::CreateMainWindow()
{
    if (m_pMainWnd || m_pFrame)
        return;
    m_pFrame = new CMainFrame;
    m_pFrame->resize(DefaultFrameSize(m_pFrame));
}

void CFlashApp::DestroyMainWindow()
{
    CMainFrame* frame = m_pMainWnd ? m_pMainWnd : m_pFrame;
    m_pMainWnd = nullptr;
    m_pFrame = nullptr;
    delete frame;
}

bool CFlashApp::ProcessShellCommand(const CCommandLineInfo& info)
{
    switch (info.m_nShellCommand) {
    case CCommandLineInfo::FileNew:
    case CCommandLineInfo::FileDDE: // no conversation partner here: a new project
        CreateMainWindow();
        if (!NewDocument()) {
            m_nExitCode = 1;
            return false;
        }
        return m_pMainWnd != nullptr;
    case CCommandLineInfo::FileOpen:
        CreateMainWindow();
        if (DoOpenDocumentFile(info.m_strFileName) != OpenResult::Opened) {
            m_nExitCode = 1;
            return false;
        }
        return m_pMainWnd != nullptr;
    case CCommandLineInfo::FilePrint:
    case CCommandLineInfo::FilePrintTo:
        // The file is opened and the direct-print command sent; the program
        // has no handler for it, so nothing is printed. Then the program ends.
        CreateMainWindow();
        m_nExitCode = DoOpenDocumentFile(info.m_strFileName) == OpenResult::Opened ? 0 : 1;
        return false;
    case CCommandLineInfo::AppRegister:
        m_bSaveSettingsAtExit = false;
        return false;
    case CCommandLineInfo::AppUnregister:
        m_bSaveSettingsAtExit = false;
        DeleteSettings();
        MessageBox(UnregisteredMessage());
        return false;
    }
    return false;
}

bool CFlashApp::NewDocument()
{
    if (!m_pDocument || !m_pDocument->OnNewDocument())
        return false;
    if (!m_pMainWnd)
        m_pMainWnd = m_pFrame;
    if (m_pMainWnd)
        m_pMainWnd->OnInitialUpdate();
    return true;
}

void CFlashApp::OnFileNew()
{
    if (!m_pDocument || !m_pDocument->SaveModified())
        return;
    NewDocument();
}

CFlashApp::OpenResult CFlashApp::DoOpenDocumentFile(const QString& path)
{
    if (!m_pDocument || path.isEmpty())
        return OpenResult::Failed;
    const QString fullPath = QDir::cleanPath(QFileInfo(path).absoluteFilePath());

    // The project already open is only brought to the front.
    const QString current = m_pDocument->GetPathName();
    if (!current.isEmpty() &&
        RecentFileList::ComparisonKey(current) == RecentFileList::ComparisonKey(fullPath)) {
        if (m_pMainWnd) {
            m_pMainWnd->raise();
            m_pMainWnd->activateWindow();
        }
        return OpenResult::Opened;
    }
    if (m_pMainWnd && !m_pDocument->SaveModified())
        return OpenResult::Cancelled;
    if (!m_pDocument->OnOpenDocument(fullPath))
        return OpenResult::Failed;
    m_pDocument->SetPathName(fullPath, true);
    if (!m_pMainWnd)
        m_pMainWnd = m_pFrame;
    if (m_pMainWnd)
        m_pMainWnd->OnInitialUpdate();
    return OpenResult::Opened;
}

bool CFlashApp::OpenDocumentFile(const QString& path)
{
    return DoOpenDocumentFile(path) == OpenResult::Opened;
}

void CFlashApp::OpenRecentFile(int index)
{
    const QString path = m_pRecentFileList->at(index);
    if (path.isEmpty())
        return;
    if (DoOpenDocumentFile(path) == OpenResult::Failed && m_pRecentFileList->at(index) == path)
        m_pRecentFileList->Remove(index);
}

void CFlashApp::OnAppAbout()
{
    CAboutDlg dialog(m_pMainWnd);
    dialog.exec();
}

void CFlashApp::OnDeleteRegistry()
{
    ShellRegistration registration = ShellRegistration::ForCurrentUser();
    if (!registration.Unregister())
        qCWarning(lcApp).noquote() << "the file type registration is not wholly removed:"
                                   << registration.DesktopEntryPath();
    if (registration.Changed())
        registration.RefreshDatabases(false);
    // Shown whatever the removal achieved.
    MessageBox(RegistryDeletedMessage());
}

QMessageBox::StandardButton CFlashApp::MessageBox(const QString& text,
                                                  QMessageBox::StandardButtons buttons)
{
    if (m_messageBoxHook)
        return m_messageBoxHook(text, buttons);
    QWidget* parent = QApplication::activeModalWidget();
    if (!parent)
        parent = m_pMainWnd && m_pMainWnd->isVisible() ? m_pMainWnd : QApplication::activeWindow();
    QMessageBox box(QMessageBox::Warning, AppName(), text, buttons, parent);
    return QMessageBox::StandardButton(box.exec());
}

QWidget* CFlashApp::DialogParent() const
{
    return m_pMainWnd;
}

QString CFlashApp::FileDialog(FileDialogKind kind, const QString& folder,
                              const QString& suggestedName)
{
    if (m_fileDialogHook)
        return m_fileDialogHook(kind, folder, suggestedName);
    QFileDialog dialog(m_pMainWnd, QString(), folder);
    dialog.setDefaultSuffix(CFlashDoc::DefaultExtension().mid(1)); // without the dot
    if (kind == FileDialogKind::Open) {
        dialog.setWindowTitle(QStringLiteral("開く"));
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setNameFilter(CFlashDoc::OpenFilter());
    } else {
        dialog.setWindowTitle(QStringLiteral("名前を付けて保存"));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setNameFilters(CFlashDoc::SaveFilters());
        if (!suggestedName.isEmpty())
            dialog.selectFile(suggestedName);
    }
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles().value(0);
}
