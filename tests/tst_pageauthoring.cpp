// Writing a tutorial's pages in the main window: the page settings dialog
// beside the editor takes line, count and script from the editor's
// selection and checks an entry at OK; the page list shows every page and
// jumps to it; 追加 and 削除 from the list ask first; and every change of the
// entries is undone in one step, back to the very bytes of the project.
#include "app/commands.h"
#include "app/flashapp.h"
#include "app/mainframe.h"
#include "app/pagelistpane.h"
#include "browser/flashview.h"
#include "build/locations.h"
#include "editor/programmingview.h"
#include "tutorial/dlgpage.h"
#include "tutorial/flashdoc.h"
#include "tutorial/peltra.h"
#include "tutorial/projectfile.h"

#include "support/appfixture.h"
#include "support/testsupport.h"

#include <QApplication>
#include <QDir>
#include <QDockWidget>
#include <QFileInfo>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <QTreeWidget>
#include <QUndoStack>

#include <functional>

namespace {

const QByteArray kStartPage = "HTML\\pageauthoring\\index.html";

QString PagesFolder()
{
    return QFileInfo(StartPagePath(GetProgramFolder(), kStartPage)).absolutePath();
}

} // namespace

class TestPageAuthoring : public QObject
{
    Q_OBJECT
public:
    static void initMain() { AppFixture::InitMain(); }

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void fromSelection_data();
    void fromSelection();
    void dialogOpensBesideEditor();
    void okCheckWarns_data();
    void okCheckWarns();
    void pageListShowsSample();
    void pageListInsertAndDeleteAsk();
    void undoRestoresBytes_data();
    void undoRestoresBytes();

private:
    CMainFrame* Frame() const { return m_app.Frame(); }
    CProgrammingView* Editor() const { return m_app.Editor(); }
    CPageListPane* PageList() const { return Frame()->m_pPageList; }
    // The project file as theTutorial would be saved now.
    QByteArray ProjectBytes();
    // Runs start (which opens the page settings dialog) with act on the
    // dialog; false when no dialog came.
    bool WithDialog(const std::function<void()>& start, const std::function<void(CDlgPage*)>& act);
    void SelectEditorText(int fromLine, int fromColumn, int toLine, int toColumn);
    void ShowPageList();
    QTreeWidgetItem* Row(int page) const { return PageList()->List()->topLevelItem(page); }

    AppFixture m_app;
    QTemporaryDir m_dir;
    QString m_sample;
};

void TestPageAuthoring::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_app.SetUp();
    // The sample as built, its pages in a folder of their own below this
    // test's program folder.
    const QString built = QStringLiteral(PELTRA_PROGRAM_FOLDER "/");
    CPeltra sample;
    QVERIFY(ProjectFile::Load(built + QStringLiteral("sample.lrnf"), sample).ok());
    sample.SetStartPage(kStartPage);
    m_sample = m_dir.filePath(QStringLiteral("sample.lrnf"));
    QVERIFY(ProjectFile::Save(m_sample, sample).ok());
    QVERIFY(QFile::copy(built + QStringLiteral("sample.template.as"),
                        m_dir.filePath(QStringLiteral("sample.template.as"))));
    QDir(PagesFolder()).removeRecursively();
    QVERIFY(QDir().mkpath(PagesFolder()));
    const QDir html(built + QStringLiteral("HTML"));
    for (const QString& name : html.entryList({QStringLiteral("*.html")}, QDir::Files))
        QVERIFY(QFile::copy(html.filePath(name), PagesFolder() + QLatin1Char('/') + name));
    QVERIFY(m_app.Start({m_sample}));
    QVERIFY(m_app.ShowMainWindow(QSize(1400, 800), true));
}

void TestPageAuthoring::cleanupTestCase()
{
    m_app.Stop();
    m_app.TearDown();
    QDir(PagesFolder()).removeRecursively();
}

void TestPageAuthoring::init()
{
    // The sample afresh for every case: changes of an earlier one are
    // dropped unsaved.
    QVERIFY(theApp.GetDocument()->OnOpenDocument(m_sample));
    m_app.ClearMessages();
    QVERIFY(theApp.GetDocument()->Template().HasTemplate());
    QVERIFY(theTutorial.GetPageCount() > 4);
}

