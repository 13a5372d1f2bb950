// The standalone movie player: one window per user that later starts hand
// their movie to, plain messages for movies it cannot show, and movies
// played offscreen through the web player with their trace() output and
// their uncaught errors; later movies play on the page already loaded; a
// preloaded player waits hidden; notes of first frames for programs that
// measure the player.
//
// Playing needs the web player beside the player program (scripts/
// setup-toolchain out/<build>/bin); those cases are skipped without it.

#include "movieerror.h"
#include "playerinstance.h"
#include "playernotes.h"
#include "playerwindow.h"
#include "support/playerserverthread.h"
#include "support/testsupport.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLocalServer>
#include <QPlainTextEdit>
#include <QProcess>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QToolButton>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QtEndian>

#include <algorithm>

namespace {

const QString kProgramDir = QStringLiteral(PELTRA_PROGRAM_DIR);
const QString kFilesFolder = kProgramDir + QStringLiteral("/flashplayer_11_sa.d");

bool WebPlayerReady()
{
    return QFile::exists(kFilesFolder + QStringLiteral("/ruffle/ruffle.js"));
}

#define REQUIRE_WEB_PLAYER()                                                                       \
    do {                                                                                           \
        if (!WebPlayerReady())                                                                     \
            QSKIP(qPrintable(QStringLiteral("the web player is not set up in %1 "                  \
                                            "(run scripts/setup-toolchain %2)")                    \
                                 .arg(kFilesFolder, kProgramDir)));                                \
    } while (false)

// A one-frame movie of the given size that only sets its background colour.
QByteArray ColourMovie(int width, int height, QRgb colour)
{
    // RECT with 16-bit fields: 5 + 4 * 16 bits = 9 bytes.
    const quint32 w = quint32(width) * 20, h = quint32(height) * 20;
    quint64 bits = 16; // nbits
    QByteArray rect(9, '\0');
    auto put = [&](quint32 value, int count, int& at) {
        for (int i = count - 1; i >= 0; --i, ++at)
            if ((value >> i) & 1)
                rect[at / 8] = char(rect[at / 8] | (0x80 >> (at % 8)));
    };
    int at = 0;
    put(quint32(bits), 5, at);
    for (quint32 v : {0u, w, 0u, h})
        put(v, 16, at);
    QByteArray body = rect;
    body += QByteArray::fromHex("00180100"); // 24 fps, one frame
    body += QByteArray::fromHex("4302");     // SetBackgroundColor
    body.append(char(qRed(colour))).append(char(qGreen(colour))).append(char(qBlue(colour)));
    body += QByteArray::fromHex("4000"); // ShowFrame
    body += QByteArray::fromHex("0000"); // End
    QByteArray swf("FWS\x0a", 4);
    swf += QByteArray(4, '\0') + body;
    qToLittleEndian<quint32>(quint32(swf.size()), swf.data() + 4);
    return swf;
}

bool Near(QRgb a, QRgb b)
{
    return qAbs(qRed(a) - qRed(b)) < 24 && qAbs(qGreen(a) - qGreen(b)) < 24 &&
           qAbs(qBlue(a) - qBlue(b)) < 24;
}

// Share of the grabbed view's pixels that have the given colour.
double ShareOf(QWidget* view, QRgb colour)
{
    const QImage image = view->grab().toImage().convertToFormat(QImage::Format_RGB32);
    if (image.isNull() || image.width() < 4 || image.height() < 4)
        return 0;
    int hits = 0, all = 0;
    for (int y = 0; y < image.height(); y += 4)
        for (int x = 0; x < image.width(); x += 4, ++all)
            hits += Near(image.pixel(x, y), colour);
    return double(hits) / all;
}

// Compiles a one-class game with the installed compiler; empty on failure.
QString CompileGame(const QString& folder, const QByteArray& source, QString* error,
                    const QStringList& options = {})
{
    const QString mxmlc = kProgramDir + QStringLiteral("/flex_sdk_4.6/bin/mxmlc");
    const QString src = folder + QStringLiteral("/Main.as");
    const QString movie = folder + QStringLiteral("/Game.swf");
    if (!QDir().mkpath(folder) || !WriteFile(src, source))
        return QString();
    QProcess compiler;
    compiler.start(mxmlc, QStringList{src, QStringLiteral("-output"), movie} + options);
    if (!compiler.waitForFinished(180000) || compiler.exitCode() != 0) {
        *error = QString::fromUtf8(compiler.readAllStandardError());
        return QString();
    }
    return movie;
}

bool CompilerReady()
{
    return QFileInfo(kProgramDir + QStringLiteral("/flex_sdk_4.6/bin/mxmlc")).isExecutable();
}

// The value of a JavaScript expression on the page, or an invalid QVariant
// when the page does not answer.
QVariant Evaluate(QWebEnginePage* page, const QString& script)
{
    QVariant result;
    bool answered = false;
    page->runJavaScript(script, [&](const QVariant& value) {
        result = value;
        answered = true;
    });
    for (int waited = 0; !answered && waited < 30000; waited += 20)
        QTest::qWait(20);
    return result;
}

// The notes the player wrote so far.
QList<CPlayerNotes::Note> ReadNotes(const QString& path)
{
    QList<CPlayerNotes::Note> notes;
    for (const QByteArray& line : ReadAll(path).split('\n')) {
        CPlayerNotes::Note note;
        if (CPlayerNotes::ParseLine(line, &note))
            notes.append(note);
    }
    return notes;
}

bool HasNote(const QString& path, const QString& event, const QString& movie)
{
    const QList<CPlayerNotes::Note> notes = ReadNotes(path);
    return std::any_of(notes.begin(), notes.end(), [&](const CPlayerNotes::Note& note) {
        return note.event == event && note.moviePath == movie;
    });
}

} // namespace

