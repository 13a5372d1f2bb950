// Start-up and exit as the program runs them: the command line carried out
// by InitInstance, the settings read at start and written at exit, the
// registration written at every start and removed by its command, and the
// About box.
#include "app/aboutdlg.h"
#include "app/commands.h"
#include "app/flashapp.h"
#include "app/mainframe.h"
#include "app/recentfilelist.h"
#include "app/shellregistration.h"
#include "editor/programmingview.h"
#include "tutorial/flashdoc.h"

#include "support/appfixture.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

class TestApp : public QObject
{
    Q_OBJECT
public:
    static void initMain() { AppFixture::InitMain(); }

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void startsWithNewProject_data();
    void startsWithNewProject();
    void opensProjectFromCommandLine();
    void refusedProjectEndsStartUp_data();
    void refusedProjectEndsStartUp();
    void printSwitchOpensAndEnds();
    void recentListAcrossRuns();
    void previewPagesWrittenBackOnlyWhenSet();
    void registerSwitchSavesNothing();
    void unregisterSwitchRemovesSettings_data();
    void unregisterSwitchRemovesSettings();
    void deleteRegistryCommand();
    void aboutBox();
    void windowGoesWithoutConnections();

private:
    QString Project(const QString& name) { return AppFixture::EmptyProject(m_dir->filePath(name)); }
    static QString SettingsFile() { return AppFixture::SettingsFile(); }
    static QString App() { return QCoreApplication::applicationFilePath(); }

    AppFixture m_app;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestApp::initTestCase()
{
    m_app.SetUp();
}

void TestApp::init()
{
    m_app.ClearMessages();
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    AppFixture::ForgetSettings();
}

void TestApp::cleanup()
{
    m_app.Stop();
}

void TestApp::cleanupTestCase()
{
    m_app.TearDown();
}

void TestApp::startsWithNewProject_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("no argument") << QStringList{App()};
    QTest::newRow("empty list") << QStringList{};
    QTest::newRow("dde") << QStringList{App(), "/dde"};
    QTest::newRow("embedding") << QStringList{App(), "-Embedding"};
}

void TestApp::startsWithNewProject()
{
    QFETCH(QStringList, arguments);
    QVERIFY(theApp.InitInstance(arguments));
    CMainFrame* frame = theApp.GetMainWnd();
    QVERIFY(frame);
    QVERIFY(frame->isVisible());
    QCOMPARE(frame->windowTitle(), QStringLiteral("無題 - Peltra 0.7"));
    QVERIFY(theApp.GetDocument()->GetPathName().isEmpty());
    QVERIFY(!theApp.GetDocument()->IsModified());
    QVERIFY(frame->acceptDrops());
    QVERIFY(m_app.messages.isEmpty());

    // The file type is registered at every start.
    const ShellRegistration registration = ShellRegistration::ForCurrentUser();
    QVERIFY(QFile::exists(registration.DesktopEntryPath()));
    QVERIFY(QFile::exists(registration.MimePackagePath()));
    QVERIFY(QFile::exists(registration.DocumentIconPath()));
    QFile desktop(registration.DesktopEntryPath());
    QVERIFY(desktop.open(QIODevice::ReadOnly));
    QVERIFY(desktop.readAll().contains(ShellRegistration::ExecValue(App()).toUtf8()));
    QCOMPARE(theApp.ExitInstance(), 0);
    QVERIFY(!theApp.GetMainWnd());
}

void TestApp::opensProjectFromCommandLine()
{
    const QString path = Project(QStringLiteral("lesson.lrnf"));
    QVERIFY(theApp.InitInstance({App(), path}));
    QCOMPARE(theApp.GetDocument()->GetPathName(), path);
    QCOMPARE(theApp.GetMainWnd()->windowTitle(), QStringLiteral("lesson - Peltra 0.7"));
    QCOMPARE(theApp.GetRecentFileList()->at(0), path);
    theApp.ExitInstance();

    // The next start finds it at the head of the list.
    QSettings settings(SettingsFile(), QSettings::IniFormat);
    QCOMPARE(settings.value(QStringLiteral("Recent File List/File1")).toString(), path);
    QVERIFY(theApp.InitInstance({App()}));
    QCOMPARE(theApp.GetRecentFileList()->files(), QStringList{path});
    QVERIFY(theApp.GetMainWnd()->Action(ID_FILE_MRU_FILE1)->isVisible());
}

