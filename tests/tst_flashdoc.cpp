// The tutorial document: new, open (every road and every damaged file),
// save and save as, the save prompt, and the page settings flow.

#include "app/flashapp.h"
#include "app/mainframe.h"
#include "app/recentfilelist.h"
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
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <QWebEngineView>

#include <csignal>
#include <functional>
#include <sys/resource.h>

namespace {

QByteArray ShortString(const QByteArray& s)
{
    return char(s.size()) + s;
}

// A two-page project in the file's layout, field by field.
QList<QPair<QByteArray, QByteArray>> TwoPageFields()
{
    return {
        {"text count", Int32(2)},
        {"text 1 length", QByteArray(1, 3)},
        {"text 1 bytes", "abc"},
        {"text 2 length", QByteArray(1, 5)},
        {"text 2 bytes", "\x82\xa0\r\nx"},
        {"colour count", Int32(2)},
        {"colours", Int32(1) + Int32(2)},
        {"line count", Int32(2)},
        {"lines", Int32(12) + Int32(5)},
        {"span count", Int32(2)},
        {"spans", Int32(3) + Int32(1)},
        {"start page length", QByteArray(1, 15)},
        {"start page bytes", "HTML\\start.html"},
    };
}

QByteArray TwoPageFile()
{
    QByteArray bytes;
    for (const auto& field : TwoPageFields())
        bytes += field.second;
    return bytes;
}

// The model TwoPageFile holds, built through the model's own operations.
CPeltra TwoPageModel()
{
    CPeltra model;
    model.SetCurrentPage(0);
    model.SetPage({"abc", 1, 12, 3});
    model.SetCurrentPage(1);
    model.SetPage({"\x82\xa0\r\nx", 2, 5, 1});
    model.SetStartPage("HTML\\start.html");
    model.SetCurrentPage(-1);
    return model;
}

// The bytes a model is stored as.
QByteArray Stored(const CPeltra& model)
{
    QByteArray bytes;
    ProjectFile::Write(model, bytes);
    return bytes;
}

QByteArray ReadFile(const QString& path)
{
    return ReadAll(path, "<unreadable>");
}

struct DialogCall
{
    CFlashApp::FileDialogKind kind;
    QString folder;
    QString suggested;
};

// What a failed operation must leave alone.
struct DocState
{
    CPeltra model;
    QString title;
    QString path;
    bool modified;
};

// Keeps the process's file size limit low for its lifetime; writes beyond it
// fail (EFBIG) instead of raising a signal.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        m_ok = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &m_old); }
    bool ok() const { return m_ok; }

private:
    rlimit m_old{};
    bool m_ok = false;
};

} // namespace

class TestFlashDoc : public QObject
{
    Q_OBJECT

public:
    static void initMain() { AppFixture::InitMain(); }

private:
    QTemporaryDir m_dir;
    AppFixture m_app;
    QList<DialogCall> m_dialogCalls;
    QStringList m_dialogAnswers; // taken in turn; empty string = cancelled

    QString path(const QString& name) const { return m_dir.filePath(name); }

    static DocState state(const CFlashDoc& doc)
    {
        return {theTutorial, doc.GetTitle(), doc.GetPathName(), doc.IsModified()};
    }

    // Opens a valid project and edits it, so that it has a model, a title, a
    // path and the modified flag that a failed operation must keep.
    void makeOpenProject(CFlashDoc& doc)
    {
        QVERIFY(WriteFile(path("previous.lrnf"), TwoPageFile()));
        QVERIFY(doc.OnOpenDocument(path("previous.lrnf")));
        theTutorial.SetCurrentPage(1);
        theTutorial.SetPage({"edited", 2, 4, 4});
        doc.SetModifiedFlag(true);
        QVERIFY(m_app.messages.isEmpty());
    }

    static void compareState(const DocState& now, const DocState& before)
    {
        QVERIFY(now.model == before.model);
        QCOMPARE(now.model.GetCurrentPage(), before.model.GetCurrentPage());
        QCOMPARE(now.model.GetPageCount(), before.model.GetPageCount());
        QCOMPARE(now.model.GetStartPage(), before.model.GetStartPage());
        QCOMPARE(now.title, before.title);
        QCOMPARE(now.path, before.path);
        QCOMPARE(now.modified, before.modified);
    }

