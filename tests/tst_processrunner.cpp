#include "build/compilecommand.h"
#include "build/locations.h"
#include "build/processrunner.h"
#include "support/childprocess.h"
#include "support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>

#include <cerrno>
#include <cstring>

#include <sys/wait.h>
#include <unistd.h>

namespace {

const QString kChild = QStringLiteral(PELTRA_TEST_CHILD);
const QString kProbe = QStringLiteral(PELTRA_TEST_PROBE);

QMap<QString, QString> ReadReport(const QString& path)
{
    QMap<QString, QString> report;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return report;
    const QStringList lines = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    for (const QString& line : lines) {
        const qsizetype eq = line.indexOf('=');
        report.insert(line.left(eq), line.mid(eq + 1));
    }
    return report;
}

bool CopyExecutable(const QString& from, const QString& to)
{
    QFile::remove(to);
    return QDir().mkpath(QFileInfo(to).path()) && QFile::copy(from, to) &&
           QFile::setPermissions(to, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

} // namespace

class TestProcessRunner : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void childEnds_data();
    void childEnds();
    void floodOnBothStreams();
    void backgroundProcessHoldsOutput();
    void childOutlivesItsOutput();
    void lingeringChildIsReapedLater();
    void stopEndsProcessGroup_data();
    void stopEndsProcessGroup();
    void longestLimits();
    void whileWaitingIsCalled();
    void childsStandardHandles();
    void programFolderWithBlanks_data();
    void programFolderWithBlanks();
    void argumentsPassedWhole_data();
    void argumentsPassedWhole();
    void failedStart_data();
    void failedStart();
    void reportFormat_data();
    void reportFormat();

private:
    QString path(const QString& name) const { return m_dir.filePath(name); }
    QTemporaryDir m_dir;
};

void TestProcessRunner::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(QFileInfo(kChild).isExecutable());
    QVERIFY(QFileInfo(kProbe).isExecutable());
    QVERIFY(NoChildLeft());
}

void TestProcessRunner::cleanup()
{
    qunsetenv("PELTRA_PROBE_REPORT");
    // Every run reaps its child: nothing is left, not even a zombie.
    QVERIFY(NoChildLeft());
}

void TestProcessRunner::childEnds_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<RunEnd>("end");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("output");
    QTest::newRow("ends at once without output")
        << QStringList{"quiet"} << RunEnd::Exited << 0 << QByteArray();
    QTest::newRow("ends with a failure status")
        << QStringList{"fail", "3"} << RunEnd::Exited << 3 << QByteArray("error: failed\n");
    QTest::newRow("ends with status 255")
        << QStringList{"fail", "255"} << RunEnd::Exited << 255 << QByteArray("error: failed\n");
    QTest::newRow("unknown arguments, message and 64")
        << QStringList{"no such mode"} << RunEnd::Exited << 64 << QByteArray("unknown mode\n");
    QTest::newRow("ended by a signal")
        << QStringList{"signal", "6"} << RunEnd::Signalled << 6 << QByteArray();
}

void TestProcessRunner::childEnds()
{
    QFETCH(QStringList, arguments);
    QFETCH(RunEnd, end);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, output);
    // A compiler that fails is no failure of the runner: its status and
    // output are kept for the caller to judge.
    const RunResult result = RunProcess(QStringList{kChild} + arguments);
    QVERIFY2(result.ok, qPrintable(result.report()));
    QCOMPARE(result.report(), QString());
    QCOMPARE(result.end, end);
    QCOMPARE(result.exitCode, exitCode);
    QCOMPARE(result.output, output);
    QVERIFY(!result.outputCut);
    QCOMPARE(result.succeeded(), end == RunEnd::Exited && exitCode == 0);
}

void TestProcessRunner::floodOnBothStreams()
{
    // 6 MiB on each stream, interleaved: more than any pipe holds, so the
    // child finishes only when the runner keeps reading both.
    const QString marker = path(S("flood.done"));
    const RunResult result =
        RunCompilerProcess(kChild + S(" flood ") + QString::number(6 << 20) + ' ' + marker);
    QVERIFY2(result.ok, qPrintable(result.report()));
    QVERIFY(result.succeeded());
    // The first MiB is kept, the rest read and dropped.
    QCOMPARE(result.output.size(), kKeptOutputSize);
    QVERIFY(result.outputCut);
    QCOMPARE(result.output.left(2), QByteArray("aa"));
    QVERIFY(QFile::exists(marker));
}

