#include "support/testsupport.h"
#include "tutorial/archive.h"
#include "tutorial/codepage.h"
#include "tutorial/peltra.h"
#include "tutorial/projectfile.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <algorithm>
#include <limits>
#include <new>
#include <sys/resource.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#define PELTRA_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PELTRA_ASAN 1
#endif
#endif

Q_DECLARE_METATYPE(CArchive::Error)
Q_DECLARE_METATYPE(ProjectFile::Error)

namespace {

QByteArray Hex(const char* hex)
{
    return QByteArray::fromHex(hex); // spaces are skipped
}

// A text with the length prefix the program writes.
QByteArray Prefixed(const QByteArray& text)
{
    QByteArray prefix;
    if (text.size() < 255) {
        prefix = QByteArray(1, char(text.size()));
    } else if (text.size() < 65534) {
        prefix = Hex("FF 0000");
        qToLittleEndian(quint16(text.size()), prefix.data() + 1);
    } else {
        prefix = Hex("FF FFFF 00000000");
        qToLittleEndian(quint32(text.size()), prefix.data() + 3);
    }
    return prefix + text;
}

const QByteArray kDefaultStart = QByteArrayLiteral("\x0F"
                                                   "HTML\\index.html");

QByteArray Save(const CPeltra& model)
{
    QByteArray file;
    if (!ProjectFile::Write(model, file).ok())
        qFatal("saving into a buffer failed");
    return file;
}

ProjectFile::Error Load(QIODevice* device, CPeltra& model)
{
    return ProjectFile::Read(device, model).code();
}

ProjectFile::Error Load(const QByteArray& file, CPeltra& model)
{
    return ProjectFile::Read(file, model).code();
}

// A pipe-like device: it cannot seek or tell its size, hands out its bytes
// in small pieces and says -1 at the end.
class SequentialDevice : public QIODevice
{
public:
    SequentialDevice(const QByteArray& data, int piece) : m_data(data), m_piece(piece)
    {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override { return m_data.size() - m_pos; }

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        if (m_pos == m_data.size())
            return -1;
        const qint64 n = std::min<qint64>({maxSize, m_piece, m_data.size() - m_pos});
        memcpy(data, m_data.constData() + m_pos, size_t(n));
        m_pos += n;
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray m_data;
    qsizetype m_pos = 0;
    int m_piece;
};

// A device that takes only so many bytes, like a full disk.
class FullDevice : public QIODevice
{
public:
    explicit FullDevice(qint64 room) : m_room(room)
    {
        open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    }
    QByteArray written;

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override
    {
        const qint64 n = qMin(size, m_room - written.size());
        if (n <= 0)
            return -1;
        written.append(data, n);
        return n;
    }

private:
    qint64 m_room;
};

// While it lives, the process cannot take much more address space than it
// has: a reader that allocated from a count in the file would fail.
class AddressSpaceLimit
{
public:
    AddressSpaceLimit()
    {
#ifndef PELTRA_ASAN // the sanitizer's shadow memory needs the address space
        QFile statm("/proc/self/statm");
        if (!statm.open(QIODevice::ReadOnly) || getrlimit(RLIMIT_AS, &m_old) != 0)
            return;
        const rlim_t used = rlim_t(statm.readAll().split(' ').value(0).toULongLong()) *
                            rlim_t(sysconf(_SC_PAGESIZE));
        rlimit limit = m_old;
        limit.rlim_cur = qMin<rlim_t>(used + (256u << 20), m_old.rlim_max);
        m_active = setrlimit(RLIMIT_AS, &limit) == 0;
#endif
    }
    ~AddressSpaceLimit()
    {
        if (m_active)
            setrlimit(RLIMIT_AS, &m_old);
    }

private:
    rlimit m_old{};
    bool m_active = false;
};

// A second, plain reader of the file format, for comparing with the archive
// on random input. It produces the file the program would write for what it
// read, and the error.
class PlainReader
{
public:
    explicit PlainReader(const QByteArray& file) : m_file(file) {}

