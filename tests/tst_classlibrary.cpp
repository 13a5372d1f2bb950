// The class library the game compiler links for every game: the classes
// behind [Embed] assets and the tween classes, each tried in a movie played
// by the movie player with its trace() output; and a main class's
// [SWF(backgroundColor)], which wins over the configuration's colour.
//
// Needs the toolchain set up in the build's program folder (scripts/
// setup-toolchain out/<build>/bin); without it the cases are skipped.
// PELTRA_SCREENSHOTS=<folder> saves the player showing an embedded image
// and a tween there, for a look.

#include "playerwindow.h"
#include "support/testsupport.h"
#include "swfheader.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEngineView>
#include <QtEndian>
#include <QtMath>

#include <cmath>

namespace {

const QString kProgramDir = QStringLiteral(PELTRA_PROGRAM_DIR);
const QString kFilesFolder = kProgramDir + QStringLiteral("/flashplayer_11_sa.d");

QString kSourceDir()
{
    return QStringLiteral(PELTRA_SOURCE_DIR);
}

bool ToolchainReady()
{
    return QFileInfo(kProgramDir + QStringLiteral("/flex_sdk_4.6/bin/mxmlc")).isExecutable() &&
           QFile::exists(kFilesFolder + QStringLiteral("/ruffle/ruffle.js"));
}

#define REQUIRE_TOOLCHAIN()                                                                        \
    do {                                                                                           \
        if (!ToolchainReady())                                                                     \
            QSKIP(qPrintable(QStringLiteral("the game compiler or the web player is not set up "   \
                                            "(run scripts/setup-toolchain %1)")                    \
                                 .arg(kProgramDir)));                                              \
    } while (false)

using Files = QList<QPair<QString, QByteArray>>;

// A game's main class with everything the cases use imported; `members`
// goes into the class, `body` into its constructor.
QByteArray GameSource(const QString& members, const QString& body,
                      const QString& metadata = QString())
{
    return QStringLiteral("package {\n"
                          "import flash.display.*;\n"
                          "import flash.events.*;\n"
                          "import flash.media.*;\n"
                          "import flash.utils.*;\n"
                          "import mx.core.*;\n"
                          "import fl.transitions.*;\n"
                          "import fl.transitions.easing.*;\n"
                          "%1\n"
                          "public class Main extends Sprite {\n"
                          "%2\n"
                          "public function Main() {\n"
                          "%3\n"
                          "}\n"
                          "}\n"
                          "}\n")
        .arg(metadata, members, body)
        .toUtf8();
}

struct Compiled
{
    bool ok = false;
    QString movie;
    QString output; // the compiler's standard output and error
};

// Compiles folder/Main.as, with the given files beside it, into a movie.
Compiled Compile(const QString& folder, const QByteArray& source, const Files& files = {},
                 const QStringList& extra = {})
{
    Compiled c;
    c.movie = folder + QStringLiteral("/Game.swf");
    for (const auto& [name, data] : files)
        if (!WriteFile(folder + QLatin1Char('/') + name, data))
            return c;
    if (!WriteFile(folder + QStringLiteral("/Main.as"), source))
        return c;
    QProcess compiler;
    compiler.setProcessChannelMode(QProcess::MergedChannels);
    compiler.start(
        kProgramDir + QStringLiteral("/flex_sdk_4.6/bin/mxmlc"),
        QStringList{folder + QStringLiteral("/Main.as"), QStringLiteral("-output"), c.movie} +
            extra);
    const bool finished = compiler.waitForFinished(180000);
    c.output = QString::fromUtf8(compiler.readAll());
    c.ok = finished && compiler.exitStatus() == QProcess::NormalExit && compiler.exitCode() == 0 &&
           QFile::exists(c.movie);
    return c;
}

bool Near(QRgb a, QRgb b)
{
    return qAbs(qRed(a) - qRed(b)) < 24 && qAbs(qGreen(a) - qGreen(b)) < 24 &&
           qAbs(qBlue(a) - qBlue(b)) < 24;
}

// Plays a movie until it traces "done"; its trace lines before that, or
// all of them with "(not done)" when it never does.
QStringList PlayUntilDone(CPlayerWindow& window, const QString& movie)
{
    window.OpenMovie(movie);
    const auto done = [&window]() { return window.traceLines().contains(QStringLiteral("done")); };
    if (!QTest::qWaitFor(done, 60000))
        return window.traceLines() << QStringLiteral("(not done)");
    const QStringList lines = window.traceLines();
    return lines.mid(0, lines.indexOf(QStringLiteral("done")));
}

// The colour of an uncompressed movie's SetBackgroundColor tag, or -1.
qint64 BackgroundColour(const QByteArray& fws)
{
    if (fws.size() < 9)
        return -1;
    const int nbits = quint8(fws.at(8)) >> 3;
    qsizetype pos = 8 + (5 + 4 * nbits + 7) / 8 + 4;
    while (pos + 2 <= fws.size()) {
        const quint16 head = qFromLittleEndian<quint16>(fws.constData() + pos);
        pos += 2;
        qsizetype len = head & 0x3f;
        if (len == 0x3f && pos + 4 <= fws.size()) {
            len = qFromLittleEndian<quint32>(fws.constData() + pos);
            pos += 4;
        }
        if ((head >> 6) == 9 && len == 3 && pos + 3 <= fws.size())
            return (qint64(quint8(fws[pos])) << 16) | (quint8(fws[pos + 1]) << 8) |
                   quint8(fws[pos + 2]);
        if ((head >> 6) == 0)
            break;
        pos += len;
    }
    return -1;
}

QByteArray ImageFile(const QImage& image, const char* format)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, 95);
    return data;
}

