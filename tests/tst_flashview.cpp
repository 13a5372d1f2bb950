// The tutorial browser on real pages: the navigation rule, the input filter
// (clicks, keys, the context menu) and the script copy, in the program's
// main window and on its own.

#include "app/flashapp.h"
#include "app/mainframe.h"
#include "browser/flashpage.h"
#include "browser/flashview.h"
#include "build/locations.h"
#include "editor/programmingview.h"
#include "tutorial/peltra.h"

#include "support/appfixture.h"
#include "support/guisupport.h"
#include "support/testsupport.h"
#include "support/windowsupport.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QSignalSpy>
#include <QSoundEffect>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWebEngineHistory>
#include <QWebEngineProfile>
#include <QtEndian>

namespace {

const int kWaitMs = 20000;
// Every test page has its one link as a block at the top, this high.
const int kLinkHeight = 120;
const QPoint kOnLink(40, 40);
const QPoint kOffLink(40, kLinkHeight + 60);

// A page with one big link to target, and an edit box further down.
QByteArray PageHtml(const QString& name, const QString& target)
{
    return QStringLiteral(
               "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>%1</title></head>"
               "<body style=\"margin:0\">"
               "<a id=\"next\" href=\"%2\" style=\"display:block;height:%3px;background:#cde\">"
               "次のページ (%2)</a>"
               "<p id=\"top\">%1</p><input id=\"box\" value=\"abc\"></body></html>")
        .arg(name, target)
        .arg(kLinkHeight)
        .toUtf8();
}

void SetClipboard(const QString& text)
{
    QGuiApplication::clipboard()->setText(text);
}

PageEntry Entry(const QByteArray& text, int color)
{
    PageEntry entry;
    entry.text = text;
    entry.color = color;
    entry.line = 1;
    entry.lineCount = 1;
    return entry;
}

void StorePage(int page, const PageEntry& entry)
{
    theTutorial.SetCurrentPage(page);
    theTutorial.SetPage(entry);
}

quint16 U16(const QByteArray& bytes, int at)
{
    return qFromLittleEndian<quint16>(bytes.constData() + at);
}

quint32 U32(const QByteArray& bytes, int at)
{
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}

} // namespace

class TestFlashView : public QObject
{
    Q_OBJECT
public:
    static void initMain()
    {
        AppFixture::InitMain();
        QStandardPaths::setTestModeEnabled(true);
    }

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void copySoundHeader();
    void copySoundLoads();
    void clipboardText_data();
    void clipboardText();
    void copyRules();
    void viewOnItsOwn();

    void startPage();
    void initialUpdate();
    void titleRule_data();
    void titleRule();
    void webAddressLeftAlone();
    void clicks_data();
    void clicks();
    void clickCopiesUntilPasted();
    void contextMenuCopiesAfterPaste();
    void deleteKeysGoToEditor_data();
    void deleteKeysGoToEditor();
    void shiftDeleteCutsInEditor_data();
    void shiftDeleteCutsInEditor();
    void backAndForwardBlocked_data();
    void backAndForwardBlocked();
    void pageMenuNeverShown();
    void linkAddressInStatusBar();
    void pageIsDrawn();
    void localFilesOfTheTutorialOnly_data();
    void localFilesOfTheTutorialOnly();

private:
    QUrl PageUrl(const QString& name) const { return QUrl::fromLocalFile(m_dir.filePath(name)); }
    CMainFrame* Frame() const { return m_app.Frame(); }
    CFlashView* View() const { return Frame()->m_pBrowserPane; }
    CProgrammingView* Editor() const { return Frame()->m_pEditorPane; }
    bool Load(CFlashView* view, const QUrl& url);
    bool Click(CFlashView* view, Qt::MouseButton button = Qt::LeftButton);
    bool FocusPage(CFlashView* view);
    // What the page noted ("keys" or "mouse"), once it holds count items.
    QString Noted(CFlashView* view, const char* list, int count);
    bool RecordMouse(CFlashView* view);
    QString StatusText() const;

    // The test's pages lie in the tutorial's HTML folder, the only one
    // (besides the start page's) whose files the pages may read.
    static QString PagesTemplate()
    {
        const QString html = QFileInfo(DefaultIndexPath(GetProgramFolder())).absolutePath();
        QDir().mkpath(html);
        return html + QStringLiteral("/pages-XXXXXX");
    }

    QTemporaryDir m_dir{PagesTemplate()};
    AppFixture m_app;
};

