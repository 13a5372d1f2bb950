// Registration of *.lrnf with the desktop, written into temporary XDG
// folders: what is written, what removal takes away, and another program's
// association left alone.
#include "app/shellregistration.h"
#include "support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

void Write(const QString& path, const QByteArray& data)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(data);
}

const QByteArray kAppIcon = "<svg id='app'/>";
const QByteArray kDocIcon = "<svg id='doc'/>";

} // namespace

class TestRegistration : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void writesEverything();
    void secondRegistrationChangesNothing();
    void keepsOtherLinesOfMimeApps();
    void unregisterRemovesOurs();
    void otherProgramsAssociationLeftAlone();
    void execValue_data();
    void execValue();
    void keyFileEditing();
    void refreshedDatabaseKnowsTheType();
    void systemWide_data();
    void systemWide();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_data;
    QString m_config;
};

void TestRegistration::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
}

void TestRegistration::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_data = m_dir->filePath(QStringLiteral("data"));
    m_config = m_dir->filePath(QStringLiteral("config"));
}

void TestRegistration::writesEverything()
{
    ShellRegistration reg(m_data, m_config);
    QVERIFY(reg.Register(QStringLiteral("/opt/peltra/peltra"), kAppIcon, kDocIcon));
    QVERIFY(reg.Changed());

    const QByteArray mime = ReadAll(m_data + QStringLiteral("/mime/packages/peltra-document.xml"));
    QVERIFY(mime.contains("<mime-type type=\"application/x-peltra-document\">"));
    QVERIFY(mime.contains("<glob pattern=\"*.lrnf\"/>"));
    QVERIFY(mime.contains("<comment>Peltra.Document</comment>"));
    QVERIFY(mime.contains("<icon name=\"application-x-peltra-document\"/>"));

    const QByteArray desktop = ReadAll(m_data + QStringLiteral("/applications/peltra.desktop"));
    QVERIFY(desktop.startsWith("[Desktop Entry]\n"));
    QVERIFY(desktop.contains("\nExec=/opt/peltra/peltra %f\n"));
    QVERIFY(desktop.contains("\nType=Application\n"));
    QVERIFY(desktop.contains("\nMimeType=application/x-peltra-document;\n"));
    QVERIFY(desktop.contains("\nIcon=peltra\n"));

    QCOMPARE(ReadAll(m_data + QStringLiteral("/icons/hicolor/scalable/apps/peltra.svg")), kAppIcon);
    QCOMPARE(ReadAll(m_data +
                     QStringLiteral(
                         "/icons/hicolor/scalable/mimetypes/application-x-peltra-document.svg")),
             kDocIcon);
    QCOMPARE(ReadAll(m_config + QStringLiteral("/mimeapps.list")),
             QByteArray("[Default Applications]\n"
                        "application/x-peltra-document=peltra.desktop;\n"));
    QCOMPARE(reg.DefaultApplication(), QStringLiteral("peltra.desktop;"));
}

void TestRegistration::secondRegistrationChangesNothing()
{
    ShellRegistration reg(m_data, m_config);
    QVERIFY(reg.Register(QStringLiteral("/opt/peltra/peltra"), kAppIcon, kDocIcon));
    const QDateTime written = QFileInfo(reg.DesktopEntryPath()).lastModified();
    QVERIFY(reg.Register(QStringLiteral("/opt/peltra/peltra"), kAppIcon, kDocIcon));
    QVERIFY(!reg.Changed());
    QCOMPARE(QFileInfo(reg.DesktopEntryPath()).lastModified(), written);

    // A moved program rewrites its Exec line.
    QVERIFY(reg.Register(QStringLiteral("/usr/local/bin/peltra"), kAppIcon, kDocIcon));
    QVERIFY(reg.Changed());
    QVERIFY(ReadAll(reg.DesktopEntryPath()).contains("Exec=/usr/local/bin/peltra %f"));
}

void TestRegistration::keepsOtherLinesOfMimeApps()
{
    QDir().mkpath(m_config);
    const QByteArray before = "# my defaults\n"
                              "[Added Associations]\n"
                              "text/plain=gedit.desktop;\n"
                              "\n"
                              "[Default Applications]\n"
                              "text/html=firefox.desktop;\n"
                              "image/png=gimp.desktop;\n";
    Write(m_config + QStringLiteral("/mimeapps.list"), before);
    ShellRegistration reg(m_data, m_config);
    QVERIFY(reg.Register(QStringLiteral("/opt/p"), {}, {}));
    QCOMPARE(ReadAll(reg.MimeAppsListPath()),
             before + "application/x-peltra-document=peltra.desktop;\n");

    QVERIFY(reg.Unregister());
    QCOMPARE(ReadAll(reg.MimeAppsListPath()), before);
}

