// The command line as the program reads it: every switch of the table, in
// both spellings, and what the file arguments become.
#include "app/commandlineinfo.h"

#include "support/testsupport.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(CCommandLineInfo::ShellCommand)

class TestCommandLine : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void parse_data();
    void parse();
    void onlyKnownSlashNamesAreSwitches_data();
    void onlyKnownSlashNamesAreSwitches();

private:
    // An existing file in the test's folder, by its absolute path.
    QString existing(const char* name) const
    {
        const QString path = m_dir.filePath(QString::fromUtf8(name));
        if (!QFileInfo::exists(path))
            WriteFile(path, "");
        return path;
    }

    QTemporaryDir m_dir;
};

void TestCommandLine::parse_data()
{
    QVERIFY(m_dir.isValid());
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<CCommandLineInfo::ShellCommand>("command");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QStringList>("printTo"); // printer, driver, port
    QTest::addColumn<bool>("perUser");

    using C = CCommandLineInfo;
    const QStringList none;
    QTest::newRow("no argument") << none << C::FileNew << QString() << none << false;
    QTest::newRow("relative file")
        << QStringList{"a.lrnf"} << C::FileOpen << "a.lrnf" << none << false;
    const QString tut = existing("tut.lrnf");
    const QString japanese = existing("表ソ.lrnf");
    QTest::newRow("absolute file is no switch")
        << QStringList{tut} << C::FileOpen << tut << none << false;
    QTest::newRow("japanese file")
        << QStringList{japanese} << C::FileOpen << japanese << none << false;
    QTest::newRow("unknown slash switch before an absolute file")
        << QStringList{"/P", tut} << C::FileOpen << tut << none << false;
    QTest::newRow("/p before an absolute file")
        << QStringList{"/p", tut} << C::FilePrint << tut << none << false;
    QTest::newRow("missing absolute file is still a file")
        << QStringList{"/home/u/missing.lrnf"} << C::FileOpen << "/home/u/missing.lrnf" << none
        << false;
    QTest::newRow("unknown slash switch before a missing absolute file")
        << QStringList{"/P", "/home/u/missing.lrnf"} << C::FileOpen << "/home/u/missing.lrnf"
        << none << false;
    QTest::newRow("second file ignored")
        << QStringList{"a.lrnf", "b.lrnf"} << C::FileOpen << "a.lrnf" << none << false;
    QTest::newRow("unknown switch ignored")
        << QStringList{"-unknown", "a.lrnf"} << C::FileOpen << "a.lrnf" << none << false;
    QTest::newRow("empty switch") << QStringList{"-"} << C::FileNew << QString() << none << false;

    QTest::newRow("/p") << QStringList{"/p", "a.lrnf"} << C::FilePrint << "a.lrnf" << none << false;
    QTest::newRow("-p") << QStringList{"-p", "a.lrnf"} << C::FilePrint << "a.lrnf" << none << false;
    QTest::newRow("p after file") << QStringList{"a.lrnf", "-p"} << C::FilePrint << "a.lrnf" << none
                                  << false;
    QTest::newRow("-P is not print")
        << QStringList{"-P", "a.lrnf"} << C::FileOpen << "a.lrnf" << none << false;
    QTest::newRow("/pt full") << QStringList{"/pt", "a.lrnf", "printer", "driver", "port"}
                              << C::FilePrintTo << "a.lrnf"
                              << QStringList{"printer", "driver", "port"} << false;
    QTest::newRow("-pt partial") << QStringList{"-pt", "a.lrnf", "printer"} << C::FilePrintTo
                                 << "a.lrnf" << QStringList{"printer", "", ""} << false;
    QTest::newRow("-PT is not print to")
        << QStringList{"-PT", "a.lrnf", "printer"} << C::FileOpen << "a.lrnf" << none << false;
    QTest::newRow("p without file")
        << QStringList{"-p"} << C::FilePrint << QString() << none << false;

    const QStringList registers = {"/Register", "-register", "/REGSERVER", "-Regserver"};
    for (const QString& s : registers)
        QTest::newRow(qPrintable(s))
            << QStringList{s} << C::AppRegister << QString() << none << false;
    const QStringList registersPerUser = {"/RegisterPerUser", "-registerperuser",
                                          "/RegserverPerUser", "-REGSERVERPERUSER"};
    for (const QString& s : registersPerUser)
        QTest::newRow(qPrintable(s))
            << QStringList{s} << C::AppRegister << QString() << none << true;
    const QStringList unregisters = {"/Unregister", "-unregister", "/UNREGSERVER", "-Unregserver"};
    for (const QString& s : unregisters)
        QTest::newRow(qPrintable(s))
            << QStringList{s} << C::AppUnregister << QString() << none << false;
    const QStringList unregistersPerUser = {"/UnregisterPerUser", "-unregisterperuser",
                                            "/UnregserverPerUser", "-UNREGSERVERPERUSER"};
    for (const QString& s : unregistersPerUser)
        QTest::newRow(qPrintable(s))
            << QStringList{s} << C::AppUnregister << QString() << none << true;
    QTest::newRow("register keeps its command with a file")
        << QStringList{"/Register", "a.lrnf"} << C::AppRegister << "a.lrnf" << none << false;

    QTest::newRow("/dde") << QStringList{"/dde"} << C::FileDDE << QString() << none << false;
    QTest::newRow("-DDE ignored") << QStringList{"-DDE"} << C::FileNew << QString() << none
                                  << false;
    QTest::newRow("embedding") << QStringList{"/Embedding"} << C::FileNew << QString() << none
                               << false;
    QTest::newRow("automation with file")
        << QStringList{"-automation", "a.lrnf"} << C::FileOpen << "a.lrnf" << none << false;
}

