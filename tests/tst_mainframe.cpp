// The main window as the program shows it: menus, keys, toolbar, status bar,
// caption, the two columns, command routing to the active pane, the build
// and the reload of Main.as, drops and closing.
#include "app/commands.h"
#include "app/flashapp.h"
#include "app/keyindicator.h"
#include "app/mainframe.h"
#include "app/recentfilelist.h"
#include "browser/flashview.h"
#include "build/sourcefile.h"
#include "editor/programmingview.h"
#include "tutorial/flashdoc.h"

#include "support/appfixture.h"
#include "support/testsupport.h"
#include "support/windowsupport.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QTextDocument>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QSplitter>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QToolTip>

namespace {

// A script standing in for a program: it appends its arguments, one a line,
// to log, and writes output as a compiler does.
QString WriteScript(const QString& path, const QString& log, bool output = true)
{
    const bool written = WriteExecutable(
        path, "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\" >> '" + log.toUtf8() +
                  "'; done\n" +
                  (output ? "echo compiling; echo warning >&2\n"
                            // the movie goes where movie.path beside the script says
                            "m=$(cat \"$(dirname \"$0\")/movie.path\" 2>/dev/null)\n"
                            "[ -n \"$m\" ] && printf FWS > \"$m\"\n"
                          : ""));
    return written ? path : QString();
}

} // namespace

class TestMainFrame : public QObject
{
    Q_OBJECT
public:
    static void initMain() { AppFixture::InitMain(); }

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void menus_data();
    void menus();
    void shortcuts_data();
    void shortcuts();
    void toolBar();
    void toolTipsAndPrompts_data();
    void toolTipsAndPrompts();
    void statusBar();
    void greyedMenuItemPrompt();
    void lockKeyState_data();
    void lockKeyState();
    void lockKeyIndicatorFollowsItsKey();
    void caption();
    void columnsStartAsHalves();
    void maximiseSetsHalves();
    void nextPaneKeys();
    void editCommandsFollowActivePane();
    void viewMenuHidesBars();
    void buildAndRun();
    void failedBuildKeepsRunning();
    void openLastSource();
    void recentFileMenu();
    void dropsOpenProjects();
    void closeAsksToSave();

private:
    CMainFrame* Frame() const { return m_app.Frame(); }
    AppFixture m_app;
    QTemporaryDir m_dir;
};

void TestMainFrame::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_app.SetUp(); // file dialogs are cancelled
    // Start from no settings: an empty recent-file list.
    AppFixture::ForgetSettings();
    QVERIFY(m_app.Start());
    QVERIFY(m_app.ShowMainWindow());
}

void TestMainFrame::cleanupTestCase()
{
    m_app.Stop();
    QVERIFY(!theApp.GetMainWnd());
    m_app.TearDown();
}

void TestMainFrame::init()
{
    m_app.ClearMessages();
}

void TestMainFrame::menus_data()
{
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QStringList>("items"); // "-" for a separator
    QTest::newRow("file") << "ファイル(&F)"
                          << QStringList{"開く(&O)...\tCtrl+O",
                                         "-",
                                         "最後に実行したMain.asファイルを読み込み",
                                         "-",
                                         "最近使ったファイル",
                                         "-",
                                         "アプリケーションの終了(&X)"};
    QTest::newRow("edit") << "編集(&E)"
                          << QStringList{"元に戻す(&U)\tCtrl+Z", "-", "切り取り(&T)\tCtrl+X",
                                         "コピー(&C)\tCtrl+C", "貼り付け(&P)\tCtrl+V"};
    QTest::newRow("control") << "制御(&C)" << QStringList{"実行(&E)"};
    QTest::newRow("tools") << "ツール(&T)"
                           << QStringList{"ページへ移動(&G)...\tCtrl+G", "このページをやり直す(&R)",
                                          "-", "変更をこのページに記録(&W)",
                                          "チュートリアルの検査(&K)"};
    QTest::newRow("view") << "表示(&V)"
                          << QStringList{"ツール バー(&T)", "ステータス バー(&S)", "-",
                                         "ページ一覧(&L)"};
    QTest::newRow("help") << "ヘルプ(&H)"
                          << QStringList{"レジストリの削除(&U)", "-",
                                         "バージョン情報 Peltra(&A)..."};
}

