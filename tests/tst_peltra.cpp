#include "tutorial/peltra.h"
#include "tutorial/projectfile.h"

#include <QTest>
#include <QtEndian>

#include <limits>

namespace {

// The four arrays of a model, read through the getters page by page.
struct Arrays
{
    QList<QByteArray> texts;
    QList<int> colors;
    QList<int> lines;
    QList<int> spans;

    bool operator==(const Arrays& o) const
    {
        return texts == o.texts && colors == o.colors && lines == o.lines && spans == o.spans;
    }
    bool operator!=(const Arrays& o) const { return !(*this == o); }
};

// Found by QCOMPARE through argument-dependent lookup.
char* toString(const Arrays& a)
{
    QByteArray s = "texts(" + a.texts.join(',') + ") colors(";
    for (const QList<int>* list : {&a.colors, &a.lines, &a.spans}) {
        for (int v : *list)
            s += QByteArray::number(v) + ',';
        s += list == &a.spans ? ")" : ") (";
    }
    return qstrdup(s.constData());
}

Arrays Snapshot(CPeltra& model)
{
    const int current = model.GetCurrentPage();
    Arrays a;
    for (int i = 0; i < model.GetPageCount(); ++i) {
        model.SetCurrentPage(i);
        a.texts << model.GetText();
    }
    const struct
    {
        int count;
        int (CPeltra::*get)() const;
        QList<int>* list;
    } numbers[] = {{model.ColorCount(), &CPeltra::GetColor, &a.colors},
                   {model.LineCount(), &CPeltra::GetLine, &a.lines},
                   {model.SpanCount(), &CPeltra::GetLineCount, &a.spans}};
    for (const auto& n : numbers) {
        for (int i = 0; i < n.count; ++i) {
            model.SetCurrentPage(i);
            *n.list << (model.*n.get)();
        }
    }
    model.SetCurrentPage(current);
    return a;
}

// A model holding exactly these arrays, made the way a project file brings
// them (the arrays may differ in length).
CPeltra Model(const Arrays& a)
{
    QByteArray file;
    const auto count = [&file](qsizetype n) {
        char b[4];
        qToLittleEndian(qint32(n), b);
        file.append(b, 4);
    };
    count(a.texts.size());
    for (const QByteArray& t : a.texts)
        file += char(t.size()) + t;
    for (const QList<int>* list : {&a.colors, &a.lines, &a.spans}) {
        count(list->size());
        for (int v : *list)
            count(v);
    }
    file += "\x0F"
            "HTML\\index.html";
    CPeltra model;
    if (!ProjectFile::Read(file, model).ok())
        qFatal("a model's file did not load");
    return model;
}

const PageEntry kEntry{"new", 2, 7, 3};

} // namespace

class TestPeltra : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void freshModel();
    void getters_data();
    void getters();
    void operations_data();
    void operations();
    void clearAfterEdits();
    void setPageDoesNotGrowWithoutBound();
    void equality();
};

void TestPeltra::freshModel()
{
    for (CPeltra* model : {&theTutorial, new CPeltra}) {
        QCOMPARE(model->GetPageCount(), 0);
        QCOMPARE(model->GetCurrentPage(), -1);
        QCOMPARE(model->GetText(), QByteArray());
        QCOMPARE(model->GetColor(), 0);
        QCOMPARE(model->GetLine(), 0);
        QCOMPARE(model->GetLineCount(), 0);
        QCOMPARE(model->GetStartPage(), QByteArray("HTML\\index.html"));
        if (model != &theTutorial)
            delete model;
    }
}

void TestPeltra::getters_data()
{
    QTest::addColumn<Arrays>("arrays");
    QTest::addColumn<int>("page");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("color");
    QTest::addColumn<int>("line");
    QTest::addColumn<int>("span");

    const Arrays even{{"a", "b"}, {1, 2}, {10, 20}, {3, 4}};
    QTest::newRow("first") << even << 0 << QByteArray("a") << 1 << 10 << 3;
    QTest::newRow("last") << even << 1 << QByteArray("b") << 2 << 20 << 4;
    QTest::newRow("past the end") << even << 2 << QByteArray() << 0 << 0 << 0;
    QTest::newRow("no page") << even << -1 << QByteArray() << 0 << 0 << 0;
    QTest::newRow("most negative")
        << even << std::numeric_limits<int>::min() << QByteArray() << 0 << 0 << 0;
    QTest::newRow("largest") << even << std::numeric_limits<int>::max() << QByteArray() << 0 << 0
                             << 0;
    QTest::newRow("any int is stored")
        << Arrays{{"x"}, {-1}, {-5}, {std::numeric_limits<int>::max()}} << 0 << QByteArray("x")
        << -1 << -5 << std::numeric_limits<int>::max();
    // Each getter tests its own array.
    const Arrays uneven{{"a", "b", "c"}, {1}, {10, 20, 30, 40}, {}};
    QTest::newRow("colour array shorter") << uneven << 2 << QByteArray("c") << 0 << 30 << 0;
    QTest::newRow("line array longer") << uneven << 3 << QByteArray() << 0 << 40 << 0;
    QTest::newRow("uneven first") << uneven << 0 << QByteArray("a") << 1 << 10 << 0;
}