void TestApp::refusedProjectEndsStartUp_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("message");
    QTest::newRow("other extension") << "notes.txt" << false;
    QTest::newRow("missing project") << "missing.lrnf" << true;
}

void TestApp::refusedProjectEndsStartUp()
{
    QFETCH(QString, file);
    QFETCH(bool, message);
    QString path = m_dir->filePath(file);
    if (!message)
        path = Project(file);
    // Relative, as typed in a terminal: an absolute path that names no file
    // is taken for a "/" switch.
    QVERIFY(!theApp.InitInstance({App(), QDir::current().relativeFilePath(path)}));
    QVERIFY(!theApp.GetMainWnd());
    QCOMPARE(theApp.ExitCode(), 1);
    QCOMPARE(m_app.messages.size(), message ? 1 : 0);
    if (message)
        QVERIFY(m_app.messages.at(0).contains(path));
    QCOMPARE(theApp.ExitInstance(), 1);
}

void TestApp::printSwitchOpensAndEnds()
{
    const QString path = Project(QStringLiteral("print.lrnf"));
    QVERIFY(!theApp.InitInstance({App(), QStringLiteral("/p"), path}));
    QVERIFY(!theApp.GetMainWnd());
    QCOMPARE(theApp.ExitCode(), 0);
    QCOMPARE(theApp.GetRecentFileList()->at(0), path);
    theApp.ExitInstance();
    // Printing is no registration switch: the settings are saved.
    QSettings settings(SettingsFile(), QSettings::IniFormat);
    QCOMPARE(settings.value(QStringLiteral("Recent File List/File1")).toString(), path);

    QVERIFY(!theApp.InitInstance(
        {App(), QStringLiteral("-pt"), Project(QStringLiteral("pt.lrnf")), "printer", "driver"}));
    QCOMPARE(theApp.ExitCode(), 0);
}

void TestApp::recentListAcrossRuns()
{
    QStringList paths;
    for (int i = 1; i <= 5; ++i)
        paths << Project(QStringLiteral("p%1.lrnf").arg(i));
    for (int i = 0; i < 4; ++i) {
        QVERIFY(theApp.InitInstance({App(), paths.at(i)}));
        theApp.ExitInstance();
    }
    QVERIFY(theApp.InitInstance({App()}));
    QCOMPARE(theApp.GetRecentFileList()->files(),
             (QStringList{paths[3], paths[2], paths[1], paths[0]}));
    // A fifth project pushes out the oldest, in the menu and at the next start.
    QVERIFY(theApp.OpenDocumentFile(paths.at(4)));
    CMainFrame* frame = theApp.GetMainWnd();
    QCOMPARE(frame->Action(ID_FILE_MRU_FILE1)->text(),
             QStringLiteral("&1 ") + RecentFileList::AbbreviatePath(paths[4], 30));
    QCOMPARE(frame->Action(ID_FILE_MRU_FILE1 + 3)->text(),
             QStringLiteral("&4 ") + RecentFileList::AbbreviatePath(paths[1], 30));
    theApp.ExitInstance();
    QVERIFY(theApp.InitInstance({App()}));
    QCOMPARE(theApp.GetRecentFileList()->files(),
             (QStringList{paths[4], paths[3], paths[2], paths[1]}));
}

