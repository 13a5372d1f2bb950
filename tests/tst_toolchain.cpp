// The game compiler installed below the program folder: it turns a game
// source into a movie the way the build-and-run command calls it, reports
// errors on standard error with a failing exit status, and its set-up is
// cached and does nothing when run again. Also the builder of the player's
// class library, on bad input.
//
// The compiler tests need the toolchain set up in the build's program
// folder (scripts/setup-toolchain out/<build>/bin); without it they are
// skipped with a message that says so.

#include "build/compilecommand.h"
#include "build/locations.h"
#include "build/processrunner.h"
#include "support/testsupport.h"
#include "swfheader.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

namespace {

const QString kSourceDir = QStringLiteral(PELTRA_SOURCE_DIR);
const QString kProgramDir = QStringLiteral(PELTRA_PROGRAM_DIR);

QString InstalledMxmlc()
{
    return kProgramDir + QStringLiteral("/flex_sdk_4.6/bin/mxmlc");
}

QString CacheDir()
{
    const QString env = qEnvironmentVariable("PELTRA_TOOLCHAIN_CACHE");
    return env.isEmpty() ? kSourceDir + QStringLiteral("/out/toolchain-cache") : env;
}

bool CompilerReady()
{
    return QFileInfo(InstalledMxmlc()).isExecutable();
}

#define REQUIRE_COMPILER()                                                                         \
    do {                                                                                           \
        if (!CompilerReady())                                                                      \
            QSKIP(qPrintable(QStringLiteral("the game compiler is not set up in %1 "               \
                                            "(run scripts/setup-toolchain %1)")                    \
                                 .arg(kProgramDir)));                                              \
    } while (false)

// A small game that uses what the tutorial's games use: display objects,
// text, keys, a timer, typed vectors and trace().
const char* const kGame = R"(package
{
	import flash.display.Shape;
	import flash.display.Sprite;
	import flash.events.Event;
	import flash.events.KeyboardEvent;
	import flash.events.TimerEvent;
	import flash.text.TextField;
	import flash.utils.Timer;

	public class Main extends Sprite
	{
		private var ball:Shape = new Shape();
		private var speeds:Vector.<Number> = new Vector.<Number>();
		private var label:TextField = new TextField();
		private var timer:Timer = new Timer(500);

		public function Main()
		{
			ball.graphics.beginFill(0xFF0000);
			ball.graphics.drawCircle(0, 0, 10);
			ball.graphics.endFill();
			addChild(ball);
			label.text = "点数: 0";
			addChild(label);
			speeds.push(1.5, Math.max(2, 3));
			stage.addEventListener(KeyboardEvent.KEY_DOWN, onKey);
			addEventListener(Event.ENTER_FRAME, onFrame);
			timer.addEventListener(TimerEvent.TIMER, onTimer);
			timer.start();
			trace("started", speeds.length);
		}

		private function onKey(e:KeyboardEvent):void
		{
			ball.x += e.keyCode == 37 ? -5 : 5;
		}

		private function onFrame(e:Event):void
		{
			ball.y += speeds[0];
		}

		private function onTimer(e:TimerEvent):void
		{
			label.text = "点数: " + timer.currentCount;
		}
	}
}
)";

// The game's own settings on top of the compiler's: size, rate, colour.
const char* const kGameConfig = R"(<?xml version="1.0" encoding="utf-8"?>
<flex-config>
	<compiler>
		<source-path append="true">
			<path-element>../src</path-element>
		</source-path>
	</compiler>
	<default-size>
		<width>320</width>
		<height>240</height>
	</default-size>
	<default-frame-rate>25</default-frame-rate>
	<default-background-color>0x336699</default-background-color>
</flex-config>
)";

// A program folder of its own: game/src, game/obj, game/bin.
struct GameFolder
{
    explicit GameFolder(const QString& root) : folder(root + QLatin1Char('/'))
    {
        QDir().mkpath(folder + QStringLiteral("game/bin"));
    }
    QString source() const { return folder + QStringLiteral("game/src/Main.as"); }
    QString config() const { return folder + QStringLiteral("game/obj/Main-config.xml"); }
    QString movie() const { return folder + QStringLiteral("game/bin/GameMovie.swf"); }

    QString folder;
};

struct Run
{
    int exitCode = -1;
    bool crashed = false;
    QString out;
    QString err;
};