void TestPeltra::getters()
{
    QFETCH(Arrays, arrays);
    QFETCH(int, page);
    CPeltra model = Model(arrays);
    QCOMPARE(Snapshot(model), arrays);
    model.SetCurrentPage(page);
    QCOMPARE(model.GetCurrentPage(), page);
    QTEST(model.GetText(), "text");
    QTEST(model.GetColor(), "color");
    QTEST(model.GetLine(), "line");
    QTEST(model.GetLineCount(), "span");
    QCOMPARE(model.GetPageCount(), arrays.texts.size());
}

void TestPeltra::operations_data()
{
    QTest::addColumn<Arrays>("before");
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("operation");
    QTest::addColumn<Arrays>("after");

    const Arrays empty;
    const Arrays three{{"a", "b", "c"}, {0, 1, 2}, {10, 20, 30}, {1, 2, 3}};
    const int minInt = std::numeric_limits<int>::min();

    QTest::newRow("set, no page") << three << -1 << "set" << three;
    QTest::newRow("set, most negative page") << three << minInt << "set" << three;
    QTest::newRow("set into empty model at 0")
        << empty << 0 << "set" << Arrays{{"new"}, {2}, {7}, {3}};
    QTest::newRow("set at 3 of empty model creates placeholders")
        << empty << 3 << "set"
        << Arrays{{"", "", "", "new"}, {0, 0, 0, 2}, {0, 0, 0, 7}, {0, 0, 0, 3}};
    QTest::newRow("set replaces inside")
        << three << 1 << "set" << Arrays{{"a", "new", "c"}, {0, 2, 2}, {10, 7, 30}, {1, 3, 3}};
    QTest::newRow("set at the end appends")
        << three << 3 << "set"
        << Arrays{{"a", "b", "c", "new"}, {0, 1, 2, 2}, {10, 20, 30, 7}, {1, 2, 3, 3}};

    QTest::newRow("insert before entry 1")
        << three << 1 << "insert"
        << Arrays{{"a", "new", "b", "c"}, {0, 2, 1, 2}, {10, 7, 20, 30}, {1, 3, 2, 3}};
    QTest::newRow("insert before entry 0")
        << three << 0 << "insert"
        << Arrays{{"new", "a", "b", "c"}, {2, 0, 1, 2}, {7, 10, 20, 30}, {3, 1, 2, 3}};
    QTest::newRow("insert at the page count") << three << 3 << "insert" << three;
    QTest::newRow("insert, no page") << three << -1 << "insert" << three;
    QTest::newRow("insert into empty model") << empty << 0 << "insert" << empty;

    QTest::newRow("delete the last entry")
        << three << 2 << "delete" << Arrays{{"a", "b"}, {0, 1}, {10, 20}, {1, 2}};
    QTest::newRow("delete the first entry")
        << three << 0 << "delete" << Arrays{{"b", "c"}, {1, 2}, {20, 30}, {2, 3}};
    QTest::newRow("delete at the page count") << three << 3 << "delete" << three;
    QTest::newRow("delete, no page") << three << -1 << "delete" << three;
    QTest::newRow("delete, most negative page") << three << minInt << "delete" << three;

    // Arrays of different lengths, as a project file may bring them.
    const Arrays shortNumbers{{"a", "b", "c"}, {5}, {10, 20, 30}, {}};
    const Arrays longColors{{"a", "b", "c"}, {0, 1, 2, 3, 4}, {10, 20, 30}, {1, 2, 3}};
    QTest::newRow("uneven: set pads short arrays up to the page")
        << shortNumbers << 2 << "set"
        << Arrays{{"a", "b", "new"}, {5, 0, 2}, {10, 20, 7}, {0, 0, 3}};
    QTest::newRow("uneven: set inside keeps a longer array's length")
        << longColors << 1 << "set"
        << Arrays{{"a", "new", "c"}, {0, 2, 2, 3, 4}, {10, 7, 30}, {1, 3, 3}};
    QTest::newRow("uneven: set beyond the texts cuts a longer array")
        << Arrays{{"a", "b"}, {0, 1, 2, 3, 4}, {10}, {}} << 3 << "set"
        << Arrays{{"a", "b", "", "new"}, {0, 1, 2, 2}, {10, 0, 0, 7}, {0, 0, 0, 3}};
    QTest::newRow("uneven: set into no texts cuts to one")
        << Arrays{{}, {9, 9}, {}, {4}} << 0 << "set" << Arrays{{"new"}, {2}, {7}, {3}};
    QTest::newRow("uneven: insert pads short arrays up to the page")
        << shortNumbers << 2 << "insert"
        << Arrays{{"a", "b", "new", "c"}, {5, 0, 2}, {10, 20, 7, 30}, {0, 0, 3}};
    QTest::newRow("uneven: insert at 0 into short arrays")
        << shortNumbers << 0 << "insert"
        << Arrays{{"new", "a", "b", "c"}, {2, 5}, {7, 10, 20, 30}, {3}};
    QTest::newRow("uneven: insert into a longer array")
        << longColors << 1 << "insert"
        << Arrays{{"a", "new", "b", "c"}, {0, 2, 1, 2, 3, 4}, {10, 7, 20, 30}, {1, 3, 2, 3}};
    QTest::newRow("uneven: delete leaves arrays without the page alone")
        << shortNumbers << 2 << "delete" << Arrays{{"a", "b"}, {5}, {10, 20}, {}};
    QTest::newRow("uneven: delete from a longer array")
        << longColors << 1 << "delete" << Arrays{{"a", "c"}, {0, 2, 3, 4}, {10, 30}, {1, 3}};
    const Arrays numbersBeyondTexts{{"a"}, {1, 2, 3}, {4, 5, 6}, {7, 8, 9}};
    QTest::newRow("uneven: insert beyond the texts")
        << numbersBeyondTexts << 2 << "insert" << numbersBeyondTexts;
    QTest::newRow("uneven: delete beyond the texts")
        << numbersBeyondTexts << 2 << "delete" << numbersBeyondTexts;
}