void TestMainFrame::menus()
{
    QFETCH(QString, menu);
    QFETCH(QStringList, items);

    QStringList titles;
    QMenu* found = nullptr;
    for (QAction* action : Frame()->menuBar()->actions()) {
        titles << action->text();
        if (action->text() == menu)
            found = action->menu();
    }
    QCOMPARE(titles,
             (QStringList{"ファイル(&F)", "編集(&E)", "制御(&C)", "ツール(&T)", "表示(&V)",
                          "ヘルプ(&H)"}));
    QVERIFY(found);

    // The items shown, in order (hidden recent-file entries do not count).
    QStringList shown;
    for (QAction* action : found->actions()) {
        if (!action->isVisible())
            continue;
        shown << (action->isSeparator() ? QStringLiteral("-") : action->text());
    }
    QCOMPARE(shown, items);
    if (menu == QLatin1String("ファイル(&F)")) {
        // The recent-file placeholder is greyed while the list is empty.
        QAction* placeholder = found->actions().at(4);
        QVERIFY(!placeholder->isEnabled());
    }
}

void TestMainFrame::shortcuts_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QList<QKeySequence>>("keys");
    using K = QKeySequence;
    QTest::newRow("page settings") << int(ID_PAGE_SETTINGS) << QList<K>{K(Qt::Key_F9)};
    QTest::newRow("copy") << int(ID_EDIT_COPY)
                          << QList<K>{K(Qt::CTRL | Qt::Key_C), K(Qt::CTRL | Qt::Key_Insert)};
    QTest::newRow("cut") << int(ID_EDIT_CUT)
                         << QList<K>{K(Qt::CTRL | Qt::Key_X), K(Qt::SHIFT | Qt::Key_Delete)};
    QTest::newRow("paste") << int(ID_EDIT_PASTE)
                           << QList<K>{K(Qt::CTRL | Qt::Key_V), K(Qt::SHIFT | Qt::Key_Insert)};
    QTest::newRow("undo") << int(ID_EDIT_UNDO)
                          << QList<K>{K(Qt::CTRL | Qt::Key_Z), K(Qt::ALT | Qt::Key_Backspace)};
    QTest::newRow("new") << int(ID_FILE_NEW) << QList<K>{K(Qt::CTRL | Qt::Key_N)};
    QTest::newRow("open") << int(ID_FILE_OPEN) << QList<K>{K(Qt::CTRL | Qt::Key_O)};
    QTest::newRow("save") << int(ID_FILE_SAVE) << QList<K>{K(Qt::CTRL | Qt::Key_S)};
    QTest::newRow("save as") << int(ID_FILE_SAVE_AS) << QList<K>{K(Qt::Key_F10)};
    QTest::newRow("next pane") << int(ID_NEXT_PANE) << QList<K>{K(Qt::Key_F6)};
    QTest::newRow("previous pane") << int(ID_PREV_PANE) << QList<K>{K(Qt::SHIFT | Qt::Key_F6)};
    QTest::newRow("build has none") << int(ID_BUILD_AND_RUN) << QList<K>{};
}

void TestMainFrame::shortcuts()
{
    QFETCH(int, id);
    QFETCH(QList<QKeySequence>, keys);
    QAction* action = Frame()->Action(id);
    QVERIFY(action);
    QCOMPARE(action->shortcuts(), keys);
    // Reachable from anywhere in the window, menu or not.
    QVERIFY(Frame()->actions().contains(action));
    QCOMPARE(action->shortcutContext(), Qt::WindowShortcut);
}

void TestMainFrame::toolBar()
{
    QToolBar* bar = Frame()->m_wndToolBar;
    QVERIFY(bar);
    QCOMPARE(bar->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
    QVERIFY(bar->isMovable());
    QCOMPARE(bar->allowedAreas(), Qt::AllToolBarAreas);
    QCOMPARE(Frame()->toolBarArea(bar), Qt::TopToolBarArea);

    struct Item
    {
        int id;
        const char* label;
    };
    const Item expected[] = {{ID_FILE_OPEN, "開く"}, {ID_OPEN_LAST_SOURCE, "最後"},
                             {0, nullptr},           {ID_EDIT_CUT, "切取"},
                             {ID_EDIT_COPY, "ｺﾋﾟｰ"}, {ID_EDIT_PASTE, "貼付"},
                             {ID_RESTART_PAGE, "ﾘｾｯﾄ"},
                             {0, nullptr},           {ID_BUILD_AND_RUN, "実行"},
                             {0, nullptr},           {ID_APP_ABOUT, "ﾍﾙﾌﾟ"}};
    const QList<QAction*> actions = bar->actions();
    QCOMPARE(actions.size(), int(std::size(expected)));
    const QSize firstSize = bar->widgetForAction(actions.at(0))->size();
    QVERIFY(firstSize.width() > 16 && firstSize.height() > 16);
    for (int i = 0; i < actions.size(); ++i) {
        QAction* action = actions.at(i);
        if (!expected[i].label) {
            QVERIFY2(action->isSeparator(), qPrintable(QString::number(i)));
            continue;
        }
        QCOMPARE(action, Frame()->Action(expected[i].id));
        auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(action));
        QVERIFY(button);
        QCOMPARE(button->text(), QString::fromUtf8(expected[i].label));
        QVERIFY(!action->icon().isNull());
        QVERIFY(!action->icon().pixmap(16, 16).isNull());
        QCOMPARE(button->size(), firstSize);
    }
    // The half-width katakana labels stay half-width.
    QCOMPARE(Frame()->Action(ID_EDIT_COPY)->iconText(),
             QString::fromUtf8("\xef\xbd\xba\xef\xbe\x8b\xef\xbe\x9f\xef\xbd\xb0"));
}