// Runs the compiler with the arguments the build-and-run command gives it
// (its command line split into arguments), plus any extra ones.
Run Compile(const GameFolder& g, const QStringList& extra = {})
{
    QProcess p;
    QStringList args{g.source(), QStringLiteral("-output"), g.movie(),
                     QStringLiteral("-load-config+=") + g.folder +
                         QStringLiteral("/game/obj/Main-config.xml")};
    args += extra;
    p.start(InstalledMxmlc(), args);
    Run r;
    if (!p.waitForFinished(180000)) {
        p.kill();
        p.waitForFinished();
        r.crashed = true;
        return r;
    }
    r.crashed = p.exitStatus() != QProcess::NormalExit;
    r.exitCode = p.exitCode();
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

struct Tag
{
    int code;
    QByteArray body;
};

// The tags of an uncompressed movie, or an empty list when they do not add
// up to the file exactly (ending with the End tag).
QList<Tag> Tags(const QByteArray& fws)
{
    QList<Tag> tags;
    if (fws.size() < 9)
        return {};
    const int nbits = static_cast<unsigned char>(fws.at(8)) >> 3;
    qsizetype pos = 8 + (5 + 4 * nbits + 7) / 8 + 4;
    while (pos + 2 <= fws.size()) {
        const quint16 head = qFromLittleEndian<quint16>(fws.constData() + pos);
        pos += 2;
        qsizetype len = head & 0x3f;
        if (len == 0x3f) {
            if (pos + 4 > fws.size())
                return {};
            len = qFromLittleEndian<quint32>(fws.constData() + pos);
            pos += 4;
        }
        if (pos + len > fws.size())
            return {};
        tags.append({head >> 6, fws.mid(pos, len)});
        pos += len;
        if ((head >> 6) == 0)
            return pos == fws.size() ? tags : QList<Tag>();
    }
    return {};
}

const Tag* FindTag(const QList<Tag>& tags, int code)
{
    for (const Tag& t : tags)
        if (t.code == code)
            return &t;
    return nullptr;
}

// Every file below a folder with its size and modification time.
QMap<QString, QString> Snapshot(const QString& root)
{
    QMap<QString, QString> files;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QFileInfo fi = it.fileInfo();
        files.insert(fi.filePath().mid(root.size()), QStringLiteral("%1 %2").arg(fi.size()).arg(
                                                         fi.lastModified().toMSecsSinceEpoch()));
    }
    return files;
}

// A WebAssembly module with one active data segment.
QByteArray WasmWithData(quint32 offset, const QByteArray& data, int claimedLength = -1)
{
    auto leb = [](quint64 v) {
        QByteArray b;
        do {
            char c = char(v & 0x7f);
            v >>= 7;
            if (v)
                c = char(c | 0x80);
            b.append(c);
        } while (v);
        return b;
    };
    auto sleb = [](qint64 v) {
        QByteArray b;
        for (;;) {
            const char c = char(v & 0x7f);
            v >>= 7;
            if ((v == 0 && !(c & 0x40)) || (v == -1 && (c & 0x40))) {
                b.append(c);
                return b;
            }
            b.append(char(c | 0x80));
        }
    };
    QByteArray seg = leb(1) + leb(0) + '\x41' + sleb(qint32(offset)) + '\x0b' +
                     leb(claimedLength < 0 ? data.size() : claimedLength) + data;
    return QByteArray("\0asm\1\0\0\0", 8) + '\x0b' + leb(seg.size()) + seg;
}

} // namespace

class TestToolchain : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void compilesGame_data();
    void compilesGame();
    void compilesThroughProgramCommandLine();
    void compileErrorFails_data();
    void compileErrorFails();
    void setupRunTwiceDoesNothing();
    void builderRefusesBadInput_data();
    void builderRefusesBadInput();
    void builderIsDeterministic();

private:
    QString m_strPython;
};

void TestToolchain::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    m_strPython = QStandardPaths::findExecutable(QStringLiteral("python3"));
}