class TestPlayer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void secondStartHandsOverMovie_data();
    void secondStartHandsOverMovie();
    void noRunningPlayer();
    void staleSocketIsReplaced();
    void showsPlainError_data();
    void showsPlainError();
    void playsMovieAtItsSize();
    void laterMovieReplacesEarlier();
    void showsTraceOutput();
    void keysReachMovie();
    void programHandsOverToRunningPlayer();
    void laterMovieKeepsPage();
    void replacedMoviesLeaveNoInstance();
    void parsesMovieError_data();
    void parsesMovieError();
    void runtimeErrorShowsInTracePane_data();
    void runtimeErrorShowsInTracePane();
    void notesRoundTrip_data();
    void notesRoundTrip();
    void notesReportUnwritableFile();
    void preloadedPlayerShowsHandedMovie();

private:
    QTemporaryDir m_tmp;
};

void TestPlayer::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(m_tmp.isValid());
    QVERIFY(WriteFile(m_tmp.filePath(QStringLiteral("page.swf")), "<html>not a movie</html>"));
    QVERIFY(WriteFile(m_tmp.filePath(QStringLiteral("red.swf")),
                      ColourMovie(100, 80, qRgb(255, 0, 0))));
}

void TestPlayer::secondStartHandsOverMovie_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("plain") << "/home/learner/Peltra/game/bin/GameMovie.swf";
    QTest::newRow("blanks and Japanese") << "/home/学習 者/ゲーム 1/GameMovie.swf";
    QTest::newRow("line break and percent") << "/tmp/a\nb%20c/Game Movie.swf";
}

void TestPlayer::secondStartHandsOverMovie()
{
    QFETCH(QString, path);
    const QString name = m_tmp.filePath(QStringLiteral("hand-over"));
    ServerThread first(name);
    QVERIFY(first.listening());

    CPlayerInstance second(name);
    QVERIFY(second.HandToRunning(path));
    QTRY_COMPARE(first.received, QStringList{path});
}

void TestPlayer::noRunningPlayer()
{
    CPlayerInstance alone(m_tmp.filePath(QStringLiteral("nobody-here")));
    QVERIFY(!alone.HandToRunning(QStringLiteral("/tmp/x.swf"), 2000));
    // It becomes the one later starts talk to.
    QVERIFY(alone.Listen());
    QVERIFY(QFile::exists(alone.serverName()));
}