void TestMainFrame::toolTipsAndPrompts_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("prompt");
    QTest::addColumn<QString>("toolTip");
    QTest::newRow("open") << int(ID_FILE_OPEN) << "既存のファイルを開く"
                          << "開く";
    QTest::newRow("last source")
        << int(ID_OPEN_LAST_SOURCE)
        << "サンプルをコーディングしたり改造したりして最後に使ったMain.asファイルを開く"
        << QString();
    QTest::newRow("cut") << int(ID_EDIT_CUT) << "選択範囲を切り取ってクリップボードに保存"
                         << "切り取り";
    QTest::newRow("copy") << int(ID_EDIT_COPY) << "選択範囲をコピーしてクリップボードに保存"
                          << "コピー";
    QTest::newRow("paste") << int(ID_EDIT_PASTE) << "クリップボードの内容を貼り付け"
                           << "貼り付け";
    QTest::newRow("build") << int(ID_BUILD_AND_RUN) << "ビルドして実行する"
                           << "実行";
    QTest::newRow("about") << int(ID_APP_ABOUT)
                           << "プログラム情報、バージョン、著作権を表示します。"
                           << "バージョン情報";
}

void TestMainFrame::toolTipsAndPrompts()
{
    QFETCH(int, id);
    QFETCH(QString, prompt);
    QFETCH(QString, toolTip);
    QAction* action = Frame()->Action(id);
    QCOMPARE(action->statusTip(), prompt);
    QWidget* button = Frame()->m_wndToolBar->widgetForAction(action);
    QVERIFY(button);

    // The mouse over the button puts the prompt into the message pane; off
    // it the idle text comes back.
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), button->mapToGlobal(QPointF(5, 5)));
    QApplication::sendEvent(button, &enter);
    QCOMPARE(Frame()->GetStatusText(), prompt);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(button, &leave);
    QCOMPARE(Frame()->GetStatusText(), QStringLiteral("レディ"));

    // The tool tip is the part after the line break; none without one.
    QToolTip::hideText();
    QTRY_VERIFY(!QToolTip::isVisible());
    QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), button->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(button, &help);
    if (toolTip.isEmpty()) {
        QVERIFY(!QToolTip::isVisible());
    } else {
        QCOMPARE(action->toolTip(), toolTip);
        QTRY_VERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), toolTip);
    }
    QToolTip::hideText();
}

void TestMainFrame::statusBar()
{
    QStatusBar* bar = Frame()->statusBar();
    QStringList texts;
    for (const char* name : {"capIndicator", "numIndicator", "scrlIndicator"}) {
        auto* label = bar->findChild<QLabel*>(QLatin1String(name));
        QVERIFY(label);
        QVERIFY(label->isVisible());
        const QString text = label->property("indicatorText").toString();
        // Blank while the key is off or its state is unknown, never another text.
        QVERIFY2(label->text().isEmpty() || label->text() == text, qPrintable(label->text()));
        QVERIFY(label->width() >= label->fontMetrics().horizontalAdvance(text));
        texts << text;
    }
    QCOMPARE(texts, (QStringList{"CAP", "NUM", "SCRL"}));

    Frame()->SetStatusText(QStringLiteral("左のスクリプトをクリップボードにコピーしました"));
    QCOMPARE(Frame()->GetStatusText(),
             QStringLiteral("左のスクリプトをクリップボードにコピーしました"));
    auto* pane = bar->findChild<QLabel*>(QStringLiteral("messagePane"));
    QVERIFY(pane && pane->isVisible());
    QCOMPARE(pane->text(), Frame()->GetStatusText());
    Frame()->SetStatusText(QString());
    QCOMPARE(Frame()->GetStatusText(), QStringLiteral("レディ"));

    // A menu item under the mouse shows its prompt too.
    auto* edit = Frame()->findChild<QMenu*>(QStringLiteral("editMenu"));
    QVERIFY(edit);
    edit->popup(Frame()->mapToGlobal(QPoint(10, 10)));
    edit->setActiveAction(Frame()->Action(ID_EDIT_UNDO));
    QCOMPARE(Frame()->GetStatusText(), QStringLiteral("直前に行った動作を元に戻す"));
    edit->hide();
    QTRY_COMPARE(Frame()->GetStatusText(), QStringLiteral("レディ"));
}