// A 6x4 picture: a left half in one colour, a right half in another.
QImage TwoColourImage(QRgb left, QRgb right)
{
    QImage image(6, 4, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, x < 3 ? left : right);
    return image;
}

// A GIF of the same picture (Qt writes no GIF). Its LZW codes stay three
// bits wide: a clear code before every pixel keeps the table from growing.
QByteArray TwoColourGif(QRgb left, QRgb right)
{
    const int w = 6, h = 4;
    QByteArray gif("GIF89a");
    gif.append(char(w)).append('\0').append(char(h)).append('\0');
    gif.append(char(0x81)).append('\0').append('\0'); // 4-colour global table
    for (QRgb c : {left, right, qRgb(0, 0, 0), qRgb(0, 0, 0)})
        gif.append(char(qRed(c))).append(char(qGreen(c))).append(char(qBlue(c)));
    gif.append(',').append(QByteArray(4, '\0'));
    gif.append(char(w)).append('\0').append(char(h)).append('\0').append('\0');
    gif.append('\2'); // minimum code size
    QByteArray codes;
    quint32 bits = 0;
    int count = 0;
    auto put = [&](int code) {
        bits |= quint32(code) << count;
        count += 3;
        while (count >= 8) {
            codes.append(char(bits & 0xff));
            bits >>= 8;
            count -= 8;
        }
    };
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            put(4); // clear
            put(x < 3 ? 0 : 1);
        }
    put(5); // end
    if (count > 0)
        codes.append(char(bits & 0xff));
    gif.append(char(codes.size())).append(codes).append('\0');
    gif.append(';');
    return gif;
}

// A quarter second of a 440 Hz tone as 16-bit mono WAV.
QByteArray ToneWav()
{
    const int rate = 44100, samples = rate / 4;
    QByteArray pcm(samples * 2, '\0');
    for (int i = 0; i < samples; ++i)
        qToLittleEndian<qint16>(qint16(8000 * std::sin(2 * M_PI * 440 * i / rate)),
                                pcm.data() + 2 * i);
    QByteArray wav("RIFF");
    auto u32 = [&wav](quint32 v) {
        char b[4];
        qToLittleEndian(v, b);
        wav.append(b, 4);
    };
    auto u16 = [&wav](quint16 v) {
        char b[2];
        qToLittleEndian(v, b);
        wav.append(b, 2);
    };
    u32(36 + pcm.size());
    wav += "WAVEfmt ";
    u32(16);
    u16(1);
    u16(1);
    u32(rate);
    u32(rate * 2);
    u16(2);
    u16(16);
    wav += "data";
    u32(pcm.size());
    return wav + pcm;
}

// The tone as MP3 through the Debian encoder, or empty without it.
QByteArray ToneMp3(const QString& folder, QString* why)
{
    const QString lame = QStandardPaths::findExecutable(QStringLiteral("lame"));
    if (lame.isEmpty()) {
        *why = QStringLiteral("no MP3 encoder (lame) is installed");
        return {};
    }
    const QString wav = folder + QStringLiteral("/tone.wav"),
                  mp3 = folder + QStringLiteral("/tone.mp3");
    if (!WriteFile(wav, ToneWav()))
        return {};
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(lame,
            {QStringLiteral("--silent"), QStringLiteral("-b"), QStringLiteral("64"), wav, mp3});
    if (!p.waitForFinished(60000) || p.exitCode() != 0) {
        *why = QString::fromUtf8(p.readAll());
        return {};
    }
    return ReadAll(mp3);
}

// Where the tween cases' movie reports the tween: every event with the
// property's value, changes left out when `quiet` is set.
const char* const kTweenMembers = R"(
private var box:Shape = new Shape();
private var tw:Tween;
private var once:Boolean = false;
private var quiet:Boolean = false;
private var changes:int = 0;
private var frames:int = 0;
private function listen(t:Tween):void {
	for each (var type:String in [TweenEvent.MOTION_START, TweenEvent.MOTION_STOP,
			TweenEvent.MOTION_RESUME, TweenEvent.MOTION_CHANGE, TweenEvent.MOTION_FINISH,
			TweenEvent.MOTION_LOOP])
		t.addEventListener(type, log);
}
private function log(e:TweenEvent):void {
	if (e.type == TweenEvent.MOTION_CHANGE)
		++changes;
	if (!quiet || e.type != TweenEvent.MOTION_CHANGE)
		trace(e.type, Math.round(e.position * 100) / 100);
	react(e);
}
)";

} // namespace

class TestClassLibrary : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void embedsAsset_data();
    void embedsAsset();
    void embedErrorNamesLine_data();
    void embedErrorNamesLine();
    void tweenBehaves_data();
    void tweenBehaves();
    void easingCurves();
    void tweenMovesOnScreen();
    void linksOnlyWhatGameUses_data();
    void linksOnlyWhatGameUses();
    void backgroundColour_data();
    void backgroundColour();
    void compilerPatch_data();
    void compilerPatch();