void TestToolchain::compilesGame_data()
{
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QByteArray>("config");
    QTest::addColumn<QStringList>("extra");
    QTest::addColumn<QString>("folderName");
    QTest::addColumn<QSize>("frame");
    QTest::addColumn<quint32>("background"); // 0xRRGGBB, or 0xFFFFFFFF: not checked

    const QByteArray game(kGame), config(kGameConfig);
    const QSize small(320, 240);
    QTest::newRow("small game, LZMA")
        << game << config << QStringList() << "p" << small << 0x336699u;
    QTest::newRow("small game, uncompressed")
        << game << config << QStringList{QStringLiteral("-compress=false")} << "p" << small
        << 0x336699u;
    QTest::newRow("program folder with a blank and Japanese")
        << game << config << QStringList() << "学習 フォルダ" << small << 0x336699u;

    // The tutorial's finished game with the template's own settings, once
    // they are there.
    const QByteArray finished = ReadAll(kSourceDir + QStringLiteral("/sample/finished/Main.as"));
    const QByteArray templateConfig =
        ReadAll(kSourceDir + QStringLiteral("/sample/game/obj/Main-config.xml"));
    if (!finished.isEmpty() && !templateConfig.isEmpty())
        QTest::newRow("finished sample")
            << finished << templateConfig << QStringList() << "p" << QSize() << 0xFFFFFFFFu;
}

void TestToolchain::compilesGame()
{
    QFETCH(QByteArray, source);
    QFETCH(QByteArray, config);
    QFETCH(QStringList, extra);
    QFETCH(QString, folderName);
    QFETCH(QSize, frame);
    QFETCH(quint32, background);
    REQUIRE_COMPILER();

    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    const GameFolder g(tmp.filePath(folderName));
    QVERIFY(WriteFile(g.source(), source));
    QVERIFY(WriteFile(g.config(), config));

    const Run r = Compile(g, extra);
    QVERIFY2(!r.crashed && r.exitCode == 0, qPrintable(r.out + r.err));

    const QByteArray movie = ReadAll(g.movie());
    QVERIFY2(!movie.isEmpty(), "the compiler wrote no movie");
    const QByteArray sig = movie.left(3);
    QVERIFY2(sig == "FWS" || sig == "CWS" || sig == "ZWS", sig.constData());
    if (extra.contains(QStringLiteral("-compress=false")))
        QCOMPARE(sig, QByteArray("FWS"));

    // The length field is the size of the whole uncompressed movie.
    QByteArray fws;
    QString error;
    QVERIFY2(DecompressSwf(movie, &fws, &error), qPrintable(error));
    QCOMPARE(quint32(fws.size()), qFromLittleEndian<quint32>(movie.constData() + 4));

    SwfHeader header;
    QVERIFY2(ReadSwfHeader(movie, &header, &error), qPrintable(error));
    QCOMPARE(header.version, 20);
    if (frame.isValid())
        QCOMPARE(header.frameSize(), frame);

    // An ActionScript 3 movie whose main class is Main, with the game's
    // code and not the player's classes (those the player brings).
    const QList<Tag> tags = Tags(fws);
    QVERIFY2(!tags.isEmpty(), "the movie's tags do not add up");
    QCOMPARE(tags.first().code, 69); // FileAttributes
    QVERIFY(tags.first().body.size() >= 1 && (tags.first().body.at(0) & 0x08));
    const Tag* symbols = FindTag(tags, 76);
    QVERIFY(symbols);
    QVERIFY(symbols->body.contains(QByteArray("\0\0Main\0", 7)));
    const Tag* abc = FindTag(tags, 82);
    QVERIFY(abc);
    QVERIFY2(abc->body.size() < 100000, "the player's classes were linked into the movie");
    if (background != 0xFFFFFFFFu) {
        const Tag* bg = FindTag(tags, 9);
        QVERIFY(bg && bg->body.size() == 3);
        const quint32 rgb = (quint32(quint8(bg->body[0])) << 16) |
                            (quint32(quint8(bg->body[1])) << 8) | quint8(bg->body[2]);
        QCOMPARE(rgb, background);
    }
}

