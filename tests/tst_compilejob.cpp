// The compile job: the runner off the caller's thread, its result as a
// signal, cancel and time limit ending the child's whole process group.
// The test program stands in for the compiler.
#include "build/compilejob.h"
#include "support/childprocess.h"
#include "support/testsupport.h"

#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

const QString kChild = QStringLiteral(PELTRA_TEST_CHILD);

RunResult ResultOf(const QSignalSpy& spy)
{
    return spy.isEmpty() ? RunResult() : spy.first().first().value<RunResult>();
}

} // namespace

class TestCompileJob : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void resultComesAsSignal_data();
    void resultComesAsSignal();
    void eventLoopRunsDuringCompile();
    void oneCompileAtATime();
    void stopEndsProcessGroup_data();
    void stopEndsProcessGroup();
    void lingeringChildDoesNotHoldJob();
    void destroyedWhileRunning();
    void nextCompileFromFinished();

private:
    QString path(const char* name) const { return m_dir.filePath(S(name)); }
    QTemporaryDir m_dir;
};

void TestCompileJob::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(QFileInfo(kChild).isExecutable());
}

void TestCompileJob::cleanup()
{
    QTRY_VERIFY(NoChildLeft());
}

void TestCompileJob::resultComesAsSignal_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("output");
    QTest::newRow("success") << QStringList{kChild, "quiet"} << true << 0 << QByteArray();
    QTest::newRow("compiler reports a failure")
        << QStringList{kChild, "fail", "2"} << true << 2 << QByteArray("error: failed\n");
    // A compiler that cannot be started is reported the same way, with the
    // failed call.
    QTest::newRow("no compiler") << QStringList{m_dir.filePath(S("missing/mxmlc"))} << false << 0
                                 << QByteArray();
}

void TestCompileJob::resultComesAsSignal()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, ok);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, output);

    CompileJob job;
    QSignalSpy finished(&job, &CompileJob::finished);
    QVERIFY(job.start(arguments));
    QVERIFY(job.isRunning());
    // Never emitted from inside start(): the caller connects first, and
    // learns the result from the event loop.
    QCOMPARE(finished.size(), 0);
    QVERIFY(finished.wait(30000));
    QCOMPARE(finished.size(), 1);
    QVERIFY(!job.isRunning());
    QCOMPARE(job.elapsedMs(), 0);

    const RunResult result = ResultOf(finished);
    QCOMPARE(result.ok, ok);
    if (!ok) {
        QCOMPARE(result.api, S("CreateProcess"));
        QCOMPARE(result.errorCode, ENOENT);
        return;
    }
    QCOMPARE(result.end, RunEnd::Exited);
    QCOMPARE(result.exitCode, exitCode);
    QCOMPARE(result.output, output);
}

void TestCompileJob::eventLoopRunsDuringCompile()
{
    // The child waits for a file that only a timer of this thread creates:
    // the compile can end only while the event loop runs.
    const QString gate = path("loop.gate");
    CompileJob job;
    QSignalSpy finished(&job, &CompileJob::finished);
    QSignalSpy progress(&job, &CompileJob::progress);
    QTimer::singleShot(2 * CompileJob::kProgressInterval, this,
                       [&] { QVERIFY(WriteFile(gate, QByteArray())); });
    QVERIFY(job.start({kChild, S("waitfile"), gate}));
    QVERIFY(finished.wait(30000));
    QVERIFY(ResultOf(finished).succeeded());
    QVERIFY(QFileInfo::exists(gate + S(".seen")));
    // Progress came while it ran, with the time so far.
    QVERIFY(!progress.isEmpty());
    QVERIFY(progress.last().first().toLongLong() >= progress.first().first().toLongLong());
}