void TestPlayer::staleSocketIsReplaced()
{
    // A player that crashed leaves its socket file behind.
    const QString name = m_tmp.filePath(QStringLiteral("stale"));
    QVERIFY(WriteFile(name, QByteArray()));
    CPlayerInstance later(name);
    QVERIFY(!later.HandToRunning(QStringLiteral("/tmp/x.swf"), 2000));
    QVERIFY(later.Listen());

    QSignalSpy requested(&later, &CPlayerInstance::movieRequested);
    // `later` answers on this thread's event loop: hand over from another.
    bool handed = false;
    QThread sender;
    QObject::connect(
        &sender, &QThread::started, &sender,
        [&]() {
            CPlayerInstance client(name);
            handed = client.HandToRunning(QStringLiteral("/tmp/again.swf"));
            QThread::currentThread()->quit();
        },
        Qt::DirectConnection);
    sender.start();
    QTRY_VERIFY(sender.isFinished());
    QVERIFY(handed);
    QCOMPARE(requested.count(), 1);
    QCOMPARE(requested.first().first().toString(), QStringLiteral("/tmp/again.swf"));
}

void TestPlayer::showsPlainError_data()
{
    QTest::addColumn<QString>("movie");
    QTest::addColumn<QString>("filesFolder");
    QTest::addColumn<QString>("message");

    const QString dir = m_tmp.path();

    QTest::newRow("no movie given")
        << QString() << kFilesFolder << "ムービーが指定されていません。";
    QTest::newRow("missing movie")
        << dir + "/gone/GameMovie.swf" << kFilesFolder << "ムービーが見つかりません:";
    QTest::newRow("a folder, not a movie") << dir << kFilesFolder << "ムービーが見つかりません:";
    QTest::newRow("not a movie") << dir + "/page.swf" << kFilesFolder
                                 << "ムービーを読み込めません:";
    QTest::newRow("web player missing") << dir + "/red.swf" << dir + "/nothing"
                                        << "プレーヤーのファイルが見つかりません:";
}

void TestPlayer::showsPlainError()
{
    QFETCH(QString, movie);
    QFETCH(QString, filesFolder);
    QFETCH(QString, message);

    CPlayerWindow window(filesFolder);
    window.show();
    window.OpenMovie(movie);
    QCOMPARE(window.state(), CPlayerWindow::State::Failed);
    QVERIFY2(window.errorText().startsWith(message), qPrintable(window.errorText()));
    if (!movie.isEmpty() && !message.startsWith(QStringLiteral("プレーヤー")))
        QVERIFY(window.errorText().contains(QDir::toNativeSeparators(movie)));
    // The message is what the window shows, not the empty movie view.
    auto* stack = window.findChild<QStackedWidget*>();
    QVERIFY(stack);
    auto* label = qobject_cast<QLabel*>(stack->currentWidget());
    QVERIFY(label);
    QCOMPARE(label->text(), window.errorText());
}

void TestPlayer::playsMovieAtItsSize()
{
    REQUIRE_WEB_PLAYER();
    const QString movie = m_tmp.filePath(QStringLiteral("green.swf"));
    const QRgb green = qRgb(0x20, 0xc0, 0x40);
    QVERIFY(WriteFile(movie, ColourMovie(240, 180, green)));

    CPlayerWindow window(kFilesFolder);
    window.show();
    // A quoted path, as a command line may pass it whole.
    window.OpenMovie(QLatin1Char('"') + movie + QLatin1Char('"'));
    QCOMPARE(window.moviePath(), movie);
    QTRY_VERIFY_WITH_TIMEOUT(window.state() != CPlayerWindow::State::Loading, 60000);
    QCOMPARE(window.state(), CPlayerWindow::State::Playing);
    QCOMPARE(window.movieSize(), QSize(240, 180));
    QCOMPARE(window.view()->size(), QSize(240, 180));
    QVERIFY(window.windowTitle().startsWith(QStringLiteral("green.swf")));
    // The movie's own colour fills the view: the frame is really drawn.
    QTRY_VERIFY_WITH_TIMEOUT(ShareOf(window.view(), green) > 0.9, 60000);
}