    // Runs the page settings flow; act fills and closes the dialog.
    void runPageSettings(CFlashDoc& doc, const std::function<void(CDlgPage*)>& act,
                         QString* caption = nullptr)
    {
        bool found = false;
        QTimer::singleShot(0, this, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            auto* dlg = qobject_cast<CDlgPage*>(modal);
            if (!dlg) {
                if (modal)
                    modal->close();
                return;
            }
            found = true;
            if (caption)
                *caption = dlg->windowTitle();
            act(dlg);
            if (dlg->isVisible())
                dlg->done(-99); // never leave the test waiting
        });
        // Whatever the choice, the panes hear that the dialog has closed.
        QSignalSpy applied(&doc, &CFlashDoc::pageSettingsApplied);
        doc.OnPageSettings();
        QVERIFY(found);
        QCOMPARE(applied.count(), 1);
    }

    template <typename T> static T* child(QWidget* w, const char* name)
    {
        return w->findChild<T*>(QLatin1String(name));
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_app.SetUp();
        m_app.fileDialog = [this](FileDialogKind kind, const QString& folder,
                                  const QString& suggested) {
            m_dialogCalls.append({kind, folder, suggested});
            return m_dialogAnswers.isEmpty() ? QString() : m_dialogAnswers.takeFirst();
        };
    }

    void cleanupTestCase() { m_app.TearDown(); }

    void init()
    {
        m_app.ClearMessages();
        m_dialogCalls.clear();
        m_dialogAnswers.clear();
        theTutorial.Clear();
        QVERIFY(theApp.GetMainWnd() == nullptr);
    }

    // --- New ---------------------------------------------------------------

    void newDocument()
    {
        CFlashDoc doc;
        makeOpenProject(doc);
        QSignalSpy titleSpy(&doc, &CFlashDoc::titleChanged);
        // The editor is emptied before the model is cleared.
        QSignalSpy cleared(&doc, &CFlashDoc::contentCleared);
        int pagesWhenCleared = -1;
        connect(&doc, &CFlashDoc::contentCleared, this,
                [&] { pagesWhenCleared = theTutorial.GetPageCount(); });
        QVERIFY(doc.OnNewDocument());
        QCOMPARE(cleared.count(), 1);
        QCOMPARE(pagesWhenCleared, 2);
        QVERIFY(theTutorial == CPeltra());
        QCOMPARE(theTutorial.GetPageCount(), 0);
        QCOMPARE(theTutorial.GetCurrentPage(), -1);
        QCOMPARE(theTutorial.GetStartPage(), QByteArray("HTML\\index.html"));
        QCOMPARE(doc.GetTitle(), QStringLiteral("無題"));
        QVERIFY(doc.GetPathName().isEmpty());
        QVERIFY(!doc.IsModified());
        QVERIFY(!titleSpy.isEmpty());
        QVERIFY(m_app.messages.isEmpty());
    }

    // --- Open --------------------------------------------------------------

    void openValid_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("title");
        QTest::newRow("plain") << "lesson.lrnf"
                               << "lesson";
        QTest::newRow("capital extension") << "LESSON.LRNF"
                                           << "LESSON";
        QTest::newRow("mixed case") << "a.LrNf"
                                    << "a";
        QTest::newRow("two dots") << "v1.2.lrnf"
                                  << "v1.2";
        QTest::newRow("Japanese name")
            << QStringLiteral("表ソ能予.lrnf") << QStringLiteral("表ソ能予");
        QTest::newRow("only the extension") << ".lrnf"
                                            << ".lrnf";
    }
    void openValid()
    {
        QFETCH(QString, name);
        QFETCH(QString, title);
        CFlashDoc doc;
        makeOpenProject(doc);
        QVERIFY(WriteFile(path(name), TwoPageFile()));
        QSignalSpy titleSpy(&doc, &CFlashDoc::titleChanged);
        // The panes hear of the project once it is in the model, before it
        // takes its path; the path then heads the recent-file list.
        QSignalSpy opened(&doc, &CFlashDoc::projectOpened);
        QSignalSpy recorded(&doc, &CFlashDoc::pathNameRecorded);
        bool loadedWhenOpened = false;
        QString pathWhenOpened;
        connect(&doc, &CFlashDoc::projectOpened, this, [&] {
            loadedWhenOpened = theTutorial == TwoPageModel();
            pathWhenOpened = doc.GetPathName();
        });

        QVERIFY(doc.OnOpenDocument(path(name)));
        QCOMPARE(opened.count(), 1);
        QVERIFY(loadedWhenOpened);
        QCOMPARE(pathWhenOpened, QFileInfo(path("previous.lrnf")).absoluteFilePath());
        QCOMPARE(recorded.count(), 1);
        QCOMPARE(recorded.at(0).at(0).toString(), QFileInfo(path(name)).absoluteFilePath());
        QVERIFY(m_app.messages.isEmpty());
        QVERIFY(theTutorial == TwoPageModel());
        QCOMPARE(theTutorial.GetCurrentPage(), -1);
        QCOMPARE(theTutorial.GetText(), QByteArray());
        QCOMPARE(doc.GetTitle(), title);
        QCOMPARE(doc.GetPathName(), QFileInfo(path(name)).absoluteFilePath());
        QVERIFY(!doc.IsModified());
        QVERIFY(!titleSpy.isEmpty());
    }

    void openEmptyFile()
    {
        CFlashDoc doc;
        makeOpenProject(doc);
        QVERIFY(WriteFile(path("empty.lrnf"), QByteArray()));
        QVERIFY(doc.OnOpenDocument(path("empty.lrnf")));
        QVERIFY(m_app.messages.isEmpty());
        QVERIFY(theTutorial == CPeltra());
        QCOMPARE(theTutorial.GetPageCount(), 0);
        QCOMPARE(theTutorial.GetStartPage(), QByteArray("HTML\\index.html"));
        QCOMPARE(doc.GetTitle(), QStringLiteral("empty"));
        QVERIFY(!doc.IsModified());
    }

    void openBytesAfterStartPageIgnored()
    {
        CFlashDoc doc;
        QVERIFY(WriteFile(path("tail.lrnf"), TwoPageFile() + "trailing bytes"));
        QVERIFY(doc.OnOpenDocument(path("tail.lrnf")));
        QVERIFY(theTutorial == TwoPageModel());
    }

    void openRefusedSilently_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("other extension") << "lesson.txt";
        QTest::newRow("no extension") << "lesson";
        QTest::newRow("extension before another") << "lesson.lrnf.bak";
        QTest::newRow("longer extension") << "lesson.lrnfx";
        QTest::newRow("shorter extension") << "lesson.lrn";
        QTest::newRow("trailing dot") << "lesson.lrnf.";
        QTest::newRow("full-width letters") << QStringLiteral("lesson.ｌｒｎｆ");
        QTest::newRow("missing, other extension") << "missing.txt";
    }
    void openRefusedSilently()
    {
        QFETCH(QString, name);
        CFlashDoc doc;
        makeOpenProject(doc);
        if (!name.startsWith(QLatin1String("missing")))
            QVERIFY(WriteFile(path(name), TwoPageFile()));
        const DocState before = state(doc);
        QVERIFY(!doc.OnOpenDocument(path(name)));
        QVERIFY(m_app.messages.isEmpty());
        compareState(state(doc), before);
    }

    void openFails_data()
    {
        QTest::addColumn<QByteArray>("bytes"); // "<missing>", "<folder>" or the file's bytes
        QTest::addColumn<QString>("message");
        const QString endOfFile = QStringLiteral("予期しないファイル形式です。");
        const QString failed = QStringLiteral("ドキュメントを開くことに失敗しました。");
        QTest::newRow("missing file") << QByteArray("<missing>") << QString();
        QTest::newRow("folder") << QByteArray("<folder>") << failed;

        // Cut inside each field in turn.
        int offset = 0;
        for (const auto& field : TwoPageFields()) {
            const int cut = offset + int(field.second.size()) / 2;
            QTest::addRow("cut inside %s", field.first.constData())
                << TwoPageFile().left(cut) << endOfFile;
            offset += int(field.second.size());
        }
        QTest::newRow("one byte short") << TwoPageFile().chopped(1) << endOfFile;
        QTest::newRow("count beyond the file") << (Int32(1000000) + ShortString("x")) << endOfFile;
        QTest::newRow("string longer than the file")
            << (Int32(1) + QByteArray("\xff\xff\xff\x00\x00\x01\x00", 7)) << endOfFile;
        QTest::newRow("qword length above 2147483647")
            << (Int32(1) + QByteArray("\xff\xff\xff\xff\xff\xff\xff", 7) +
                QByteArray("\x00\x00\x00\x80\x00\x00\x00\x00", 8))
            << failed;
    }
    void openFails()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        CFlashDoc doc;
        makeOpenProject(doc);
        const QString target = path("damaged.lrnf");
        QFile::remove(target);
        QDir(target).removeRecursively();
        if (bytes == "<folder>")
            QVERIFY(QDir().mkpath(target));
        else if (bytes != "<missing>")
            QVERIFY(WriteFile(target, bytes));
        if (message.isEmpty())
            message = QStringLiteral("%1 が見つかりませんでした。").arg(target);

        const DocState before = state(doc);
        QSignalSpy opened(&doc, &CFlashDoc::projectOpened);
        QSignalSpy recorded(&doc, &CFlashDoc::pathNameRecorded);
        QVERIFY(!doc.OnOpenDocument(target));
        QCOMPARE(opened.count(), 0);
        QCOMPARE(recorded.count(), 0);
        QCOMPARE(m_app.messages, QStringList{message});
        QCOMPARE(m_app.messageButtons.value(0), QMessageBox::StandardButtons(QMessageBox::Ok));
        compareState(state(doc), before);
    }

    void openEveryTruncation()
    {
        // Every file shorter than the whole fails as ending early, and none
        // leaves a trace in the open project.
        CFlashDoc doc;
        makeOpenProject(doc);
        const DocState before = state(doc);
        const QByteArray whole = TwoPageFile();
        for (int length = 1; length < whole.size(); ++length) {
            m_app.messages.clear();
            QVERIFY(WriteFile(path("cut.lrnf"), whole.left(length)));
            QVERIFY2(!doc.OnOpenDocument(path("cut.lrnf")), qPrintable(QString::number(length)));
            QCOMPARE(m_app.messages, QStringList{QStringLiteral("予期しないファイル形式です。")});
            compareState(state(doc), before);
        }
    }

    // --- Save --------------------------------------------------------------

    void saveWritesDesignedBytes_data()
    {
        QTest::addColumn<bool>("onePage");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("cleared model, 32 bytes")
            << false << (QByteArray(16, '\0') + "\x0fHTML\\index.html");
        QTest::newRow("one page, 48 bytes")
            << true
            << QByteArray("\x01\x00\x00\x00\x03"
                          "abc"
                          "\x01\x00\x00\x00\x01\x00\x00\x00\x01\x00\x00\x00\x0c\x00\x00\x00"
                          "\x01\x00\x00\x00\x03\x00\x00\x00\x0f"
                          "HTML\\index.html",
                          48);
    }
    void saveWritesDesignedBytes()
    {
        QFETCH(bool, onePage);
        QFETCH(QByteArray, expected);
        CFlashDoc doc;
        QVERIFY(doc.OnNewDocument());
        if (onePage) {
            theTutorial.SetCurrentPage(0);
            theTutorial.SetPage({"abc", 1, 12, 3});
        }
        doc.SetModifiedFlag(true);
        QVERIFY(WriteFile(path("saved.lrnf"), "old content that is longer than the new one...."));
        QVERIFY(doc.OnSaveDocument(path("saved.lrnf")));
        QCOMPARE(ReadFile(path("saved.lrnf")), expected);
        QVERIFY(!doc.IsModified());
        QVERIFY(m_app.messages.isEmpty());
    }

    void saveAndOpenRoundTrip()
    {
        CFlashDoc doc;
        QVERIFY(doc.OnNewDocument());
        theTutorial.SetCurrentPage(3);
        theTutorial.SetPage({QByteArray("\x95\x5c\r\n") + QByteArray(300, 'x'), 2, 70000, -1});
        theTutorial.SetStartPage("HTML\\\x94\x5c.html");
        theTutorial.SetCurrentPage(-1);
        const CPeltra saved = theTutorial;
        QVERIFY(doc.OnSaveDocument(path("round.lrnf")));
        QVERIFY(doc.OnNewDocument());
        QVERIFY(doc.OnOpenDocument(path("round.lrnf")));
        QVERIFY(theTutorial == saved);
    }

    void fileSaveUsesThePath()
    {
        CFlashDoc doc;
        makeOpenProject(doc);
        QVERIFY(doc.OnFileSave());
        QVERIFY(m_dialogCalls.isEmpty());
        QVERIFY(!doc.IsModified());
        CPeltra reread;
        QCOMPARE(CFlashDoc::LoadProject(path("previous.lrnf"), reread), CFlashDoc::LoadResult::Ok);
        reread.SetCurrentPage(1);
        QCOMPARE(reread.GetText(), QByteArray("edited"));
        QCOMPARE(reread.GetColor(), 2);
    }

    void saveAsChoosesName_data()
    {
        QTest::addColumn<bool>("untitled");
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("written");
        QTest::addColumn<QString>("title");
        QTest::newRow("untitled, name without extension") << true << "fresh"
                                                          << "fresh.lrnf"
                                                          << "fresh";
        QTest::newRow("untitled, with extension") << true << "b.lrnf"
                                                  << "b.lrnf"
                                                  << "b";
        QTest::newRow("titled, other extension kept") << false << "c.txt"
                                                      << "c.txt"
                                                      << "c";
        QTest::newRow("titled, Japanese name")
            << false << QStringLiteral("予定") << QStringLiteral("予定.lrnf")
            << QStringLiteral("予定");
    }
    void saveAsChoosesName()
    {
        QFETCH(bool, untitled);
        QFETCH(QString, chosen);
        QFETCH(QString, written);
        QFETCH(QString, title);
        CFlashDoc doc;
        if (untitled) {
            QVERIFY(doc.OnNewDocument());
            theTutorial.SetCurrentPage(0);
            theTutorial.SetPage({"abc", 1, 12, 3});
            doc.SetModifiedFlag(true);
        } else {
            makeOpenProject(doc);
        }
        const CPeltra model = theTutorial;
        m_dialogAnswers << path(chosen);
        QSignalSpy recorded(&doc, &CFlashDoc::pathNameRecorded);

        QVERIFY(untitled ? doc.OnFileSave() : doc.OnFileSaveAs());
        QCOMPARE(recorded.count(), 1);
        QCOMPARE(recorded.at(0).at(0).toString(), QFileInfo(path(written)).absoluteFilePath());
        QCOMPARE(m_dialogCalls.size(), 1);
        QCOMPARE(m_dialogCalls[0].kind, CFlashApp::FileDialogKind::SaveAs);
        if (untitled) {
            QCOMPARE(m_dialogCalls[0].suggested, QStringLiteral("無題.lrnf"));
            QCOMPARE(m_dialogCalls[0].folder, GetProgramFolder());
        } else {
            QCOMPARE(m_dialogCalls[0].suggested, QStringLiteral("previous.lrnf"));
            QCOMPARE(QDir(m_dialogCalls[0].folder), QDir(m_dir.path()));
        }
        QCOMPARE(doc.GetPathName(), QFileInfo(path(written)).absoluteFilePath());
        QCOMPARE(doc.GetTitle(), title);
        QVERIFY(!doc.IsModified());
        QCOMPARE(ReadFile(path(written)), Stored(model));
        QVERIFY(m_app.messages.isEmpty());
    }

    void saveAsCancelled()
    {
        CFlashDoc doc;
        makeOpenProject(doc);
        const DocState before = state(doc);
        const QByteArray onDisk = ReadFile(path("previous.lrnf"));
        QSignalSpy recorded(&doc, &CFlashDoc::pathNameRecorded);
        QVERIFY(!doc.OnFileSaveAs());
        QCOMPARE(recorded.count(), 0);
        QCOMPARE(m_dialogCalls.size(), 1);
        compareState(state(doc), before);
        QCOMPARE(ReadFile(path("previous.lrnf")), onDisk);
        QVERIFY(m_app.messages.isEmpty());
    }

    void saveFails_data()
    {
        QTest::addColumn<QString>("target");
        QTest::newRow("target is a folder") << "folder.lrnf";
        QTest::newRow("folder missing") << "no/such/folder/x.lrnf";
    }
    void saveFails()
    {
        QFETCH(QString, target);
        QVERIFY(QDir().mkpath(path("folder.lrnf")));
        CFlashDoc doc;
        makeOpenProject(doc);
        const DocState before = state(doc);
        m_dialogAnswers << path(target);
        QVERIFY(!doc.OnFileSaveAs());
        QCOMPARE(m_app.messages, QStringList{QStringLiteral("ドキュメントの保存に失敗しました。")});
        compareState(state(doc), before);
        QVERIFY(QFileInfo(path("folder.lrnf")).isDir());
        QVERIFY(!QFileInfo::exists(path("no")));
    }

    void failedSaveKeepsTheOldFile()
    {
        CFlashDoc doc;
        makeOpenProject(doc);
        const QByteArray onDisk = ReadFile(path("previous.lrnf"));
        // A model far larger than the file size limit below.
        for (int page = 0; page < 64; ++page) {
            theTutorial.SetCurrentPage(page);
            theTutorial.SetPage({QByteArray(200, char('a' + page % 26)), 0, page, 1});
        }
        const DocState before = state(doc);
        const QStringList filesBefore = QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden);
        {
            FileSizeLimit limit(4096);
            QVERIFY(limit.ok());
            QVERIFY(!doc.OnFileSave());
        }
        QCOMPARE(m_app.messages, QStringList{QStringLiteral("ドキュメントの保存に失敗しました。")});
        QCOMPARE(ReadFile(path("previous.lrnf")), onDisk);
        compareState(state(doc), before);
        // No half-written file is left beside it.
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden), filesBefore);

        // Without the limit the same save goes through.
        m_app.messages.clear();
        QVERIFY(doc.OnFileSave());
        QVERIFY(ReadFile(path("previous.lrnf")).size() > 64 * 200);
        QVERIFY(m_app.messages.isEmpty());
    }

    // --- The save prompt ---------------------------------------------------

    void saveModified_data()
    {
        QTest::addColumn<bool>("untitled");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("saveAsAnswer"); // untitled + Yes: the name chosen
        QTest::addColumn<bool>("result");
        QTest::addColumn<bool>("saved");
        QTest::newRow("titled, Yes saves") << false << int(QMessageBox::Yes) << "" << true << true;
        QTest::newRow("titled, No discards")
            << false << int(QMessageBox::No) << "" << true << false;
        QTest::newRow("titled, Cancel stops")
            << false << int(QMessageBox::Cancel) << "" << false << false;
        QTest::newRow("untitled, Yes asks a name")
            << true << int(QMessageBox::Yes) << "named" << true << true;
        QTest::newRow("untitled, Yes, name cancelled")
            << true << int(QMessageBox::Yes) << "" << false << false;
        QTest::newRow("untitled, No discards")
            << true << int(QMessageBox::No) << "" << true << false;
        QTest::newRow("untitled, Cancel stops")
            << true << int(QMessageBox::Cancel) << "" << false << false;
    }
    void saveModified()
    {
        QFETCH(bool, untitled);
        QFETCH(int, answer);
        QFETCH(QString, saveAsAnswer);
        QFETCH(bool, result);
        QFETCH(bool, saved);
        QFile::remove(path("named.lrnf"));
        CFlashDoc doc;
        QString target;
        if (untitled) {
            QVERIFY(doc.OnNewDocument());
            theTutorial.SetCurrentPage(0);
            theTutorial.SetPage({"new page", 0, 1, 1});
            doc.SetModifiedFlag(true);
            target = path("named.lrnf");
        } else {
            makeOpenProject(doc);
            target = path("previous.lrnf");
        }
        const QByteArray onDisk = ReadFile(target);
        m_app.answer = QMessageBox::StandardButton(answer);
        if (untitled && answer == QMessageBox::Yes)
            m_dialogAnswers << (saveAsAnswer.isEmpty() ? QString() : path(saveAsAnswer));

        QCOMPARE(doc.SaveModified(), result);
        QCOMPARE(m_app.messages, QStringList{QStringLiteral("%1 への変更を保存しますか?")
                                                 .arg(untitled ? QStringLiteral("無題")
                                                               : QStringLiteral("previous"))});
        QCOMPARE(
            m_app.messageButtons[0],
            QMessageBox::StandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel));
        QCOMPARE(m_dialogCalls.size(), untitled && answer == QMessageBox::Yes ? 1 : 0);
        QCOMPARE(doc.IsModified(), !saved);
        if (saved) {
            CPeltra reread;
            QCOMPARE(CFlashDoc::LoadProject(target, reread), CFlashDoc::LoadResult::Ok);
            reread.SetCurrentPage(theTutorial.GetCurrentPage());
            QVERIFY(reread == theTutorial);
            QCOMPARE(doc.GetPathName(), QFileInfo(target).absoluteFilePath());
        } else {
            QCOMPARE(ReadFile(target), onDisk);
        }
    }

    void saveModifiedAsksNothingWhenUnchanged()
    {
        CFlashDoc doc;
        QVERIFY(doc.OnNewDocument());
        QVERIFY(doc.SaveModified());
        QVERIFY(m_app.messages.isEmpty());
        QVERIFY(m_dialogCalls.isEmpty());
    }

    // --- The document's own Open ------------------------------------------

    void fileOpen()
    {
        CFlashDoc doc;
        QVERIFY(doc.OnNewDocument());
        QVERIFY(WriteFile(path("chosen.lrnf"), TwoPageFile()));
        m_dialogAnswers << path("chosen.lrnf");
        doc.OnFileOpen();
        QCOMPARE(m_dialogCalls.size(), 1);
        QCOMPARE(m_dialogCalls[0].kind, CFlashApp::FileDialogKind::Open);
        QCOMPARE(m_dialogCalls[0].folder, GetProgramFolder());
        QVERIFY(m_app.messages.isEmpty());
        QVERIFY(theTutorial == TwoPageModel());
        QCOMPARE(doc.GetTitle(), QStringLiteral("chosen"));
        QCOMPARE(doc.GetPathName(), QFileInfo(path("chosen.lrnf")).absoluteFilePath());
    }

    void fileOpenAsksToSaveFirst_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("opened");
        QTest::addColumn<bool>("saved");
        QTest::newRow("Yes") << int(QMessageBox::Yes) << true << true;
        QTest::newRow("No") << int(QMessageBox::No) << true << false;
        QTest::newRow("Cancel") << int(QMessageBox::Cancel) << false << false;
    }
    void fileOpenAsksToSaveFirst()
    {
        QFETCH(int, answer);
        QFETCH(bool, opened);
        QFETCH(bool, saved);
        CFlashDoc doc;
        makeOpenProject(doc);
        const DocState before = state(doc);
        const QByteArray onDisk = ReadFile(path("previous.lrnf"));
        QVERIFY(WriteFile(path("chosen.lrnf"), TwoPageFile()));
        m_app.answer = QMessageBox::StandardButton(answer);
        m_dialogAnswers << path("chosen.lrnf");

        doc.OnFileOpen();
        QCOMPARE(m_app.messages, QStringList{QStringLiteral("previous への変更を保存しますか?")});
        QCOMPARE(m_dialogCalls.size(), opened ? 1 : 0);
        if (opened) {
            QVERIFY(theTutorial == TwoPageModel());
            QCOMPARE(doc.GetTitle(), QStringLiteral("chosen"));
            QVERIFY(!doc.IsModified());
        } else {
            compareState(state(doc), before);
        }
        CPeltra reread;
        QCOMPARE(CFlashDoc::LoadProject(path("previous.lrnf"), reread), CFlashDoc::LoadResult::Ok);
        reread.SetCurrentPage(1);
        QCOMPARE(reread.GetText(), saved ? QByteArray("edited") : QByteArray("\x82\xa0\r\nx"));
        if (!saved)
            QCOMPARE(ReadFile(path("previous.lrnf")), onDisk);
    }

    void fileOpenFailures_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("message");
        QTest::newRow("dialog cancelled") << "" << QByteArray() << "";
        QTest::newRow("wrong extension") << "x.txt" << TwoPageFile() << "";
        QTest::newRow("cut off") << "x.lrnf" << TwoPageFile().chopped(3)
                                 << QStringLiteral("予期しないファイル形式です。");
    }
    void fileOpenFailures()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        CFlashDoc doc;
        makeOpenProject(doc);
        doc.SetModifiedFlag(false); // no prompt in the way
        const DocState before = state(doc);
        if (!name.isEmpty()) {
            QVERIFY(WriteFile(path(name), bytes));
            m_dialogAnswers << path(name);
        }
        doc.OnFileOpen();
        QCOMPARE(m_dialogCalls.size(), 1);
        QCOMPARE(m_app.messages, message.isEmpty() ? QStringList() : QStringList{message});
        compareState(state(doc), before);
    }

    // --- Page settings (F9) ------------------------------------------------

    void pageSettingsOnPageWithoutEntry()
    {
        CFlashDoc doc;
        QVERIFY(doc.OnNewDocument());
        theTutorial.SetCurrentPage(4);
        QString caption;
        QString text, line, count, start;
        bool red = false, green = true, blue = true;
        runPageSettings(
            doc,
            [&](CDlgPage* dlg) {
                text = child<QPlainTextEdit>(dlg, "textEdit")->toPlainText();
                red = child<QRadioButton>(dlg, "redRadio")->isChecked();
                green = child<QRadioButton>(dlg, "greenRadio")->isChecked();
                blue = child<QRadioButton>(dlg, "blueRadio")->isChecked();
                line = child<QLineEdit>(dlg, "lineEdit")->text();
                count = child<QLineEdit>(dlg, "lineCountEdit")->text();
                start = child<QLineEdit>(dlg, "startPageEdit")->text();
                child<QPlainTextEdit>(dlg, "textEdit")->setPlainText(QStringLiteral("ここ\nまで"));
                child<QRadioButton>(dlg, "blueRadio")->setChecked(true);
                child<QLineEdit>(dlg, "lineEdit")->setText(QStringLiteral("20"));
                child<QLineEdit>(dlg, "lineCountEdit")->setText(QStringLiteral("2"));
                child<QPushButton>(dlg, "okButton")->click();
            },
            &caption);
        QCOMPARE(caption, QStringLiteral("4ページ目の設定"));
        QCOMPARE(text, QString());
        QVERIFY(red && !green && !blue);
        QCOMPARE(line, QStringLiteral("0"));
        QCOMPARE(count, QStringLiteral("0"));
        QCOMPARE(start, QStringLiteral("HTML\\index.html"));

        // OK grows the model to five entries, with placeholders below page 4.
        QCOMPARE(theTutorial.GetPageCount(), 5);
        QCOMPARE(theTutorial.GetCurrentPage(), 4);
        QCOMPARE(theTutorial.GetText(), QByteArray("\x82\xb1\x82\xb1\r\n\x82\xdc\x82\xc5"));
        QCOMPARE(theTutorial.GetColor(), 2);
        QCOMPARE(theTutorial.GetLine(), 20);
        QCOMPARE(theTutorial.GetLineCount(), 2);
        for (int page = 0; page < 4; ++page) {
            theTutorial.SetCurrentPage(page);
            QCOMPARE(theTutorial.GetText(), QByteArray());
            QCOMPARE(theTutorial.GetLine(), 0);
        }
        QVERIFY(doc.IsModified());
    }

    void pageSettingsOnIndexPage()
    {
        CFlashDoc doc;
        QVERIFY(doc.OnNewDocument());
        QString caption;
        runPageSettings(
            doc,
            [&](CDlgPage* dlg) {
                child<QPlainTextEdit>(dlg, "textEdit")->setPlainText(QStringLiteral("ignored"));
                child<QLineEdit>(dlg, "startPageEdit")->setText(QStringLiteral("HTML\\表紙.html"));
                child<QPushButton>(dlg, "okButton")->click();
            },
            &caption);
        QCOMPARE(caption, QStringLiteral("-1ページ目の設定"));
        // Only the start page is stored.
        QCOMPARE(theTutorial.GetPageCount(), 0);
        QCOMPARE(theTutorial.GetStartPage(), QByteArray("HTML\\\x95\x5c\x8e\x86.html"));
        QVERIFY(doc.IsModified());
    }

    void pageSettingsAdd()
    {
        CFlashDoc doc;
        QVERIFY(doc.OnNewDocument());
        for (int page = 0; page < 4; ++page) {
            theTutorial.SetCurrentPage(page);
            theTutorial.SetPage({QByteArray("page ") + QByteArray::number(page), 0, page + 1, 1});
        }
        theTutorial.SetCurrentPage(2);
        runPageSettings(doc, [&](CDlgPage* dlg) {
            child<QPlainTextEdit>(dlg, "textEdit")->setPlainText(QStringLiteral("inserted"));
            child<QRadioButton>(dlg, "greenRadio")->setChecked(true);
            child<QLineEdit>(dlg, "lineEdit")->setText(QStringLiteral("30"));
            child<QLineEdit>(dlg, "lineCountEdit")->setText(QStringLiteral("3"));
            child<QLineEdit>(dlg, "startPageEdit")->setText(QStringLiteral("not stored.html"));
            child<QPushButton>(dlg, "addButton")->click();
        });
        QCOMPARE(theTutorial.GetPageCount(), 5);
        QCOMPARE(theTutorial.GetCurrentPage(), 2);
        const QList<QByteArray> texts{"page 0", "page 1", "inserted", "page 2", "page 3"};
        const QList<int> lines{1, 2, 30, 3, 4};
        for (int page = 0; page < 5; ++page) {
            theTutorial.SetCurrentPage(page);
            QCOMPARE(theTutorial.GetText(), texts[page]);
            QCOMPARE(theTutorial.GetLine(), lines[page]);
        }
        theTutorial.SetCurrentPage(2);
        QCOMPARE(theTutorial.GetColor(), 1);
        QCOMPARE(theTutorial.GetLineCount(), 3);
        QCOMPARE(theTutorial.GetStartPage(), QByteArray("HTML\\index.html"));
        QVERIFY(doc.IsModified());
    }

    void pageSettingsDelete_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("pagesAfter");
        QTest::newRow("page with an entry") << 1 << 2;
        QTest::newRow("page without an entry") << 7 << 3;
        QTest::newRow("index page") << -1 << 3;
    }
    void pageSettingsDelete()
    {
        QFETCH(int, page);
        QFETCH(int, pagesAfter);
        CFlashDoc doc;
        QVERIFY(doc.OnNewDocument());
        for (int p = 0; p < 3; ++p) {
            theTutorial.SetCurrentPage(p);
            theTutorial.SetPage({QByteArray("page ") + QByteArray::number(p), 0, p + 1, 1});
        }
        theTutorial.SetCurrentPage(page);
        runPageSettings(doc, [&](CDlgPage* dlg) {
            // Edits made before Delete do not matter.
            child<QPlainTextEdit>(dlg, "textEdit")->setPlainText(QStringLiteral("edited"));
            child<QLineEdit>(dlg, "lineEdit")->clear();
            child<QLineEdit>(dlg, "startPageEdit")->setText(QStringLiteral("x.html"));
            child<QPushButton>(dlg, "deleteButton")->click();
        });
        QVERIFY(m_app.messages.isEmpty());
        QCOMPARE(theTutorial.GetPageCount(), pagesAfter);
        QCOMPARE(theTutorial.GetCurrentPage(), page);
        if (page == 1)
            QCOMPARE(theTutorial.GetText(), QByteArray("page 2"));
        QCOMPARE(theTutorial.GetStartPage(), QByteArray("HTML\\index.html"));
        QVERIFY(doc.IsModified()); // even when nothing was deleted
    }

    void pageSettingsCancel()
    {
        CFlashDoc doc;
        QVERIFY(doc.OnNewDocument());
        theTutorial.SetCurrentPage(0);
        theTutorial.SetPage({"keep", 1, 2, 3});
        const CPeltra before = theTutorial;
        runPageSettings(doc, [&](CDlgPage* dlg) {
            child<QPlainTextEdit>(dlg, "textEdit")->setPlainText(QStringLiteral("edited"));
            child<QPushButton>(dlg, "cancelButton")->click();
        });
        QVERIFY(theTutorial == before);
        QVERIFY(!doc.IsModified());
    }

    void pageSettingsIntegerMessageKeepsDialogOpen()
    {
        CFlashDoc doc;
        QVERIFY(doc.OnNewDocument());
        theTutorial.SetCurrentPage(0);
        bool stayedOpen = false;
        runPageSettings(doc, [&](CDlgPage* dlg) {
            child<QLineEdit>(dlg, "lineEdit")->clear();
            child<QPushButton>(dlg, "addButton")->click();
            stayedOpen = dlg->isVisible();
            child<QLineEdit>(dlg, "lineEdit")->setText(QStringLiteral("6"));
            child<QPushButton>(dlg, "addButton")->click();
        });
        QVERIFY(stayedOpen);
        QCOMPARE(m_app.messages, QStringList{QStringLiteral("整数を入力してください。")});
        // Add on a page past the last entry changes nothing but marks the
        // document changed.
        QCOMPARE(theTutorial.GetPageCount(), 0);
        QVERIFY(doc.IsModified());
    }

    // --- With the main window ---------------------------------------------

    void withMainWindow()
    {
        QVERIFY(m_app.Start());
        CMainFrame* frame = theApp.GetMainWnd();
        CFlashDoc* doc = theApp.GetDocument();
        QVERIFY(frame && doc && frame->m_pEditorPane && frame->m_pBrowserPane);
        CProgrammingView* editor = frame->m_pEditorPane;
        CFlashView* browser = frame->m_pBrowserPane;
        QCOMPARE(doc->GetTitle(), QStringLiteral("無題"));
        // Let the first page settle, so that its navigation does not reset
        // the current page in the middle of the checks below.
        QSignalSpy firstLoad(browser, &QWebEngineView::loadFinished);
        QVERIFY(firstLoad.wait(20000));

        // New empties the editor.
        editor->SetWindowText(QStringLiteral("line one\nline two"));
        QVERIFY(doc->OnNewDocument());
        QCOMPARE(editor->GetWindowText(), QString());

        // A failed open tells neither pane.
        editor->SetWindowText(QStringLiteral("script"));
        const QUrl shown = browser->url();
        QVERIFY(WriteFile(path("broken.lrnf"), TwoPageFile().left(9)));
        QVERIFY(!doc->OnOpenDocument(path("broken.lrnf")));
        QCOMPARE(editor->GetWindowText(), QStringLiteral("script"));
        QCOMPARE(browser->url(), shown);

        // A successful open empties the editor, sends the browser to the
        // project's start page and heads the recent-file list.
        QVERIFY(WriteFile(path("framed.lrnf"), TwoPageFile()));
        QSignalSpy loads(browser, &QWebEngineView::loadFinished);
        QVERIFY(doc->OnOpenDocument(path("framed.lrnf")));
        QCOMPARE(editor->GetWindowText(), QString());
        QVERIFY(loads.wait(20000));
        QCOMPARE(QDir::cleanPath(browser->url().toLocalFile()),
                 QDir::cleanPath(GetProgramFolder() + QStringLiteral("HTML/start.html")));
        QVERIFY(theApp.GetRecentFileList());
        QCOMPARE(theApp.GetRecentFileList()->at(0),
                 QFileInfo(path("framed.lrnf")).absoluteFilePath());

        // Page settings: whatever the choice, the editor follows the page
        // again and the page copies again.
        QString script;
        for (int i = 1; i <= 20; ++i)
            script += QStringLiteral("line %1\n").arg(i);
        editor->SetWindowText(script);
        theTutorial.SetCurrentPage(0); // replace lines 12 to 14
        auto lineOfSelection = [editor] {
            const QTextCursor c = editor->textCursor();
            return editor->document()->findBlock(c.selectionStart()).blockNumber() + 1;
        };
        const bool wasModified = doc->IsModified();
        for (const char* button : {"cancelButton", "okButton"}) {
            QTextCursor c = editor->textCursor();
            c.setPosition(0);
            editor->setTextCursor(c);
            browser->m_bCopyDone = true;
            editor->m_bEditDone = true;
            runPageSettings(*doc, [&](CDlgPage* dlg) {
                child<QLineEdit>(dlg, "lineEdit")->setText(QStringLiteral("7"));
                child<QPushButton>(dlg, button)->click();
            });
            QVERIFY2(!browser->m_bCopyDone, button);
            QVERIFY2(editor->m_bEditDone, button);
            const bool ok = QByteArray(button) == "okButton";
            QCOMPARE(lineOfSelection(), ok ? 7 : 12);
            QCOMPARE(doc->IsModified(), ok || wasModified);
        }
        m_app.Stop();
        QVERIFY(theApp.GetMainWnd() == nullptr);
    }
};

QTEST_MAIN(TestFlashDoc)
#include "tst_flashdoc.moc"
