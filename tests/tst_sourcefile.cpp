#include "build/sourcefile.h"
#include "support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <cstring>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QString SystemText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// Saves as a user without privileges when the test runs as root, whom no
// file permission stops: in a child process that takes the id of nobody.
FileResult SaveUnprivileged(const QString& path, const QString& text)
{
    if (::geteuid() != 0)
        return SaveSourceFile(path, text);
    int fds[2];
    if (::pipe(fds) != 0)
        return {QFileDevice::FatalError, S("pipe")};
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        return {QFileDevice::FatalError, S("fork")};
    }
    if (pid == 0) {
        ::close(fds[0]);
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(3);
        const FileResult saved = SaveSourceFile(path, text);
        const QByteArray answer =
            QByteArray::number(int(saved.code())) + '\t' + saved.message().toUtf8();
        const bool sent = ::write(fds[1], answer.constData(), answer.size()) == answer.size();
        ::_exit(sent ? 0 : 4);
    }
    ::close(fds[1]);
    QByteArray answer;
    char buffer[512];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;)
        answer.append(buffer, n);
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return {QFileDevice::FatalError, S("the unprivileged save did not run")};
    const qsizetype tab = answer.indexOf('\t');
    return {QFileDevice::FileError(answer.left(tab).toInt()),
            QString::fromUtf8(answer.mid(tab + 1))};
}

// Whether every folder on the way to path lets others pass (as the
// unprivileged save needs).
bool OthersCanReach(const QString& path)
{
    for (QDir dir = QFileInfo(path).absoluteDir();;) {
        if (!(QFileInfo(dir.path()).permissions() & QFile::ExeOther))
            return false;
        if (dir.isRoot() || !dir.cdUp())
            return true;
    }
}

bool WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

class TestSourceFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void save_data();
    void save();
    void load_data();
    void load();
    void roundTrip_data();
    void roundTrip();
    void saveReplacesLongerFile();
    void bomDroppedByNextSave();
    void loadFailure_data();
    void loadFailure();
    void saveFailureKeepsPreviousFile_data();
    void saveFailureKeepsPreviousFile();
    void writeFailureKeepsPreviousFile();
    void folderTakesNoNewFile_data();
    void folderTakesNoNewFile();

private:
    QString path(const char* name) const { return m_dir.filePath(S(name)); }
    QTemporaryDir m_dir;
};

void TestSourceFile::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

void TestSourceFile::save_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("empty") << QString() << QByteArray();
    QTest::newRow("CR LF") << S("a\r\nb") << QByteArray("a\r\nb");
    QTest::newRow("lone LF") << S("a\nb") << QByteArray("a\r\nb");
    QTest::newRow("lone CR dropped") << S("a\rb") << QByteArray("ab");
    QTest::newRow("CR CR LF") << S("a\r\r\nb") << QByteArray("a\r\nb");
    QTest::newRow("LF CR") << S("a\n\rb") << QByteArray("a\r\nb");
    QTest::newRow("no final line end added") << S("x\r\n") << QByteArray("x\r\n");
    QTest::newRow("blank lines") << S("\n\n") << QByteArray("\r\n\r\n");
    QTest::newRow("hiragana a") << S("あ") << QByteArray("\xE3\x81\x82");
    QTest::newRow("japanese line") << S("var 表示:int; // ソ\r\n")
                                   << QByteArray("var \xE8\xA1\xA8\xE7\xA4\xBA:int; // "
                                                 "\xE3\x82\xBD\r\n");
    // Characters code page 932 cannot hold stay themselves.
    QTest::newRow("outside code page 932") << S("€한😀")
                                           << QByteArray("\xE2\x82\xAC\xED\x95\x9C"
                                                         "\xF0\x9F\x98\x80");
    // A NUL would cut the text short on the next load: it is not written.
    QTest::newRow("NUL left out") << QString::fromUtf16(u"a\0b", 3) << QByteArray("ab");
    QTest::newRow("tabs kept") << S("\tx\t") << QByteArray("\tx\t");
}

void TestSourceFile::save()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    const QString file = path("Main.as");
    QVERIFY(SaveSourceFile(file, text));
    QCOMPARE(ReadAll(file, "<unreadable>"), bytes);
}