void TestPlayer::laterMovieReplacesEarlier()
{
    REQUIRE_WEB_PLAYER();
    const QString first = m_tmp.filePath(QStringLiteral("first.swf"));
    const QString second = m_tmp.filePath(QStringLiteral("second.swf"));
    const QRgb red = qRgb(0xe0, 0x20, 0x20), blue = qRgb(0x20, 0x40, 0xe0);
    QVERIFY(WriteFile(first, ColourMovie(200, 150, red)));
    QVERIFY(WriteFile(second, ColourMovie(320, 120, blue)));

    CPlayerWindow window(kFilesFolder);
    window.show();
    window.OpenMovie(first);
    QTRY_VERIFY_WITH_TIMEOUT(ShareOf(window.view(), red) > 0.9, 60000);
    window.OpenMovie(second);
    QCOMPARE(window.moviePath(), second);
    QTRY_VERIFY_WITH_TIMEOUT(ShareOf(window.view(), blue) > 0.9, 60000);
    QCOMPARE(ShareOf(window.view(), red), 0.0);
    QCOMPARE(window.view()->size(), QSize(320, 120));

    // 実行 twice in a row: the second movie wins, the first's cut-short
    // loading is no error.
    window.OpenMovie(first);
    window.OpenMovie(second);
    QTRY_VERIFY_WITH_TIMEOUT(window.state() != CPlayerWindow::State::Loading, 60000);
    QCOMPARE(window.state(), CPlayerWindow::State::Playing);
    QCOMPARE(window.moviePath(), second);
    QTRY_VERIFY_WITH_TIMEOUT(ShareOf(window.view(), blue) > 0.9, 60000);
}

