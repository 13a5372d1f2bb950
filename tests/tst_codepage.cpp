#include "support/testsupport.h"
#include "tutorial/codepage.h"

#include <QRandomGenerator>
#include <QStringEncoder>
#include <QTest>

#include <string_view>

namespace {

// A string of exactly these UTF-16 units, lone surrogates included.
QString U(std::u16string_view units)
{
    return QString(reinterpret_cast<const QChar*>(units.data()), qsizetype(units.size()));
}

} // namespace

class TestCodePage : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void toUnicode_data();
    void toUnicode();
    void fromUnicode_data();
    void fromUnicode();
    void everyDoubleByteCharacterRoundTrips();
    void longTextWithScatteredBadCharacters();
    void sameAsCharacterByCharacter_data();
    void sameAsCharacterByCharacter();
    void noCharacterOutsideTheBmp();
};

void TestCodePage::toUnicode_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");

    QTest::newRow("empty") << QByteArray() << QString();
    QTest::newRow("ascii, backslash, tilde")
        << QByteArray("HTML\\index.html ~") << "HTML\\index.html ~";
    QTest::newRow("crlf") << QByteArray("a\r\nb") << "a\r\nb";
    QTest::newRow("zero byte") << QByteArray("a\0b", 3) << U(std::u16string_view(u"a\0b", 3));
    // Two-byte characters whose trail byte is 0x5C, the backslash.
    QTest::newRow("0x5C trail bytes")
        << QByteArray("\x95\x5C\x83\x5C\x94\x5C\x97\x5C") << QString::fromUtf8("表ソ能予");
    QTest::newRow("half-width katakana") << QByteArray("\xB1\xB2\xDF") << QString::fromUtf8("ｱｲﾟ");
    QTest::newRow("hiragana") << QByteArray("\x82\xA0\x82\xA2") << QString::fromUtf8("あい");
    QTest::newRow("NEC special") << QByteArray("\x87\x40") << QString::fromUtf8("①");
    QTest::newRow("IBM extension") << QByteArray("\xFA\x40") << QString::fromUtf8("ⅰ");
    QTest::newRow("lead byte cut off") << QByteArray("a\x82") << U(u"a\uFFFD");
    QTest::newRow("invalid pair") << QByteArray("\xFC\xFC") << U(u"\uFFFD");
}

void TestCodePage::toUnicode()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(CodePage::toUnicode(bytes), text);
}

void TestCodePage::fromUnicode_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("empty") << QString() << QByteArray();
    QTest::newRow("ascii") << "HTML\\index.html ~\r\n" << QByteArray("HTML\\index.html ~\r\n");
    QTest::newRow("0x5C trail bytes")
        << QString::fromUtf8("表ソ能予") << QByteArray("\x95\x5C\x83\x5C\x94\x5C\x97\x5C");
    QTest::newRow("half-width katakana") << QString::fromUtf8("ｱﾟ") << QByteArray("\xB1\xDF");
    QTest::newRow("NEC special") << QString::fromUtf8("①∑") << QByteArray("\x87\x40\x87\x94");
    QTest::newRow("latin letter") << QString::fromUtf8("é") << QByteArray("?");
    QTest::newRow("yen sign") << QString::fromUtf8("¥") << QByteArray("?");
    QTest::newRow("euro between") << QString::fromUtf8("a€b") << QByteArray("a?b");
    QTest::newRow("non-BMP is one character") << QString::fromUtf8("a😀b") << QByteArray("a?b");
    QTest::newRow("two non-BMP") << QString::fromUtf8("😀😀") << QByteArray("??");
    QTest::newRow("non-BMP after kanji") << QString::fromUtf8("表😀") << QByteArray("\x95\x5C?");
    QTest::newRow("lone high surrogate at end") << U(u"x\xD800") << QByteArray("x?");
    QTest::newRow("lone high surrogate first") << U(u"\xD800x") << QByteArray("?x");
    QTest::newRow("lone low surrogate") << U(u"a\xDC00"
                                             u"b")
                                        << QByteArray("a?b");
    QTest::newRow("reversed pair") << U(u"\xDC00\xD800") << QByteArray("??");
    QTest::newRow("bad then 0x5C trail") << QString::fromUtf8("é表é") << QByteArray("?\x95\x5C?");
}

void TestCodePage::fromUnicode()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(CodePage::fromUnicode(text), bytes);
}

