// The movie header reader of the player: frame size, rate and count from
// uncompressed, zlib and LZMA movies, and plain failures for broken ones.

#include "swfheader.h"

#include <QTest>
#include <QtEndian>

#include <lzma.h>

namespace {

// Packs signed values of `nbits` bits each, most significant bit first.
class BitWriter
{
public:
    void Put(qint64 value, int nbits)
    {
        for (int i = nbits - 1; i >= 0; --i) {
            if (m_nBit % 8 == 0)
                m_bytes.append('\0');
            if ((value >> i) & 1)
                m_bytes[m_bytes.size() - 1] = char(m_bytes.back() | (0x80 >> (m_nBit % 8)));
            ++m_nBit;
        }
    }
    QByteArray bytes() const { return m_bytes; }

private:
    QByteArray m_bytes;
    int m_nBit = 0;
};

int BitsFor(qint64 v)
{
    int n = 1; // sign bit
    for (qint64 a = v < 0 ? ~v : v; a; a >>= 1)
        ++n;
    return n;
}

QByteArray Rect(qint64 xmin, qint64 xmax, qint64 ymin, qint64 ymax)
{
    const int nbits = qMax(qMax(BitsFor(xmin), BitsFor(xmax)), qMax(BitsFor(ymin), BitsFor(ymax)));
    BitWriter w;
    w.Put(nbits, 5);
    for (qint64 v : {xmin, xmax, ymin, ymax})
        w.Put(v, nbits);
    return w.bytes();
}

// An uncompressed movie: header, a background colour, one frame, End.
QByteArray Fws(const QByteArray& rect, int rate256, int frames, int version = 10)
{
    QByteArray body = rect;
    body.append(char(rate256 & 0xff)).append(char(rate256 >> 8));
    body.append(char(frames & 0xff)).append(char(frames >> 8));
    body += QByteArray::fromHex("4302336699"); // SetBackgroundColor 0x336699
    body += QByteArray::fromHex("4000");       // ShowFrame
    body += QByteArray::fromHex("0000");       // End
    QByteArray swf("FWS");
    swf.append(char(version));
    swf += QByteArray(4, '\0') + body;
    qToLittleEndian<quint32>(quint32(swf.size()), swf.data() + 4);
    return swf;
}

QByteArray Cws(const QByteArray& fws)
{
    // qCompress gives a 4-byte size and then a zlib stream.
    return QByteArray("CWS") + fws.mid(3, 5) + qCompress(fws.mid(8)).mid(4);
}

QByteArray Zws(const QByteArray& fws)
{
    lzma_options_lzma options;
    lzma_lzma_preset(&options, 6);
    lzma_stream ls = LZMA_STREAM_INIT;
    if (lzma_alone_encoder(&ls, &options) != LZMA_OK)
        return {};
    const QByteArray in = fws.mid(8);
    QByteArray out(in.size() + 1024, '\0');
    ls.next_in = reinterpret_cast<const uint8_t*>(in.constData());
    ls.avail_in = size_t(in.size());
    ls.next_out = reinterpret_cast<uint8_t*>(out.data());
    ls.avail_out = size_t(out.size());
    const lzma_ret rc = lzma_code(&ls, LZMA_FINISH);
    const size_t written = out.size() - ls.avail_out;
    lzma_end(&ls);
    if (rc != LZMA_STREAM_END)
        return {};
    out.truncate(qsizetype(written));
    // .lzma: 5 bytes of properties, 8 of size, data. A movie: its own
    // header, the data's length, the properties, the data.
    const QByteArray props = out.left(5), data = out.mid(13);
    QByteArray swf = QByteArray("ZWS") + fws.mid(3, 5) + QByteArray(4, '\0') + props + data;
    qToLittleEndian<quint32>(quint32(data.size()), swf.data() + 8);
    return swf;
}

QByteArray Compressed(const QByteArray& fws, char kind)
{
    return kind == 'C' ? Cws(fws) : kind == 'Z' ? Zws(fws) : fws;
}

} // namespace