void TestProcessRunner::backgroundProcessHoldsOutput()
{
    // The child ends at once; a process it left behind keeps the output
    // open and creates the marker just before it ends. The output has
    // ended only then.
    const QString marker = path(S("background.done"));
    const RunResult result = RunCompilerProcess(kChild + S(" background ") + marker);
    QVERIFY2(result.ok, qPrintable(result.report()));
    QVERIFY(QFile::exists(marker));
}

void TestProcessRunner::childOutlivesItsOutput()
{
    // The child closes its output first and ends a little later: the runner
    // still waits for its end, so no zombie stays.
    const QString marker = path(S("linger.done"));
    for (bool withCallback : {false, true}) {
        QFile::remove(marker);
        int calls = 0;
        const std::function<void()> whileWaiting = [&calls] { ++calls; };
        const RunResult result = RunCompilerProcess(kChild + S(" linger ") + marker,
                                                    withCallback ? whileWaiting : nullptr);
        QVERIFY2(result.ok, qPrintable(result.report()));
        QVERIFY(QFile::exists(marker));
        QVERIFY(NoChildLeft());
    }
}

void TestProcessRunner::lingeringChildIsReapedLater()
{
    // The child closes its output and waits for a gate that opens only
    // after the run: the run returns all the same, with the child's status
    // unknown, and the child is reaped once it ends, without a further call.
    const QString gate = path(S("linger.gate"));
    const QString pidFile = path(S("linger.pid"));
    RunOptions options;
    options.exitWait = std::chrono::milliseconds(100);
    const RunResult result = RunProcess({kChild, S("lingerwait"), gate, pidFile}, options);
    QVERIFY2(result.ok, qPrintable(result.report()));
    QCOMPARE(result.end, RunEnd::StatusUnknown);
    QVERIFY(!result.succeeded());

    const QList<qint64> pids = ReadPids(pidFile);
    QCOMPARE(pids.size(), 1);
    QVERIFY(!ProcessEnded(pids.first()));
    QVERIFY(WriteFile(gate, QByteArray()));
    QTRY_VERIFY(ProcessReaped(pids.first()));
}

void TestProcessRunner::stopEndsProcessGroup_data()
{
    QTest::addColumn<bool>("cancel");
    QTest::addColumn<RunEnd>("end");
    QTest::newRow("cancelled") << true << RunEnd::Cancelled;
    QTest::newRow("past the time limit") << false << RunEnd::TimedOut;
}

void TestProcessRunner::stopEndsProcessGroup()
{
    QFETCH(bool, cancel);
    QFETCH(RunEnd, end);
    // The child and a process it started both hold the output and wait a
    // minute; a cancel, or the time limit, ends them both at once.
    const QString pidFile = path(S("group.pid"));
    QFile::remove(pidFile);
    std::atomic<bool> stop{false};
    RunOptions options;
    if (cancel) {
        options.cancel = &stop;
        options.whileWaiting = [&] { stop = ReadPids(pidFile).size() == 2; };
    } else {
        options.timeLimit = std::chrono::milliseconds(300);
    }
    const RunResult result = RunProcess({kChild, S("group"), pidFile}, options);
    QVERIFY2(result.ok, qPrintable(result.report()));
    QCOMPARE(result.end, end);
    QVERIFY(!result.succeeded());
    QVERIFY(result.elapsedMs < 30000);

    const QList<qint64> pids = ReadPids(pidFile);
    QCOMPARE(pids.size(), 2);
    QVERIFY(ProcessReaped(pids.at(0)));
    QTRY_VERIFY(ProcessEnded(pids.at(1)));
}

void TestProcessRunner::longestLimits()
{
    // Limits as long as a duration can be mean "no limit", not a time that
    // wrapped round into the past.
    RunOptions options;
    options.timeLimit = std::chrono::milliseconds::max();
    options.exitWait = std::chrono::milliseconds::max();
    const RunResult result = RunProcess({kChild, S("fail"), S("4")}, options);
    QVERIFY2(result.ok, qPrintable(result.report()));
    QCOMPARE(result.end, RunEnd::Exited);
    QCOMPARE(result.exitCode, 4);
}

void TestProcessRunner::whileWaitingIsCalled()
{
    // The child waits for a file that only the callback creates, so the run
    // can end only if the callback is called while the child runs.
    const QString gate = path(S("gate"));
    int calls = 0;
    const RunResult result = RunCompilerProcess(kChild + S(" waitfile ") + gate, [&] {
        ++calls;
        QFile file(gate);
        QVERIFY(file.open(QIODevice::WriteOnly));
    });
    QVERIFY2(result.ok, qPrintable(result.report()));
    QVERIFY(calls >= 1);
    QVERIFY(QFile::exists(gate + S(".seen")));
}