// The mouse over a greyed menu item puts its prompt into the message pane,
// as it does over the other items (toolTipsAndPrompts).
void TestMainFrame::greyedMenuItemPrompt()
{
    auto* edit = Frame()->findChild<QMenu*>(QStringLiteral("editMenu"));
    QVERIFY(edit);
    QAction* undo = Frame()->Action(ID_EDIT_UNDO);
    const bool wasEnabled = undo->isEnabled();
    undo->setEnabled(false);
    Frame()->SetStatusText(QString());
    edit->popup(Frame()->mapToGlobal(QPoint(10, 10)));
    QVERIFY(QTest::qWaitForWindowExposed(edit));
    // From outside the item onto it.
    QTest::mouseMove(edit, edit->actionGeometry(undo).topLeft() - QPoint(0, 2));
    QTest::mouseMove(edit, edit->actionGeometry(undo).center());
    QTRY_COMPARE(Frame()->GetStatusText(), QStringLiteral("直前に行った動作を元に戻す"));
    edit->hide();
    QTRY_COMPARE(Frame()->GetStatusText(), QStringLiteral("レディ"));
    undo->setEnabled(wasEnabled);
}

void TestMainFrame::lockKeyState_data()
{
    // LED folders below the LED class folder: "name" with a brightness file
    // holding value, "name=-" without one.
    QTest::addColumn<QStringList>("leds");
    QTest::addColumn<QString>("led");
    QTest::addColumn<int>("state"); // -1 unknown, 0 off, 1 on
    QTest::newRow("no LED class folder") << QStringList{"<none>"} << "capslock" << -1;
    QTest::newRow("no LED of the key") << QStringList{"input3::numlock=1"} << "capslock" << -1;
    QTest::newRow("off") << QStringList{"input3::capslock=0\n"} << "capslock" << 0;
    QTest::newRow("on") << QStringList{"input3::capslock=1\n"} << "capslock" << 1;
    QTest::newRow("brightness above one") << QStringList{"input3::numlock=255"} << "numlock" << 1;
    QTest::newRow("one of two keyboards on")
        << QStringList{"input3::capslock=0", "input9::capslock=1"} << "capslock" << 1;
    QTest::newRow("no brightness file") << QStringList{"input3::scrolllock=-"} << "scrolllock" << 0;
    QTest::newRow("another key's LED on")
        << QStringList{"input3::capslock=0", "input3::numlock=1"} << "capslock" << 0;
    QTest::newRow("name only begins with the key")
        << QStringList{"input3::capslock_x=1"} << "capslock" << -1;
}

// The lock keys' state as the keyboard LEDs show it.
void TestMainFrame::lockKeyState()
{
    QFETCH(QStringList, leds);
    QFETCH(QString, led);
    QFETCH(int, state);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString folder = dir.filePath(QStringLiteral("leds"));
    for (const QString& entry : leds) {
        if (entry == QLatin1String("<none>"))
            continue;
        const QString name = entry.section(u'=', 0, 0);
        const QString value = entry.section(u'=', 1);
        QVERIFY(QDir().mkpath(folder + u'/' + name));
        if (value != QLatin1String("-"))
            QVERIFY(
                WriteFile(folder + u'/' + name + QStringLiteral("/brightness"), value.toUtf8()));
    }
    const std::optional<bool> result = CKeyIndicator::LockKeyState(folder, led);
    QCOMPARE(result.has_value() ? int(*result) : -1, state);
}

// A pane reads its key again when that key is released anywhere in the
// program, and shows its text only while the key is on.
void TestMainFrame::lockKeyIndicatorFollowsItsKey()
{
    auto* indicator =
        Frame()->statusBar()->findChild<CKeyIndicator*>(QStringLiteral("capIndicator"));
    QVERIFY(indicator);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString brightness = dir.filePath(QStringLiteral("input3::capslock/brightness"));
    QVERIFY(WriteFile(brightness, "0\n"));
    indicator->SetLedsFolder(dir.path());
    QCOMPARE(indicator->text(), QString());

    QVERIFY(WriteFile(brightness, "1\n"));
    QTest::keyRelease(Frame()->m_pEditorPane, Qt::Key_NumLock);
    QCOMPARE(indicator->text(), QString()); // another key: not read again
    QTest::keyRelease(Frame()->m_pEditorPane, Qt::Key_CapsLock);
    QCOMPARE(indicator->text(), QStringLiteral("CAP"));
    QVERIFY(WriteFile(brightness, "0\n"));
    QTest::keyRelease(Frame()->menuBar(), Qt::Key_CapsLock);
    QCOMPARE(indicator->text(), QString());

    indicator->SetLedsFolder(QStringLiteral("/sys/class/leds"));
}