void TestToolchain::compilesThroughProgramCommandLine()
{
    REQUIRE_COMPILER();
    // The program's own road: the compiler's arguments, each path whole,
    // run by its process runner, in a program folder with blanks.
    QTemporaryDir tmp;
    const GameFolder g(tmp.filePath(QStringLiteral("学習 フォルダ")));
    const QString& folder = g.folder;
    QVERIFY(WriteFile(g.source(), kGame));
    QVERIFY(WriteFile(g.config(), kGameConfig));
    QVERIFY(QFile::link(kProgramDir + QStringLiteral("/flex_sdk_4.6"),
                        folder + QStringLiteral("flex_sdk_4.6")));

    const RunResult result =
        RunProcess(CompileArguments(MxmlcPath(folder), SourcePath(folder), folder));
    QVERIFY2(result.ok, qPrintable(result.report()));
    QCOMPARE(QDir::cleanPath(MoviePath(folder)), QDir::cleanPath(g.movie()));
    QByteArray fws;
    QString error;
    QVERIFY2(DecompressSwf(ReadAll(MoviePath(folder)), &fws, &error), qPrintable(error));
    SwfHeader header;
    QVERIFY(ReadSwfHeader(fws, &header, &error));
    QCOMPARE(header.frameSize(), QSize(320, 240));
}

void TestToolchain::compileErrorFails_data()
{
    QTest::addColumn<QString>("statement");
    QTest::addColumn<QString>("message");

    QTest::newRow("syntax error") << "var a:int = 1 2;"
                                  << "Syntax error";
    QTest::newRow("unknown type") << "var s:Sprit = null;"
                                  << "Sprit";
    QTest::newRow("strict type check") << "var t:String = 5;"
                                       << "Implicit coercion";
    QTest::newRow("undefined function") << "launchRocket();"
                                        << "launchRocket";
    QTest::newRow("desktop-only class") << "var f:flash.filesystem.File = null;"
                                        << "flash.filesystem";
}

void TestToolchain::compileErrorFails()
{
    QFETCH(QString, statement);
    QFETCH(QString, message);
    REQUIRE_COMPILER();

    // The bad statement goes first in the constructor, at a known line.
    QString source = QString::fromUtf8(kGame);
    const QString anchor = QStringLiteral("\t\tpublic function Main()\n\t\t{\n");
    const int at = source.indexOf(anchor);
    QVERIFY(at > 0);
    source.insert(at + anchor.size(), QStringLiteral("\t\t\t") + statement + QLatin1Char('\n'));
    const int line = source.left(at + anchor.size()).count(QLatin1Char('\n')) + 1;

    QTemporaryDir tmp;
    const GameFolder g(tmp.path());
    QVERIFY(WriteFile(g.source(), source.toUtf8()));
    QVERIFY(WriteFile(g.config(), kGameConfig));

    const Run r = Compile(g);
    QVERIFY(!r.crashed);
    QVERIFY2(r.exitCode != 0, qPrintable(r.out));
    // "<file>(<line>): col: <n> Error: <message>" on standard error.
    QVERIFY2(r.err.contains(QStringLiteral("Main.as(%1)").arg(line)), qPrintable(r.err));
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
    QVERIFY2(!QFile::exists(g.movie()), "a movie was written for a source with errors");
}

void TestToolchain::setupRunTwiceDoesNothing()
{
    const QString cache = CacheDir();
    if (!QFile::exists(cache + QStringLiteral("/playerglobal.swc")))
        QSKIP(qPrintable(QStringLiteral("the toolchain cache %1 is not filled "
                                        "(run scripts/setup-toolchain)")
                             .arg(cache)));
    const QString script = kSourceDir + QStringLiteral("/scripts/setup-toolchain");
    QTemporaryDir tmp;
    const QString program = tmp.filePath(QStringLiteral("prog"));

    auto setup = [&](QString* output) {
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(QStringLiteral("bash"), {script, QStringLiteral("--offline"), program});
        const bool done = p.waitForFinished(300000);
        *output = QString::fromUtf8(p.readAll());
        return done && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    };

    QString out;
    QVERIFY2(setup(&out), qPrintable(out));
    QVERIFY2(!out.contains(QLatin1String("nothing to do")), qPrintable(out));
    QVERIFY(QFileInfo(program + QStringLiteral("/flex_sdk_4.6/bin/mxmlc")).isExecutable());
    QVERIFY(QFile::exists(
        program + QStringLiteral("/flex_sdk_4.6/frameworks/libs/player/11.7/playerglobal.swc")));
    QVERIFY(QFile::exists(program + QStringLiteral("/flashplayer_11_sa.d/ruffle/ruffle.js")));

    const auto before = Snapshot(program);
    QVERIFY2(setup(&out), qPrintable(out));
    QVERIFY2(out.contains(QLatin1String("nothing to do")), qPrintable(out));
    QCOMPARE(Snapshot(program), before);

    // A damaged installation is put right again, and then left alone.
    const QString swc =
        program + QStringLiteral("/flex_sdk_4.6/frameworks/libs/player/11.7/playerglobal.swc");
    QVERIFY(QFile::remove(swc));
    QVERIFY2(setup(&out), qPrintable(out));
    QVERIFY2(!out.contains(QLatin1String("nothing to do")), qPrintable(out));
    QVERIFY(QFile::exists(swc));
    QVERIFY2(setup(&out), qPrintable(out));
    QVERIFY2(out.contains(QLatin1String("nothing to do")), qPrintable(out));
}