private:
    QString folder(const char* name) const { return m_tmp.filePath(QString::fromUtf8(name)); }
    void SaveScreenshot(QWidget* view, const QString& name);

    QTemporaryDir m_tmp;
};

void TestClassLibrary::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(m_tmp.isValid());
}

void TestClassLibrary::SaveScreenshot(QWidget* view, const QString& name)
{
    const QString dir = qEnvironmentVariable("PELTRA_SCREENSHOTS");
    if (!dir.isEmpty() && QDir().mkpath(dir))
        view->window()->grab().save(dir + QLatin1Char('/') + name);
}

void TestClassLibrary::embedsAsset_data()
{
    QTest::addColumn<Files>("files");
    QTest::addColumn<QString>("embed");
    QTest::addColumn<QString>("use");
    QTest::addColumn<QStringList>("expected");

    const QRgb blue = qRgb(0x33, 0x66, 0xcc), orange = qRgb(0xff, 0x99, 0x00);
    // Pixels of a lossy image come back near, not equal: traced in steps.
    const QString imageUse =
        QStringLiteral("var b:Bitmap = new Asset();\n"
                       "addChild(b);\n"
                       "b.scaleX = b.scaleY = 20;\n"
                       "var p:uint = b.bitmapData.getPixel(4, 1);\n"
                       "trace(b is BitmapAsset, b is IFlexAsset, b.width / 20, b.height / 20,\n"
                       "      Math.round((p >> 16) / 85), Math.round((p >> 8 & 255) / 85),\n"
                       "      Math.round((p & 255) / 85), BitmapAsset(b).measuredWidth);\n");
    const QStringList imageTraced{QStringLiteral("true true 6 4 3 2 0 6")};

    QTest::newRow("PNG image") << Files{{"pic.png", ImageFile(TwoColourImage(blue, orange), "PNG")}}
                               << "[Embed(source=\"pic.png\")]" << imageUse << imageTraced;
    QTest::newRow("JPEG image") << Files{{"pic.jpg",
                                          ImageFile(TwoColourImage(blue, orange), "JPEG")}}
                                << "[Embed(source=\"pic.jpg\")]" << imageUse << imageTraced;
    QTest::newRow("GIF image") << Files{{"pic.gif", TwoColourGif(blue, orange)}}
                               << "[Embed(source=\"pic.gif\")]" << imageUse << imageTraced;
    QTest::newRow("image with a scaling grid")
        << Files{{"pic.png", ImageFile(TwoColourImage(blue, orange), "PNG")}}
        << "[Embed(source=\"pic.png\", scaleGridTop=\"1\", scaleGridBottom=\"3\", "
           "scaleGridLeft=\"1\", scaleGridRight=\"5\")]"
        << "var s:Sprite = new Asset();\n"
           "addChild(s);\n"
           "s.width = 60;\n"
           "trace(s is SpriteAsset, s is IFlexAsset, Math.round(s.width), s.height,\n"
           "      SpriteAsset(s).measuredWidth);\n"
        << QStringList{QStringLiteral("true true 60 4 6")};
    QTest::newRow("MP3 sound") << Files{{"tone.mp3", QByteArray()}}
                               << "[Embed(source=\"tone.mp3\")]"
                               << "var s:Sound = new Asset();\n"
                                  "trace(s is SoundAsset, s is IFlexAsset, s.length > 150);\n"
                                  "trace(s.play() != null);\n"
                               << QStringList{QStringLiteral("true true true"),
                                              QStringLiteral("true")};
    QTest::newRow("bytes") << Files{{"level.dat", QByteArray("\x00\x01\xfePeltra\xff", 10)}}
                           << "[Embed(source=\"level.dat\", mimeType=\"application/octet-stream\")]"
                           << "var b:ByteArray = new Asset();\n"
                              "var sum:int = 0;\n"
                              "for (var i:int = 0; i < b.length; ++i) sum += b[i];\n"
                              "b.position = 3;\n"
                              "trace(b is ByteArrayAsset, b.length, sum, b.readUTFBytes(6));\n"
                           << QStringList{QStringLiteral("true 10 1126 Peltra")};
    // The movie is compiled from this source first.
    QTest::newRow("whole SWF movie")
        << Files{{"inner.swf", GameSource(QString(),
                                          "graphics.beginFill(0x00aa00);\n"
                                          "graphics.drawRect(0, 0, 50, 30);\n"
                                          "trace(\"inner\");",
                                          "[SWF(width=\"50\", height=\"30\")]")}}
        << "[Embed(source=\"inner.swf\")]"
        << "var m:MovieClipLoaderAsset = new Asset();\n"
           "addChild(m);\n"
           "trace(m is MovieClip, m.measuredWidth, m.measuredHeight);\n"
           "m.addEventListener(Event.COMPLETE, function(e:Event):void {\n"
           "  trace(\"loaded\", m.width, m.height);\n"
           "  trace(\"done\");\n"
           "});\n"
        << QStringList{QStringLiteral("true 50 30"), QStringLiteral("inner"),
                       QStringLiteral("loaded 50 30")};
}