void TestRegistration::unregisterRemovesOurs()
{
    ShellRegistration reg(m_data, m_config);
    QVERIFY(reg.Register(QStringLiteral("/opt/p"), kAppIcon, kDocIcon));
    QVERIFY(reg.Unregister());
    QVERIFY(reg.Changed());
    for (const QString& path :
         {reg.DesktopEntryPath(), reg.AppIconPath(), reg.DocumentIconPath(), reg.MimePackagePath()})
        QVERIFY2(!QFileInfo::exists(path), qPrintable(path));
    QVERIFY(reg.DefaultApplication().isEmpty());
    QVERIFY(!ReadAll(reg.MimeAppsListPath()).contains("peltra"));

    // Removing what is not there is no failure; the next start writes it again.
    QVERIFY(reg.Unregister());
    QVERIFY(!reg.Changed());
    QVERIFY(reg.Register(QStringLiteral("/opt/p"), kAppIcon, kDocIcon));
    QVERIFY(QFileInfo::exists(reg.DesktopEntryPath()));
    QCOMPARE(reg.DefaultApplication(), QStringLiteral("peltra.desktop;"));
}

void TestRegistration::otherProgramsAssociationLeftAlone()
{
    QDir().mkpath(m_config);
    const QByteArray other = "[Default Applications]\n"
                             "application/x-peltra-document=other-editor.desktop;peltra.desktop;\n";
    Write(m_config + QStringLiteral("/mimeapps.list"), other);

    ShellRegistration reg(m_data, m_config);
    QVERIFY(reg.Register(QStringLiteral("/opt/p"), kAppIcon, kDocIcon));
    QCOMPARE(ReadAll(reg.MimeAppsListPath()), other);
    QVERIFY(QFileInfo::exists(reg.DesktopEntryPath()));

    QVERIFY(reg.Unregister());
    QCOMPARE(ReadAll(reg.MimeAppsListPath()), other);
    // The file type stays for the other program; our entry and icons go.
    QVERIFY(QFileInfo::exists(reg.MimePackagePath()));
    QVERIFY(!QFileInfo::exists(reg.DesktopEntryPath()));
    QVERIFY(!QFileInfo::exists(reg.DocumentIconPath()));
}

void TestRegistration::execValue_data()
{
    QTest::addColumn<QString>("executable");
    QTest::addColumn<QString>("exec");
    QTest::newRow("plain") << "/opt/peltra/peltra"
                           << "/opt/peltra/peltra %f";
    QTest::newRow("blank") << "/home/u/my apps/peltra"
                           << "\"/home/u/my apps/peltra\" %f";
    QTest::newRow("japanese") << "/home/表/peltra"
                              << "/home/表/peltra %f";
    QTest::newRow("percent") << "/opt/100%/peltra"
                             << "/opt/100%%/peltra %f";
    // Inside quotes " ` $ \ take a backslash; then every backslash of the
    // value is doubled once more.
    QTest::newRow("dollar") << "/opt/$x/peltra"
                            << "\"/opt/\\\\$x/peltra\" %f";
    QTest::newRow("quote") << "/opt/a\"b/peltra"
                           << "\"/opt/a\\\\\"b/peltra\" %f";
    QTest::newRow("backslash") << "/opt/a\\b/peltra"
                               << "\"/opt/a\\\\\\\\b/peltra\" %f";
}

void TestRegistration::execValue()
{
    QFETCH(QString, executable);
    QFETCH(QString, exec);
    QCOMPARE(ShellRegistration::ExecValue(executable), exec);
}

void TestRegistration::keyFileEditing()
{
    const QString section = QStringLiteral("Default Applications");
    const QString key = QStringLiteral("application/x-peltra-document");
    // A new section goes after a blank line.
    QCOMPARE(ShellRegistration::SetKeyFileValue("[A]\nx=1\n", section, key, "p.desktop;"),
             QByteArray("[A]\nx=1\n\n[Default Applications]\n"
                        "application/x-peltra-document=p.desktop;\n"));
    // A value is replaced in place, duplicates of the key are dropped, and
    // the same key in another section is not touched.
    const QByteArray text = "[Default Applications]\n"
                            "application/x-peltra-document=a.desktop;\n"
                            "text/plain=t.desktop;\n"
                            "application/x-peltra-document=b.desktop;\n"
                            "[Added Associations]\n"
                            "application/x-peltra-document=c.desktop;\n";
    QCOMPARE(ShellRegistration::SetKeyFileValue(text, section, key, "p.desktop;"),
             QByteArray("[Default Applications]\n"
                        "application/x-peltra-document=p.desktop;\n"
                        "text/plain=t.desktop;\n"
                        "[Added Associations]\n"
                        "application/x-peltra-document=c.desktop;\n"));
    QCOMPARE(ShellRegistration::KeyFileValue(text, section, key), QStringLiteral("a.desktop;"));
    QCOMPARE(ShellRegistration::KeyFileValue(text, QStringLiteral("Added Associations"), key),
             QStringLiteral("c.desktop;"));
    QCOMPARE(ShellRegistration::KeyFileValue(text, section, QStringLiteral("image/png")),
             QString());
    // CR LF line ends and blanks around the "=" are read.
    QCOMPARE(ShellRegistration::KeyFileValue("[Default Applications]\r\n"
                                             "application/x-peltra-document = z.desktop\r\n",
                                             section, key),
             QStringLiteral("z.desktop"));
    // Removing a key that is not there changes nothing.
    QCOMPARE(ShellRegistration::SetKeyFileValue("[A]\nx=1\n", section, key, QString()),
             QByteArray("[A]\nx=1\n"));
}