void TestMainFrame::caption()
{
    CFlashDoc* doc = theApp.GetDocument();
    Frame()->m_pEditorPane->document()->setModified(false);
    doc->SetModifiedFlag(false);
    QCOMPARE(Frame()->windowTitle(), QStringLiteral("無題 - Peltra 0.7"));
    doc->SetTitle(QStringLiteral("第1回"));
    QCOMPARE(Frame()->windowTitle(), QStringLiteral("第1回 - Peltra 0.7"));
    // An unsaved project or unsaved editor text is marked.
    doc->SetModifiedFlag(true);
    QCOMPARE(Frame()->windowTitle(), QStringLiteral("第1回* - Peltra 0.7"));
    doc->SetModifiedFlag(false);
    theApp.OnFileNew();
    QCOMPARE(Frame()->windowTitle(), QStringLiteral("無題 - Peltra 0.7"));
}

void TestMainFrame::columnsStartAsHalves()
{
    CMainFrame frame;
    frame.resize(1000, 600);
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    QCOMPARE(frame.m_wndSplitter->widget(0), static_cast<QWidget*>(frame.m_pBrowserPane));
    // The right column holds the editor (and the compiler's messages below it).
    QCOMPARE(frame.m_wndSplitter->widget(1), static_cast<QWidget*>(frame.m_wndEditorColumn));
    QCOMPARE(frame.m_wndEditorColumn->widget(0), static_cast<QWidget*>(frame.m_pEditorPane));
    QCOMPARE(frame.m_wndSplitter->sizes().at(0), 500);
    QCOMPARE(frame.m_pBrowserPane->width(), 500);
    // The right column takes the rest.
    const QList<int> sizes = frame.m_wndSplitter->sizes();
    QCOMPARE(sizes.at(0) + sizes.at(1) + frame.m_wndSplitter->handleWidth(),
             frame.m_wndSplitter->width());

    // A later size change leaves the left column alone.
    frame.resize(1200, 600);
    QTRY_COMPARE(frame.m_wndSplitter->width(), 1200);
    QCOMPARE(frame.m_wndSplitter->sizes().at(0), 500);
}

void TestMainFrame::maximiseSetsHalves()
{
    CMainFrame frame;
    frame.resize(900, 600);
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    QCOMPARE(frame.m_wndSplitter->sizes().at(0), 450);

    // The learner drags the bar.
    frame.m_wndSplitter->setSizes({200, 695});
    QCOMPARE(frame.m_wndSplitter->sizes().at(0), 200);

    frame.showMaximized();
    QTRY_VERIFY(frame.windowState() & Qt::WindowMaximized);
    QTRY_COMPARE(frame.m_wndSplitter->sizes().at(0), frame.width() / 2);
    QCOMPARE(frame.m_pBrowserPane->minimumWidth(), 100);

    // A maximised frame whose client area is 1601 wide: 800.
    frame.OnSize(true, 1601);
    QCOMPARE(frame.m_wndSplitter->sizes().at(0), 800);

    // Restoring does not reset the columns, nor does a drag after it.
    frame.showNormal();
    QTRY_VERIFY(!(frame.windowState() & Qt::WindowMaximized));
    frame.m_wndSplitter->setSizes(
        {300, frame.m_wndSplitter->width() - 300 - frame.m_wndSplitter->handleWidth()});
    frame.resize(frame.width() - 50, frame.height());
    QTRY_COMPARE(frame.m_wndSplitter->width(), frame.width());
    QCOMPARE(frame.m_wndSplitter->sizes().at(0), 300);

    // The rule itself: only a maximised size change counts.
    frame.OnSize(false, 1400);
    QCOMPARE(frame.m_wndSplitter->sizes().at(0), 300);
    frame.OnSize(true, 1001);
    QCOMPARE(frame.m_wndSplitter->sizes().at(0), 500);
}

void TestMainFrame::nextPaneKeys()
{
    Frame()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(Frame()));
    Frame()->SetActivePane(0);
    QCOMPARE(Frame()->GetActivePane(), 0);
    QTest::keyClick(Frame(), Qt::Key_F6);
    QCOMPARE(Frame()->GetActivePane(), 1);
    QTRY_VERIFY(Frame()->m_pEditorPane->hasFocus());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F6);
    QCOMPARE(Frame()->GetActivePane(), 0);
    QTest::keyClick(Frame(), Qt::Key_F6, Qt::ShiftModifier);
    QCOMPARE(Frame()->GetActivePane(), 1);
}