void TestPeltra::operations()
{
    QFETCH(Arrays, before);
    QFETCH(int, page);
    QFETCH(QString, operation);
    QFETCH(Arrays, after);

    CPeltra model = Model(before);
    model.SetStartPage("start.html");
    model.SetCurrentPage(page);
    if (operation == "set")
        model.SetPage(kEntry);
    else if (operation == "insert")
        model.InsertPage(kEntry);
    else
        model.DeletePage();

    QCOMPARE(Snapshot(model), after);
    QCOMPARE(model.GetCurrentPage(), page); // no operation moves the current page
    QCOMPARE(model.GetStartPage(), QByteArray("start.html"));
    if (operation != "delete" && after != before) {
        // The current page now reads the new entry.
        QCOMPARE(model.GetText(), kEntry.text);
        QCOMPARE(model.GetColor(), kEntry.color);
        QCOMPARE(model.GetLine(), kEntry.line);
        QCOMPARE(model.GetLineCount(), kEntry.lineCount);
    }
}

void TestPeltra::clearAfterEdits()
{
    CPeltra model;
    model.SetCurrentPage(4);
    model.SetPage(kEntry);
    model.SetStartPage("other\\page.html");
    model.SetCurrentPage(1);
    model.InsertPage(kEntry);
    QCOMPARE(model.GetPageCount(), 6);

    model.Clear();
    QCOMPARE(model, CPeltra());
    QCOMPARE(model.GetPageCount(), 0);
    QCOMPARE(model.ColorCount() + model.LineCount() + model.SpanCount(), 0);
    QCOMPARE(model.GetCurrentPage(), -1);
    QCOMPARE(model.GetStartPage(), QByteArray("HTML\\index.html"));
}

void TestPeltra::setPageDoesNotGrowWithoutBound()
{
    CPeltra model;
    for (int page : {std::numeric_limits<int>::max(), CPeltra::MaxGrownPageCount}) {
        model.SetCurrentPage(page);
        model.SetPage(kEntry);
        model.InsertPage(kEntry);
        model.DeletePage();
        QCOMPARE(model.GetPageCount(), 0);
        QCOMPARE(model.ColorCount(), 0);
    }
    model.SetCurrentPage(CPeltra::MaxGrownPageCount - 1);
    model.SetPage(kEntry);
    QCOMPARE(model.GetPageCount(), CPeltra::MaxGrownPageCount);
    QCOMPARE(model.SpanCount(), CPeltra::MaxGrownPageCount);
    QCOMPARE(model.GetLine(), kEntry.line);
}

void TestPeltra::equality()
{
    const CPeltra base = Model({{"a"}, {1}, {2}, {3}});
    QVERIFY(base == Model({{"a"}, {1}, {2}, {3}}));
    // Each field on its own makes a difference.
    for (const PageEntry& entry :
         {PageEntry{"b", 1, 2, 3}, {"a", 0, 2, 3}, {"a", 1, 0, 3}, {"a", 1, 2, 0}}) {
        CPeltra other = base;
        other.SetCurrentPage(0);
        other.SetPage(entry);
        other.SetCurrentPage(-1);
        QVERIFY(other != base);
    }
    CPeltra otherStart = base;
    otherStart.SetStartPage("x");
    QVERIFY(otherStart != base);
    CPeltra otherPage = base;
    otherPage.SetCurrentPage(0);
    QVERIFY(otherPage != base);
    QVERIFY(Model({{"a"}, {1}, {}, {}}) != Model({{"a"}, {1}, {0}, {0}}));

    // Empty arrays are equal whether they still hold memory (a cleared
    // model) or never had any (a fresh one).
    CPeltra cleared = base;
    cleared.Clear();
    QVERIFY(cleared == CPeltra());
    QVERIFY(CPeltra() == cleared);
    QVERIFY(Model({{}, {}, {}, {}}) == cleared);
}

QTEST_GUILESS_MAIN(TestPeltra)
#include "tst_peltra.moc"