void TestClassLibrary::embedsAsset()
{
    QFETCH(Files, files);
    QFETCH(QString, embed);
    QFETCH(QString, use);
    QFETCH(QStringList, expected);
    REQUIRE_TOOLCHAIN();

    const QString dir = folder(QTest::currentDataTag());
    QDir().mkpath(dir);
    // The sound is made here: it needs the encoder; a movie is compiled.
    for (auto& [name, data] : files) {
        if (name.endsWith(QLatin1String(".mp3"))) {
            QString why;
            data = ToneMp3(dir, &why);
            if (data.isEmpty())
                QSKIP(qPrintable(why));
        } else if (name.endsWith(QLatin1String(".swf"))) {
            const Compiled inner = Compile(dir + QStringLiteral(" inner"), data);
            QVERIFY2(inner.ok, qPrintable(inner.output));
            data = ReadAll(inner.movie);
        }
    }
    // Cases that finish later say "done" themselves.
    const QString done =
        use.contains(QLatin1String("\"done\"")) ? QString() : QStringLiteral("trace(\"done\");");
    const Compiled c = Compile(
        dir, GameSource(embed + QStringLiteral("\nprivate var Asset:Class;"), use + done), files);
    QVERIFY2(c.ok, qPrintable(c.output));

    CPlayerWindow window(kFilesFolder);
    window.show();
    QCOMPARE(PlayUntilDone(window, c.movie), expected);
    if (QLatin1String(QTest::currentDataTag()) == QLatin1String("PNG image")) {
        // The picture itself, 20 times its size, at the movie's corner.
        const QRgb blue = qRgb(0x33, 0x66, 0xcc), orange = qRgb(0xff, 0x99, 0x00);
        QTRY_VERIFY_WITH_TIMEOUT(
            [&]() {
                const QImage shot = window.view()->grab().toImage();
                return Near(shot.pixel(30, 40), blue) && Near(shot.pixel(90, 40), orange);
            }(),
            30000);
        SaveScreenshot(window.view(), QStringLiteral("embedded-image.png"));
    }
}

void TestClassLibrary::embedErrorNamesLine_data()
{
    QTest::addColumn<Files>("files");
    QTest::addColumn<QString>("embed");
    QTest::addColumn<QString>("message");

    QTest::newRow("missing file") << Files() << "[Embed(source=\"nothere.png\")]"
                                  << "Could not find Embed source 'nothere.png'";
    QTest::newRow("SVG, which the compiler cannot embed")
        << Files{{"pic.svg", "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"4\" "
                             "height=\"4\"><rect width=\"4\" height=\"4\"/></svg>"}}
        << "[Embed(source=\"pic.svg\")]"
        << "unknown file type";
    QTest::newRow("unknown MIME type") << Files{{"pic.png", QByteArray("x")}}
                                       << "[Embed(source=\"pic.png\", mimeType=\"image/tiff\")]"
                                       << "image/tiff";
}

void TestClassLibrary::embedErrorNamesLine()
{
    QFETCH(Files, files);
    QFETCH(QString, embed);
    QFETCH(QString, message);
    REQUIRE_TOOLCHAIN();

    const QByteArray source = GameSource(embed + QStringLiteral("\nprivate var Asset:Class;"),
                                         QStringLiteral("var o:Object = new Asset();"));
    const int line = source.left(source.indexOf("[Embed")).count('\n') + 1;
    const Compiled c = Compile(folder(QTest::currentDataTag()), source, files);
    QVERIFY(!c.ok);
    QVERIFY2(c.output.contains(QStringLiteral("Main.as(%1)").arg(line)), qPrintable(c.output));
    QVERIFY2(c.output.contains(message), qPrintable(c.output));
}