    ProjectFile::Error Read(QByteArray& canonical)
    {
        QByteArray items[4];
        qint32 read[4] = {};
        QByteArray startPage = "HTML\\index.html";
        for (int array = 0; array < 4 && m_error == ProjectFile::Error::Ok; ++array) {
            const qint64 count = qint32(Take(4));
            if (count > 0 && count * (array == 0 ? 1 : 4) > Left())
                Fail(ProjectFile::Error::EndOfFile);
            else if (count > CPeltra::MaxLoadedEntries)
                Fail(ProjectFile::Error::BadFormat);
            for (qint64 i = 0; i < count && m_error == ProjectFile::Error::Ok; ++i) {
                const QByteArray item = array == 0 ? Prefixed(String()) : Int32(qint32(Take(4)));
                if (m_error != ProjectFile::Error::Ok)
                    break;
                items[array] += item;
                ++read[array];
            }
        }
        const QByteArray text = String();
        if (m_error == ProjectFile::Error::Ok)
            startPage = text;
        for (int array = 0; array < 4; ++array)
            canonical += Int32(read[array]) + items[array];
        canonical += Prefixed(startPage);
        return m_error;
    }

private:
    qint64 Left() const { return m_file.size() - m_pos; }
    void Fail(ProjectFile::Error e)
    {
        if (m_error == ProjectFile::Error::Ok)
            m_error = e;
    }
    quint64 Take(int n)
    {
        if (m_error != ProjectFile::Error::Ok || Left() < n) {
            Fail(ProjectFile::Error::EndOfFile);
            return 0;
        }
        quint64 v = 0;
        for (int i = n - 1; i >= 0; --i)
            v = (v << 8) | uchar(m_file[m_pos + i]);
        m_pos += n;
        return v;
    }
    QByteArray String()
    {
        bool wide = false;
        quint64 n = Take(1);
        if (n == 0xFF) {
            n = Take(2);
            if (n == 0xFFFE) {
                wide = true;
                n = Take(1);
                if (n == 0xFF)
                    n = Take(2);
            }
            if (n == 0xFFFF) {
                n = Take(4);
                if (n == 0xFFFFFFFF) {
                    n = Take(8);
                    if (m_error == ProjectFile::Error::Ok && n > 2147483647)
                        Fail(ProjectFile::Error::BadFormat);
                }
            }
        }
        const qint64 bytes = qint64(n) * (wide ? 2 : 1);
        if (m_error != ProjectFile::Error::Ok || bytes > Left()) {
            Fail(ProjectFile::Error::EndOfFile);
            return {};
        }
        const QByteArray raw = m_file.mid(m_pos, bytes);
        m_pos += bytes;
        if (!wide)
            return raw;
        QString text;
        for (qint64 i = 0; i < bytes; i += 2)
            text += QChar(qFromLittleEndian<quint16>(raw.constData() + i));
        return CodePage::fromUnicode(text);
    }

    QByteArray m_file;
    qsizetype m_pos = 0;
    ProjectFile::Error m_error = ProjectFile::Error::Ok;
};

// A project file as the program writes it, with random texts (some longer
// than a one-byte prefix holds) and numbers; with uneven, the number arrays
// have lengths of their own. The start page field is passed whole.
QByteArray RandomFile(QRandomGenerator& random, int pages, bool uneven, const QByteArray& startPage)
{
    QByteArray file = Int32(pages);
    for (int page = 0; page < pages; ++page) {
        QByteArray text(random.bounded(random.bounded(8) == 0 ? 600 : 40), Qt::Uninitialized);
        for (char& c : text)
            c = char(random.bounded(256));
        file += Prefixed(text);
    }
    for (int array = 0; array < 3; ++array) {
        const int count = uneven ? random.bounded(pages + 3) : pages;
        file += Int32(count);
        for (int i = 0; i < count; ++i)
            file += Int32(qint32(random.generate()));
    }
    return file + startPage;
}

QByteArray RandomStartPage(QRandomGenerator& random)
{
    return Prefixed(random.bounded(2) ? QByteArray("HTML\\index.html")
                                      : QByteArray("HTML\\\x95\x5C.html\0x", 14));
}

CPeltra RandomModel(QRandomGenerator& random, int pages)
{
    CPeltra model;
    if (Load(RandomFile(random, pages, false, RandomStartPage(random)), model) !=
        ProjectFile::Error::Ok)
        qFatal("a file as the program writes it did not load");
    return model;
}

} // namespace

class TestProjectFile : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void fixedFiles_data();
    void fixedFiles();
    void writtenPrefix_data();
    void writtenPrefix();
    void readString_data();
    void readString();
    void load_data();
    void load();
    void cutAtEveryByte();
    void hugeCountsDoNotAllocate_data();
    void hugeCountsDoNotAllocate();
    void countsBeyondTheModel_data();
    void countsBeyondTheModel();
    void appendingBeyondTheModel();
    void errorsAreSticky();
    void roundTrip_data();
    void roundTrip();
    void roundTripThroughFile();
    void deviceStandsAfterLastByteUsed();
    void writeErrors();
    void randomAndMutatedFiles();
    void extension_data();
    void extension();
    void loadFromDisk_data();
    void loadFromDisk();
    void saveFailureCarriesTheReason();
    void loadErrorMessages_data();
    void loadErrorMessages();
    void fuzzSeedsLoad_data();
    void fuzzSeedsLoad();
};

void TestProjectFile::fixedFiles_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("pages");

    QTest::newRow("cleared model") << QByteArray(16, '\0') + kDefaultStart << 0;
    QTest::newRow("one page")
        << Hex("01000000 03616263 01000000 01000000 01000000 0C000000 01000000 03000000") +
               kDefaultStart
        << 1;
}