void TestMainFrame::editCommandsFollowActivePane()
{
    CProgrammingView* editor = Frame()->m_pEditorPane;
    QAction* cut = Frame()->Action(ID_EDIT_CUT);
    QAction* copy = Frame()->Action(ID_EDIT_COPY);
    QAction* paste = Frame()->Action(ID_EDIT_PASTE);
    QAction* undo = Frame()->Action(ID_EDIT_UNDO);

    Frame()->SetActivePane(1);
    editor->SetWindowText(QStringLiteral("alpha beta"));
    QTextCursor cursor = editor->textCursor();
    cursor.setPosition(0);
    editor->setTextCursor(cursor);
    QVERIFY(!copy->isEnabled());
    QVERIFY(!cut->isEnabled());

    cursor.setPosition(5, QTextCursor::KeepAnchor);
    editor->setTextCursor(cursor);
    QVERIFY(copy->isEnabled());
    QVERIFY(cut->isEnabled());
    copy->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("alpha"));
    QVERIFY(paste->isEnabled());

    // Typing makes Undo available; Undo through the action takes it back.
    cursor.setPosition(editor->document()->characterCount() - 1);
    editor->setTextCursor(cursor);
    editor->setFocus();
    QTest::keyClicks(editor, QStringLiteral("!"));
    QCOMPARE(editor->GetWindowText(), QStringLiteral("alpha beta!"));
    QVERIFY(undo->isEnabled());
    undo->trigger();
    QCOMPARE(editor->GetWindowText(), QStringLiteral("alpha beta"));

    QGuiApplication::clipboard()->clear();
    QTRY_VERIFY(!paste->isEnabled());

    // The tutorial pane has no edit commands: with text on the clipboard and
    // a selection in the editor, all four grey out while it is active, and a
    // Paste triggered anyway leaves the editor alone.
    editor->selectAll();
    QGuiApplication::clipboard()->setText(QStringLiteral("pasted"));
    Frame()->SetActivePane(0);
    QVERIFY(!cut->isEnabled());
    QVERIFY(!copy->isEnabled());
    QVERIFY(!paste->isEnabled());
    QVERIFY(!undo->isEnabled());
    paste->setEnabled(true);
    paste->trigger();
    QCOMPARE(editor->GetWindowText(), QStringLiteral("alpha beta"));
    Frame()->SetActivePane(1);
    QVERIFY(paste->isEnabled());
    QVERIFY(cut->isEnabled());

    // The build and reload never grey out.
    QVERIFY(Frame()->Action(ID_BUILD_AND_RUN)->isEnabled());
    QVERIFY(Frame()->Action(ID_OPEN_LAST_SOURCE)->isEnabled());
}

void TestMainFrame::viewMenuHidesBars()
{
    QAction* toolBar = Frame()->Action(ID_VIEW_TOOLBAR);
    QAction* statusBar = Frame()->Action(ID_VIEW_STATUS_BAR);
    QVERIFY(toolBar->isCheckable() && toolBar->isChecked());
    toolBar->trigger();
    QVERIFY(!Frame()->m_wndToolBar->isVisible());
    toolBar->trigger();
    QVERIFY(Frame()->m_wndToolBar->isVisible());
    statusBar->trigger();
    QVERIFY(!Frame()->statusBar()->isVisible());
    QVERIFY(!statusBar->isChecked());
    statusBar->trigger();
    QVERIFY(Frame()->statusBar()->isVisible());
}

void TestMainFrame::buildAndRun()
{
    CMainFrame* frame = Frame();
    const QString folder = m_dir.filePath(QStringLiteral("build"));
    QVERIFY(QDir().mkpath(folder));
    const QString compilerLog = folder + QStringLiteral("/compiler.log");
    const QString playerLog = folder + QStringLiteral("/player.log");
    frame->m_strMxmlcPath = WriteScript(folder + QStringLiteral("/mxmlc"), compilerLog);
    frame->m_strPlayerPath = WriteScript(folder + QStringLiteral("/player"), playerLog, false);
    frame->m_strSourcePath = folder + QStringLiteral("/Main.as");
    frame->m_strMoviePath = folder + QStringLiteral("/first.swf");

    frame->m_pEditorPane->SetWindowText(QStringLiteral("a\nb あ"));
    QVERIFY(WriteExecutable(folder + QStringLiteral("/movie.path"), frame->m_strMoviePath.toUtf8()));
    frame->Action(ID_BUILD_AND_RUN)->trigger();
    QTRY_VERIFY(!frame->IsBuilding());
    QCOMPARE(ReadAll(frame->m_strSourcePath), QByteArray("a\r\nb \xe3\x81\x82"));
    const QList<QByteArray> args = ReadAll(compilerLog).split('\n');
    QVERIFY(args.size() >= 4);
    QCOMPARE(args.at(0), frame->m_strSourcePath.toUtf8());
    QCOMPARE(args.at(1), QByteArray("-output"));
    QVERIFY(args.at(2).endsWith("GameMovie.swf"));
    QVERIFY(args.at(3).startsWith("-load-config+="));
    QTRY_COMPARE(ReadAll(playerLog), frame->m_strMoviePath.toUtf8() + '\n');
    QVERIFY(m_app.messages.isEmpty());
    QCOMPARE(QApplication::overrideCursor(), nullptr);

    // Again without editing: the same file, the player asked again.
    frame->m_strMoviePath = folder + QStringLiteral("/second.swf");
    QVERIFY(WriteExecutable(folder + QStringLiteral("/movie.path"), frame->m_strMoviePath.toUtf8()));
    frame->Action(ID_BUILD_AND_RUN)->trigger();
    QTRY_VERIFY(!frame->IsBuilding());
    QCOMPARE(ReadAll(frame->m_strSourcePath), QByteArray("a\r\nb \xe3\x81\x82"));
    QTRY_VERIFY(ReadAll(playerLog).contains("second.swf"));
}