void TestFlashView::initTestCase()
{
    QVERIFY(m_dir.isValid());
    // index<N>.html links to index<N+1>.html; index.html to index3.html.
    const QList<QPair<QString, QString>> pages = {
        {"index.html", "index3.html"},    {"index3.html", "index4.html"},
        {"index4.html", "index5.html"},   {"index5.html", "index6.html"},
        {"index7.html", "index8.html"},   {"index8.html", "index9.html"},
        {"index9.html", "index10.html"},  {"index012.html", "index3.html"},
        {"index-2.html", "index3.html"},  {"page.html", "index3.html"},
        {"index10.html", "index11.html"},
    };
    for (const auto& [name, target] : pages) {
        QFile file(m_dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(PageHtml(name, target));
    }
    QFile frames(m_dir.filePath("frames.html"));
    QVERIFY(frames.open(QIODevice::WriteOnly));
    frames.write("<!DOCTYPE html><html><body><iframe src=\"index11.html\"></iframe></body></html>");

    m_app.SetUp();
    QVERIFY(m_app.Start());
    QVERIFY(Frame());
    QVERIFY(View());
    QVERIFY(Editor());
    QVERIFY(m_app.ShowMainWindow());
}

void TestFlashView::init()
{
    m_app.messages.clear();
    theTutorial.Clear();
    if (Frame()) {
        View()->m_bCopyDone = false;
        Editor()->m_bEditDone = false;
    }
}

void TestFlashView::cleanupTestCase()
{
    m_app.TearDown();
}

bool TestFlashView::Load(CFlashView* view, const QUrl& url)
{
    QSignalSpy finished(view->page(), &QWebEnginePage::loadFinished);
    view->load(url);
    return finished.wait(kWaitMs);
}

bool TestFlashView::Click(CFlashView* view, Qt::MouseButton button)
{
    QWidget* target = BrowserInput(view);
    if (target == view)
        return false;
    QTest::mouseMove(target, kOnLink);
    QTest::mouseClick(target, button, {}, kOnLink);
    return true;
}

// Gives the page the keyboard focus, with a note of every key it is given
// (modifier keys aside).
bool TestFlashView::FocusPage(CFlashView* view)
{
    QWidget* window = view->window();
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window))
        return false;
    QVariant result;
    if (!RunPageScript(view,
                       "if (!window.keys) {"
                       "  window.keys = [];"
                       "  document.addEventListener('keydown', e => {"
                       "    if (!['Alt', 'Control', 'Shift', 'Meta'].includes(e.key))"
                       "      keys.push(e.key); }, true); }"
                       "document.getElementById('box').focus(); document.activeElement.id",
                       &result) ||
        result.toString() != QLatin1String("box"))
        return false;
    QWidget* input = BrowserInput(view);
    input->setFocus();
    return QTest::qWaitFor([input] { return input->hasFocus(); }, kWaitMs);
}

QString TestFlashView::Noted(CFlashView* view, const char* list, int count)
{
    QVariant result;
    const QString script = QStringLiteral("%1.join(' ')").arg(QLatin1String(list));
    const bool enough = QTest::qWaitFor(
        [&] {
            return RunPageScript(view, script, &result) &&
                   result.toString().split(' ', Qt::SkipEmptyParts).size() >= count;
        },
        kWaitMs);
    return enough ? result.toString() : QStringLiteral("(too few: %1)").arg(result.toString());
}

// From now on the page notes every mouse button event it is given.
bool TestFlashView::RecordMouse(CFlashView* view)
{
    QVariant result;
    return RunPageScript(view,
                         "window.mouse = [];"
                         "for (const type of ['mousedown', 'mouseup', 'click', 'dblclick',"
                         "                    'contextmenu'])"
                         "  document.addEventListener(type, e => mouse.push(type + e.button),"
                         "                            true);"
                         "mouse.length",
                         &result) &&
           result.toInt() == 0;
}

QString TestFlashView::StatusText() const
{
    return Frame()->GetStatusText();
}