void TestProjectFile::fixedFiles()
{
    QFETCH(QByteArray, file);
    QFETCH(int, pages);
    CPeltra model;
    if (pages == 1) {
        model.SetCurrentPage(0);
        model.SetPage({"abc", 1, 12, 3});
        model.SetCurrentPage(-1);
    }
    QCOMPARE(Save(model), file);
    QCOMPARE(file.size(), qsizetype(pages == 0 ? 32 : 48));

    CPeltra loaded;
    QCOMPARE(Load(file, loaded), ProjectFile::Error::Ok);
    QCOMPARE(loaded, model);
}

void TestProjectFile::writtenPrefix_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<QByteArray>("prefix");

    QTest::newRow("0") << 0 << Hex("00");
    QTest::newRow("254") << 254 << Hex("FE");
    QTest::newRow("255") << 255 << Hex("FF FF00");
    QTest::newRow("65533") << 65533 << Hex("FF FDFF");
    QTest::newRow("65534") << 65534 << Hex("FF FFFF FEFF0000");
    QTest::newRow("65535") << 65535 << Hex("FF FFFF FFFF0000");
    QTest::newRow("200000, longer than a block") << 200000 << Hex("FF FFFF 400D0300");
}

void TestProjectFile::writtenPrefix()
{
    QFETCH(int, length);
    QFETCH(QByteArray, prefix);
    QByteArray text(length, Qt::Uninitialized);
    for (int i = 0; i < length; ++i)
        text[i] = char(i * 7);

    QByteArray file;
    QBuffer buffer(&file);
    buffer.open(QIODevice::WriteOnly);
    {
        CArchive ar(&buffer, CArchive::store);
        ar.WriteString(text);
        ar.WriteInt32(-2);
        QVERIFY(ar.Flush());
    }
    QCOMPARE(file, prefix + text + Hex("FEFFFFFF"));

    buffer.close();
    buffer.open(QIODevice::ReadOnly);
    CArchive ar(&buffer, CArchive::load);
    QCOMPARE(ar.ReadString(), text);
    QCOMPARE(ar.ReadInt32(), -2);
    QCOMPARE(ar.BytesLeft(), qint64(0));
    QCOMPARE(ar.error(), CArchive::NoError);
}

void TestProjectFile::readString_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<CArchive::Error>("error");

    const auto ok = CArchive::NoError;
    const auto eof = CArchive::EndOfFile;
    const auto bad = CArchive::GenericError;
    QTest::newRow("byte") << Hex("03 616263") << QByteArray("abc") << ok;
    QTest::newRow("zero byte inside") << Hex("03 610062") << QByteArray("a\0b", 3) << ok;
    QTest::newRow("word for a short text") << Hex("FF 0300 616263") << QByteArray("abc") << ok;
    QTest::newRow("empty word") << Hex("FF 0000") << QByteArray() << ok;
    QTest::newRow("dword for a short text")
        << Hex("FF FFFF 03000000 616263") << QByteArray("abc") << ok;
    QTest::newRow("qword") << Hex("FF FFFF FFFFFFFF 0300000000000000 616263") << QByteArray("abc")
                           << ok;
    QTest::newRow("wide") << Hex("FF FEFF 02 4100 4200") << QByteArray("AB") << ok;
    QTest::newRow("wide, empty") << Hex("FF FEFF 00") << QByteArray() << ok;
    QTest::newRow("wide, word") << Hex("FF FEFF FF 0200 4100 4200") << QByteArray("AB") << ok;
    QTest::newRow("wide, word FFFE is a length")
        << Hex("FF FEFF FF FEFF") + QByteArray("A\0", 2).repeated(0xFFFE) << QByteArray(0xFFFE, 'A')
        << ok;
    QTest::newRow("wide, dword") << Hex("FF FEFF FF FFFF 02000000 4100 4200") << QByteArray("AB")
                                 << ok;
    QTest::newRow("wide, qword") << Hex("FF FEFF FF FFFF FFFFFFFF 0200000000000000 4100 4200")
                                 << QByteArray("AB") << ok;
    QTest::newRow("wide, 0x5C trail bytes") << Hex("FF FEFF 04 6888 BD30 FD80 884E")
                                            << QByteArray("\x95\x5C\x83\x5C\x94\x5C\x97\x5C") << ok;
    QTest::newRow("wide, no code page character")
        << Hex("FF FEFF 04 3DD8 00DE E900 4100") << QByteArray("??A") << ok;
    QTest::newRow("qword 2147483647 with a tiny file")
        << Hex("FF FFFF FFFFFFFF FFFFFF7F00000000 6162") << QByteArray() << eof;
    QTest::newRow("qword 2147483648")
        << Hex("FF FFFF FFFFFFFF 0000008000000000 6162") << QByteArray() << bad;
    QTest::newRow("qword all ones")
        << Hex("FF FFFF FFFFFFFF FFFFFFFFFFFFFFFF") << QByteArray() << bad;
    QTest::newRow("wide qword above")
        << Hex("FF FEFF FF FFFF FFFFFFFF 0000000001000000") << QByteArray() << bad;
    QTest::newRow("nothing") << QByteArray() << QByteArray() << eof;
    QTest::newRow("cut in word") << Hex("FF FF") << QByteArray() << eof;
    QTest::newRow("cut in dword") << Hex("FF FFFF FFFFFF") << QByteArray() << eof;
    QTest::newRow("cut in qword") << Hex("FF FFFF FFFFFFFF 01000000") << QByteArray() << eof;
    QTest::newRow("cut in text") << Hex("05 6162") << QByteArray() << eof;
    QTest::newRow("cut after wide marker") << Hex("FF FEFF") << QByteArray() << eof;
    QTest::newRow("cut in wide text") << Hex("FF FEFF 02 4100 42") << QByteArray() << eof;
    QTest::newRow("dword length, tiny file") << Hex("FF FFFF FEFFFFFF 61") << QByteArray() << eof;
    QTest::newRow("wide qword length, tiny file")
        << Hex("FF FEFF FF FFFF FFFFFFFF FFFFFF7F00000000 4100") << QByteArray() << eof;
}