void TestApp::previewPagesWrittenBackOnlyWhenSet()
{
    QVERIFY(theApp.InitInstance({App()}));
    QCOMPARE(theApp.GetPreviewPages(), 0);
    theApp.ExitInstance();
    {
        QSettings settings(SettingsFile(), QSettings::IniFormat);
        QVERIFY(!settings.contains(QStringLiteral("Settings/PreviewPages")));
        settings.setValue(QStringLiteral("Settings/PreviewPages"), 3);
    }
    QVERIFY(theApp.InitInstance({App()}));
    QCOMPARE(theApp.GetPreviewPages(), 3);
    {
        // Someone else changes the value while the program runs; the
        // program's own value goes back at exit.
        QSettings settings(SettingsFile(), QSettings::IniFormat);
        settings.setValue(QStringLiteral("Settings/PreviewPages"), 7);
    }
    theApp.ExitInstance();
    QSettings settings(SettingsFile(), QSettings::IniFormat);
    QCOMPARE(settings.value(QStringLiteral("Settings/PreviewPages")).toInt(), 3);
}

void TestApp::registerSwitchSavesNothing()
{
    const QString path = Project(QStringLiteral("kept.lrnf"));
    {
        QSettings settings(SettingsFile(), QSettings::IniFormat);
        settings.setValue(QStringLiteral("Recent File List/File1"), path);
    }
    QVERIFY(!theApp.InitInstance({App(), QStringLiteral("-REGSERVER")}));
    QVERIFY(!theApp.GetMainWnd());
    QCOMPARE(theApp.ExitCode(), 0);
    QVERIFY(m_app.messages.isEmpty());
    theApp.GetRecentFileList()->Add(Project(QStringLiteral("other.lrnf")));
    theApp.ExitInstance();
    QSettings settings(SettingsFile(), QSettings::IniFormat);
    QCOMPARE(settings.value(QStringLiteral("Recent File List/File1")).toString(), path);
    QVERIFY(!settings.contains(QStringLiteral("Recent File List/File2")));
}

void TestApp::unregisterSwitchRemovesSettings_data()
{
    QTest::addColumn<QString>("argument");
    QTest::newRow("/Unregister") << "/Unregister";
    QTest::newRow("-unregserver") << "-unregserver";
    QTest::newRow("/UNREGISTERPERUSER") << "/UNREGISTERPERUSER";
}

void TestApp::unregisterSwitchRemovesSettings()
{
    QFETCH(QString, argument);
    // A first run leaves settings and the registration behind.
    QVERIFY(theApp.InitInstance({App(), Project(QStringLiteral("u.lrnf"))}));
    theApp.ExitInstance();
    QVERIFY(QFile::exists(SettingsFile()));

    QVERIFY(!theApp.InitInstance({App(), argument}));
    QVERIFY(!theApp.GetMainWnd());
    QCOMPARE(m_app.messages, QStringList{CFlashApp::UnregisteredMessage()});
    QCOMPARE(m_app.messages.at(0), QStringLiteral("システム レジストリ エントリは削除されています。"
                                                  "また、INI ファイルがある場合は、INI "
                                                  "ファイルも削除されました。"));
    QVERIFY(!QFile::exists(SettingsFile()));
    // The organisation's folder went with it, being empty.
    QVERIFY(!QFileInfo::exists(QFileInfo(SettingsFile()).absolutePath()));
    theApp.ExitInstance();
    QVERIFY(!QFile::exists(SettingsFile()));
    // The shell registration stays.
    QVERIFY(QFile::exists(ShellRegistration::ForCurrentUser().DesktopEntryPath()));
}