void TestProcessRunner::childsStandardHandles()
{
    const QString reportPath = path(S("handles.txt"));
    qputenv("PELTRA_PROBE_REPORT", QFile::encodeName(reportPath));
    const RunResult result = RunCompilerProcess(kProbe + S(" one \"two three\""));
    QVERIFY2(result.ok, qPrintable(result.report()));

    const QMap<QString, QString> report = ReadReport(reportPath);
    QCOMPARE(report.value("argc"), S("3"));
    QCOMPARE(report.value("arg0"), kProbe);
    QCOMPARE(report.value("arg1"), S("one"));
    QCOMPARE(report.value("arg2"), S("two three"));
    // Standard output and error are one pipe, standard input another.
    const QString in = report.value("stdin");
    const QString out = report.value("stdout");
    QVERIFY2(in.startsWith(S("fifo:")), qPrintable(in));
    QVERIFY2(out.startsWith(S("fifo:")), qPrintable(out));
    QCOMPARE(report.value("stderr"), out);
    QVERIFY(in != out);
    // Standard input is open and unwritten: no data and no end of file.
    QCOMPARE(report.value("stdin_ready"), S("0"));
    // A session of its own: the terminal's signals do not reach it.
    QCOMPARE(report.value("own_session"), S("1"));
    // The runner's own ends of the pipes are not inherited.
    const QString extra = report.value("extra_fds");
    QVERIFY2(!extra.contains(in) && !extra.contains(out), qPrintable(extra));
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
    // Nor anything else this program has open.
    QCOMPARE(extra, QString());
#endif
}

void TestProcessRunner::programFolderWithBlanks_data()
{
    QTest::addColumn<QString>("folder");
    QTest::newRow("blanks") << S("with blanks/my learn");
    QTest::newRow("japanese with blanks") << S("with blanks/学習 フォルダ");
    // <tmp>/with is a folder and <tmp>/with blanks/two a plain file: the
    // search for the program passes over both.
    QTest::newRow("prefixes name a folder and a plain file") << S("with blanks/two words");
}

void TestProcessRunner::programFolderWithBlanks()
{
    QFETCH(QString, folder);
    const QString programFolder = path(folder) + '/';
    QVERIFY(CopyExecutable(kProbe, MxmlcPath(programFolder)));
    QVERIFY(QDir(m_dir.path()).mkpath(S("with")));
    QFile decoy(path(S("with blanks/two")));
    QVERIFY(decoy.open(QIODevice::WriteOnly));
    decoy.close();
    QVERIFY(decoy.setPermissions(QFile::ReadOwner | QFile::WriteOwner));

    const QString reportPath = path(S("blanks.txt"));
    QFile::remove(reportPath);
    qputenv("PELTRA_PROBE_REPORT", QFile::encodeName(reportPath));
    const RunResult result = RunCompilerProcess(FormatCompileCommandLine(
        MxmlcPath(programFolder), SourcePath(programFolder), programFolder));
    QVERIFY2(result.ok, qPrintable(result.report()));

    const QMap<QString, QString> report = ReadReport(reportPath);
    QCOMPARE(report.value("argc"), S("5"));
    QCOMPARE(report.value("arg0"), MxmlcPath(programFolder));
    QCOMPARE(report.value("arg1"), SourcePath(programFolder));
    QCOMPARE(report.value("arg2"), S("-output"));
    QCOMPARE(report.value("arg3"), MoviePath(programFolder));
    QCOMPARE(report.value("arg4"), S("-load-config+=") + ConfigPath(programFolder));
}

void TestProcessRunner::argumentsPassedWhole_data()
{
    QTest::addColumn<QString>("folder");
    QTest::newRow("double quote") << S("say \"hi\"");
    QTest::newRow("quote at the end of a name") << S("a\"/b\"");
    QTest::newRow("backslashes before a quote") << S("x\\\"y z");
    // <tmp>/run is a program of its own beside the folder "run dir".
    QTest::newRow("first part of the folder is a program") << S("run dir");
    QTest::newRow("japanese with blanks") << S("学習 フォルダ/\"ゲーム\"");
}