void TestProjectFile::readString()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, text);
    QFETCH(CArchive::Error, error);
    for (int piece : {0, 1, 3}) { // a file, and pipes of different pieces
        QBuffer buffer;
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        SequentialDevice pipe(bytes, piece);
        CArchive ar(piece ? static_cast<QIODevice*>(&pipe) : &buffer, CArchive::load);
        QCOMPARE(ar.ReadString(), text);
        QCOMPARE(ar.error(), error);
        if (error == CArchive::NoError)
            QCOMPARE(ar.BytesLeft(), qint64(0));
    }
}

void TestProjectFile::load_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<ProjectFile::Error>("error");
    QTest::addColumn<QList<int>>("lengths"); // texts, colours, lines, spans
    QTest::addColumn<QByteArray>("startPage");
    QTest::addColumn<bool>("savesTheSame");

    const QByteArray oneEach =
        Int32(1) + Hex("0161") + Int32(1) + Int32(2) + Int32(1) + Int32(3) + Int32(1) + Int32(4);
    QTest::newRow("negative counts read nothing")
        << Int32(-1) + Int32(std::numeric_limits<int>::min()) + Int32(1) + Int32(7) + Int32(-5) +
               Hex("0178")
        << ProjectFile::Error::Ok << QList<int>{0, 0, 1, 0} << QByteArray("x") << false;
    QTest::newRow("three texts, two colours")
        << Int32(3) + Hex("0161 00 0163") + Int32(2) + Int32(1) + Int32(2) + Int32(3) + Int32(5) +
               Int32(6) + Int32(7) + Int32(0) + kDefaultStart
        << ProjectFile::Error::Ok << QList<int>{3, 2, 3, 0} << QByteArray("HTML\\index.html")
        << true;
    QTest::newRow("bytes after the start page are ignored")
        << oneEach + Hex("0178 DEADBEEF") << ProjectFile::Error::Ok << QList<int>{1, 1, 1, 1}
        << QByteArray("x") << false;
    QTest::newRow("long start page")
        << Int32(0) + Int32(0) + Int32(0) + Int32(0) + Hex("FF 2C01") + QByteArray(300, 's')
        << ProjectFile::Error::Ok << QList<int>{0, 0, 0, 0} << QByteArray(300, 's') << true;
    QTest::newRow("cut inside the start page keeps the entries")
        << oneEach + Hex("05 6162") << ProjectFile::Error::EndOfFile << QList<int>{1, 1, 1, 1}
        << QByteArray("HTML\\index.html") << false;
    QTest::newRow("start page missing")
        << oneEach << ProjectFile::Error::EndOfFile << QList<int>{1, 1, 1, 1}
        << QByteArray("HTML\\index.html") << false;
    QTest::newRow("text count beyond the file")
        << Int32(20) + Hex("0161 0162") + QByteArray(15, '\0') << ProjectFile::Error::EndOfFile
        << QList<int>{0, 0, 0, 0} << QByteArray("HTML\\index.html") << false;
    QTest::newRow("line count beyond the file keeps what came before")
        << Int32(1) + Hex("0161") + Int32(1) + Int32(9) + Int32(3) + Int32(1) + Int32(2) +
               Hex("0178")
        << ProjectFile::Error::EndOfFile << QList<int>{1, 1, 0, 0} << QByteArray("HTML\\index.html")
        << false;
    QTest::newRow("bad string length stops the load")
        << Int32(2) + Hex("0161 FF FFFF FFFFFFFF 0000000080000000") + QByteArray(40, '\0')
        << ProjectFile::Error::BadFormat << QList<int>{1, 0, 0, 0} << QByteArray("HTML\\index.html")
        << false;
}