void TestClassLibrary::tweenBehaves_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("react"); // run on each event, after its trace
    QTest::addColumn<QStringList>("expected");

    const QString linear = QStringLiteral("tw = new Tween(box, \"x\", None.easeNone, 0, 100, 4);\n"
                                          "listen(tw);\n");
    const QString finishDone =
        QStringLiteral("if (e.type == TweenEvent.MOTION_FINISH) trace(\"done\");");

    QTest::newRow("plays frame by frame to its finish")
        << linear
        << "if (e.type == TweenEvent.MOTION_FINISH) trace(\"at\", box.x, tw.isPlaying, "
           "tw.time);\n" +
               finishDone
        << QStringList{"motionChange 25",  "motionChange 50",  "motionChange 75",
                       "motionChange 100", "motionFinish 100", "at 100 false 4"};
    QTest::newRow("start plays again from the beginning")
        << linear + "tw.start();" << finishDone
        << QStringList{"motionChange 0",  "motionStart 0",    "motionChange 25", "motionChange 50",
                       "motionChange 75", "motionChange 100", "motionFinish 100"};
    QTest::newRow("stop holds it, resume goes on")
        << linear + "addEventListener(Event.ENTER_FRAME, function(f:Event):void {\n"
                    "  if (tw.isPlaying) return;\n"
                    "  if (box.x != 50) trace(\"moved while stopped\");\n"
                    "  if (++frames == 3) tw.resume();\n"
                    "});"
        << "if (e.position == 50 && !once) { once = true; tw.stop(); }\n" + finishDone
        << QStringList{"motionChange 25", "motionChange 50",  "motionStop 50",   "motionResume 50",
                       "motionChange 75", "motionChange 100", "motionFinish 100"};
    QTest::newRow("rewind while playing goes on playing")
        << linear << "if (e.position == 50 && !once) { once = true; tw.rewind(); }\n" + finishDone
        << QStringList{"motionChange 25",  "motionChange 50", "motionChange 0",
                       "motionChange 25",  "motionChange 50", "motionChange 75",
                       "motionChange 100", "motionFinish 100"};
    QTest::newRow("rewind while stopped stays stopped")
        << linear + "tw.stop();\n"
                    "tw.time = 2;\n"
                    "tw.rewind(1);\n"
                    "trace(\"stopped at\", box.x, tw.isPlaying);\n"
                    "trace(\"done\");"
        << QString()
        << QStringList{"motionStop 0", "motionChange 50", "motionChange 25", "stopped at 25 false"};
    QTest::newRow("fforward jumps to the finish")
        << linear + "tw.fforward();" << finishDone
        << QStringList{"motionChange 100", "motionFinish 100"};
    QTest::newRow("yoyo plays back to the beginning")
        << linear
        << "if (e.type != TweenEvent.MOTION_FINISH) return;\n"
           "if (!once) { once = true; tw.yoyo(); } else trace(\"done\");"
        << QStringList{"motionChange 25",  "motionChange 50",  "motionChange 75",
                       "motionChange 100", "motionFinish 100", "motionChange 100",
                       "motionStart 100",  "motionChange 75",  "motionChange 50",
                       "motionChange 25",  "motionChange 0",   "motionFinish 0"};
    QTest::newRow("yoyo before the finish jumps there first")
        << linear << "if (e.position == 50 && !once) { once = true; tw.yoyo(); }\n" + finishDone
        << QStringList{"motionChange 25", "motionChange 50", "motionChange 100",
                       "motionStart 100", "motionChange 75", "motionChange 50",
                       "motionChange 25", "motionChange 0",  "motionFinish 0"};
    QTest::newRow("continueTo goes on to a new finish")
        << linear
        << "if (e.type != TweenEvent.MOTION_FINISH) return;\n"
           "if (!once) { once = true; tw.continueTo(200, 2); } else trace(\"done\");"
        << QStringList{"motionChange 25",  "motionChange 50",  "motionChange 75",
                       "motionChange 100", "motionFinish 100", "motionChange 100",
                       "motionStart 100",  "motionChange 150", "motionChange 200",
                       "motionFinish 200"};
    QTest::newRow("looping starts each round again")
        << "tw = new Tween(box, \"x\", None.easeNone, 0, 100, 2);\n"
           "tw.looping = true;\n"
           "listen(tw);"
        << "if (e.type == TweenEvent.MOTION_LOOP && ++frames == 2) tw.stop();\n"
           "if (e.type == TweenEvent.MOTION_STOP) trace(\"done\");"
        << QStringList{"motionChange 50",  "motionChange 100", "motionChange 50", "motionLoop 50",
                       "motionChange 100", "motionChange 50",  "motionLoop 50",   "motionStop 50"};
    QTest::newRow("time, position and single frames by hand")
        << linear + "tw.stop();\n"
                    "tw.time = 3;\n"
                    "tw.prevFrame();\n"
                    "tw.nextFrame();\n"
                    "tw.position = 7;\n"
                    "trace(\"x\", box.x, tw.time);\n"
                    "tw.time = 9;\n"
                    "trace(\"done\");"
        << QString()
        << QStringList{"motionStop 0",   "motionChange 75", "motionChange 50",  "motionChange 75",
                       "motionChange 7", "x 7 3",           "motionChange 100", "motionFinish 100"};
    QTest::newRow("useSeconds: a duration in seconds")
        << "quiet = true;\n"
           "tw = new Tween(box, \"y\", Regular.easeOut, 0, 100, 0.3, true);\n"
           "listen(tw);"
        << "if (e.type == TweenEvent.MOTION_FINISH) trace(\"at\", box.y, changes > 1, "
           "tw.time);\n" +
               finishDone
        << QStringList{"motionFinish 100", "at 100 true 0.3"};
    QTest::newRow("FPS: a clock of its own")
        << "quiet = true;\n"
           "tw = new Tween(box, \"alpha\", Strong.easeIn, 1, 0, 5);\n"
           "tw.FPS = 60;\n"
           "listen(tw);"
        << "if (e.type == TweenEvent.MOTION_FINISH) trace(\"at\", box.alpha, changes);\n" +
               finishDone
        << QStringList{"motionFinish 0", "at 0 5"};
}

void TestClassLibrary::tweenBehaves()
{
    QFETCH(QString, body);
    QFETCH(QString, react);
    QFETCH(QStringList, expected);
    REQUIRE_TOOLCHAIN();

    const QString members =
        QString::fromUtf8(kTweenMembers) +
        QStringLiteral("private function react(e:TweenEvent):void {\n%1\n}\n").arg(react);
    const Compiled c = Compile(folder(QTest::currentDataTag()),
                               GameSource(members, QStringLiteral("addChild(box);\n") + body));
    QVERIFY2(c.ok, qPrintable(c.output));

    CPlayerWindow window(kFilesFolder);
    window.show();
    QCOMPARE(PlayUntilDone(window, c.movie), expected);
}