QByteArray TestPageAuthoring::ProjectBytes()
{
    const QString path = m_dir.filePath(QStringLiteral("now.lrnf"));
    if (!ProjectFile::Save(path, theTutorial).ok())
        return QByteArray("cannot save");
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("cannot read");
}

bool TestPageAuthoring::WithDialog(const std::function<void()>& start,
                                   const std::function<void(CDlgPage*)>& act)
{
    bool found = false;
    QTimer::singleShot(0, this, [&] {
        auto* dlg = qobject_cast<CDlgPage*>(QApplication::activeModalWidget());
        if (!dlg) {
            if (QWidget* modal = QApplication::activeModalWidget())
                modal->close();
            return;
        }
        found = true;
        act(dlg);
        if (dlg->isVisible())
            dlg->done(-99); // never leave the test waiting
    });
    start();
    return found;
}

void TestPageAuthoring::SelectEditorText(int fromLine, int fromColumn, int toLine, int toColumn)
{
    QTextDocument* doc = Editor()->document();
    QTextCursor cursor(doc);
    cursor.setPosition(doc->findBlockByNumber(fromLine - 1).position() + fromColumn);
    cursor.setPosition(doc->findBlockByNumber(toLine - 1).position() + toColumn,
                       QTextCursor::KeepAnchor);
    Editor()->setTextCursor(cursor);
}

void TestPageAuthoring::ShowPageList()
{
    Frame()->Action(ID_VIEW_PAGE_LIST)->trigger();
    QVERIFY(Frame()->m_pPageListDock->isVisible());
}

void TestPageAuthoring::fromSelection_data()
{
    QTest::addColumn<QList<int>>("selection"); // from line, column, to line, column
    QTest::addColumn<QString>("textBefore");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("count");
    QTest::addColumn<QString>("text");
    QTest::newRow("inside two lines") << QList<int>{2, 1, 3, 2} << QString() << "2"
                                      << "2" << "two\nthree\n";
    QTest::newRow("whole lines up to the next line's start")
        << QList<int>{2, 0, 5, 0} << QString() << "2"
        << "3" << "two\nthree\nfour\n";
    QTest::newRow("caret only") << QList<int>{4, 2, 4, 2} << QString() << "4"
                                << "1" << "four\n";
    QTest::newRow("last line without a line break")
        << QList<int>{5, 0, 5, 4} << QString() << "5"
        << "1" << "five\n";
    QTest::newRow("a script written stays")
        << QList<int>{1, 0, 2, 3} << "mine\n" << "1"
        << "2" << "mine\n";
}

void TestPageAuthoring::fromSelection()
{
    QFETCH(QList<int>, selection);
    QFETCH(QString, textBefore);
    QFETCH(QString, line);
    QFETCH(QString, count);
    QFETCH(QString, text);
    theTutorial.SetCurrentPage(1);
    Editor()->SetWindowText(QStringLiteral("one\ntwo\nthree\nfour\nfive"));
    SelectEditorText(selection[0], selection[1], selection[2], selection[3]);
    const QByteArray before = ProjectBytes();

    QString shownLine, shownCount, shownText;
    QVERIFY(WithDialog([] { theApp.GetDocument()->OnPageSettings(); },
                       [&](CDlgPage* dlg) {
                           auto* button = dlg->findChild<QPushButton*>("fromSelectionButton");
                           QVERIFY(button && button->isVisible());
                           QCOMPARE(button->text(), QStringLiteral("選択範囲から"));
                           dlg->findChild<QPlainTextEdit*>("textEdit")->setPlainText(textBefore);
                           button->click();
                           shownLine = dlg->findChild<QLineEdit*>("lineEdit")->text();
                           shownCount = dlg->findChild<QLineEdit*>("lineCountEdit")->text();
                           shownText = dlg->findChild<QPlainTextEdit*>("textEdit")->toPlainText();
                           dlg->reject();
                       }));
    QCOMPARE(shownLine, line);
    QCOMPARE(shownCount, count);
    QCOMPARE(shownText, text);
    // The editor was only asked: its text and selection stay, the model too.
    QCOMPARE(Editor()->GetWindowText(), QStringLiteral("one\ntwo\nthree\nfour\nfive"));
    QCOMPARE(ProjectBytes(), before);
}