// The copy sound is exactly the PCM file the program plays, and not silence.
void TestFlashView::copySoundHeader()
{
    QFile file(QStringLiteral(":/sounds/copy.wav"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray wav = file.readAll();
    QCOMPARE(wav.size(), 108780);
    QCOMPARE(wav.left(4), QByteArray("RIFF"));
    QCOMPARE(U32(wav, 4), quint32(wav.size() - 8));
    QCOMPARE(wav.mid(8, 4), QByteArray("WAVE"));
    QCOMPARE(wav.mid(12, 4), QByteArray("fmt "));
    QCOMPARE(U32(wav, 16), 16u);
    QCOMPARE(U16(wav, 20), quint16(1));  // PCM
    QCOMPARE(U16(wav, 22), quint16(1));  // mono
    QCOMPARE(U32(wav, 24), 44100u);      // samples per second
    QCOMPARE(U32(wav, 28), 88200u);      // bytes per second
    QCOMPARE(U16(wav, 32), quint16(2));  // block align
    QCOMPARE(U16(wav, 34), quint16(16)); // bits per sample
    QCOMPARE(wav.mid(36, 4), QByteArray("data"));
    QCOMPARE(U32(wav, 40), 108736u);

    // Audible, and no click at either end: it starts and ends near zero.
    const int samples = (wav.size() - 44) / 2;
    QCOMPARE(samples, 54368);
    int peak = 0;
    for (int i = 0; i < samples; ++i)
        peak = qMax(peak, qAbs(int(qint16(U16(wav, 44 + 2 * i)))));
    QVERIFY2(peak > 3000, qPrintable(QString::number(peak)));
    QVERIFY(qAbs(int(qint16(U16(wav, 44)))) < 200);
    QVERIFY(qAbs(int(qint16(U16(wav, wav.size() - 2)))) < 200);
}

// The player takes the resource as a sound (it loads, or fails only for
// want of an audio device, which is not an error of the file).
void TestFlashView::copySoundLoads()
{
    QSoundEffect effect;
    effect.setSource(QUrl(QStringLiteral("qrc:/sounds/copy.wav")));
    QVERIFY(QTest::qWaitFor(
        [&effect] {
            return effect.status() != QSoundEffect::Loading &&
                   effect.status() != QSoundEffect::Null;
        },
        kWaitMs));
    QCOMPARE(effect.status(), QSoundEffect::Ready);
}

void TestFlashView::clipboardText_data()
{
    QTest::addColumn<QByteArray>("copyText");
    QTest::addColumn<QString>("expected");

    QTest::newRow("ascii") << QByteArray("gotoAndPlay(2);") << QStringLiteral("gotoAndPlay(2);");
    QTest::newRow("lines keep CR LF") << QByteArray("var a:int = 1;\r\nvar b:int = 2;\r\n")
                                      << QStringLiteral("var a:int = 1;\r\nvar b:int = 2;\r\n");
    // 表 ソ 能 予 end in the byte 0x5C, the backslash.
    QTest::newRow("trail byte 5C")
        << QByteArray("\x95\x5C\x83\x5C\x94\x5C\x97\x5C") << QStringLiteral("表ソ能予");
    QTest::newRow("japanese comment")
        << QByteArray("// \x83\x5A\x83\x8A\x83\x74\r\ntrace(\"\x82\xA0\");")
        << QStringLiteral("// セリフ\r\ntrace(\"あ\");");
    QTest::newRow("half-width kana") << QByteArray("\xB1\xB2\xB3") << QStringLiteral("ｱｲｳ");
    // The wave dash as Windows maps it, not the JIS one.
    QTest::newRow("wave dash") << QByteArray("1\x81\x60"
                                             "2")
                               << QStringLiteral("1～2");
    QTest::newRow("ends at NUL") << QByteArray("abc\0def", 7) << QStringLiteral("abc");
    QTest::newRow("NUL first") << QByteArray("\0abc", 4) << QString();
}

// What a copy puts on the clipboard, through the real clipboard.
void TestFlashView::clipboardText()
{
    QFETCH(QByteArray, copyText);
    QFETCH(QString, expected);
    QCOMPARE(CFlashView::ClipboardText(copyText), expected);

    StorePage(2, Entry(copyText, ARROW_ADD));
    SetClipboard(QStringLiteral("sentinel"));
    QVERIFY(View()->CopyPageScript());
    QCOMPARE(ClipboardText(), expected);
    QCOMPARE(StatusText(), QStringLiteral("左のスクリプトをクリップボードにコピーしました"));
    QVERIFY(m_app.messages.isEmpty());
}

// When a copy happens at all, and that the menu copy restores the flag.
void TestFlashView::copyRules()
{
    CFlashView* view = View();
    StorePage(1, Entry("stop();", ARROW_REPLACE));
    StorePage(4, Entry("", ARROW_ADD));

    // Page 1: copies while the flag is false, twice in a row as well.
    theTutorial.SetCurrentPage(1);
    for (int i = 0; i < 2; ++i) {
        SetClipboard(QStringLiteral("sentinel"));
        QVERIFY(view->CopyPageScript());
        QCOMPARE(ClipboardText(), QStringLiteral("stop();"));
        QVERIFY(!view->m_bCopyDone);
    }

    // After the paste: no copy, no message, the status bar left alone.
    view->m_bCopyDone = true;
    SetClipboard(QStringLiteral("sentinel"));
    Frame()->SetStatusText(QStringLiteral("before"));
    QVERIFY(!view->CopyPageScript());
    QCOMPARE(ClipboardText(), QStringLiteral("sentinel"));
    QCOMPARE(StatusText(), QStringLiteral("before"));

    // The menu copies anyway and leaves the flag as it was, either way.
    view->OnCopyScript();
    QCOMPARE(ClipboardText(), QStringLiteral("stop();"));
    QVERIFY(view->m_bCopyDone);
    view->m_bCopyDone = false;
    SetClipboard(QStringLiteral("sentinel"));
    view->OnCopyScript();
    QCOMPARE(ClipboardText(), QStringLiteral("stop();"));
    QVERIFY(!view->m_bCopyDone);

    // An empty copy text, a page without entry, no page: nothing at all.
    for (int page : {4, 9, -1, -3}) {
        theTutorial.SetCurrentPage(page);
        SetClipboard(QStringLiteral("sentinel"));
        Frame()->SetStatusText(QStringLiteral("before"));
        QVERIFY(!view->CopyPageScript());
        view->OnCopyScript();
        QCOMPARE(ClipboardText(), QStringLiteral("sentinel"));
        QCOMPARE(StatusText(), QStringLiteral("before"));
    }
    QVERIFY(m_app.messages.isEmpty());
}

// A view without the main window shows no start page and leaves the model
// alone on every navigation, but still copies and filters its input.
void TestFlashView::viewOnItsOwn()
{
    CMainFrame* frame = theApp.GetMainWnd();
    QVERIFY(frame);
    // The rule asks the application for its main window; take it away.
    m_app.Stop();
    QVERIFY(!theApp.GetMainWnd());

    {
        CFlashView view;
        view.resize(600, 400);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));

        // Nothing of the browsing is kept on disk.
        QVERIFY(view.page()->profile()->isOffTheRecord());
        view.ShowStartPage(false);
        view.ShowStartPage(true);
        QVERIFY(view.page()->requestedUrl().isEmpty());

        theTutorial.SetCurrentPage(42);
        view.m_bCopyDone = true;
        SetClipboard(QStringLiteral("sentinel"));
        QSignalSpy entered(&view, &CFlashView::pageEntered);
        QVERIFY(Load(&view, PageUrl("index3.html")));
        QCOMPARE(entered.count(), 0);
        QCOMPARE(theTutorial.GetCurrentPage(), 42);
        QVERIFY(view.m_bCopyDone);
        QCOMPARE(ClipboardText(), QStringLiteral("sentinel"));

        // Its input filter works all the same: a click copies...
        StorePage(3, Entry("x = 1;", ARROW_ADD));
        view.m_bCopyDone = false;
        QSignalSpy status(&view, &CFlashView::statusText);
        QVERIFY(Click(&view));
        QCOMPARE(ClipboardText(), QStringLiteral("x = 1;"));
        QCOMPARE(status.count(), 1);
        QCOMPARE(status.at(0).at(0).toString(),
                 QStringLiteral("左のスクリプトをクリップボードにコピーしました"));
        // ... and the delete keys and Alt+Left never reach the page.
        QVERIFY(FocusPage(&view));
        QWidget* input = BrowserInput(&view);
        QSignalSpy editorRequested(&view, &CFlashView::editorRequested);
        QTest::keyClick(input, Qt::Key_Backspace);
        QTest::keyClick(input, Qt::Key_Delete);
        QCOMPARE(editorRequested.count(), 2);
        QTest::keyClick(input, Qt::Key_Left, Qt::AltModifier);
        QTest::keyClick(input, Qt::Key_X);
        QCOMPARE(Noted(&view, "keys", 1), QStringLiteral("x"));
        QCOMPARE(m_app.messages, QStringList{QStringLiteral("戻れません！")});
        QCOMPARE(view.url(), PageUrl("index3.html"));
    }

    QVERIFY(m_app.Start());
    QVERIFY(m_app.ShowMainWindow());
}