void TestPlayer::showsTraceOutput()
{
    REQUIRE_WEB_PLAYER();
    if (!CompilerReady())
        QSKIP("the game compiler is not set up (run scripts/setup-toolchain)");

    // A movie with trace() output needs the compiler.
    QString error;
    const QString movie = CompileGame(m_tmp.filePath(QStringLiteral("trace")),
                                      "package {\n"
                                      "import flash.display.Sprite;\n"
                                      "public class Main extends Sprite {\n"
                                      "public function Main() {\n"
                                      "trace(\"score\", 6 * 7);\n"
                                      "trace(\"星を受け止めた\");\n"
                                      "}\n}\n}\n",
                                      &error);
    QVERIFY2(!movie.isEmpty(), qPrintable(error));

    CPlayerWindow window(kFilesFolder);
    window.show();
    QVERIFY(!window.isTracePaneOpen());
    window.OpenMovie(movie);
    QTRY_COMPARE_WITH_TIMEOUT(window.traceLines().size(), 2, 60000);
    QCOMPARE(window.traceLines(),
             QStringList({QStringLiteral("score 42"), QStringLiteral("星を受け止めた")}));
    // Closed, the pane's button counts what the learner has not seen.
    auto* button = window.findChild<QToolButton*>(QStringLiteral("traceButton"));
    QVERIFY(button);
    QVERIFY2(button->text().endsWith(QStringLiteral("(2)")), qPrintable(button->text()));
    const int closedHeight = window.height();
    button->click();
    QVERIFY(window.isTracePaneOpen());
    QVERIFY(window.findChild<QPlainTextEdit*>(QStringLiteral("tracePane"))->isVisible());
    QVERIFY(!button->text().contains(QLatin1Char('(')));
    QVERIFY(window.height() > closedHeight);
    // Playing again starts a fresh list.
    window.OpenMovie(movie);
    QVERIFY(window.traceLines().isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(window.traceLines().size(), 2, 60000);
}

void TestPlayer::keysReachMovie()
{
    REQUIRE_WEB_PLAYER();
    if (!CompilerReady())
        QSKIP("the game compiler is not set up (run scripts/setup-toolchain)");
    QString error;
    const QString movie = CompileGame(
        m_tmp.filePath(QStringLiteral("keys")),
        "package {\n"
        "import flash.display.Sprite;\n"
        "import flash.events.KeyboardEvent;\n"
        "public class Main extends Sprite {\n"
        "public function Main() {\n"
        "stage.addEventListener(KeyboardEvent.KEY_DOWN, onKey);\n"
        "trace(\"ready\");\n"
        "}\n"
        "private function onKey(e:KeyboardEvent):void { trace(\"key \" + e.keyCode); }\n"
        "}\n}\n",
        &error);
    QVERIFY2(!movie.isEmpty(), qPrintable(error));

    CPlayerWindow window(kFilesFolder);
    window.show();
    window.activateWindow();
    window.OpenMovie(movie);
    QTRY_VERIFY_WITH_TIMEOUT(window.traceLines().contains(QStringLiteral("ready")), 60000);
    QTRY_VERIFY(window.view()->focusProxy() && window.view()->focusProxy()->hasFocus());
    // No click on the movie first: the arrow keys of a game work at once.
    QWidget* target = window.view()->focusProxy();
    QTRY_VERIFY_WITH_TIMEOUT(
        [&]() {
            QTest::keyClick(target, Qt::Key_Left);
            return window.traceLines().contains(QStringLiteral("key 37"));
        }(),
        60000);
}

void TestPlayer::programHandsOverToRunningPlayer()
{
    // The program itself: with a player already listening, a second start
    // gives its movie over and ends at once, without a window of its own.
    const QString player = kProgramDir + QStringLiteral("/flashplayer_11_sa");
    QVERIFY2(QFileInfo(player).isExecutable(), qPrintable(player));
    const QString runtime = m_tmp.filePath(QStringLiteral("runtime"));
    QVERIFY(QDir().mkpath(runtime));
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    ServerThread first(runtime + QStringLiteral("/peltra-flashplayer"));
    QVERIFY(first.listening());

    QProcess second;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    second.setProcessEnvironment(env);
    const QString movie = m_tmp.filePath(QStringLiteral("next.swf"));
    second.start(player, {movie});
    QVERIFY(second.waitForFinished(60000));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    QTRY_COMPARE(first.received, QStringList{movie});
}

void TestPlayer::laterMovieKeepsPage()
{
    REQUIRE_WEB_PLAYER();
    const QString first = m_tmp.filePath(QStringLiteral("keep-first.swf"));
    const QString second = m_tmp.filePath(QStringLiteral("keep-second.swf"));
    const QRgb red = qRgb(0xe0, 0x20, 0x20), blue = qRgb(0x20, 0x40, 0xe0);
    QVERIFY(WriteFile(first, ColourMovie(200, 150, red)));
    QVERIFY(WriteFile(second, ColourMovie(200, 150, blue)));

    CPlayerWindow window(kFilesFolder);
    QSignalSpy frames(&window, &CPlayerWindow::firstFrameShown);
    window.show();
    window.OpenMovie(first);
    QTRY_COMPARE_WITH_TIMEOUT(frames.count(), 1, 60000);
    QCOMPARE(frames.first().first().toString(), first);
    QTRY_VERIFY_WITH_TIMEOUT(ShareOf(window.view(), red) > 0.9, 60000);

    // A mark on the page would not survive the page loading again.
    QWebEnginePage* page = window.view()->page();
    QCOMPARE(Evaluate(page, QStringLiteral("window.keepMark = 'still here'; window.keepMark;"))
                 .toString(),
             QStringLiteral("still here"));
    QSignalSpy loads(page, &QWebEnginePage::loadStarted);

    window.OpenMovie(second);
    QTRY_COMPARE_WITH_TIMEOUT(frames.count(), 2, 60000);
    QCOMPARE(frames.last().first().toString(), second);
    QTRY_VERIFY_WITH_TIMEOUT(ShareOf(window.view(), blue) > 0.9, 60000);
    QCOMPARE(loads.count(), 0);
    QCOMPARE(Evaluate(page, QStringLiteral("window.keepMark;")).toString(),
             QStringLiteral("still here"));
    // One movie on the stage: the first one's player has gone.
    QCOMPARE(Evaluate(page, QStringLiteral("document.getElementById('stage').childElementCount;"))
                 .toInt(),
             1);

    // A movie that cannot be shown leaves the page for the next one.
    window.OpenMovie(m_tmp.filePath(QStringLiteral("gone.swf")));
    QCOMPARE(window.state(), CPlayerWindow::State::Failed);
    window.OpenMovie(first);
    QTRY_COMPARE_WITH_TIMEOUT(frames.count(), 3, 60000);
    QTRY_VERIFY_WITH_TIMEOUT(ShareOf(window.view(), red) > 0.9, 60000);
    QCOMPARE(loads.count(), 0);

    QCOMPARE(loads.count(), 0);
}

void TestPlayer::replacedMoviesLeaveNoInstance()
{
    REQUIRE_WEB_PLAYER();
    const QString first = m_tmp.filePath(QStringLiteral("again-first.swf"));
    const QString second = m_tmp.filePath(QStringLiteral("again-second.swf"));
    QVERIFY(WriteFile(first, ColourMovie(200, 150, qRgb(0xe0, 0x20, 0x20))));
    QVERIFY(WriteFile(second, ColourMovie(200, 150, qRgb(0x20, 0x40, 0xe0))));

    CPlayerWindow window(kFilesFolder);
    QSignalSpy frames(&window, &CPlayerWindow::firstFrameShown);
    QWebEnginePage* page = window.view()->page();
    QSignalSpy pageLoads(page, &QWebEnginePage::loadFinished);
    window.show();
    window.OpenMovie(first);
    QTRY_COMPARE_WITH_TIMEOUT(pageLoads.count(), 1, 60000);
    // The web player logs each instance it makes and ends. The first movie's
    // instance is still on its way: the web player's code is being compiled.
    QVERIFY(Evaluate(page, QStringLiteral(
                               "window.instances = 0;"
                               "const logged = console.log;"
                               "console.log = function (...args) {"
                               "  const text = String(args[0]);"
                               "  if (text.includes('New Ruffle instance created')) ++instances;"
                               "  if (text.includes('Ruffle instance destroyed')) --instances;"
                               "  logged(...args);"
                               "};"
                               "true;"))
                .toBool());

    // 実行 pressed again and again, at spacings from none to longer than an
    // instance takes to make: of the movies replaced, before or after their
    // instance existed, none keeps one running unseen.
    for (int i = 0; i < 9; ++i) {
        window.OpenMovie(i % 2 ? first : second);
        QTest::qWait(i * 25);
    }
    QTRY_VERIFY_WITH_TIMEOUT(!frames.isEmpty() && frames.last().first().toString() == second &&
                                 window.state() == CPlayerWindow::State::Playing,
                             60000);
    QTRY_COMPARE_WITH_TIMEOUT(Evaluate(page, QStringLiteral("window.instances;")).toInt(), 1,
                              30000);
    QTest::qWait(500);
    QCOMPARE(Evaluate(page, QStringLiteral("window.instances;")).toInt(), 1);
    QCOMPARE(pageLoads.count(), 1);
}

void TestPlayer::parsesMovieError_data()
{
    QTest::addColumn<QString>("logText");
    QTest::addColumn<QString>("context");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("stack");

    QTest::newRow("event handler")
        << "Error dispatching event \"enterFrame\": TypeError: Error #1009: Cannot access a "
           "property or method of a null object reference.\n\tat Main/poke()\n\tat "
           "Main/onFrame()"
        << "Error dispatching event \"enterFrame\""
        << "TypeError: Error #1009: Cannot access a property or method of a null object "
           "reference."
        << QStringList{"at Main/poke()", "at Main/onFrame()"};
    QTest::newRow("constructor")
        << "Error running AVM2 construction for movie clip: Error: boom\n\tat Main()"
        << "Error running AVM2 construction for movie clip"
        << "Error: boom" << QStringList{"at Main()"};
    QTest::newRow("a thrown string, no stack") << "Error in AVM2 timer callback: plain string"
                                               << "Error in AVM2 timer callback"
                                               << "plain string" << QStringList();
    QTest::newRow("no context: the error's own colon stays")
        << "Error: boom\n\tat Main()"
        << ""
        << "Error: boom" << QStringList{"at Main()"};
    QTest::newRow("error number without a context")
        << "ReferenceError: Error #1065: Variable x is not defined."
        << ""
        << "ReferenceError: Error #1065: Variable x is not defined." << QStringList();
    QTest::newRow("source lines and a message over two lines")
        << "Uncaught exception: Error: first\nsecond\n\tat Main/poke()[/g/src/Main.as:15]\n"
        << "Uncaught exception"
        << "Error: first\nsecond" << QStringList{"at Main/poke()[/g/src/Main.as:15]"};
    QTest::newRow("empty") << ""
                           << ""
                           << "" << QStringList();
}

void TestPlayer::parsesMovieError()
{
    QFETCH(QString, logText);
    QFETCH(QString, context);
    QFETCH(QString, message);
    QFETCH(QStringList, stack);

    const MovieError error = ParseMovieError(logText);
    QCOMPARE(error.context, context);
    QCOMPARE(error.message, message);
    QCOMPARE(error.stack, stack);
    QString shown = message;
    for (const QString& frame : stack)
        shown += QStringLiteral("\n\t") + frame;
    QCOMPARE(error.displayText(), shown);
}

void TestPlayer::runtimeErrorShowsInTracePane_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("stack");

    // An enterFrame handler fails on every frame; the pane shows it once.
    QTest::newRow("null access in a frame handler")
        << QByteArray("private var target:Sprite;\n"
                      "public function Main() {\n"
                      "trace(\"start\");\n"
                      "addEventListener(Event.ENTER_FRAME, onFrame);\n"
                      "}\n"
                      "private function onFrame(e:Event):void { poke(); }\n"
                      "private function poke():void { target.x = 3; }\n")
        << "TypeError: Error #1009: Cannot access a property or method of a null object "
           "reference."
        << QStringList{"at Main/poke()", "at Main/onFrame()"};
    QTest::newRow("error thrown in the constructor")
        << QByteArray("public function Main() {\n"
                      "trace(\"start\");\n"
                      "throw new ArgumentError(\"星がない\");\n"
                      "}\n")
        << "ArgumentError: 星がない" << QStringList{"at Main()"};
}