void TestProjectFile::load()
{
    QFETCH(QByteArray, file);
    QFETCH(QList<int>, lengths);
    QFETCH(QByteArray, startPage);
    CPeltra model;
    QTEST(Load(file, model), "error");
    QCOMPARE((QList<int>{model.GetPageCount(), model.ColorCount(), model.LineCount(),
                         model.SpanCount()}),
             lengths);
    QCOMPARE(model.GetStartPage(), startPage);
    QCOMPARE(model.GetCurrentPage(), -1);
    QTEST(Save(model) == file, "savesTheSame");
}

// A cut anywhere is an end-of-file error; whatever came before stays.
void TestProjectFile::cutAtEveryByte()
{
    CPeltra model;
    const QByteArray texts[] = {"a", QByteArray(300, 'b'), QByteArray(70000, 'c'), {}};
    for (int page = 0; page < 4; ++page) {
        model.SetCurrentPage(page);
        model.SetPage({texts[page], page, page + 10, page + 20});
    }
    model.SetCurrentPage(-1);
    const QByteArray file = Save(model);
    const qsizetype startPageAt = file.size() - kDefaultStart.size();
    for (qsizetype cut = 0; cut < file.size(); cut += cut < 400 || cut > 70300 ? 1 : 997) {
        CPeltra loaded;
        QCOMPARE(Load(file.left(cut), loaded), ProjectFile::Error::EndOfFile);
        QVERIFY(loaded.GetPageCount() <= 4);
        for (int page = 0; page < loaded.GetPageCount(); ++page) {
            loaded.SetCurrentPage(page);
            QCOMPARE(loaded.GetText(), texts[page]);
        }
        loaded.SetCurrentPage(-1);
        QCOMPARE(loaded.GetStartPage(), QByteArray("HTML\\index.html"));
        if (cut >= startPageAt)
            QCOMPARE(loaded, model);
    }
}

void TestProjectFile::hugeCountsDoNotAllocate_data()
{
    QTest::addColumn<QByteArray>("file");
    const QByteArray max = Int32(std::numeric_limits<int>::max());
    QTest::newRow("text count") << max + Hex("0161");
    QTest::newRow("colour count") << Int32(0) + max + Int32(1);
    QTest::newRow("span count") << Int32(0) + Int32(0) + Int32(0) + max + Int32(1);
    QTest::newRow("dword text length") << Int32(1) + Hex("FF FFFF FEFFFFFF 6162");
    QTest::newRow("qword text length") << Int32(1) + Hex("FF FFFF FFFFFFFF FFFFFF7F00000000 61");
    QTest::newRow("wide text length")
        << Int32(1) + Hex("FF FEFF FF FFFF FFFFFFFF FFFFFF7F00000000");
    QTest::newRow("start page length")
        << QByteArray(16, '\0') + Hex("FF FFFF FFFFFFFF FFFFFF7F00000000");
}

void TestProjectFile::hugeCountsDoNotAllocate()
{
    QFETCH(QByteArray, file);
    for (int piece : {0, 5}) {
        CPeltra model;
        AddressSpaceLimit limit;
        try {
            if (piece) {
                SequentialDevice pipe(file, piece);
                QCOMPARE(Load(&pipe, model), ProjectFile::Error::EndOfFile);
            } else {
                QCOMPARE(Load(file, model), ProjectFile::Error::EndOfFile);
            }
        } catch (const std::bad_alloc&) {
            QFAIL("the reader allocated from a count in the file");
        }
        QCOMPARE(model.GetPageCount(), 0);
    }
}

// A count that would give an array more entries than the model holds is a
// damaged file, even when the file has the bytes for them; it is found before
// the entries are made.
void TestProjectFile::countsBeyondTheModel_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<ProjectFile::Error>("error");
    QTest::addColumn<int>("pages");

    const int most = CPeltra::MaxLoadedEntries;
    const QByteArray noNumbers = Int32(0) + Int32(0) + Int32(0) + kDefaultStart;
    QTest::newRow("as many texts as the model holds")
        << Int32(most) + QByteArray(most, '\0') + noNumbers << ProjectFile::Error::Ok << most;
    QTest::newRow("one text more") << Int32(most + 1) + QByteArray(most + 1, '\0') + noNumbers
                                   << ProjectFile::Error::BadFormat << 0;
    QTest::newRow("20 MB of empty texts")
        << Int32(20000000) + QByteArray(20000000, '\0') + noNumbers << ProjectFile::Error::BadFormat
        << 0;
    QTest::newRow("one colour more")
        << Int32(0) + Int32(most + 1) + QByteArray(4 * (most + 1), '\0') + Int32(0) + Int32(0) +
               kDefaultStart
        << ProjectFile::Error::BadFormat << 0;
}