// The start page and the default index page are addresses below the
// program folder, whether the files exist or not.
void TestFlashView::startPage()
{
    CFlashView* view = View();
    theTutorial.SetStartPage("HTML\\start\\first.html");

    QSignalSpy finished(view->page(), &QWebEnginePage::loadFinished);
    view->ShowStartPage(false);
    QVERIFY(finished.wait(kWaitMs));
    const QString folder = GetProgramFolder();
    QCOMPARE(view->page()->requestedUrl(),
             QUrl::fromLocalFile(StartPagePath(folder, "HTML\\start\\first.html")));
    QVERIFY(view->page()->requestedUrl().toLocalFile().endsWith("HTML/start/first.html"));
    QCOMPARE(theTutorial.GetCurrentPage(), -1); // title "first"

    view->ShowStartPage(true);
    QVERIFY(finished.wait(kWaitMs));
    QCOMPARE(view->page()->requestedUrl(), QUrl::fromLocalFile(DefaultIndexPath(folder)));
    QVERIFY(view->page()->requestedUrl().toLocalFile().endsWith("HTML/index.html"));
}

void TestFlashView::initialUpdate()
{
    CFlashView* view = View();
    StorePage(3, Entry("a();", ARROW_ADD));
    view->m_bCopyDone = true;
    SetClipboard(QStringLiteral("sentinel"));

    QSignalSpy finished(view->page(), &QWebEnginePage::loadFinished);
    view->OnInitialUpdate();
    QVERIFY(!view->m_bCopyDone);
    QCOMPARE(ClipboardText(), QString());
    QVERIFY(finished.wait(kWaitMs));
    QCOMPARE(view->page()->requestedUrl(),
             QUrl::fromLocalFile(StartPagePath(GetProgramFolder(), theTutorial.GetStartPage())));
    // The default start page is "index": no numbered page.
    QCOMPARE(theTutorial.GetCurrentPage(), -1);
}

void TestFlashView::titleRule_data()
{
    QTest::addColumn<QString>("address"); // relative: a page of the test folder
    QTest::addColumn<int>("page");

    QTest::newRow("index") << "index.html" << -1;
    QTest::newRow("index3") << "index3.html" << 3;
    QTest::newRow("leading zero") << "index012.html" << 12;
    QTest::newRow("negative") << "index-2.html" << -2;
    QTest::newRow("fragment") << "index4.html#top" << 4;
    QTest::newRow("not index") << "page.html" << -1;
    // The frame's page is announced after the page that holds it.
    QTest::newRow("frame") << "frames.html" << 11;
    // Not "http://": goes through the rule though it cannot load.
    QTest::newRow("https") << "https://127.0.0.1:1/tutorial/index5.html" << 5;
}

// Every navigation that is not an "http://" address sets the current page
// from the title and starts the page afresh: both flags cleared, the
// clipboard emptied.
void TestFlashView::titleRule()
{
    QFETCH(QString, address);
    QFETCH(int, page);
    CFlashView* view = View();
    QUrl url;
    if (address.contains(QLatin1String("://"))) {
        url = QUrl(address);
    } else {
        url = PageUrl(address.section('#', 0, 0));
        if (address.contains('#'))
            url.setFragment(address.section('#', 1));
    }
    theTutorial.SetCurrentPage(77);
    view->m_bCopyDone = true;
    Editor()->m_bEditDone = true;
    SetClipboard(QStringLiteral("sentinel"));
    // What the pane had done when it said a page was entered: the page is
    // current, its own flag and the clipboard not yet cleared.
    QSignalSpy entered(view, &CFlashView::pageEntered);
    QList<int> pages;
    bool copyDoneWhenEntered = false;
    QString clipboardWhenEntered;
    const auto connection = connect(view, &CFlashView::pageEntered, this, [&] {
        if (pages.isEmpty()) {
            copyDoneWhenEntered = view->m_bCopyDone;
            clipboardWhenEntered = ClipboardText();
        }
        pages << theTutorial.GetCurrentPage();
    });

    QVERIFY(Load(view, url));
    disconnect(connection);
    QCOMPARE(theTutorial.GetCurrentPage(), page);
    QVERIFY(!view->m_bCopyDone);
    QVERIFY(!Editor()->m_bEditDone);
    QCOMPARE(ClipboardText(), QString());
    // One signal per navigation (the frame's page comes second).
    QCOMPARE(entered.count(), address == "frames.html" ? 2 : 1);
    QCOMPARE(pages.last(), page);
    QVERIFY(copyDoneWhenEntered);
    QCOMPARE(clipboardWhenEntered, QStringLiteral("sentinel"));
}