void TestPlayer::runtimeErrorShowsInTracePane()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, message);
    QFETCH(QStringList, stack);
    REQUIRE_WEB_PLAYER();
    if (!CompilerReady())
        QSKIP("the game compiler is not set up (run scripts/setup-toolchain)");

    QString error;
    const QString movie = CompileGame(
        m_tmp.filePath(QStringLiteral("error-%1").arg(QTest::currentDataTag()).replace(' ', '-')),
        "package {\n"
        "import flash.display.Sprite;\n"
        "import flash.events.Event;\n"
        "public class Main extends Sprite {\n" +
            body + "}\n}\n",
        &error, {QStringLiteral("-debug=true")});
    QVERIFY2(!movie.isEmpty(), qPrintable(error));

    CPlayerWindow window(kFilesFolder);
    window.show();
    QVERIFY(!window.isTracePaneOpen());
    window.OpenMovie(movie);
    // The pane opens itself with the error's text and its stack, each frame
    // on a line of its own; the movie's trace() before it is still there.
    QTRY_VERIFY_WITH_TIMEOUT(window.isTracePaneOpen(), 60000);
    QVERIFY(window.findChild<QPlainTextEdit*>(QStringLiteral("tracePane"))->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(window.traceLines().size() >= 2 + stack.size(), 60000);
    QStringList lines = window.traceLines();
    QCOMPARE(lines.first(), QStringLiteral("start"));
    QVERIFY2(lines.at(1).startsWith(message), qPrintable(lines.join('\n')));
    for (int i = 0; i < stack.size(); ++i)
        QCOMPARE(lines.at(2 + i).trimmed(), stack.at(i));
    // Some frames later the same error has not been added again.
    QTest::qWait(500);
    QCOMPARE(window.traceLines(), lines);
    // The web player's wording around the error is not the learner's business.
    QVERIFY(!lines.join('\n').contains(QStringLiteral("AVM2")));
    QVERIFY(!lines.join('\n').contains(QStringLiteral("dispatching")));
    // The movie still counts as playing: the error is the movie's.
    QCOMPARE(window.state(), CPlayerWindow::State::Playing);
}