void TestPageAuthoring::dialogOpensBesideEditor()
{
    // A tutorial pane as wide as the editor, room enough for the dialog.
    const int half = Frame()->m_wndSplitter->width() / 2;
    Frame()->m_wndSplitter->setSizes({half, half});
    theTutorial.SetCurrentPage(0);
    const QRect editor(Editor()->mapToGlobal(QPoint(0, 0)), Editor()->size());
    QRect dialog;
    QVERIFY(WithDialog([] { theApp.GetDocument()->OnPageSettings(); },
                       [&](CDlgPage* dlg) {
                           dialog = dlg->frameGeometry();
                           dlg->reject();
                       }));
    QVERIFY(dialog.isValid());
    QVERIFY2(!dialog.intersects(editor),
             qPrintable(QStringLiteral("dialog %1,%2 %3x%4, editor from x %5")
                            .arg(dialog.x())
                            .arg(dialog.y())
                            .arg(dialog.width())
                            .arg(dialog.height())
                            .arg(editor.x())));
}

void TestPageAuthoring::okCheckWarns_data()
{
    // Page 0 of the sample replaces one line.
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("focus"); // where going back puts the author
    QTest::newRow("line past the end") << "lineEdit"
                                       << "9999"
                                       << "lineEdit";
    QTest::newRow("count of 0 on a replace page") << "lineCountEdit"
                                                  << "0"
                                                  << "lineCountEdit";
    QTest::newRow("no final line break") << "textEdit"
                                         << "import flash.display.Sprite;"
                                         << "textEdit";
}