// An "http://" address, even one that ends in index3.html, leaves the
// current page, both flags and the clipboard as they were.
void TestFlashView::webAddressLeftAlone()
{
    CFlashView* view = View();
    theTutorial.SetCurrentPage(6);
    view->m_bCopyDone = true;
    Editor()->m_bEditDone = true;
    SetClipboard(QStringLiteral("sentinel"));
    QSignalSpy entered(view, &CFlashView::pageEntered);

    QVERIFY(Load(view, QUrl("http://127.0.0.1:1/tutorial/index3.html")));
    QCOMPARE(entered.count(), 0);
    QCOMPARE(theTutorial.GetCurrentPage(), 6);
    QVERIFY(view->m_bCopyDone);
    QVERIFY(Editor()->m_bEditDone);
    QCOMPARE(ClipboardText(), QStringLiteral("sentinel"));

    view->m_bCopyDone = false;
    Editor()->m_bEditDone = false;
    QVERIFY(Load(view, QUrl("http://127.0.0.1:1/index.html")));
    QCOMPARE(theTutorial.GetCurrentPage(), 6);
    QVERIFY(!view->m_bCopyDone);
    QVERIFY(!Editor()->m_bEditDone);
}

void TestFlashView::clicks_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("copyDone");
    QTest::addColumn<bool>("editDone");
    QTest::addColumn<bool>("copies");
    QTest::addColumn<bool>("follows");

    QTest::newRow("add, not yet copied")
        << int(ARROW_ADD) << QByteArray("a();") << false << false << true << false;
    QTest::newRow("add, pasted") << int(ARROW_ADD) << QByteArray("a();") << true << true << false
                                 << true;
    QTest::newRow("add, no text") << int(ARROW_ADD) << QByteArray() << false << false << false
                                  << true;
    QTest::newRow("replace, not yet copied")
        << int(ARROW_REPLACE) << QByteArray("b();") << false << false << true << false;
    QTest::newRow("replace, pasted")
        << int(ARROW_REPLACE) << QByteArray("b();") << true << true << false << true;
    QTest::newRow("delete, no text, not cut")
        << int(ARROW_DELETE) << QByteArray() << false << false << false << false;
    QTest::newRow("delete, no text, cut")
        << int(ARROW_DELETE) << QByteArray() << false << true << false << true;
    QTest::newRow("delete, text, not copied")
        << int(ARROW_DELETE) << QByteArray("c();") << false << false << true << false;
    QTest::newRow("delete, copied, not cut")
        << int(ARROW_DELETE) << QByteArray("c();") << true << false << false << false;
    QTest::newRow("delete, cut") << int(ARROW_DELETE) << QByteArray("c();") << true << true << false
                                 << true;
    QTest::newRow("unknown kind") << 7 << QByteArray() << false << false << false << true;
}

// A left click on the link of page 8 (to index9.html): copies, is held back,
// or reaches the page, by the page's kind, text and the two flags.
void TestFlashView::clicks()
{
    QFETCH(int, kind);
    QFETCH(QByteArray, text);
    QFETCH(bool, copyDone);
    QFETCH(bool, editDone);
    QFETCH(bool, copies);
    QFETCH(bool, follows);

    CFlashView* view = View();
    StorePage(8, Entry(text, kind));
    QVERIFY(Load(view, PageUrl("index8.html")));
    QCOMPARE(theTutorial.GetCurrentPage(), 8);
    view->m_bCopyDone = copyDone;
    Editor()->m_bEditDone = editDone;
    SetClipboard(QStringLiteral("sentinel"));
    Frame()->SetStatusText(QStringLiteral("before"));

    QVERIFY(RecordMouse(view));

    QSignalSpy started(view->page(), &QWebEnginePage::loadStarted);
    QSignalSpy finished(view->page(), &QWebEnginePage::loadFinished);
    QVERIFY(Click(view));
    if (follows) {
        QVERIFY(finished.wait(kWaitMs));
        QCOMPARE(view->url(), PageUrl("index9.html"));
        QCOMPARE(theTutorial.GetCurrentPage(), 9);
        QCOMPARE(ClipboardText(), QString());
        return;
    }

    QCOMPARE(ClipboardText(), copies ? QString::fromLatin1(text) : QStringLiteral("sentinel"));
    QCOMPARE(StatusText(), copies ? QStringLiteral("左のスクリプトをクリップボードにコピーしました")
                                  : QStringLiteral("before"));
    QCOMPARE(view->m_bCopyDone, copyDone);
    // Once the learner has pasted and cut, clicks reach the page; events
    // reach it in order, so this shows that no part of the first click did.
    view->m_bCopyDone = true;
    Editor()->m_bEditDone = true;
    QTest::mouseClick(BrowserInput(view), Qt::LeftButton, {}, kOffLink);
    QCOMPARE(Noted(view, "mouse", 3), QStringLiteral("mousedown0 mouseup0 click0"));
    // The very next click follows the link from page 8: had the first click
    // reached the page, page 9 would be showing and this would lead to 10.
    QVERIFY(Click(view));
    QVERIFY(finished.wait(kWaitMs));
    QCOMPARE(view->url(), PageUrl("index9.html"));
    QCOMPARE(started.count(), 1);
    QCOMPARE(theTutorial.GetCurrentPage(), 9);
}