// Every two-byte code that decodes to a character encodes back to a code of
// that same character, and to the same code where it is the only one.
void TestCodePage::everyDoubleByteCharacterRoundTrips()
{
    int checked = 0;
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (lead >= 0xA0 && lead < 0xE0)
            continue;
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            if (trail == 0x7F)
                continue;
            QByteArray bytes(2, char(lead));
            bytes[1] = char(trail);
            const QString text = CodePage::toUnicode(bytes);
            if (text.size() != 1 || text[0] == QChar::ReplacementCharacter || text[0] < u' ')
                continue;
            const QByteArray back = CodePage::fromUnicode(text);
            QCOMPARE(back.size(), 2);
            QCOMPARE(CodePage::toUnicode(back), text);
            // Rows whose characters also have another code.
            const bool duplicateRow = lead == 0x87 || lead == 0xED || lead == 0xEE || lead >= 0xFA;
            if (!duplicateRow)
                QCOMPARE(back, bytes);
            ++checked;
        }
    }
    QVERIFY2(checked > 7000, qPrintable(QString::number(checked)));
}

void TestCodePage::longTextWithScatteredBadCharacters()
{
    QString text;
    QByteArray expected;
    for (int i = 0; i < 20000; ++i) {
        switch (i % 7) {
        case 0:
            text += QString::fromUtf8("😀");
            expected += '?';
            break;
        case 3:
            text += QChar(0xE9); // é
            expected += '?';
            break;
        default:
            text += QString::fromUtf8("表a");
            expected += "\x95\x5C"
                        "a";
        }
    }
    QCOMPARE(CodePage::fromUnicode(text), expected);
}

// Long texts come out exactly as their characters one by one, however the
// good and bad characters mix and wherever a pair or a lone surrogate falls.
void TestCodePage::sameAsCharacterByCharacter_data()
{
    QTest::addColumn<int>("seed");
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("badPercent");
    QTest::newRow("few bad") << 1 << 20000 << 1;
    QTest::newRow("half bad") << 2 << 20000 << 50;
    QTest::newRow("all bad") << 3 << 20000 << 100;
    QTest::newRow("short") << 4 << 300 << 30;
}

void TestCodePage::sameAsCharacterByCharacter()
{
    QFETCH(int, seed);
    QFETCH(int, length);
    QFETCH(int, badPercent);
    QRandomGenerator random{quint32(seed)};
    const QString good[] = {
        S("a"),   S("表"), S("あ"), S("ｱ"), S("①"), S("ⅰ"), U(std::u16string_view(u"\0", 1)),
        S("\r\n")};
    const QString bad[] = {S("é"), S("€"), S("😀"), U(u"\xD800"), U(u"\xDC00")};
    QString text;
    QByteArray expected;
    while (text.size() < length) {
        QString piece;
        if (int(random.bounded(100)) < badPercent) {
            piece = bad[random.bounded(5)];
            // Now and then a character no other text uses: the known ones
            // cannot hold them all.
            if (random.bounded(4) == 0) {
                const char32_t rare = 0x1F000 + random.bounded(4000);
                piece = QString::fromUcs4(&rare, 1);
            }
        } else {
            piece = good[random.bounded(8)];
            if (random.bounded(4) == 0)
                piece = QChar(char16_t(0x4E00 + random.bounded(0x5000)));
        }
        // A lone high surrogate and a lone low one next to it would be a pair.
        if (!text.isEmpty() && text.back().isHighSurrogate() && piece.front().isLowSurrogate())
            continue;
        text += piece;
        expected += CodePage::fromUnicode(piece);
    }
    QCOMPARE(CodePage::fromUnicode(text), expected);
}

// The encoder takes every character outside the BMP as one the code page
// lacks without asking the converter: the converter agrees, giving each of
// them its substitute FC FC or, for the ones meant to be invisible, nothing.
void TestCodePage::noCharacterOutsideTheBmp()
{
    QList<char32_t> all;
    for (char32_t c = 0x10000; c <= 0x10FFFF; ++c)
        all.append(c);
    const QString text = QString::fromUcs4(all.constData(), all.size());
    QStringEncoder converter("windows-31j", QStringConverter::Flag::Stateless);
    const QByteArray converted = converter.encode(text);
    QCOMPARE(converted.count('\xFC'), converted.size());
    QCOMPARE(converted.size() % 2, 0);
    QCOMPARE(CodePage::fromUnicode(text), QByteArray(all.size(), '?'));
}

QTEST_GUILESS_MAIN(TestCodePage)
#include "tst_codepage.moc"
