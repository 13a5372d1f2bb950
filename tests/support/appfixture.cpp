#include "appfixture.h"

#include "app/flashapp.h"
#include "app/mainframe.h"

#include <QCoreApplication>
#include <QFile>
#include <QStandardPaths>
#include <QTest>
#include <QToolBar>

void AppFixture::InitMain()
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

QString AppFixture::SettingsFile()
{
    return CFlashApp::Settings()->fileName();
}

void AppFixture::ForgetSettings()
{
    QFile::remove(SettingsFile());
}

QString AppFixture::EmptyProject(const QString& path)
{
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    return path;
}

void AppFixture::SetUp()
{
    QStandardPaths::setTestModeEnabled(true);
    theApp.SetMessageBoxHook([this](const QString& text, QMessageBox::StandardButtons buttons) {
        messages << text;
        messageButtons << buttons;
        return answer;
    });
    theApp.SetFileDialogHook(
        [this](FileDialogKind kind, const QString& folder, const QString& suggestedName) {
            return fileDialog ? fileDialog(kind, folder, suggestedName) : QString();
        });
}

void AppFixture::TearDown()
{
    if (theApp.GetMainWnd() || theApp.GetDocument())
        theApp.ExitInstance();
    theApp.SetMessageBoxHook({});
    theApp.SetFileDialogHook({});
}

bool AppFixture::Start(const QStringList& arguments)
{
    return theApp.InitInstance(QStringList{QCoreApplication::applicationFilePath()} + arguments);
}

bool AppFixture::ShowMainWindow(const QSize& size, bool active)
{
    CMainFrame* frame = Frame();
    if (!frame)
        return false;
    frame->resize(size);
    frame->show();
    if (!active)
        return QTest::qWaitForWindowExposed(frame);
    frame->activateWindow();
    return QTest::qWaitForWindowActive(frame);
}

int AppFixture::Stop()
{
    return theApp.ExitInstance();
}

bool AppFixture::ClickToolButton(int id)
{
    CMainFrame* frame = Frame();
    QWidget* button = frame ? frame->m_wndToolBar->widgetForAction(frame->Action(id)) : nullptr;
    if (!button || !button->isEnabled())
        return false;
    QTest::mouseMove(button, button->rect().center());
    QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
    return true;
}

CMainFrame* AppFixture::Frame() const
{
    return theApp.GetMainWnd();
}

CFlashView* AppFixture::Browser() const
{
    return Frame() ? Frame()->m_pBrowserPane : nullptr;
}

CProgrammingView* AppFixture::Editor() const
{
    return Frame() ? Frame()->m_pEditorPane : nullptr;
}

void AppFixture::ClearMessages()
{
    messages.clear();
    messageButtons.clear();
    answer = QMessageBox::Ok;
}