class TestSwfHeader : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readsHeader_data();
    void readsHeader();
    void refusesBrokenMovie_data();
    void refusesBrokenMovie();
    void survivesEveryTruncation_data();
    void survivesEveryTruncation();
};

void TestSwfHeader::readsHeader_data()
{
    QTest::addColumn<QByteArray>("movie");
    QTest::addColumn<QByteArray>("fws");
    QTest::addColumn<int>("compression");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<double>("rate");
    QTest::addColumn<int>("frames");
    QTest::addColumn<int>("version");

    const QByteArray game = Fws(Rect(0, 480 * 20, 0, 360 * 20), 30 << 8, 1, 20);
    const QByteArray stage = Fws(Rect(0, 550 * 20, 0, 400 * 20), 24 << 8 | 128, 300, 10);
    // The frame need not start at 0: the size is the difference.
    const QByteArray offset = Fws(Rect(-200, 1800, 100, 1100), 12 << 8, 2, 9);
    // Twips that are not whole pixels round up.
    const QByteArray odd = Fws(Rect(0, 2001, 0, 1999), 1 << 8, 1, 8);
    // A huge frame needs the full 31 bits.
    const QByteArray huge = Fws(Rect(0, 0x3fffffff, 0, 20), 60 << 8, 65535, 40);

    for (char kind : {'F', 'C', 'Z'}) {
        const int c = kind == 'F' ? 0 : kind == 'C' ? 1 : 2;
        auto row = [&](const char* name, const QByteArray& fws, QSize size, double rate, int frames,
                       int version) {
            QTest::addRow("%s %cWS", name, kind)
                << Compressed(fws, kind) << fws << c << size << rate << frames << version;
        };
        row("game", game, QSize(480, 360), 30.0, 1, 20);
        row("default stage", stage, QSize(550, 400), 24.5, 300, 10);
        row("offset frame", offset, QSize(100, 50), 12.0, 2, 9);
        row("part pixels", odd, QSize(101, 100), 1.0, 1, 8);
        row("huge frame", huge, QSize((0x3fffffff + 19) / 20, 1), 60.0, 65535, 40);
    }
}

void TestSwfHeader::readsHeader()
{
    QFETCH(QByteArray, movie);
    QFETCH(QByteArray, fws);
    QFETCH(int, compression);
    QFETCH(QSize, size);
    QFETCH(double, rate);
    QFETCH(int, frames);
    QFETCH(int, version);
    QVERIFY(!movie.isEmpty());

    SwfHeader h;
    QString error;
    QVERIFY2(ReadSwfHeader(movie, &h, &error), qPrintable(error));
    QCOMPARE(int(h.compression), compression);
    QCOMPARE(h.version, version);
    QCOMPARE(h.fileLength, quint32(fws.size()));
    QCOMPARE(h.frameSize(), size);
    QCOMPARE(h.frameRate, rate);
    QCOMPARE(h.frameCount, frames);

    // Only the start of a compressed file is needed for the header.
    if (compression != 0 && movie.size() > 200) {
        QVERIFY2(ReadSwfHeader(movie.left(200), &h, &error), qPrintable(error));
        QCOMPARE(h.frameSize(), size);
    }

    QByteArray plain;
    QVERIFY2(DecompressSwf(movie, &plain, &error), qPrintable(error));
    QCOMPARE(plain, fws);
}