void TestPageAuthoring::okCheckWarns()
{
    QFETCH(QString, field);
    QFETCH(QString, value);
    QFETCH(QString, focus);
    theTutorial.SetCurrentPage(0);
    const QByteArray before = ProjectBytes();

    // The field gets the questionable value, whether a line or a text box.
    const auto fill = [&field, &value](CDlgPage* dlg) {
        if (auto* edit = dlg->findChild<QLineEdit*>(field))
            edit->setText(value);
        else
            dlg->findChild<QPlainTextEdit*>(field)->setPlainText(value);
    };
    bool stayedOpen = false;
    QString focused;
    QVERIFY(WithDialog([] { theApp.GetDocument()->OnPageSettings(); },
                       [&](CDlgPage* dlg) {
                           fill(dlg);
                           m_app.answer = QMessageBox::No; // back to the dialog
                           dlg->findChild<QPushButton*>("okButton")->click();
                           stayedOpen = dlg->isVisible();
                           focused = dlg->focusWidget() ? dlg->focusWidget()->objectName()
                                                        : QString();
                           dlg->reject();
                       }));
    QVERIFY(stayedOpen);
    QCOMPARE(focused, focus);
    QCOMPARE(m_app.messages.size(), 1);
    QVERIFY2(m_app.messages[0].startsWith(QStringLiteral("0ページ目の設定には次の問題があります。")) &&
                 m_app.messages[0].contains(QStringLiteral("このまま保存しますか?")),
             qPrintable(m_app.messages[0]));
    QCOMPARE(m_app.messageButtons[0], QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(ProjectBytes(), before);

    // Stored anyway: はい ends the dialog with OK, as OK always did.
    m_app.ClearMessages();
    QVERIFY(WithDialog([] { theApp.GetDocument()->OnPageSettings(); },
                       [&](CDlgPage* dlg) {
                           fill(dlg);
                           m_app.answer = QMessageBox::Yes;
                           dlg->findChild<QPushButton*>("okButton")->click();
                           stayedOpen = dlg->isVisible();
                       }));
    QVERIFY(!stayedOpen);
    QCOMPARE(m_app.messages.size(), 1);
    QVERIFY(ProjectBytes() != before);
    QVERIFY(theApp.GetDocument()->IsModified());
}

void TestPageAuthoring::pageListShowsSample()
{
    ShowPageList();
    QTreeWidget* list = PageList()->List();
    QCOMPARE(list->topLevelItemCount(), theTutorial.GetPageCount());
    QCOMPARE(PageList()->Note(),
             QStringLiteral("%1 ページ、問題 0 件").arg(theTutorial.GetPageCount()));
    // The sample's first page: its HTML title, a green replace of line 3.
    QTreeWidgetItem* first = Row(0);
    QVERIFY2(first->text(CPageListPane::ColTitle).startsWith(QStringLiteral("1. 部品を読み込む")),
             qPrintable(first->text(CPageListPane::ColTitle)));
    QCOMPARE(first->text(CPageListPane::ColKind), QStringLiteral("緑(置換)"));
    QCOMPARE(first->foreground(CPageListPane::ColKind).color(), QColor(0, 160, 0));
    QCOMPARE(first->text(CPageListPane::ColLine), QStringLiteral("3"));
    QCOMPARE(first->text(CPageListPane::ColCount), QStringLiteral("1"));
    QCOMPARE(first->text(CPageListPane::ColScript), QStringLiteral("import flash.display.Shape;"));
    for (int page = 0; page < list->topLevelItemCount(); ++page) {
        QTreeWidgetItem* row = Row(page);
        QCOMPARE(row->text(CPageListPane::ColPage), QString::number(page));
        QVERIFY2(row->text(CPageListPane::ColTitle).startsWith(QStringLiteral("%1. ").arg(page + 1)),
                 qPrintable(row->text(CPageListPane::ColTitle)));
        QVERIFY(!row->text(CPageListPane::ColKind).isEmpty());
        QCOMPARE(row->text(CPageListPane::ColFindings), QString());
    }

    // A damaged entry shows its finding at once.
    theTutorial.SetCurrentPage(2);
    QVERIFY(WithDialog([] { theApp.GetDocument()->OnPageSettings(); },
                       [&](CDlgPage* dlg) {
                           dlg->findChild<QLineEdit*>("lineEdit")->setText("9999");
                           m_app.answer = QMessageBox::Yes;
                           dlg->findChild<QPushButton*>("okButton")->click();
                       }));
    QVERIFY(!Row(2)->text(CPageListPane::ColFindings).isEmpty());
    QCOMPARE(Row(2)->text(CPageListPane::ColLine), QStringLiteral("9999"));

    // A double-click goes to the page: shown, with the source at its stage.
    QTreeWidgetItem* target = Row(4);
    list->scrollToItem(target);
    const QRect rect = list->visualItemRect(target);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    QCOMPARE(theTutorial.GetCurrentPage(), 4);
    QTRY_VERIFY(Frame()->m_pBrowserPane->url().toLocalFile().endsWith(QStringLiteral("index4.html")));
    QVERIFY(!Editor()->GetWindowText().isEmpty());
}

void TestPageAuthoring::pageListInsertAndDeleteAsk()
{
    ShowPageList();
    const int count = theTutorial.GetPageCount();
    const QByteArray original = ProjectBytes();
    theTutorial.SetCurrentPage(3);
    const QByteArray entry3 = theTutorial.GetText();
    PageList()->List()->setCurrentItem(Row(3));
    auto* insert = PageList()->findChild<QPushButton*>("pageListInsert");
    auto* remove = PageList()->findChild<QPushButton*>("pageListDelete");

    // いいえ: nothing moves.
    m_app.answer = QMessageBox::No;
    insert->click();
    QCOMPARE(m_app.messages.size(), 1);
    QCOMPARE(ProjectBytes(), original);

    // はい: a blank entry at 3, entries 3.. one page later; the question
    // said which.
    m_app.ClearMessages();
    m_app.answer = QMessageBox::Yes;
    insert->click();
    QCOMPARE(m_app.messages.size(), 1);
    QVERIFY2(m_app.messages[0].contains(QStringLiteral("ページ 3〜%1").arg(count - 1)) &&
                 m_app.messages[0].contains(QStringLiteral("ページ 4〜%1").arg(count)),
             qPrintable(m_app.messages[0]));
    QCOMPARE(theTutorial.GetPageCount(), count + 1);
    QCOMPARE(theTutorial.GetText(), QByteArray()); // page 3 is still current
    theTutorial.SetCurrentPage(4);
    QCOMPARE(theTutorial.GetText(), entry3);
    QCOMPARE(PageList()->List()->topLevelItemCount(), count + 1);
    QVERIFY(theApp.GetDocument()->IsModified());

    // 削除 of that blank entry asks, names the entries moving back, and
    // gives the sample's bytes again.
    m_app.ClearMessages();
    m_app.answer = QMessageBox::Yes;
    PageList()->List()->setCurrentItem(Row(3));
    remove->click();
    QCOMPARE(m_app.messages.size(), 1);
    QVERIFY2(m_app.messages[0].contains(QStringLiteral("ページ 4〜%1").arg(count)) &&
                 m_app.messages[0].contains(QStringLiteral("ページ 3〜%1").arg(count - 1)),
             qPrintable(m_app.messages[0]));
    QCOMPARE(ProjectBytes(), original);
}

void TestPageAuthoring::undoRestoresBytes_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("withKey"); // Ctrl+Z in the tutorial pane, or the list's 元に戻す
    for (const char* change : {"ok", "add", "delete", "list insert", "list delete", "record"}) {
        QTest::addRow("%s, Ctrl+Z", change) << QString::fromLatin1(change) << true;
        QTest::addRow("%s, list", change) << QString::fromLatin1(change) << false;
    }
}