// The learner's cycle: clicks copy (each one) until the paste, then the
// link works.
void TestFlashView::clickCopiesUntilPasted()
{
    CFlashView* view = View();
    const QByteArray script("\x83\x58\x83\x52\x83\x41 = 0;\r\n"); // スコア = 0;
    StorePage(3, Entry(script, ARROW_ADD));
    QVERIFY(Load(view, PageUrl("index.html")));
    QCOMPARE(theTutorial.GetCurrentPage(), -1);
    // index.html links to index3.html; no page, so the click follows.
    QSignalSpy finished(view->page(), &QWebEnginePage::loadFinished);
    QVERIFY(Click(view));
    QVERIFY(finished.wait(kWaitMs));
    QCOMPARE(theTutorial.GetCurrentPage(), 3);
    QCOMPARE(ClipboardText(), QString());

    for (int i = 0; i < 3; ++i) {
        SetClipboard(QStringLiteral("sentinel"));
        QVERIFY(Click(view));
        QCOMPARE(ClipboardText(), QStringLiteral("スコア = 0;\r\n"));
        QVERIFY(!view->m_bCopyDone);
    }
    // A double click, as the window system reports it, copies once per
    // click, and the page sees none of it.
    QVERIFY(RecordMouse(view));
    SetClipboard(QStringLiteral("sentinel"));
    QSignalSpy copies(QGuiApplication::clipboard(), &QClipboard::dataChanged);
    QWidget* input = BrowserInput(view);
    QTest::mousePress(input, Qt::LeftButton, {}, kOnLink);
    QTest::mouseRelease(input, Qt::LeftButton, {}, kOnLink);
    QTest::mousePress(input, Qt::LeftButton, {}, kOnLink);
    QTest::mouseDClick(input, Qt::LeftButton, {}, kOnLink);
    QTest::mouseRelease(input, Qt::LeftButton, {}, kOnLink);
    QCOMPARE(copies.count(), 2);
    QCOMPARE(ClipboardText(), QStringLiteral("スコア = 0;\r\n"));
    view->m_bCopyDone = true;
    QTest::mouseClick(input, Qt::LeftButton, {}, kOffLink);
    QCOMPARE(Noted(view, "mouse", 3), QStringLiteral("mousedown0 mouseup0 click0"));

    view->m_bCopyDone = true; // what the editor's paste does
    QVERIFY(Click(view));
    QVERIFY(finished.wait(kWaitMs));
    QCOMPARE(view->url(), PageUrl("index4.html"));
    QCOMPARE(theTutorial.GetCurrentPage(), 4);
    QVERIFY(!view->m_bCopyDone);
}

// After the paste the menu's "コピー" still copies, and clicks still don't.
void TestFlashView::contextMenuCopiesAfterPaste()
{
    CFlashView* view = View();
    StorePage(3, Entry("b = 2;", ARROW_ADD));
    QVERIFY(Load(view, PageUrl("index3.html")));
    view->m_bCopyDone = true;
    Editor()->m_bEditDone = true;
    SetClipboard(QStringLiteral("sentinel"));

    QStringList items;
    QTimer poll;
    poll.setInterval(20);
    connect(&poll, &QTimer::timeout, this, [&poll, &items] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu)
            return;
        poll.stop();
        for (QAction* action : menu->actions())
            items << action->text();
        QAction* copy = menu->findChild<QAction*>(QStringLiteral("copyScriptAction"));
        if (copy)
            menu->setActiveAction(copy);
        QTest::keyClick(menu, Qt::Key_Return);
    });
    poll.start();
    QVERIFY(RecordMouse(view));
    QSignalSpy started(view->page(), &QWebEnginePage::loadStarted);
    QVERIFY(Click(view, Qt::RightButton));
    QCOMPARE(items, QStringList{QStringLiteral("コピー")});
    QCOMPARE(ClipboardText(), QStringLiteral("b = 2;"));
    QVERIFY(view->m_bCopyDone);
    QCOMPARE(StatusText(), QStringLiteral("左のスクリプトをクリップボードにコピーしました"));

    // The page saw nothing of the right button; the next left click is not
    // a copy: it reaches the page and follows the link.
    SetClipboard(QStringLiteral("sentinel"));
    QTest::mouseClick(BrowserInput(view), Qt::LeftButton, {}, kOffLink);
    QCOMPARE(Noted(view, "mouse", 3), QStringLiteral("mousedown0 mouseup0 click0"));
    QCOMPARE(ClipboardText(), QStringLiteral("sentinel"));
    QSignalSpy finished(view->page(), &QWebEnginePage::loadFinished);
    QVERIFY(Click(view));
    QVERIFY(finished.wait(kWaitMs));
    QCOMPARE(view->url(), PageUrl("index4.html"));
    QCOMPARE(started.count(), 1);
}

void TestFlashView::deleteKeysGoToEditor_data()
{
    QTest::addColumn<int>("key");
    QTest::newRow("Backspace") << int(Qt::Key_Backspace);
    QTest::newRow("Delete") << int(Qt::Key_Delete);
}