void TestSwfHeader::refusesBrokenMovie_data()
{
    QTest::addColumn<QByteArray>("movie");
    QTest::addColumn<bool>("headerReadable"); // ReadSwfHeader succeeds
    QTest::addColumn<bool>("wholeReadable");  // DecompressSwf succeeds

    const QByteArray fws = Fws(Rect(0, 6400, 0, 4800), 30 << 8, 1, 20);
    const QByteArray cws = Cws(fws), zws = Zws(fws);
    auto withLength = [](QByteArray swf, quint32 length) {
        qToLittleEndian<quint32>(length, swf.data() + 4);
        return swf;
    };

    QTest::newRow("empty") << QByteArray() << false << false;
    QTest::newRow("shorter than the fixed header")
        << QByteArray("FWS\x0a\x10", 5) << false << false;
    QTest::newRow("not a movie") << QByteArray("<html><body>GameMovie</body></html>") << false
                                 << false;
    QTest::newRow("lower-case signature") << QByteArray("fws") + fws.mid(3) << false << false;
    QTest::newRow("length field smaller than a header") << withLength(fws, 9) << false << false;
    QTest::newRow("frame size cut off") << fws.left(9) << false << false;
    // Whole and consistent, but the frame is impossible to show.
    QTest::newRow("frame with negative width")
        << Fws(Rect(4000, 100, 0, 100), 1, 1) << false << true;
    QTest::newRow("uncompressed, cut off") << fws.left(fws.size() - 3) << true << false;
    QTest::newRow("uncompressed, trailing bytes") << fws + "xyz" << true << false;
    QTest::newRow("zlib, length field too large")
        << withLength(cws, fws.size() + 100) << true << false;
    QTest::newRow("zlib, length field too small")
        << withLength(cws, fws.size() - 4) << true << false;
    QByteArray garbled = cws;
    for (int i = 10; i < garbled.size(); ++i)
        garbled[i] = char(garbled[i] ^ 0x5a);
    QTest::newRow("zlib, garbled data") << garbled << false << false;
    QTest::newRow("zlib, cut off") << cws.left(cws.size() - 6) << true << false;
    QTest::newRow("zlib, absurd length") << withLength(cws, 0xfffffff0u) << true << false;
    QByteArray packed = zws;
    qToLittleEndian<quint32>(quint32(zws.size()), packed.data() + 8);
    QTest::newRow("LZMA, wrong compressed length") << packed << true << false;
    QTest::newRow("LZMA, cut off") << zws.left(zws.size() - 10) << true << false;
    QTest::newRow("LZMA, properties cut off") << zws.left(14) << false << false;
    QByteArray badProps = zws;
    badProps[12] = char(0xff); // lc/lp/pb beyond what LZMA allows
    QTest::newRow("LZMA, impossible properties") << badProps << false << false;
    QTest::newRow("LZMA, absurd length") << withLength(zws, 0xfffffff0u) << true << false;
}

void TestSwfHeader::refusesBrokenMovie()
{
    QFETCH(QByteArray, movie);
    QFETCH(bool, headerReadable);
    QFETCH(bool, wholeReadable);

    SwfHeader h;
    QString error;
    QCOMPARE(ReadSwfHeader(movie, &h, &error), headerReadable);
    QCOMPARE(error.isEmpty(), headerReadable);

    QByteArray plain("unchanged");
    QCOMPARE(DecompressSwf(movie, &plain, &error, 1024 * 1024), wholeReadable);
    if (!wholeReadable) {
        QVERIFY(!error.isEmpty());
        QCOMPARE(plain, QByteArray("unchanged"));
    }
}

void TestSwfHeader::survivesEveryTruncation_data()
{
    QTest::addColumn<char>("kind");
    QTest::newRow("FWS") << 'F';
    QTest::newRow("CWS") << 'C';
    QTest::newRow("ZWS") << 'Z';
}

void TestSwfHeader::survivesEveryTruncation()
{
    QFETCH(char, kind);
    const QByteArray fws = Fws(Rect(0, 480 * 20, 0, 360 * 20), 30 << 8, 1, 20);
    const QByteArray movie = Compressed(fws, kind);
    // Every cut-off copy is refused as a whole movie; none crashes.
    for (int n = 0; n < movie.size(); ++n) {
        SwfHeader h;
        QString error;
        QByteArray plain;
        ReadSwfHeader(movie.left(n), &h, &error);
        QVERIFY2(!DecompressSwf(movie.left(n), &plain, &error), qPrintable(QString::number(n)));
    }
}

QTEST_GUILESS_MAIN(TestSwfHeader)
#include "tst_swfheader.moc"