void TestClassLibrary::easingCurves()
{
    REQUIRE_TOOLCHAIN();
    // Every curve runs from b to b + c; the in and out forms mirror each
    // other; the in-out forms pass the middle halfway; and each family has
    // its own shape. Faults are traced, so the list of lines names them.
    const QString body = QStringLiteral(R"(
var names:Array = ["None", "Regular", "Strong", "Back", "Elastic", "Bounce"];
var kinds:Array = [None, Regular, Strong, Back, Elastic, Bounce];
var near:Function = function(a:Number, b:Number):Boolean { return Math.abs(a - b) < 1e-6; };
for (var i:int = 0; i < kinds.length; ++i) {
	for each (var form:String in ["easeIn", "easeOut", "easeInOut"]) {
		var f:Function = kinds[i][form];
		if (!near(f(0, 10, 50, 4), 10) || !near(f(4, 10, 50, 4), 60))
			trace("ends", names[i], form, f(0, 10, 50, 4), f(4, 10, 50, 4));
	}
	if (!near(kinds[i].easeInOut(2, 10, 50, 4), 35))
		trace("middle", names[i], kinds[i].easeInOut(2, 10, 50, 4));
	if (names[i] != "Elastic")
		for (var t:Number = 0; t <= 4; t += 0.5)
			if (!near(kinds[i].easeIn(t, 10, 50, 4) + kinds[i].easeOut(4 - t, 10, 50, 4), 70))
				trace("mirror", names[i], t);
}
if (!near(None.easeNone(1, 0, 100, 4), 25)) trace("None", None.easeNone(1, 0, 100, 4));
if (!near(Regular.easeIn(1, 0, 100, 4), 6.25)) trace("Regular", Regular.easeIn(1, 0, 100, 4));
if (!near(Strong.easeIn(2, 0, 32, 4), 1)) trace("Strong", Strong.easeIn(2, 0, 32, 4));
if (!(Back.easeIn(1, 0, 100, 4) < 0)) trace("Back does not back away");
if (!(Back.easeOut(3, 0, 100, 4) > 100)) trace("Back does not overshoot");
if (!(Back.easeIn(1, 0, 100, 4, 3) < Back.easeIn(1, 0, 100, 4))) trace("Back ignores s");
var over:Boolean = false, inside:Boolean = true;
for (t = 0; t <= 4; t += 0.05) {
	over = over || Elastic.easeOut(t, 0, 100, 4) > 100;
	inside = inside && Bounce.easeOut(t, 0, 100, 4) >= -1e-9 && Bounce.easeOut(t, 0, 100, 4) <= 100 + 1e-9;
}
if (!over) trace("Elastic does not swing past the target");
if (!inside) trace("Bounce leaves the range");
if (!near(Bounce.easeOut(4 / 2.75, 0, 100, 4), 100)) trace("Bounce misses the ground");
trace("done");
)");
    const Compiled c = Compile(folder("easing"), GameSource(QString(), body));
    QVERIFY2(c.ok, qPrintable(c.output));
    CPlayerWindow window(kFilesFolder);
    window.show();
    QCOMPARE(PlayUntilDone(window, c.movie), QStringList());
}

void TestClassLibrary::tweenMovesOnScreen()
{
    REQUIRE_TOOLCHAIN();
    // A red square slides from the left edge to the right; the first frame
    // and the last show it at either end.
    const QString members = QString::fromUtf8(kTweenMembers) +
                            QStringLiteral("private function react(e:TweenEvent):void {\n"
                                           "if (e.type == TweenEvent.MOTION_FINISH) "
                                           "trace(\"done\");\n}\n");
    const QString body = QStringLiteral("box.graphics.beginFill(0xdd2222);\n"
                                        "box.graphics.drawRect(0, 0, 40, 40);\n"
                                        "box.graphics.endFill();\n"
                                        "box.y = 80;\n"
                                        "addChild(box);\n"
                                        "quiet = true;\n"
                                        "tw = new Tween(box, \"x\", Regular.easeInOut, 0, 160, "
                                        "3, true);\n"
                                        "listen(tw);\n");
    const Compiled c =
        Compile(folder("moving"),
                GameSource(members, body,
                           QStringLiteral("[SWF(width=\"200\", height=\"200\", "
                                          "backgroundColor=\"#ffffff\", frameRate=\"30\")]")));
    QVERIFY2(c.ok, qPrintable(c.output));

    // The red square's left edge on the row through its middle, or -1.
    auto squareAt = [](QWidget* view) {
        const QImage shot = view->grab().toImage();
        for (int x = 0; x < shot.width(); ++x) {
            const QRgb p = shot.pixel(x, 100);
            if (qRed(p) > 180 && qGreen(p) < 90 && qBlue(p) < 90)
                return x;
        }
        return -1;
    };

    CPlayerWindow window(kFilesFolder);
    window.show();
    window.OpenMovie(c.movie);
    QTRY_VERIFY_WITH_TIMEOUT(squareAt(window.view()) >= 0, 60000);
    const int first = squareAt(window.view());
    SaveScreenshot(window.view(), QStringLiteral("tween-start.png"));
    QTRY_VERIFY_WITH_TIMEOUT(window.traceLines().contains(QStringLiteral("done")), 60000);
    // The view may show the finished tween's last frame a little later.
    QTRY_VERIFY_WITH_TIMEOUT(qAbs(squareAt(window.view()) - 160) <= 1, 10000);
    SaveScreenshot(window.view(), QStringLiteral("tween-end.png"));
    const int last = squareAt(window.view());
    QVERIFY2(first < 150 && qAbs(last - 160) <= 1,
             qPrintable(QStringLiteral("first %1, last %2").arg(first).arg(last)));
}