void TestApp::deleteRegistryCommand()
{
    const QString path = Project(QStringLiteral("d.lrnf"));
    QVERIFY(theApp.InitInstance({App(), path}));
    const ShellRegistration registration = ShellRegistration::ForCurrentUser();
    QVERIFY(QFile::exists(registration.DesktopEntryPath()));
    QCOMPARE(registration.DefaultApplication(), QStringLiteral("peltra.desktop;"));

    theApp.GetMainWnd()->Action(ID_DELETE_REGISTRY)->trigger();
    QCOMPARE(m_app.messages, QStringList{QStringLiteral("レジストリ情報を削除しました！")});
    QVERIFY(!QFile::exists(registration.DesktopEntryPath()));
    QVERIFY(!QFile::exists(registration.MimePackagePath()));
    QVERIFY(registration.DefaultApplication().isEmpty());
    // The settings are untouched; the next start registers again.
    theApp.ExitInstance();
    QSettings settings(SettingsFile(), QSettings::IniFormat);
    QCOMPARE(settings.value(QStringLiteral("Recent File List/File1")).toString(), path);
    QVERIFY(theApp.InitInstance({App()}));
    QVERIFY(QFile::exists(registration.DesktopEntryPath()));
    QCOMPARE(registration.DefaultApplication(), QStringLiteral("peltra.desktop;"));

    // The message is shown even when there was nothing to remove.
    theApp.OnDeleteRegistry();
    m_app.messages.clear();
    theApp.OnDeleteRegistry();
    QCOMPARE(m_app.messages, QStringList{QStringLiteral("レジストリ情報を削除しました！")});
}

void TestApp::aboutBox()
{
    QVERIFY(theApp.InitInstance({App()}));
    QString caption;
    QString text;
    bool hasIcon = false;
    bool okIsDefault = false;
    bool closed = false;
    QTimer::singleShot(0, this, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        caption = dialog->windowTitle();
        if (auto* label = dialog->findChild<QLabel*>(QStringLiteral("versionLabel")))
            text = label->text();
        if (auto* icon = dialog->findChild<QLabel*>(QStringLiteral("iconLabel")))
            hasIcon = !icon->pixmap().isNull();
        auto* ok = dialog->findChild<QPushButton*>(QStringLiteral("okButton"));
        if (ok) {
            okIsDefault = ok->isDefault() && ok->text() == QLatin1String("OK");
            QTest::keyClick(dialog, Qt::Key_Return); // the default button closes it
        }
        closed = true;
        if (dialog->isVisible())
            dialog->reject();
    });
    theApp.GetMainWnd()->Action(ID_APP_ABOUT)->trigger();
    QVERIFY(closed);
    QCOMPARE(caption, QStringLiteral("バージョン情報 Flash"));
    QCOMPARE(text, QStringLiteral("Peltra, Version 0.7"));
    QVERIFY(hasIcon);
    QVERIFY(okIsDefault);
    QVERIFY(!QApplication::activeModalWidget());
}

// The window goes with the focus in one of its panes. The application, the
// document and the recent-file list outlive it: by the time its panes are
// torn down (and the focus leaves them), none of them may still reach it,
// or the window's handlers would run on a window half destroyed.
void TestApp::windowGoesWithoutConnections()
{
    QVERIFY(theApp.InitInstance({App()}));
    CMainFrame* frame = theApp.GetMainWnd();
    QVERIFY(QTest::qWaitForWindowActive(frame));
    frame->SetActivePane(1);
    QVERIFY(frame->m_pEditorPane->hasFocus());

    const QObject* window = frame; // taken while the window is whole
    CFlashDoc* document = theApp.GetDocument();
    RecentFileList* recent = theApp.GetRecentFileList();
    QStringList stillConnected;
    bool panesWent = false;
    connect(frame->m_pEditorPane, &QObject::destroyed, this, [&] {
        panesWent = true;
        if (disconnect(qApp, &QApplication::focusChanged, window, nullptr))
            stillConnected << QStringLiteral("focus");
        if (disconnect(document, nullptr, window, nullptr))
            stillConnected << QStringLiteral("document");
        if (disconnect(recent, nullptr, window, nullptr))
            stillConnected << QStringLiteral("recent files");
    });
    theApp.ExitInstance();
    QVERIFY(panesWent);
    QCOMPARE(stillConnected, QStringList());
}

QTEST_MAIN(TestApp)
#include "tst_app.moc"