// Backspace and Delete in the pane make the editor the active pane and are
// never seen by the page; other keys are.
void TestFlashView::deleteKeysGoToEditor()
{
    QFETCH(int, key);
    CFlashView* view = View();
    QVERIFY(Load(view, PageUrl("page.html")));
    QVERIFY(FocusPage(view));
    QWidget* input = BrowserInput(view);

    QTest::keyClick(input, Qt::Key_X);
    QCOMPARE(Noted(view, "keys", 1), QStringLiteral("x"));
    QSignalSpy editorRequested(view, &CFlashView::editorRequested);
    QTest::keyClick(input, Qt::Key(key));
    QCOMPARE(editorRequested.count(), 1); // on the press, not the release
    QVERIFY(Editor()->hasFocus());
    QVERIFY(FocusPage(view));
    QTest::keyClick(input, Qt::Key_Y);
    // Keys reach the page in order: the delete key would stand between.
    QCOMPARE(Noted(view, "keys", 2), QStringLiteral("x y"));
}

void TestFlashView::shiftDeleteCutsInEditor_data()
{
    QTest::addColumn<int>("color");
    QTest::addColumn<QString>("textAfter");
    QTest::newRow("delete page: its line is cut") << int(ARROW_DELETE) << "second\nthird\n";
    QTest::newRow("add page: nothing is cut") << int(ARROW_ADD) << "first\nsecond\nthird\n";
}

// Shift+Delete in the pane is the editor's guided Cut, as the window's
// Shift+Delete is when the editor is active.
void TestFlashView::shiftDeleteCutsInEditor()
{
    QFETCH(int, color);
    QFETCH(QString, textAfter);
    CFlashView* view = View();
    QVERIFY(Load(view, PageUrl("page.html")));
    StorePage(0, Entry("first", color)); // line 1, one line
    Editor()->SetWindowText(QStringLiteral("first\nsecond\nthird\n"));
    Editor()->RefreshPage();
    QVERIFY(FocusPage(view));

    QTest::keyClick(BrowserInput(view), Qt::Key_Delete, Qt::ShiftModifier);
    QTRY_VERIFY_WITH_TIMEOUT(Editor()->hasFocus(), kWaitMs);
    QCOMPARE(Editor()->GetWindowText(), textAfter);
    QCOMPARE(Editor()->m_bEditDone, color == ARROW_DELETE);
    // The cut script frees the page's clicks.
    QCOMPARE(View()->m_bCopyDone, color == ARROW_DELETE);
}

void TestFlashView::backAndForwardBlocked_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("message");
    QTest::newRow("Alt+Left") << int(Qt::Key_Left) << QStringLiteral("戻れません！");
    QTest::newRow("Alt+Right") << int(Qt::Key_Right) << QStringLiteral("進めません！");
}

// Alt+Left and Alt+Right say that the tutorial cannot go back or forward,
// and neither navigates.
void TestFlashView::backAndForwardBlocked()
{
    QFETCH(int, key);
    QFETCH(QString, message);
    CFlashView* view = View();
    QVERIFY(Load(view, PageUrl("index3.html")));
    QVERIFY(Load(view, PageUrl("index4.html")));
    QVERIFY(Load(view, PageUrl("index5.html")));
    // In the middle of the history, so both directions would be possible.
    QSignalSpy finished(view->page(), &QWebEnginePage::loadFinished);
    view->back();
    QVERIFY(finished.wait(kWaitMs));
    QCOMPARE(view->url(), PageUrl("index4.html"));
    QVERIFY(view->history()->canGoBack());
    QVERIFY(view->history()->canGoForward());

    QVERIFY(FocusPage(view));
    QWidget* input = BrowserInput(view);
    QSignalSpy started(view->page(), &QWebEnginePage::loadStarted);
    QTest::keyClick(input, Qt::Key(key), Qt::AltModifier);
    QCOMPARE(m_app.messages, QStringList{message});
    // The page never sees the key; the next one it does.
    QTest::keyClick(input, Qt::Key_X);
    QCOMPARE(Noted(view, "keys", 1), QStringLiteral("x"));
    // A later load is the first one the page starts after the key.
    QVERIFY(Load(view, PageUrl("index7.html")));
    QCOMPARE(started.count(), 1);
}

// The keyboard's menu key does not bring up the page's own menu (back,
// forward, reload...).
void TestFlashView::pageMenuNeverShown()
{
    CFlashView* view = View();
    QVERIFY(Load(view, PageUrl("index3.html")));
    QVERIFY(RecordMouse(view));
    QVERIFY(FocusPage(view));
    QWidget* input = BrowserInput(view);
    QTest::keyClick(input, Qt::Key_Menu);
    QTest::keyClick(input, Qt::Key_F10, Qt::ShiftModifier);
    QTest::keyClick(input, Qt::Key_X);
    // The page was asked for its menu before it saw the last key.
    QCOMPARE(Noted(view, "keys", 3), QStringLiteral("ContextMenu F10 x"));
    QCOMPARE(Noted(view, "mouse", 0).count(QLatin1String("contextmenu")), 2);
    QCOMPARE(QApplication::activePopupWidget(), nullptr);
}

// The address of the link under the mouse is shown in the status bar.
void TestFlashView::linkAddressInStatusBar()
{
    CFlashView* view = View();
    QVERIFY(Load(view, PageUrl("index3.html")));
    Frame()->SetStatusText(QStringLiteral("before"));
    QWidget* input = BrowserInput(view);
    const QString address = PageUrl("index4.html").toString();
    QSignalSpy status(view, &CFlashView::statusText);
    QTest::mouseMove(input, QPoint(300, kLinkHeight + 150));
    QTest::mouseMove(input, kOnLink);
    QVERIFY(QTest::qWaitFor([&] { return StatusText() == address; }, kWaitMs));
    QVERIFY(!status.isEmpty());
    QCOMPARE(status.last().at(0).toString(), address);
    // Leaving the link takes the address away again.
    QTest::mouseMove(input, QPoint(300, kLinkHeight + 150));
    QVERIFY(QTest::qWaitFor([&] { return StatusText() != address; }, kWaitMs));
}