void TestPlayer::notesRoundTrip_data()
{
    QTest::addColumn<QString>("event");
    QTest::addColumn<QString>("movie");
    QTest::newRow("frame") << "frame"
                           << "/home/learner/game/bin/GameMovie.swf";
    QTest::newRow("ready, no movie") << "ready"
                                     << "";
    QTest::newRow("blanks, Japanese, line break, percent")
        << "failed"
        << "/home/学習 者/a\nb%20c/Game Movie.swf";
}

void TestPlayer::notesRoundTrip()
{
    QFETCH(QString, event);
    QFETCH(QString, movie);
    const QString file =
        m_tmp.filePath(QStringLiteral("notes-%1.txt").arg(QTest::currentDataTag()));
    QFile::remove(file);
    const CPlayerNotes notes(file);
    const qint64 before = QDateTime::currentMSecsSinceEpoch();
    QVERIFY(notes.Write(event, movie));
    QVERIFY(notes.Write(QStringLiteral("frame"), QStringLiteral("/second.swf")));
    const QList<QByteArray> lines = ReadAll(file).split('\n');
    QCOMPARE(lines.size(), 3); // two lines and the end
    QVERIFY(lines.last().isEmpty());
    CPlayerNotes::Note note;
    QVERIFY(CPlayerNotes::ParseLine(lines.first(), &note));
    QCOMPARE(note.event, event);
    QCOMPARE(note.moviePath, movie);
    QVERIFY(note.msecsSinceEpoch >= before);
    QVERIFY(note.msecsSinceEpoch <= QDateTime::currentMSecsSinceEpoch());
    QVERIFY(CPlayerNotes::ParseLine(lines.at(1), &note));
    QCOMPARE(note.moviePath, QStringLiteral("/second.swf"));
    // Without a file named nothing is written, and that is no failure.
    QVERIFY(!CPlayerNotes().isEnabled());
    QVERIFY(CPlayerNotes().Write(event, movie));
}