void TestCompileJob::oneCompileAtATime()
{
    const QString gate = path("one.gate");
    CompileJob job;
    QSignalSpy finished(&job, &CompileJob::finished);
    QVERIFY(job.start({kChild, S("waitfile"), gate}));
    QVERIFY(!job.start({kChild, S("quiet")}));
    QVERIFY(WriteFile(gate, QByteArray()));
    QVERIFY(finished.wait(30000));
    QCOMPARE(finished.size(), 1);
    QVERIFY(ResultOf(finished).succeeded());
    // cancel() with nothing running does nothing.
    job.cancel();
    QVERIFY(job.start({kChild, S("quiet")}));
    QVERIFY(finished.wait(30000));
    QCOMPARE(finished.size(), 2);
}

void TestCompileJob::stopEndsProcessGroup_data()
{
    QTest::addColumn<bool>("cancel");
    QTest::addColumn<RunEnd>("end");
    QTest::newRow("cancel") << true << RunEnd::Cancelled;
    QTest::newRow("time limit") << false << RunEnd::TimedOut;
}

void TestCompileJob::stopEndsProcessGroup()
{
    QFETCH(bool, cancel);
    QFETCH(RunEnd, end);
    // The child and a process it started hold the output for a minute.
    const QString pidFile = path("group.pid");
    QFile::remove(pidFile);
    CompileJob job;
    if (!cancel)
        job.setTimeLimit(std::chrono::milliseconds(500));
    QSignalSpy finished(&job, &CompileJob::finished);
    QVERIFY(job.start({kChild, S("group"), pidFile}));
    QTRY_COMPARE(ReadPids(pidFile).size(), 2);
    if (cancel)
        job.cancel();
    QVERIFY(finished.wait(30000));

    const RunResult result = ResultOf(finished);
    QVERIFY2(result.ok, qPrintable(result.report()));
    QCOMPARE(result.end, end);
    QVERIFY(!result.succeeded());
    for (qint64 pid : ReadPids(pidFile))
        QTRY_VERIFY(ProcessEnded(pid));
}

void TestCompileJob::lingeringChildDoesNotHoldJob()
{
    // The child closes its output and lives on until the gate opens, which
    // happens only after the job has finished.
    const QString gate = path("linger.gate");
    const QString pidFile = path("linger.pid");
    CompileJob job;
    QSignalSpy finished(&job, &CompileJob::finished);
    QVERIFY(job.start({kChild, S("lingerwait"), gate, pidFile}));
    QVERIFY(finished.wait(30000));
    QCOMPARE(ResultOf(finished).end, RunEnd::StatusUnknown);
    QVERIFY(!QFileInfo::exists(gate));

    const QList<qint64> pids = ReadPids(pidFile);
    QCOMPARE(pids.size(), 1);
    QVERIFY(!ProcessEnded(pids.first()));
    QVERIFY(WriteFile(gate, QByteArray()));
    // Reaped in the background: gone without a zombie.
    QTRY_VERIFY(ProcessReaped(pids.first()));
}

void TestCompileJob::destroyedWhileRunning()
{
    const QString pidFile = path("destroyed.pid");
    QFile::remove(pidFile);
    auto* job = new CompileJob;
    QSignalSpy finished(job, &CompileJob::finished);
    QVERIFY(job->start({kChild, S("group"), pidFile}));
    QTRY_COMPARE(ReadPids(pidFile).size(), 2);
    delete job;
    // The compile was cancelled and its processes ended; nothing is
    // announced by a job that is gone.
    for (qint64 pid : ReadPids(pidFile))
        QTRY_VERIFY(ProcessEnded(pid));
    QTest::qWait(50);
    QCOMPARE(finished.size(), 0);
}

void TestCompileJob::nextCompileFromFinished()
{
    // A slot of finished() may start the next compile at once.
    CompileJob job;
    QList<int> codes;
    connect(&job, &CompileJob::finished, this, [&](const RunResult& result) {
        codes << result.exitCode;
        if (codes.size() == 1)
            QVERIFY(job.start({kChild, S("fail"), S("7")}));
    });
    QVERIFY(job.start({kChild, S("fail"), S("5")}));
    QTRY_COMPARE(codes.size(), 2);
    QCOMPARE(codes, (QList<int>{5, 7}));
    QVERIFY(!job.isRunning());
}

QTEST_GUILESS_MAIN(TestCompileJob)
#include "tst_compilejob.moc"