void TestProjectFile::countsBeyondTheModel()
{
    QFETCH(QByteArray, file);
    QFETCH(int, pages);
    CPeltra model;
    {
        AddressSpaceLimit limit;
        try {
            QTEST(Load(file, model), "error");
        } catch (const std::bad_alloc&) {
            QFAIL("the reader made entries beyond what the model holds");
        }
    }
    QCOMPARE(model.GetPageCount(), pages);
    QCOMPARE(model.ColorCount(), 0);
}

// Loading appends: what a model holds already counts.
void TestProjectFile::appendingBeyondTheModel()
{
    const int most = CPeltra::MaxLoadedEntries;
    const QByteArray noNumbers = Int32(0) + Int32(0) + Int32(0) + kDefaultStart;
    CPeltra model;
    QCOMPARE(Load(Int32(most - 1) + QByteArray(most - 1, '\0') + noNumbers, model),
             ProjectFile::Error::Ok);
    QCOMPARE(Load(Int32(1) + Hex("0161") + noNumbers, model), ProjectFile::Error::Ok);
    QCOMPARE(model.GetPageCount(), most);
    QCOMPARE(Load(Int32(1) + Hex("0162") + noNumbers, model), ProjectFile::Error::BadFormat);
    QCOMPARE(model.GetPageCount(), most);
}

void TestProjectFile::errorsAreSticky()
{
    QByteArray bytes = Hex("FF FFFF FFFFFFFF 0000000001000000") + Int32(5) + Hex("0161");
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    CArchive ar(&buffer, CArchive::load);
    QCOMPARE(ar.ReadString(), QByteArray());
    QCOMPARE(ar.error(), CArchive::GenericError);
    QCOMPARE(ar.ReadInt32(), 0);
    QCOMPARE(ar.ReadString(), QByteArray());
    QVERIFY(!ar.Require(1));
    QCOMPARE(ar.error(), CArchive::GenericError);

    FullDevice full(3);
    CArchive store(&full, CArchive::store);
    store.WriteString(QByteArray(70000, 'x')); // the device takes 3 bytes of it
    QCOMPARE(store.error(), CArchive::WriteError);
    store.WriteInt32(1);
    QVERIFY(!store.Flush());
    QCOMPARE(store.error(), CArchive::WriteError);

    CArchive wrongWay(&buffer, CArchive::store); // a read-only device
    QCOMPARE(wrongWay.error(), CArchive::GenericError);
    CArchive noDevice(nullptr, CArchive::load);
    QCOMPARE(noDevice.ReadInt32(), 0);
    QCOMPARE(noDevice.error(), CArchive::GenericError);
}

void TestProjectFile::roundTrip_data()
{
    QTest::addColumn<int>("seed");
    QTest::addColumn<int>("pages");
    QTest::addColumn<bool>("uneven");
    QTest::newRow("empty") << 1 << 0 << false;
    QTest::newRow("one page") << 2 << 1 << false;
    QTest::newRow("many pages") << 3 << 3000 << false;
    QTest::newRow("uneven arrays") << 4 << 40 << true;
    QTest::newRow("uneven arrays, many") << 5 << 2000 << true;
}

void TestProjectFile::roundTrip()
{
    QFETCH(int, seed);
    QFETCH(int, pages);
    QFETCH(bool, uneven);
    QRandomGenerator random{quint32(seed)};
    const QByteArray file = RandomFile(random, pages, uneven, RandomStartPage(random));

    CPeltra loaded;
    QCOMPARE(Load(file, loaded), ProjectFile::Error::Ok);
    QCOMPARE(loaded.GetPageCount(), pages);
    QCOMPARE(loaded.GetCurrentPage(), -1);
    QCOMPARE(Save(loaded), file);

    CPeltra fromPipe;
    SequentialDevice pipe(file, 1000);
    QCOMPARE(Load(&pipe, fromPipe), ProjectFile::Error::Ok);
    QCOMPARE(fromPipe, loaded);
}

void TestProjectFile::roundTripThroughFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QRandomGenerator random(6);
    const CPeltra model = RandomModel(random, 5000);
    const QString path = dir.filePath("project.lrnf");
    QVERIFY(ProjectFile::Save(path, model).ok());

    QFile in(path);
    QVERIFY(in.open(QIODevice::ReadOnly));
    CPeltra loaded;
    QCOMPARE(Load(&in, loaded), ProjectFile::Error::Ok);
    QCOMPARE(loaded, model);
    QCOMPARE(in.pos(), in.size());
}

void TestProjectFile::deviceStandsAfterLastByteUsed()
{
    QByteArray bytes = Int32(0) + Int32(0) + Int32(0) + Int32(0) + Hex("0178") + "tail";
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    {
        CPeltra model;
        QCOMPARE(Load(&buffer, model), ProjectFile::Error::Ok);
    }
    QCOMPARE(buffer.readAll(), QByteArray("tail"));
}