void TestToolchain::builderRefusesBadInput_data()
{
    QTest::addColumn<QByteArray>("input");

    QTest::newRow("empty file") << QByteArray();
    QTest::newRow("not a module") << QByteArray("<html>not a module</html>");
    QTest::newRow("module without data") << QByteArray("\0asm\1\0\0\0", 8);
    QTest::newRow("segment longer than its section")
        << WasmWithData(16, QByteArray(100, 'x'), 5000);
    QTest::newRow("segment at an absurd offset") << WasmWithData(0x7ff00000, QByteArray(16, 'x'));
    // Looks like a movie header, but its length runs past the memory.
    QTest::newRow("movie header with a false length")
        << WasmWithData(64, QByteArray("FWS\x13\xff\xff\xff\x00", 8) + QByteArray(64, '\0'));
    // A whole, well-formed movie, but without the player's classes.
    QByteArray movie("FWS\x13", 4);
    const QByteArray body =
        QByteArray("\x00", 1) + QByteArray("\x00\x18\x01\x00", 4) + QByteArray("\x00\x00", 2);
    movie += QByteArray(4, '\0') + body;
    qToLittleEndian<quint32>(quint32(movie.size()), movie.data() + 4);
    QTest::newRow("movie without classes") << WasmWithData(1024, movie);
}

void TestToolchain::builderRefusesBadInput()
{
    QFETCH(QByteArray, input);
    if (m_strPython.isEmpty())
        QSKIP("python3 is not installed");
    QTemporaryDir tmp;
    const QString in = tmp.filePath(QStringLiteral("in.wasm"));
    const QString out = tmp.filePath(QStringLiteral("playerglobal.swc"));
    QVERIFY(WriteFile(in, input));

    QProcess p;
    p.start(m_strPython, {kSourceDir + QStringLiteral("/toolchain/make-playerglobal.py"), in, out});
    QVERIFY(p.waitForFinished(60000));
    const QString err = QString::fromUtf8(p.readAllStandardError());
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 1);
    // One plain line naming the input, not a Python traceback.
    QVERIFY2(err.startsWith(QStringLiteral("make-playerglobal: ") + in), qPrintable(err));
    QVERIFY2(!err.contains(QLatin1String("Traceback")), qPrintable(err));
    QVERIFY(!QFile::exists(out));
}

void TestToolchain::builderIsDeterministic()
{
    if (m_strPython.isEmpty())
        QSKIP("python3 is not installed");
    const QDir ruffle(CacheDir() + QStringLiteral("/ruffle"));
    const QStringList wasm = ruffle.entryList({QStringLiteral("*.wasm")}, QDir::Files, QDir::Name);
    if (wasm.isEmpty())
        QSKIP("the web player is not in the toolchain cache (run scripts/setup-toolchain)");

    // Either module of the web player gives the same library, byte for byte,
    // so the set-up's cache never rebuilds it for nothing.
    QTemporaryDir tmp;
    QList<QByteArray> built;
    for (const QString& name : wasm) {
        const QString out = tmp.filePath(name + QStringLiteral(".swc"));
        QProcess p;
        p.start(m_strPython, {kSourceDir + QStringLiteral("/toolchain/make-playerglobal.py"),
                              ruffle.filePath(name), out});
        QVERIFY(p.waitForFinished(120000));
        QVERIFY2(p.exitCode() == 0, p.readAllStandardError().constData());
        built.append(ReadAll(out));
        QVERIFY(built.last().startsWith("PK"));
    }
    for (const QByteArray& b : built)
        QCOMPARE(b, built.first());
}

QTEST_GUILESS_MAIN(TestToolchain)
#include "tst_toolchain.moc"
