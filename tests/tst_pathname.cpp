#include "tutorial/pathname.h"

#include <QStringEncoder>
#include <QTest>

class TestPathName : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void premiseTrailBytes_data();
    void premiseTrailBytes();
    void split_data();
    void split();
    void longInput_data();
    void longInput();
};

void TestPathName::premiseTrailBytes_data()
{
    QTest::addColumn<QString>("character");
    QTest::newRow("hyou") << QStringLiteral("表");
    QTest::newRow("so") << QStringLiteral("ソ");
    QTest::newRow("nou") << QStringLiteral("能");
    QTest::newRow("yo") << QStringLiteral("予");
}

// The Japanese cases below are only worth something if these characters end
// in the byte of '\' in code page 932.
void TestPathName::premiseTrailBytes()
{
    QFETCH(QString, character);
    QStringEncoder encoder("windows-31j");
    if (!encoder.isValid())
        QSKIP("no code page 932 converter");
    const QByteArray bytes = encoder.encode(character);
    QCOMPARE(bytes.size(), 2);
    QCOMPARE(bytes.at(1), '\\');
}

void TestPathName::split_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("extension");
    QTest::addColumn<bool>("hasTitle");
    QTest::addColumn<QString>("title");

    const QString n; // no title

    QTest::newRow("project") << "C:\\tutorials\\lesson.lrnf"
                             << "lrnf" << true << "lesson";
    QTest::newRow("two dots") << "C:\\tutorials\\lesson.old.lrnf"
                              << "lrnf" << true << "lesson.old";
    QTest::newRow("dot in folder") << "C:\\tutorials.old\\lesson"
                                   << "" << true << "lesson";
    QTest::newRow("dot in folder, slash") << "/home/u/a.b/lesson"
                                          << "" << true << "lesson";
    QTest::newRow("file address") << "file:///C:/app/HTML/index12.html"
                                  << "html" << true << "index12";
    QTest::newRow("bare name") << "index.html"
                               << "html" << true << "index";
    QTest::newRow("no extension") << "index5"
                                  << "" << true << "index5";
    QTest::newRow("only extension") << ".lrnf"
                                    << "lrnf" << false << n;
    QTest::newRow("hidden in folder") << "/home/u/.lrnf"
                                      << "lrnf" << false << n;
    QTest::newRow("trailing backslash") << "C:\\tutorials\\"
                                        << "" << false << n;
    QTest::newRow("trailing slash") << "https://example.com/"
                                    << "" << false << n;
    QTest::newRow("empty") << ""
                           << "" << false << n;
    QTest::newRow("lone dot") << "."
                              << "" << false << n;
    QTest::newRow("ends in dot") << "C:\\x\\lesson."
                                 << "" << true << "lesson";
    QTest::newRow("mixed separators") << "C:/app\\HTML/index3.html"
                                      << "html" << true << "index3";
    QTest::newRow("fragment") << "file:///C:/app/HTML/index4.html#top"
                              << "html#top" << true << "index4";
    QTest::newRow("https") << "https://example.com/tutorial/index7.html"
                           << "html" << true << "index7";
    QTest::newRow("posix file address") << "file:///opt/peltra/HTML/index.html"
                                        << "html" << true << "index";

    // Whole characters: in code page 932 each of these ends in the byte of
    // '\', which a byte scan would take for a separator.
    QTest::newRow("jp table") << "C:\\教材\\表.lrnf"
                              << "lrnf" << true << "表";
    QTest::newRow("jp ends in so") << "C:\\教材\\ソ"
                                   << "" << true << "ソ";
    QTest::newRow("jp folder and name") << "C:\\能力\\予定表"
                                        << "" << true << "予定表";
    QTest::newRow("jp before dot") << "/home/u/ソ.表.lrnf"
                                   << "lrnf" << true << "ソ.表";
    QTest::newRow("jp extension") << "C:\\a\\b.能"
                                  << "能" << true << "b";
    QTest::newRow("jp folder only") << "C:\\表\\"
                                    << "" << false << n;
    QTest::newRow("jp address") << "file:///C:/教材/ソフト/index2.html"
                                << "html" << true << "index2";
    QTest::newRow("surrogate pair") << "C:\\x\\\U0001F600.\U0001F600"
                                    << "\U0001F600" << true << "\U0001F600";
}

void TestPathName::split()
{
    QFETCH(QString, path);
    QFETCH(QString, extension);
    QFETCH(bool, hasTitle);
    QFETCH(QString, title);

    QCOMPARE(GetPathExtension(path), extension);

    const QString untouched = QStringLiteral("untouched");
    QString result = untouched;
    QCOMPARE(GetPathTitle(path, result), hasTitle);
    QCOMPARE(result, hasTitle ? title : untouched);
}

void TestPathName::longInput_data()
{
    QTest::addColumn<int>("folderLength");
    QTest::newRow("just past the old limit") << 260;
    QTest::newRow("long address") << 4096;
    QTest::newRow("very long") << 200000;
}

// No length limit: a long folder part neither cuts nor refuses the name.
void TestPathName::longInput()
{
    QFETCH(int, folderLength);
    const QString folder = QString(folderLength, u'表') + u'/';
    const QString name = QString(folderLength, u'ソ');

    QString title;
    QVERIFY(GetPathTitle(folder + name + ".html", title));
    QCOMPARE(title, name);
    QCOMPARE(GetPathExtension(folder + name + ".html"), QStringLiteral("html"));

    const QString longExtension(folderLength, u'x');
    QCOMPARE(GetPathExtension(folder + "a." + longExtension), longExtension);
    QCOMPARE(GetPathExtension(folder), QString());
    QVERIFY(!GetPathTitle(folder, title));
}

QTEST_GUILESS_MAIN(TestPathName)
#include "tst_pathname.moc"