void TestProjectFile::writeErrors()
{
    QRandomGenerator random(7);
    const CPeltra model = RandomModel(random, 3000);
    const QByteArray whole = Save(model);
    for (qint64 room : {qint64(0), qint64(10), qint64(65536), whole.size() - 1}) {
        FullDevice device(room);
        CArchive ar(&device, CArchive::store);
        const_cast<CPeltra&>(model).Serialize(ar);
        QCOMPARE(ar.error(), CArchive::WriteError);
        QVERIFY(whole.startsWith(device.written));
    }
    FullDevice roomy(whole.size());
    CArchive ar(&roomy, CArchive::store);
    const_cast<CPeltra&>(model).Serialize(ar);
    QCOMPARE(ar.error(), CArchive::NoError);
    QCOMPARE(roomy.written, whole);
}

// Random bytes and damaged project files: the archive must agree with the
// plain reader on the error and on what was read.
void TestProjectFile::randomAndMutatedFiles()
{
    QRandomGenerator random(20240601);
    const uchar interesting[] = {0x00, 0x01, 0x7F, 0x80, 0xFE, 0xFF};
    const qint32 interestingInts[] = {
        0,      -1,     1, std::numeric_limits<int>::max(), std::numeric_limits<int>::min(),
        0xFFFF, 0x10000};
    int errors[3] = {};
    for (int round = 0; round < 4000; ++round) {
        QByteArray file;
        if (round % 4 == 0) {
            // Pieces of the format in random order: counts, length prefixes
            // of every form, bytes.
            for (int piece = random.bounded(1, 12); piece > 0; --piece) {
                switch (random.bounded(4)) {
                case 0:
                    file += Int32(random.bounded(2) ? random.bounded(-2, 4)
                                                    : interestingInts[random.bounded(7)]);
                    break;
                case 1:
                    file += Hex("FF FFFF FFFFFFFF").left(1 + 2 * random.bounded(4)) +
                            Hex("FEFF").left(2 * random.bounded(2));
                    break;
                case 2:
                    file += QByteArray(random.bounded(1, 8), char(random.bounded(2) ? 0xFF : 0));
                    break;
                default:
                    file += char(random.bounded(256));
                }
            }
        } else {
            const QByteArray wideStart = Hex("FF FEFF 03 6888 3DD8 00DE");
            file = RandomFile(random, random.bounded(5), random.bounded(2),
                              round % 3 == 0 ? wideStart : RandomStartPage(random));
            for (int m = random.bounded(1, 4); m > 0 && !file.isEmpty(); --m) {
                const qsizetype at = random.bounded(file.size());
                switch (random.bounded(5)) {
                case 0:
                    file[at] = char(file[at] ^ (1 << random.bounded(8)));
                    break;
                case 1:
                    file[at] = char(interesting[random.bounded(6)]);
                    break;
                case 2:
                    file.truncate(at);
                    break;
                case 3:
                    file.insert(at, Hex("FF FFFF FFFFFFFF").left(random.bounded(1, 8)));
                    break;
                default:
                    if (at + 4 <= file.size())
                        qToLittleEndian(interestingInts[random.bounded(7)], file.data() + at);
                }
            }
        }

        QByteArray expected;
        const ProjectFile::Error expectedError = PlainReader(file).Read(expected);
        CPeltra model;
        SequentialDevice pipe(file, 1 + random.bounded(20));
        const ProjectFile::Error error = round % 2 ? Load(file, model) : Load(&pipe, model);
        QCOMPARE(error, expectedError);
        QCOMPARE(Save(model), expected);
        ++errors[error == ProjectFile::Error::Ok          ? 0
                 : error == ProjectFile::Error::EndOfFile ? 1
                                                          : 2];
    }
    // The rounds reached every outcome.
    QVERIFY(errors[0] > 100 && errors[1] > 100 && errors[2] > 10);
}

void TestProjectFile::extension_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("project");
    QTest::newRow("lower case") << "/a/b.lrnf" << true;
    QTest::newRow("mixed case") << "C:\\a\\b.LrNf" << true;
    QTest::newRow("only the extension") << ".lrnf" << true;
    QTest::newRow("another after it") << "b.lrnf.txt" << false;
    QTest::newRow("no dot") << "lrnf" << false;
    QTest::newRow("dot in the folder") << "/a.lrnf/b" << false;
    QTest::newRow("full-width letter") << S("b.ｌrnf") << false;
}

void TestProjectFile::extension()
{
    QFETCH(QString, path);
    QTEST(ProjectFile::HasExtension(path), "project");
}