void TestCommandLine::parse()
{
    QFETCH(QStringList, arguments);
    QFETCH(CCommandLineInfo::ShellCommand, command);
    QFETCH(QString, fileName);
    QFETCH(QStringList, printTo);
    QFETCH(bool, perUser);

    const CCommandLineInfo info = ParseCommandLine(arguments);
    QCOMPARE(info.m_nShellCommand, command);
    QCOMPARE(info.m_strFileName, fileName);
    QCOMPARE(info.m_strPrinterName, printTo.value(0));
    QCOMPARE(info.m_strDriverName, printTo.value(1));
    QCOMPARE(info.m_strPortName, printTo.value(2));
    QCOMPARE(info.m_bRegisterPerUser, perUser);
}

void TestCommandLine::onlyKnownSlashNamesAreSwitches_data()
{
    QTest::addColumn<QString>("argument");
    QTest::addColumn<bool>("isSwitch");
    QTest::newRow("p") << "/p" << true;
    QTest::newRow("pt") << "/pt" << true;
    QTest::newRow("dde") << "/dde" << true;
    QTest::newRow("Register any case") << "/rEgIsTeR" << true;
    QTest::newRow("Embedding") << "/embedding" << true;
    QTest::newRow("P upper, unknown") << "/P" << true;
    QTest::newRow("missing root file") << "/x.lrnf" << true;
    QTest::newRow("folder") << m_dir.path() << true;
    QTest::newRow("missing file in a folder") << m_dir.path() + "/gone.lrnf" << false;
    QTest::newRow("existing file") << existing("x.lrnf") << false;
}

void TestCommandLine::onlyKnownSlashNamesAreSwitches()
{
    QFETCH(QString, argument);
    QFETCH(bool, isSwitch);
    const CCommandLineInfo info = ParseCommandLine({argument});
    // A switch never becomes the file name; anything else is opened.
    QCOMPARE(info.m_strFileName.isEmpty(), isSwitch);
    if (!isSwitch)
        QCOMPARE(info.m_nShellCommand, CCommandLineInfo::FileOpen);
}

QTEST_APPLESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