void TestProcessRunner::argumentsPassedWhole()
{
    QFETCH(QString, folder);
    const QString programFolder = path(folder) + '/';
    QVERIFY(CopyExecutable(kProbe, MxmlcPath(programFolder)));
    QVERIFY(CopyExecutable(kProbe, path(S("run"))));

    const QString reportPath = path(S("whole.txt"));
    QFile::remove(reportPath);
    qputenv("PELTRA_PROBE_REPORT", QFile::encodeName(reportPath));
    const RunResult result = RunProcess(
        CompileArguments(MxmlcPath(programFolder), SourcePath(programFolder), programFolder));
    QVERIFY2(result.succeeded(), qPrintable(result.report()));
    QCOMPARE(result.output, QByteArray("probe done\n"));

    const QMap<QString, QString> report = ReadReport(reportPath);
    QCOMPARE(report.value("arg0"), MxmlcPath(programFolder));
    QCOMPARE(report.value("arg1"), SourcePath(programFolder));
    QCOMPARE(report.value("arg2"), S("-output"));
    QCOMPARE(report.value("arg3"), MoviePath(programFolder));
    QCOMPARE(report.value("arg4"), S("-load-config+=") + ConfigPath(programFolder));
    QCOMPARE(report.value("argc"), S("5"));
}

void TestProcessRunner::failedStart_data()
{
    QTest::addColumn<QString>("commandLine");
    QTest::addColumn<int>("errorCode");

    const QString dir = m_dir.path() + '/';
    QTest::newRow("missing compiler") << MxmlcPath(dir + S("nowhere/")) + S(" \"a.as\"") << ENOENT;
    QTest::newRow("missing compiler, folder with blanks")
        << FormatCompileCommandLine(MxmlcPath(dir + S("no where/")), S("a.as"), dir) << ENOENT;
    QTest::newRow("missing bare name") << S("peltra-no-such-program-x9 a") << ENOENT;
    QTest::newRow("empty command line") << QString() << ENOENT;
    QTest::newRow("not executable") << dir + S("plain.txt") << EACCES;
    QTest::newRow("a folder") << dir + S("afolder") << EACCES;
    // Executable, but no program the system can start.
    QTest::newRow("not a program") << dir + S("garbage") << ENOEXEC;
}

void TestProcessRunner::failedStart()
{
    QFETCH(QString, commandLine);
    QFETCH(int, errorCode);

    QFile plain(path(S("plain.txt")));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.write("text\n");
    plain.close();
    QVERIFY(plain.setPermissions(QFile::ReadOwner | QFile::WriteOwner));
    QVERIFY(QDir(m_dir.path()).mkpath(S("afolder")));
    QFile garbage(path(S("garbage")));
    QVERIFY(garbage.open(QIODevice::WriteOnly));
    garbage.write("\x01\x02\x03\x04 not a program");
    garbage.close();
    QVERIFY(garbage.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

    const RunResult result = RunCompilerProcess(commandLine);
    QVERIFY(!result.ok);
    QCOMPARE(result.api, S("CreateProcess"));
    QCOMPARE(result.errorCode, errorCode);
    QCOMPARE(result.message, QString::fromLocal8Bit(std::strerror(errorCode)));
    QCOMPARE(result.report(), S("ERROR: API    = CreateProcess.\n   error code = ") +
                                  QString::number(errorCode) + S(".\n   message    = ") +
                                  result.message + S(".\n"));
}

void TestProcessRunner::reportFormat_data()
{
    QTest::addColumn<QString>("api");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("expected");

    QTest::newRow("missing compiler") << S("CreateProcess") << 2 << S("No such file or directory")
                                      << S("ERROR: API    = CreateProcess.\n   error code = 2.\n"
                                           "   message    = No such file or directory.\n");
    QTest::newRow("misspelt duplicate")
        << S("DupliateHandle") << 24 << S("Too many open files")
        << S("ERROR: API    = DupliateHandle.\n   error code = 24.\n"
             "   message    = Too many open files.\n");
    QTest::newRow("percent signs are text")
        << S("ReadFile") << -1 << S("100% %s %d")
        << S("ERROR: API    = ReadFile.\n   error code = -1.\n   message    = 100% %s %d.\n");
}

void TestProcessRunner::reportFormat()
{
    QFETCH(QString, api);
    QFETCH(int, code);
    QFETCH(QString, message);
    QFETCH(QString, expected);

    QCOMPARE(FormatFatalReport(api, code, message), expected);
    RunResult result;
    result.ok = false;
    result.api = api;
    result.errorCode = code;
    result.message = message;
    QCOMPARE(result.report(), expected);
}

QTEST_GUILESS_MAIN(TestProcessRunner)
#include "tst_processrunner.moc"
