#include "browser/pagenumber.h"
#include "tutorial/pathname.h"

#include <QTest>

#include <climits>

class TestPageNumber : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void linkTarget_data();
    void linkTarget();
    void title_data();
    void title();
};

void TestPageNumber::linkTarget_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<int>("page");
    QTest::addColumn<bool>("result");

    const QString base = QStringLiteral("file:///C:/app/HTML/");
    QTest::newRow("index") << base + "index.html" << -1 << true;
    QTest::newRow("index1") << base + "index1.html" << 1 << true;
    QTest::newRow("index12") << base + "index12.html" << 12 << true;
    QTest::newRow("leading zero") << base + "index012.html" << 12 << true;
    QTest::newRow("letter after digits") << base + "index3a.html" << 3 << true;
    QTest::newRow("letter, no digits") << base + "indexa.html" << 0 << true;
    QTest::newRow("negative") << base + "index-2.html" << -2 << true;
    QTest::newRow("two extensions") << base + "index7.tar.html" << 7 << true;
    QTest::newRow("no extension") << base + "index5" << 5 << true;
    QTest::newRow("capital") << base + "Index3.html" << -1 << false;
    QTest::newRow("other name") << base + "page3.html" << -1 << false;
    QTest::newRow("prefix inside") << base + "myindex3.html" << -1 << false;
    QTest::newRow("fragment") << base + "index4.html#top" << 4 << true;
    QTest::newRow("backslashes") << "C:\\app\\HTML\\index9.html" << 9 << true;
    QTest::newRow("japanese folder") << "file:///C:/表/ソ/index6.html" << 6 << true;
}

// From the address of a page to its number, as the browser does it.
void TestPageNumber::linkTarget()
{
    QFETCH(QString, address);
    QFETCH(int, page);
    QFETCH(bool, result);

    QString title;
    QVERIFY(GetPathTitle(address, title));
    int parsed = 12345;
    QCOMPARE(ParsePageNumber(title, QStringLiteral("index"), parsed), result);
    QCOMPARE(parsed, page);
}

void TestPageNumber::title_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<int>("page");
    QTest::addColumn<bool>("result");

    const QString ix = QStringLiteral("index");
    QTest::newRow("empty title") << "" << ix << -1 << false;
    QTest::newRow("shorter than prefix") << "ind" << ix << -1 << false;
    QTest::newRow("space") << "index 7" << ix << 7 << true;
    QTest::newRow("all blanks") << "index\t\n\v\f\r 8" << ix << 8 << true;
    QTest::newRow("only blanks") << "index  " << ix << 0 << true;
    QTest::newRow("plus") << "index+4" << ix << 4 << true;
    QTest::newRow("two signs") << "index+-4" << ix << 0 << true;
    QTest::newRow("sign then blank") << "index- 4" << ix << 0 << true;
    QTest::newRow("lone sign") << "index-" << ix << 0 << true;
    QTest::newRow("blank after digits") << "index12 3" << ix << 12 << true;
    QTest::newRow("minus zero") << "index-0" << ix << 0 << true;
    // Only ASCII blanks and digits count, as for atoi on code page 932 text.
    QTest::newRow("ideographic space") << "index\u30007" << ix << 0 << true;
    QTest::newRow("no-break space") << "index\u00a07" << ix << 0 << true;
    QTest::newRow("full-width digits") << "index\uff11\uff12" << ix << 0 << true;
    QTest::newRow("arabic-indic digit") << "index\u0663" << ix << 0 << true;
    QTest::newRow("japanese after digits") << "index5表" << ix << 5 << true;
    // Out of range: saturated rather than wrapped.
    QTest::newRow("int max") << "index2147483647" << ix << INT_MAX << true;
    QTest::newRow("int max + 1") << "index2147483648" << ix << INT_MAX << true;
    QTest::newRow("int min") << "index-2147483648" << ix << INT_MIN << true;
    QTest::newRow("int min - 1") << "index-2147483649" << ix << INT_MIN << true;
    QTest::newRow("wraps to small") << "index4294967297" << ix << INT_MAX << true;
    QTest::newRow("huge") << "index" + QString(5000, u'9') << ix << INT_MAX << true;
    QTest::newRow("huge negative") << "index-" + QString(5000, u'9') << ix << INT_MIN << true;
    QTest::newRow("long leading zeros") << "index" + QString(5000, u'0') + "42" << ix << 42 << true;
    // The prefix is the caller's.
    QTest::newRow("other prefix") << "page3"
                                  << "page" << 3 << true;
    QTest::newRow("other prefix, bare") << "page"
                                        << "page" << -1 << true;
    QTest::newRow("empty prefix") << "17x"
                                  << "" << 17 << true;
    QTest::newRow("empty prefix, empty title") << ""
                                               << "" << -1 << true;
    QTest::newRow("japanese prefix") << "ページ3"
                                     << "ページ" << 3 << true;
}

void TestPageNumber::title()
{
    QFETCH(QString, title);
    QFETCH(QString, prefix);
    QFETCH(int, page);
    QFETCH(bool, result);

    int parsed = 12345;
    QCOMPARE(ParsePageNumber(title, prefix, parsed), result);
    QCOMPARE(parsed, page);
}

QTEST_GUILESS_MAIN(TestPageNumber)
#include "tst_pagenumber.moc"