void TestPageAuthoring::undoRestoresBytes()
{
    QFETCH(QString, change);
    QFETCH(bool, withKey);
    ShowPageList();
    CFlashDoc* doc = theApp.GetDocument();
    QVERIFY(!doc->IsModified());
    QVERIFY(!doc->UndoStack()->canUndo());
    const QByteArray original = ProjectBytes();
    theTutorial.SetCurrentPage(2);
    m_app.answer = QMessageBox::Yes;

    const auto dialogButton = [&](const char* button) {
        return WithDialog([] { theApp.GetDocument()->OnPageSettings(); },
                          [&](CDlgPage* dlg) {
                              dlg->findChild<QLineEdit*>("lineEdit")->setText("1");
                              dlg->findChild<QPushButton*>(button)->click();
                          });
    };
    if (change == QLatin1String("ok")) {
        QVERIFY(dialogButton("okButton"));
    } else if (change == QLatin1String("add")) {
        QVERIFY(dialogButton("addButton"));
    } else if (change == QLatin1String("delete")) {
        QVERIFY(dialogButton("deleteButton"));
    } else if (change == QLatin1String("list insert")) {
        PageList()->List()->setCurrentItem(Row(2));
        PageList()->findChild<QPushButton*>("pageListInsert")->click();
    } else if (change == QLatin1String("list delete")) {
        PageList()->List()->setCurrentItem(Row(2));
        PageList()->findChild<QPushButton*>("pageListDelete")->click();
    } else {
        // A page recorded from an edit: one more line at the stage's top.
        QVERIFY(Frame()->GoToPage(2));
        Editor()->SetWindowText(QStringLiteral("// recorded\n") + Editor()->GetWindowText());
        QVERIFY(WithDialog([this] { Frame()->RecordPage(); },
                           [](CDlgPage* dlg) { dlg->findChild<QPushButton*>("okButton")->click(); }));
    }
    QVERIFY(ProjectBytes() != original);
    QVERIFY(doc->IsModified());
    QVERIFY(doc->UndoStack()->canUndo());
    const int currentPage = theTutorial.GetCurrentPage();

    if (withKey) {
        Frame()->SetActivePane(0);
        QVERIFY(Frame()->Action(ID_EDIT_UNDO)->isEnabled());
        QWidget* focus = QApplication::focusWidget();
        QTest::keyClick(focus ? focus : Frame()->m_pBrowserPane, Qt::Key_Z, Qt::ControlModifier);
    } else {
        auto* undo = PageList()->findChild<QPushButton*>("pageListUndo");
        QVERIFY(undo->isEnabled());
        undo->click();
    }
    // One step back gives the very bytes, unmodified, at the same page.
    QCOMPARE(ProjectBytes(), original);
    QVERIFY(!doc->IsModified());
    QVERIFY(!doc->UndoStack()->canUndo());
    QCOMPARE(theTutorial.GetCurrentPage(), currentPage);
    QCOMPARE(PageList()->List()->topLevelItemCount(), theTutorial.GetPageCount());

    // And made again.
    doc->UndoStack()->redo();
    QVERIFY(ProjectBytes() != original);
    QVERIFY(doc->IsModified());
}

QTEST_MAIN(TestPageAuthoring)
#include "tst_pageauthoring.moc"