void TestProjectFile::loadFromDisk_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes"); // a null array: nothing there; "<folder>": a folder
    QTest::addColumn<ProjectFile::Error>("error");
    QTest::addColumn<int>("pages");
    QTest::addColumn<bool>("reason"); // the system's message comes along

    const QByteArray onePage = Int32(1) + Hex("03616263") + Int32(1) + Int32(1) + Int32(1) +
                               Int32(12) + Int32(1) + Int32(3) + kDefaultStart;
    using E = ProjectFile::Error;
    QTest::newRow("one page") << "p.lrnf" << onePage << E::Ok << 1 << false;
    QTest::newRow("upper-case extension") << "P.LRNF" << onePage << E::Ok << 1 << false;
    QTest::newRow("empty file is an empty project")
        << "e.lrnf" << QByteArray("") << E::Ok << 0 << false;
    QTest::newRow("wrong extension") << "p.txt" << onePage << E::WrongExtension << 0 << false;
    QTest::newRow("missing") << "gone.lrnf" << QByteArray() << E::NotFound << 0 << false;
    QTest::newRow("folder") << "dir.lrnf" << QByteArray("<folder>") << E::CannotOpen << 0 << true;
    QTest::newRow("cut") << "cut.lrnf" << onePage.left(10) << E::EndOfFile << 1 << true;
    QTest::newRow("bad length") << "bad.lrnf" << Int32(1) + Hex("FF FFFF FFFFFFFF 0000008000000000")
                                << E::BadFormat << 0 << true;
}

void TestProjectFile::loadFromDisk()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(int, pages);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(name);
    if (bytes == "<folder>")
        QVERIFY(QDir(dir.path()).mkdir(name));
    else if (!bytes.isNull())
        QVERIFY(WriteFile(path, bytes));

    CPeltra model;
    const ProjectFile::Status status = ProjectFile::Load(path, model);
    QTEST(status.code(), "error");
    QCOMPARE(status.ok(), status.code() == ProjectFile::Error::Ok);
    QTEST(!status.message().isEmpty(), "reason");
    QCOMPARE(model.GetPageCount(), pages);
}

void TestProjectFile::saveFailureCarriesTheReason()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QRandomGenerator random(8);
    const CPeltra model = RandomModel(random, 50);

    const QString path = dir.filePath("saved.lrnf");
    QVERIFY(ProjectFile::Save(path, model).ok());
    QCOMPARE(ReadAll(path), Save(model));

    // A folder that is not there: the save fails with what the system says.
    const QString nowhere = dir.filePath("missing/saved.lrnf");
    const ProjectFile::Status failed = ProjectFile::Save(nowhere, model);
    QCOMPARE(failed.code(), ProjectFile::Error::CannotWrite);
    QSaveFile probe(nowhere);
    QVERIFY(!probe.open(QIODevice::WriteOnly));
    QCOMPARE(failed.message(), probe.errorString());
    QVERIFY(!failed.message().isEmpty());
}

void TestProjectFile::loadErrorMessages_data()
{
    QTest::addColumn<ProjectFile::Error>("error");
    QTest::addColumn<QString>("message");
    using E = ProjectFile::Error;
    QTest::newRow("ok") << E::Ok << QString();
    QTest::newRow("wrong extension") << E::WrongExtension << QString();
    QTest::newRow("not found") << E::NotFound << S("/t/p.lrnf が見つかりませんでした。");
    QTest::newRow("cannot open") << E::CannotOpen << S("ドキュメントを開くことに失敗しました。");
    QTest::newRow("end of file") << E::EndOfFile << S("予期しないファイル形式です。");
    QTest::newRow("bad format") << E::BadFormat << S("ドキュメントを開くことに失敗しました。");
}

void TestProjectFile::loadErrorMessages()
{
    QFETCH(ProjectFile::Error, error);
    QTEST(ProjectFile::LoadErrorMessage(error, QStringLiteral("/t/p.lrnf")), "message");
}

// The fuzz target's seeds stay files the program loads, each kind they stand
// for still in them.
void TestProjectFile::fuzzSeedsLoad_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("pages");
    QTest::addColumn<bool>("wide"); // stored as wide text, so saved otherwise
    QTest::newRow("sample") << "sample.lrnf" << -1 << false;
    QTest::newRow("minimal") << "minimal.lrnf" << 0 << false;
    QTest::newRow("wide") << "wide.lrnf" << 3 << true;
}

void TestProjectFile::fuzzSeedsLoad()
{
    QFETCH(QString, name);
    QFETCH(int, pages);
    QFETCH(bool, wide);
    const QByteArray file =
        ReadAll(QStringLiteral(PELTRA_SOURCE_DIR "/fuzz/corpus/projectfile/") + name);
    QVERIFY(!file.isEmpty());
    CPeltra model;
    QCOMPARE(Load(file, model), ProjectFile::Error::Ok);
    if (pages >= 0)
        QCOMPARE(model.GetPageCount(), pages);
    else
        QVERIFY(model.GetPageCount() > 10);
    QCOMPARE(Save(model) == file, !wide);
    if (wide) {
        model.SetCurrentPage(1);
        QVERIFY(model.GetText().contains('?')); // a character code page 932 lacks
        QCOMPARE(model.GetStartPage(), QByteArray("HTML\\\x95\x5C.html"));
        QVERIFY(model.LineCount() != model.GetPageCount());
    }
}

QTEST_GUILESS_MAIN(TestProjectFile)
#include "tst_projectfile.moc"