void TestMainFrame::failedBuildKeepsRunning()
{
    CMainFrame* frame = Frame();
    const QString folder = m_dir.filePath(QStringLiteral("failed"));
    QVERIFY(QDir().mkpath(folder));
    const QString playerLog = folder + QStringLiteral("/player.log");
    frame->m_strMxmlcPath = folder + QStringLiteral("/no-such-compiler");
    frame->m_strPlayerPath = WriteScript(folder + QStringLiteral("/player"), playerLog, false);
    frame->m_strSourcePath = folder + QStringLiteral("/Main.as");
    frame->m_strMoviePath = folder + QStringLiteral("/failed.swf");
    frame->m_pEditorPane->SetWindowText(QStringLiteral("x"));

    frame->Action(ID_BUILD_AND_RUN)->trigger();
    QTRY_VERIFY(!frame->IsBuilding());
    QCOMPARE(m_app.messages.size(), 1);
    QVERIFY(m_app.messages.at(0).contains(QStringLiteral("CreateProcess")));
    QVERIFY(m_app.messages.at(0).startsWith(QStringLiteral("ERROR: API")));
    QCOMPARE(ReadAll(frame->m_strSourcePath), QByteArray("x")); // saved before the compile
    QCOMPARE(QApplication::overrideCursor(), nullptr);

    // The program is still there: a good build afterwards starts the player
    // with its movie only; the failed one never started it.
    const QString compilerLog = folder + QStringLiteral("/compiler.log");
    frame->m_strMxmlcPath = WriteScript(folder + QStringLiteral("/mxmlc"), compilerLog);
    frame->m_strMoviePath = folder + QStringLiteral("/good.swf");
    QVERIFY(WriteExecutable(folder + QStringLiteral("/movie.path"), frame->m_strMoviePath.toUtf8()));
    frame->Action(ID_BUILD_AND_RUN)->trigger();
    QTRY_VERIFY(ReadAll(playerLog).contains("good.swf"));
    QCOMPARE(ReadAll(playerLog), frame->m_strMoviePath.toUtf8() + '\n');
}

void TestMainFrame::openLastSource()
{
    CMainFrame* frame = Frame();
    frame->m_strSourcePath = m_dir.filePath(QStringLiteral("last/Main.as"));
    QVERIFY(QDir().mkpath(m_dir.filePath(QStringLiteral("last"))));
    frame->m_pEditorPane->SetWindowText(QStringLiteral("kept"));

    // Missing file: the editor keeps its text.
    frame->Action(ID_OPEN_LAST_SOURCE)->trigger();
    QCOMPARE(frame->m_pEditorPane->GetWindowText(), QStringLiteral("kept"));

    QVERIFY(SaveSourceFile(frame->m_strSourcePath, QStringLiteral("line1\nライン2\n")));
    frame->Action(ID_OPEN_LAST_SOURCE)->trigger();
    QString expected;
    QVERIFY(LoadSourceFile(frame->m_strSourcePath, expected));
    // Line breaks are counted alike on both sides.
    QCOMPARE(frame->m_pEditorPane->GetWindowText().remove(QLatin1Char('\r')),
             expected.remove(QLatin1Char('\r')));
    QVERIFY(frame->m_pEditorPane->GetWindowText().contains(QStringLiteral("ライン2")));
    // And the browser goes to the default index page.
    QTRY_VERIFY(
        frame->m_pBrowserPane->url().toLocalFile().endsWith(QStringLiteral("HTML/index.html")));
}