void TestSourceFile::load_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");

    QTest::newRow("empty file") << QByteArray() << QString();
    QTest::newRow("line ends as they are") << QByteArray("a\r\nb\nc\rd") << S("a\r\nb\nc\rd");
    QTest::newRow("BOM skipped") << QByteArray("\xEF\xBB\xBFx=1;") << S("x=1;");
    QTest::newRow("BOM only") << QByteArray("\xEF\xBB\xBF") << QString();
    QTest::newRow("only a leading BOM") << QByteArray("a\xEF\xBB\xBF") << S("a\xEF\xBB\xBF");
    // A cut-off BOM is no BOM: its bytes are broken text.
    QTest::newRow("partial BOM is text")
        << QByteArray("\xEF\xBBz") << QString(2, QChar(0xFFFD)) + QLatin1Char('z');
    QTest::newRow("NUL ends") << QByteArray("ab\0cd", 5) << S("ab");
    QTest::newRow("NUL first") << QByteArray("\0cd", 3) << QString();
    QTest::newRow("japanese") << QByteArray("\xE3\x81\x82\r\n\xE8\xA1\xA8") << S("あ\r\n表");
    QTest::newRow("supplementary") << QByteArray("\xF0\xA0\xAE\xB7") << S("𠮷");
    // Broken UTF-8 is taken with U+FFFD in its place, not refused.
    QTest::newRow("invalid byte") << QByteArray("a\xFF"
                                                "b")
                                  << S("a\xEF\xBF\xBD"
                                       "b");
}

void TestSourceFile::load()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    const QString file = path("load.as");
    QVERIFY(WriteBytes(file, bytes));
    QString loaded = S("previous");
    QVERIFY(LoadSourceFile(file, loaded));
    QCOMPARE(loaded, text);
}

void TestSourceFile::roundTrip_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("ascii") << S("package {\r\n\tpublic class Main {}\r\n}");
    QTest::newRow("japanese") << S("// 表示とソフトの能力を予習する\r\ntrace(\"こんにちは\");");
    QTest::newRow("outside code page 932") << S("// 한국어 € 😀 𠮷 ①\r\n");
    QTest::newRow("empty") << QString();
    QTest::newRow("only line ends") << S("\r\n\r\n\r\n");
}

void TestSourceFile::roundTrip()
{
    QFETCH(QString, text);
    const QString file = path("round.as");
    QVERIFY(SaveSourceFile(file, text));
    QString loaded = S("previous");
    QVERIFY(LoadSourceFile(file, loaded));
    QCOMPARE(loaded, text);
}

void TestSourceFile::saveReplacesLongerFile()
{
    const QString file = path("shorter.as");
    QVERIFY(WriteBytes(file, QByteArray(10000, 'x')));
    QVERIFY(SaveSourceFile(file, S("short")));
    QCOMPARE(ReadAll(file, "<unreadable>"), QByteArray("short"));
}

void TestSourceFile::bomDroppedByNextSave()
{
    const QString file = path("bom.as");
    QVERIFY(WriteBytes(file, QByteArray("\xEF\xBB\xBF\xE3\x81\x82\r\n")));
    QString text;
    QVERIFY(LoadSourceFile(file, text));
    QVERIFY(SaveSourceFile(file, text));
    QCOMPARE(ReadAll(file, "<unreadable>"), QByteArray("\xE3\x81\x82\r\n"));
}

void TestSourceFile::loadFailure_data()
{
    QTest::addColumn<QString>("target");
    QTest::newRow("missing file") << S("missing.as");
    QTest::newRow("missing folder") << S("no/such/Main.as");
    QTest::newRow("a folder") << S("folder.as");
    QTest::newRow("empty path") << QString();
}

void TestSourceFile::loadFailure()
{
    QFETCH(QString, target);
    QVERIFY(QDir(m_dir.path()).mkpath(S("folder.as")));
    const QString file = target.isEmpty() ? QString() : m_dir.filePath(target);
    QString text = S("editor text\r\n");
    QVERIFY(!LoadSourceFile(file, text));
    QCOMPARE(text, S("editor text\r\n"));
}

void TestSourceFile::saveFailureKeepsPreviousFile_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing folder") << S("gone/Main.as") << SystemText(ENOENT);
    QTest::newRow("target is a folder") << S("dir.as") << QString();
    QTest::newRow("empty path") << QString() << QString();
}