void TestClassLibrary::linksOnlyWhatGameUses_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<QStringList>("linked");
    QTest::addColumn<QStringList>("notLinked");

    QTest::newRow("plain game") << "trace(1);" << QStringList()
                                << QStringList{"fl.transitions", "BitmapAsset", "Bounce"};
    QTest::newRow("game with a tween") << "new Tween(this, \"x\", Back.easeOut, 0, 10, 5);"
                                       << QStringList{"fl.transitions", "Tween", "easeOut"}
                                       << QStringList{"Bounce", "Elastic", "BitmapAsset"};
    QTest::newRow("game naming every asset class")
        << "trace([BitmapAsset, SoundAsset, ByteArrayAsset, SpriteAsset, MovieClipAsset,\n"
           "       MovieClipLoaderAsset, ButtonAsset, TextFieldAsset, FontAsset]);"
        << QStringList{"BitmapAsset",          "SoundAsset",  "ByteArrayAsset", "SpriteAsset",
                       "MovieClipLoaderAsset", "ButtonAsset", "TextFieldAsset", "FontAsset"}
        << QStringList{"fl.transitions"};
}

void TestClassLibrary::linksOnlyWhatGameUses()
{
    QFETCH(QString, body);
    QFETCH(QStringList, linked);
    QFETCH(QStringList, notLinked);
    REQUIRE_TOOLCHAIN();

    const Compiled c = Compile(folder(QTest::currentDataTag()), GameSource(QString(), body), {},
                               {QStringLiteral("-compress=false")});
    QVERIFY2(c.ok, qPrintable(c.output));
    const QByteArray movie = ReadAll(c.movie);
    QVERIFY(!movie.isEmpty());
    for (const QString& name : linked)
        QVERIFY2(movie.contains(name.toUtf8()), qPrintable(name));
    for (const QString& name : notLinked)
        QVERIFY2(!movie.contains(name.toUtf8()), qPrintable(name));
}

void TestClassLibrary::backgroundColour_data()
{
    QTest::addColumn<QString>("metadata");
    QTest::addColumn<bool>("gameConfig"); // the game's settings with their own default
    QTest::addColumn<quint32>("colour");

    QTest::newRow("[SWF] with #rrggbb")
        << "[SWF(backgroundColor=\"#336699\")]" << true << 0x336699u;
    QTest::newRow("[SWF] with 0x and other settings")
        << "[SWF(width=\"300\", height=\"200\", backgroundColor=\"0xCC3300\", frameRate=\"24\")]"
        << true << 0xCC3300u;
    QTest::newRow("[SWF] over the base default")
        << "[SWF(backgroundColor=\"#000000\")]" << false << 0x000000u;
    QTest::newRow("[SWF] without a colour keeps the game's default")
        << "[SWF(width=\"300\", height=\"200\")]" << true << 0x102040u;
    QTest::newRow("no [SWF]: the game's default") << QString() << true << 0x102040u;
    QTest::newRow("no [SWF], no game settings: the base default")
        << QString() << false << 0xFFFFFFu;
}

void TestClassLibrary::backgroundColour()
{
    QFETCH(QString, metadata);
    QFETCH(bool, gameConfig);
    QFETCH(quint32, colour);
    REQUIRE_TOOLCHAIN();

    const QString dir = folder(QTest::currentDataTag());
    QStringList extra;
    if (gameConfig) {
        const QString config = dir + QStringLiteral("/obj/Main-config.xml");
        QVERIFY(WriteFile(config,
                          "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                          "<flex-config>\n"
                          "\t<default-background-color>0x102040</default-background-color>\n"
                          "</flex-config>\n"));
        extra << QStringLiteral("-load-config+=") + config;
    }
    const Compiled c = Compile(dir, GameSource(QString(), QString(), metadata), {}, extra);
    QVERIFY2(c.ok, qPrintable(c.output));
    QByteArray fws;
    QString error;
    QVERIFY2(DecompressSwf(ReadAll(c.movie), &fws, &error), qPrintable(error));
    QCOMPARE(BackgroundColour(fws), qint64(colour));
}