void TestMainFrame::recentFileMenu()
{
    RecentFileList* recent = theApp.GetRecentFileList();
    recent->Clear();
    const QString a = AppFixture::EmptyProject(m_dir.filePath(QStringLiteral("first.lrnf")));
    const QString b = AppFixture::EmptyProject(m_dir.filePath(QStringLiteral("second.lrnf")));
    QVERIFY(theApp.OpenDocumentFile(a));
    QVERIFY(theApp.OpenDocumentFile(b));
    QCOMPARE(recent->files(), (QStringList{b, a}));

    QAction* first = Frame()->Action(ID_FILE_MRU_FILE1);
    QAction* second = Frame()->Action(ID_FILE_MRU_FILE1 + 1);
    QVERIFY(first->isVisible() && second->isVisible());
    QVERIFY(!Frame()->Action(ID_FILE_MRU_FILE1 + 2)->isVisible());
    QCOMPARE(first->text(), QStringLiteral("&1 ") + RecentFileList::AbbreviatePath(b, 30));
    QCOMPARE(first->statusTip(), QStringLiteral("指定のファイルを開く"));
    auto* placeholder = Frame()->findChild<QAction*>(QStringLiteral("recentFilePlaceholder"));
    QVERIFY(placeholder && !placeholder->isVisible());

    second->trigger();
    QCOMPARE(theApp.GetDocument()->GetPathName(), a);
    QCOMPARE(recent->files(), (QStringList{a, b}));
    QCOMPARE(Frame()->windowTitle(), QStringLiteral("first - Peltra 0.7"));

    // An entry that no longer opens leaves the list, after the message.
    QVERIFY(QFile::remove(b));
    second->trigger();
    QCOMPARE(m_app.messages.size(), 1);
    QCOMPARE(recent->files(), QStringList{a});
    QCOMPARE(theApp.GetDocument()->GetPathName(), a);

    // Cancelling the save prompt keeps the entry.
    const QString c = AppFixture::EmptyProject(m_dir.filePath(QStringLiteral("third.lrnf")));
    recent->Add(c);
    recent->Add(a);
    theApp.GetDocument()->SetModifiedFlag(true);
    m_app.answer = QMessageBox::Cancel;
    second->trigger();
    QCOMPARE(recent->files(), (QStringList{a, c}));
    QCOMPARE(theApp.GetDocument()->GetPathName(), a);
    theApp.GetDocument()->SetModifiedFlag(false);
}

void TestMainFrame::dropsOpenProjects()
{
    const QString a = AppFixture::EmptyProject(m_dir.filePath(QStringLiteral("drop1.lrnf")));
    const QString b = AppFixture::EmptyProject(m_dir.filePath(QStringLiteral("drop2.lrnf")));
    auto drop = [](QWidget* target, const QList<QUrl>& urls) {
        QMimeData data;
        data.setUrls(urls);
        data.setText(urls.value(0).toString());
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        if (!enter.isAccepted())
            return false;
        QDropEvent dropEvent(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton,
                             Qt::NoModifier);
        QApplication::sendEvent(target, &dropEvent);
        return dropEvent.isAccepted();
    };

    // Each file in turn; the last that opens stays.
    QVERIFY(drop(Frame(), {QUrl::fromLocalFile(a), QUrl::fromLocalFile(b)}));
    QCOMPARE(theApp.GetDocument()->GetPathName(), b);
    QCOMPARE(theApp.GetRecentFileList()->files().mid(0, 2), (QStringList{b, a}));

    // Dropped on the editor, a file is opened, not typed in as its name.
    CProgrammingView* editor = Frame()->m_pEditorPane;
    editor->SetWindowText(QString());
    QVERIFY(drop(editor->viewport(), {QUrl::fromLocalFile(a)}));
    QCOMPARE(theApp.GetDocument()->GetPathName(), a);
    QCOMPARE(editor->GetWindowText(), QString());

    // A file of another kind is refused by the document; the project stays.
    const QString other = m_dir.filePath(QStringLiteral("notes.txt"));
    AppFixture::EmptyProject(other);
    QVERIFY(drop(Frame(), {QUrl::fromLocalFile(other)}));
    QCOMPARE(theApp.GetDocument()->GetPathName(), a);
}

void TestMainFrame::closeAsksToSave()
{
    CFlashDoc* doc = theApp.GetDocument();
    doc->SetModifiedFlag(true);
    m_app.answer = QMessageBox::Cancel;
    QVERIFY(!Frame()->close());
    QVERIFY(Frame()->isVisible());
    QCOMPARE(m_app.messages.size(), 1);
    QVERIFY(m_app.messages.at(0).endsWith(QStringLiteral("への変更を保存しますか?")));

    m_app.answer = QMessageBox::No;
    Frame()->Action(ID_APP_EXIT)->trigger();
    QVERIFY(!Frame()->isVisible());
    QCOMPARE(m_app.messages.size(), 2);
    doc->SetModifiedFlag(false);
    Frame()->show();
}

QTEST_MAIN(TestMainFrame)
#include "tst_mainframe.moc"