void TestSourceFile::saveFailureKeepsPreviousFile()
{
    QFETCH(QString, target);
    QFETCH(QString, reason);
    // The folder and files around the target must come through untouched.
    const QString neighbour = path("neighbour.as");
    QVERIFY(WriteBytes(neighbour, QByteArray("before\r\n")));
    QVERIFY(QDir(m_dir.path()).mkpath(S("dir.as")));
    QVERIFY(WriteBytes(path("dir.as/inside"), QByteArray("kept")));

    const QString file = target.isEmpty() ? QString() : m_dir.filePath(target);
    const FileResult saved = SaveSourceFile(file, S("new text"));
    QVERIFY(!saved.ok());
    // The failure says why: a code and a message, the system's own where
    // the system gave one.
    QVERIFY(saved.code() != QFileDevice::NoError);
    QVERIFY(!saved.message().isEmpty());
    if (!reason.isEmpty())
        QVERIFY2(saved.message().contains(reason), qPrintable(saved.message()));
    QCOMPARE(ReadAll(neighbour, "<unreadable>"), QByteArray("before\r\n"));
    QCOMPARE(ReadAll(path("dir.as/inside"), "<unreadable>"), QByteArray("kept"));
    QVERIFY(!QFileInfo::exists(path("gone")));
    // No half-written file is left behind beside the target.
    const QStringList left = QDir(m_dir.path()).entryList(QDir::Files | QDir::NoDotAndDotDot);
    for (const QString& name : left)
        QVERIFY2(!name.contains(S("dir.as")), qPrintable(name));
}

void TestSourceFile::writeFailureKeepsPreviousFile()
{
    const QString file = path("Main.as");
    const QByteArray previous = "package {\r\n// the last good source\r\n}\r\n";
    QVERIFY(WriteBytes(file, previous));

    // A file size limit makes the write fail part way, as a full disk
    // would; root is bound by it too. The signal it raises is ignored so
    // that the write reports EFBIG instead.
    rlimit saved;
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 4096;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    const FileResult result = SaveSourceFile(file, QString(100000, QLatin1Char('x')));
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    QVERIFY(!result.ok());
    QVERIFY2(result.message().contains(SystemText(EFBIG)), qPrintable(result.message()));
    QCOMPARE(ReadAll(file, "<unreadable>"), previous);
    // And a later save that fits goes through.
    QVERIFY(SaveSourceFile(file, S("ok")));
    QCOMPARE(ReadAll(file, "<unreadable>"), QByteArray("ok"));
}

void TestSourceFile::folderTakesNoNewFile_data()
{
    QTest::addColumn<bool>("writable");
    QTest::newRow("Main.as writable") << true;
    QTest::newRow("Main.as read-only") << false;
}

void TestSourceFile::folderTakesNoNewFile()
{
    QFETCH(bool, writable);
    // The folder takes no new file, so no temporary file beside Main.as:
    // a writable Main.as is written in place, a read-only one is refused
    // with its reason and stays as it was.
    const QString folder = path("locked");
    const QString file = folder + S("/Main.as");
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(WriteBytes(file, QByteArray("old\r\n")));
    const auto all = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther | QFile::ExeOwner |
                     QFile::ExeGroup | QFile::ExeOther;
    QVERIFY(QFile::setPermissions(m_dir.path(), all | QFile::WriteOwner));
    QVERIFY(QFile::setPermissions(file, writable ? QFile::ReadOwner | QFile::WriteOwner |
                                                       QFile::ReadOther | QFile::WriteOther
                                                 : QFile::ReadOwner | QFile::ReadOther));
    QVERIFY(QFile::setPermissions(folder, all));

    if (::geteuid() == 0 && !OthersCanReach(folder))
        QSKIP("an unprivileged user cannot reach the test's folder");
    const FileResult saved = SaveUnprivileged(file, S("new\nline"));
    QVERIFY(QFile::setPermissions(folder, all | QFile::WriteOwner));
    QVERIFY(QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner));

    QCOMPARE(saved.ok(), writable);
    if (writable) {
        QCOMPARE(ReadAll(file, "<unreadable>"), QByteArray("new\r\nline"));
    } else {
        QCOMPARE(saved.code(), QFileDevice::WriteError);
        QVERIFY(!saved.message().isEmpty());
        QCOMPARE(ReadAll(file, "<unreadable>"), QByteArray("old\r\n"));
    }
    // Nothing else appeared in the folder.
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::NoDotAndDotDot), QStringList{S("Main.as")});
}

QTEST_GUILESS_MAIN(TestSourceFile)
#include "tst_sourcefile.moc"