void TestPlayer::notesReportUnwritableFile()
{
    const QString file = m_tmp.filePath(QStringLiteral("no-such-folder/notes.txt"));
    QString error;
    QVERIFY(!CPlayerNotes(file).Write(QStringLiteral("frame"), QStringLiteral("/x.swf"), &error));
    QVERIFY2(error.startsWith(file + QStringLiteral(": ")) && error.size() > file.size() + 2,
             qPrintable(error));
    CPlayerNotes::Note note;
    QVERIFY(!CPlayerNotes::ParseLine("not a note", &note));
    QVERIFY(!CPlayerNotes::ParseLine("12x frame /x.swf", &note));
}

void TestPlayer::preloadedPlayerShowsHandedMovie()
{
    REQUIRE_WEB_PLAYER();
    const QString player = kProgramDir + QStringLiteral("/flashplayer_11_sa");
    const QString runtime = m_tmp.filePath(QStringLiteral("preload-runtime"));
    QVERIFY(QDir().mkpath(runtime));
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QString notes = m_tmp.filePath(QStringLiteral("preload-notes.txt"));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    env.insert(QStringLiteral("PELTRA_PLAYER_NOTES"), notes);

    QProcess preloaded;
    preloaded.setProcessEnvironment(env);
    preloaded.start(player, {QStringLiteral("--preload")});
    QVERIFY(preloaded.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(HasNote(notes, QStringLiteral("ready"), QString()), 60000);
    QCOMPARE(preloaded.state(), QProcess::Running);

    // Another preload finds the player there and ends at once.
    QProcess again;
    again.setProcessEnvironment(env);
    again.start(player, {QStringLiteral("--preload")});
    QVERIFY(again.waitForFinished(60000));
    QCOMPARE(again.exitCode(), 0);

    // The program is started on a movie as ever; the hidden player shows it.
    const QString movie = m_tmp.filePath(QStringLiteral("preload-green.swf"));
    QVERIFY(WriteFile(movie, ColourMovie(120, 90, qRgb(0x20, 0xc0, 0x40))));
    QProcess second;
    second.setProcessEnvironment(env);
    second.start(player, {movie});
    QVERIFY(second.waitForFinished(60000));
    QCOMPARE(second.exitCode(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(HasNote(notes, QStringLiteral("frame"), movie), 60000);
    // A movie it cannot show is noted too, so that nobody waits for it.
    const QString gone = m_tmp.filePath(QStringLiteral("preload-gone.swf"));
    second.start(player, {gone});
    QVERIFY(second.waitForFinished(60000));
    QTRY_VERIFY_WITH_TIMEOUT(HasNote(notes, QStringLiteral("failed"), gone), 60000);

    preloaded.terminate();
    QVERIFY(preloaded.waitForFinished(30000));
}

QTEST_MAIN(TestPlayer)
#include "tst_player.moc"