// The page is really drawn in the pane: its red script shows up in a grab of
// the view. PELTRA_SCREENSHOT=file.png saves the main window for a look.
void TestFlashView::pageIsDrawn()
{
    CFlashView* view = View();
    QFile file(m_dir.filePath("shot.html"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(
        "<!DOCTYPE html><html><head><meta charset=\"utf-8\"></head><body>"
        "<h2>ステップ 3: スコアを表示しよう</h2><p>右の赤い矢印の行に、次のスクリプトを"
        "追加します。左のページをクリックするとコピーされます。</p>"
        "<pre style=\"color:#e00000; font-size:20px\">var score:int = 0;\ntrace(score);</pre>"
        "<a href=\"index4.html\">次へ</a></body></html>");
    file.close();
    QVERIFY(Load(view, PageUrl("shot.html")));
    const auto hasRed = [view] {
        const QImage image = view->grab().toImage().convertToFormat(QImage::Format_RGB32);
        for (int y = 0; y < image.height(); ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                if (qRed(line[x]) > 200 && qGreen(line[x]) < 60 && qBlue(line[x]) < 60)
                    return true;
            }
        }
        return false;
    };
    QVERIFY(QTest::qWaitFor(hasRed, kWaitMs));
    const QString out = qEnvironmentVariable("PELTRA_SCREENSHOT");
    if (!out.isEmpty())
        QVERIFY(Frame()->grab().save(out));
}

void TestFlashView::localFilesOfTheTutorialOnly_data()
{
    // Where the file lies; the project's start page lies in another folder
    // outside the program folder.
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("readable");
    const QString outside = QDir::home().filePath(QStringLiteral("outside"));
    const QString startFolder = QDir::home().filePath(QStringLiteral("start"));
    QTest::newRow("beside the page") << m_dir.filePath("data.txt") << true;
    QTest::newRow("in a folder below the page") << m_dir.filePath("sub/data.txt") << true;
    QTest::newRow("beside the start page") << startFolder + "/data.txt" << true;
    QTest::newRow("system file") << QStringLiteral("/etc/passwd") << false;
    QTest::newRow("home folder") << outside + "/data.txt" << false;
    QTest::newRow("out by ..") << m_dir.filePath("../../outside.txt") << false;
    QTest::newRow("out by a link") << m_dir.filePath("link/data.txt") << false;
    QTest::newRow("beside the program") << GetProgramFolder() + "data.txt" << false;

    for (const QString& path :
         {m_dir.filePath("data.txt"), m_dir.filePath("sub/data.txt"), startFolder + "/data.txt",
          outside + "/data.txt", m_dir.filePath("../../outside.txt"),
          GetProgramFolder() + "data.txt"})
        QVERIFY(WriteFile(path, "secret " + QFileInfo(path).absolutePath().toUtf8()));
    QFile::link(outside, m_dir.filePath("link"));
}

void TestFlashView::localFilesOfTheTutorialOnly()
{
    QFETCH(QString, file);
    QFETCH(bool, readable);
    // The project's start page, wherever it lies, opens its folder too.
    const QString start = QDir::home().filePath(QStringLiteral("start/first.html"));
    QVERIFY(WriteFile(start, PageHtml("first.html", "index3.html")));
    theTutorial.SetStartPage(
        QDir(GetProgramFolder()).relativeFilePath(start).replace('/', '\\').toLocal8Bit());
    QCOMPARE(StartPagePath(GetProgramFolder(), theTutorial.GetStartPage()), start);

    CFlashView* view = View();
    const QString url = QUrl::fromLocalFile(file).toString();
    for (const QString& page :
         {PageUrl("page.html").toString(), QUrl::fromLocalFile(start).toString()}) {
        QVERIFY(Load(view, QUrl(page)));
        // A script's synchronous request, and an image element's load.
        QVariant text;
        QVERIFY(RunPageScript(view,
                              QStringLiteral("(() => { try { const r = new XMLHttpRequest();"
                                             " r.open('GET', '%1', false); r.send();"
                                             " return r.responseText; }"
                                             " catch (e) { return 'refused'; } })()")
                                  .arg(url),
                              &text));
        const QByteArray expected = ReadAll(file);
        QVERIFY2((text.toString().toUtf8() == expected) == readable,
                 qPrintable(page + ": " + text.toString().left(40)));
        // A frame: a refused one shows an error page the page cannot look into.
        QVariant started;
        QVERIFY(RunPageScript(view,
                              QStringLiteral("window.frameText = null;"
                                             "const f = document.createElement('iframe');"
                                             "f.onload = () => { const d = f.contentDocument;"
                                             "  window.frameText = d && d.body ? d.body.innerText"
                                             " : 'refused'; };"
                                             "f.src = '%1'; document.body.appendChild(f); 0")
                                  .arg(url),
                              &started));
        QString frameText;
        QVERIFY(QTest::qWaitFor(
            [&] {
                QVariant state;
                RunPageScript(view, QStringLiteral("window.frameText"), &state);
                frameText = state.toString();
                return !state.isNull();
            },
            kWaitMs));
        QVERIFY2((frameText.trimmed().toUtf8() == expected.trimmed()) == readable,
                 qPrintable(page + ": frame " + frameText.left(40)));
    }
}

QTEST_MAIN(TestFlashView)
#include "tst_flashview.moc"