// The set-up's mending of the compiler's jar, on jars made here.
void TestClassLibrary::compilerPatch_data()
{
    QTest::addColumn<QByteArray>("classFile");  // empty: the jar has no such class
    QTest::addColumn<QByteArray>("embedClass"); // the same for the embed's class
    QTest::addColumn<bool>("isJar");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("mended"); // the class afterwards; empty: the file is unchanged

    const QByteArray magic("\xca\xfe\xba\xbe\0\0\0\x34", 8);
    const QByteArray wrong = QByteArray("\x01\x00\x18", 3) + "clbackgroundColorassName";
    const QByteArray right = QByteArray("\x01\x00\x0f", 3) + "backgroundColor";
    const QByteArray other = QByteArray("\x01\x00\x05", 3) + "width";

    const QByteArray none;

    QTest::newRow("garbled name") << magic + other + wrong + other << none << true << 0
                                  << magic + other + right + other;
    QTest::newRow("already mended") << magic + right << none << true << 0 << none;
    QTest::newRow("name twice") << magic + wrong + wrong << none << true << 1 << none;
    QTest::newRow("not a class file") << QByteArray("<html>") + wrong << none << true << 1 << none;
    QTest::newRow("jar without the class") << none << none << true << 1 << none;
    QTest::newRow("not a jar") << none << none << false << 1 << none;
    // A constant pool that claims more than the file holds.
    QTest::newRow("damaged embed class")
        << magic + wrong << magic + QByteArray("\x00\x40\x01", 3) << true << 1 << none;
}

void TestClassLibrary::compilerPatch()
{
    QFETCH(QByteArray, classFile);
    QFETCH(QByteArray, embedClass);
    QFETCH(bool, isJar);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, mended);
    const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (python.isEmpty())
        QSKIP("python3 is not installed");

    const QString cls =
        QStringLiteral("org/apache/royale/compiler/internal/targets/TargetAttributeBase.class");
    const QString dir = folder(QTest::currentDataTag());
    const QString jar = dir + QStringLiteral("/compiler.jar");
    QVERIFY(QDir().mkpath(dir));
    auto python3 = [&](const QStringList& args, QByteArray* out = nullptr) {
        QProcess p;
        p.start(python, args);
        const bool ok = p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit;
        if (out)
            *out = p.readAllStandardOutput();
        return ok ? p.exitCode() : -1;
    };
    const QString dump = QStringLiteral(
        "import sys, zipfile\n"
        "z = zipfile.ZipFile(sys.argv[1])\n"
        "for i in z.infolist(): print(i.filename, i.compress_type, z.read(i).hex())\n");
    if (isJar) {
        // A manifest, the classes, and an entry after them; names and bytes
        // in hexadecimal.
        QStringList entries{QStringLiteral("META-INF/MANIFEST.MF"),
                            QString::fromLatin1(QByteArray("Manifest-Version: 1.0\n").toHex())};
        if (!classFile.isEmpty())
            entries << cls << QString::fromLatin1(classFile.toHex());
        if (!embedClass.isEmpty())
            entries << QStringLiteral("org/apache/royale/compiler/internal/tree/as/EmbedNode.class")
                    << QString::fromLatin1(embedClass.toHex());
        entries << QStringLiteral("org/Later.class")
                << QString::fromLatin1(QByteArray("later").toHex());
        const QStringList make{
            QStringLiteral("-c"),
            QStringLiteral("import sys, zipfile\n"
                           "z = zipfile.ZipFile(sys.argv[1], 'w')\n"
                           "a = sys.argv[2:]\n"
                           "for n, d in zip(a[0::2], a[1::2]):\n"
                           "    z.writestr(n, bytes.fromhex(d), zipfile.ZIP_DEFLATED)\n"),
            jar};
        QCOMPARE(python3(make + entries), 0);
    } else {
        QVERIFY(WriteFile(jar, "not a jar at all"));
    }
    const QByteArray before = ReadAll(jar);

    QProcess patch;
    patch.start(python, {kSourceDir() + QStringLiteral("/toolchain/patch-compiler.py"), jar});
    QVERIFY(patch.waitForFinished(60000));
    QCOMPARE(patch.exitCode(), exitCode);
    const QString err = QString::fromUtf8(patch.readAllStandardError());
    if (exitCode != 0) {
        // One plain line naming the jar's trouble, not a Python traceback.
        QVERIFY2(err.startsWith(QStringLiteral("patch-compiler: ")), qPrintable(err));
        QVERIFY2(!err.contains(QLatin1String("Traceback")), qPrintable(err));
    }
    QVERIFY(!QFile::exists(jar + QStringLiteral(".part")));
    if (mended.isEmpty()) {
        QCOMPARE(ReadAll(jar), before);
        return;
    }
    // Only the class changed; the entries keep their order and compression.
    QByteArray listing;
    QCOMPARE(python3({QStringLiteral("-c"), dump, jar}, &listing), 0);
    QCOMPARE(QString::fromLatin1(listing).split(QLatin1Char('\n'), Qt::SkipEmptyParts),
             QStringList({QStringLiteral("META-INF/MANIFEST.MF 8 ") +
                              QString::fromLatin1(QByteArray("Manifest-Version: 1.0\n").toHex()),
                          cls + QStringLiteral(" 8 ") + QString::fromLatin1(mended.toHex()),
                          QStringLiteral("org/Later.class 8 ") +
                              QString::fromLatin1(QByteArray("later").toHex())}));
}

QTEST_MAIN(TestClassLibrary)
#include "tst_classlibrary.moc"