void TestRegistration::refreshedDatabaseKnowsTheType()
{
    if (QStandardPaths::findExecutable(QStringLiteral("update-mime-database")).isEmpty())
        QSKIP("update-mime-database is not installed");
    // The user's own data folder of this test, where the MIME database of
    // this process looks.
    ShellRegistration reg = ShellRegistration::ForCurrentUser();
    QVERIFY(reg.Register(QStringLiteral("/opt/p"), kAppIcon, kDocIcon));
    reg.RefreshDatabases(true);
    QVERIFY(QFileInfo::exists(QFileInfo(reg.MimePackagePath()).absolutePath() +
                              QStringLiteral("/../application/x-peltra-document.xml")));
    const QMimeType type = QMimeDatabase().mimeTypeForFile(QStringLiteral("lesson.lrnf"),
                                                           QMimeDatabase::MatchExtension);
    QCOMPARE(type.name(), ShellRegistration::MimeType());
    QCOMPARE(type.comment(), QStringLiteral("Peltra.Document"));
    QVERIFY(reg.Unregister());
}

void TestRegistration::systemWide_data()
{
    QTest::addColumn<QString>("folder"); // where the running program lies
    QTest::addColumn<QString>("exec");   // "path", "name", "link" or "other"
    QTest::addColumn<bool>("onPath");
    QTest::addColumn<bool>("mimePackage");
    QTest::addColumn<bool>("ourType");
    QTest::addColumn<bool>("expected");

    QTest::newRow("by path") << S("lib/peltra") << S("path") << false << true << true << true;
    // Packages start the program by name, through the PATH.
    QTest::newRow("by name") << S("lib/peltra") << S("name") << true << true << true << true;
    QTest::newRow("name not on the path")
        << S("lib/peltra") << S("name") << false << true << true << false;
    QTest::newRow("through a link")
        << S("lib/peltra") << S("link") << false << true << true << true;
    // Quoted and escaped in the entry.
    QTest::newRow("blanks, quote, dollar")
        << S("lib/学習 \"ソフト\" $x") << S("path") << false << true << true << true;
    // Another installation's entry: this copy registers itself per user.
    QTest::newRow("another program")
        << S("lib/peltra") << S("other") << true << true << true << false;
    QTest::newRow("no MIME type") << S("lib/peltra") << S("path") << false << false << true
                                  << false;
    QTest::newRow("entry without our type")
        << S("lib/peltra") << S("path") << false << true << false << false;
}

void TestRegistration::systemWide()
{
    QFETCH(QString, folder);
    QFETCH(QString, exec);
    QFETCH(bool, onPath);
    QFETCH(bool, mimePackage);
    QFETCH(bool, ourType);
    QFETCH(bool, expected);

    const QString program = m_dir->filePath(folder + S("/peltra"));
    const QString other = m_dir->filePath(S("opt/peltra/peltra"));
    for (const QString& path : {program, other}) {
        QVERIFY(WriteFile(path, "#!/bin/sh\n"));
        QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ExeOwner);
    }
    const QString link = m_dir->filePath(S("bin/peltra"));
    QVERIFY(QDir().mkpath(QFileInfo(link).absolutePath()));
    QVERIFY(QFile::link(program, link));

    const QByteArray oldPath = qgetenv("PATH");
    const QString pathFolder =
        exec == S("other") ? QFileInfo(other).absolutePath() : QFileInfo(program).absolutePath();
    qputenv("PATH", (onPath ? pathFolder.toLocal8Bit() + ':' : QByteArray()) + "/usr/bin:/bin");
    const auto restorePath = qScopeGuard([&] { qputenv("PATH", oldPath); });

    // A system folder as a package fills it; the user's folders stay empty.
    const QString system = m_dir->filePath(S("usr/share"));
    const QString named = exec == S("path")    ? program
                          : exec == S("link")  ? link
                          : exec == S("other") ? other
                                               : S("peltra");
    QByteArray entry = ShellRegistration::DesktopEntry(named);
    if (!ourType)
        entry = ShellRegistration::SetKeyFileValue(entry, S("Desktop Entry"), S("MimeType"),
                                                   S("text/plain;"));
    QVERIFY(WriteFile(system + S("/applications/peltra.desktop"), entry));
    if (mimePackage)
        QVERIFY(WriteFile(system + S("/mime/packages/peltra-document.xml"),
                          ShellRegistration::MimePackage()));

    const ShellRegistration reg(m_data, m_config, {m_dir->filePath(S("nowhere")), system});
    QCOMPARE(reg.IsRegisteredSystemWide(program), expected);
    // The same files in the user's own folder are no system registration.
    const ShellRegistration user(system, m_config, {m_data});
    QVERIFY(!user.IsRegisteredSystemWide(program));
}

QTEST_GUILESS_MAIN(TestRegistration)
#include "tst_registration.moc"
