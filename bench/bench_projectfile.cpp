// Saves and loads a project of 100,000 pages and compares it with a plain
// QFile write and read of the same bytes; loads a project whose start page is
// a long wide text, once of characters code page 932 has and once of
// characters it lacks. Prints figures; asserts nothing.

#include "tutorial/peltra.h"
#include "tutorial/projectfile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtEndian>

#include <cstdio>
#include <functional>

namespace {

constexpr int kPages = 100000;
constexpr int kRounds = 7;

CPeltra MakeProject()
{
    QRandomGenerator random(42);
    CPeltra model;
    const QByteArray line = "    var \x95\x5C\x8E\xA6: int = 0; // \x83\x5C\x81\x5B\x83\x58\r\n";
    for (int page = 0; page < kPages; ++page) {
        model.SetCurrentPage(page);
        // Mostly a few lines of script, now and then a long piece.
        const int lines = random.bounded(random.bounded(20) == 0 ? 40 : 4);
        model.SetPage({line.repeated(lines), int(random.bounded(3)), int(random.bounded(1, 500)),
                       int(random.bounded(1, 8))});
    }
    model.SetCurrentPage(-1);
    return model;
}

// Best time of a few rounds, in seconds.
double Best(const std::function<void()>& run)
{
    double best = 1e9;
    for (int round = 0; round < kRounds; ++round) {
        QElapsedTimer timer;
        timer.start();
        run();
        best = qMin(best, timer.nsecsElapsed() / 1e9);
    }
    return best;
}

// An empty project whose start page is stored as a wide text of count
// copies of one UTF-16 unit.
QByteArray WideTextProject(char16_t unit, qint32 count)
{
    QByteArray file(16, '\0');
    file += QByteArray::fromHex("FF FEFF FF FFFF");
    char length[4];
    qToLittleEndian(count, length);
    file.append(length, 4);
    char pair[2];
    qToLittleEndian(quint16(unit), pair);
    file += QByteArray(pair, 2).repeated(count);
    return file;
}

void Report(const char* what, qint64 bytes, double project, double plain)
{
    const double mb = bytes / 1e6;
    std::printf("%-22s project %8.1f MB/s (%6.2f ms)   plain %8.1f MB/s (%6.2f ms)   ratio %.2f\n",
                what, mb / project, project * 1e3, mb / plain, plain * 1e3, plain / project);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    const QString path = dir.filePath("bench.lrnf");
    const QString plainPath = dir.filePath("plain.bin");
    const CPeltra model = MakeProject();

    QByteArray bytes;
    bool allOk = ProjectFile::Write(model, bytes).ok();
    std::printf("%d pages, %lld bytes\n", kPages, static_cast<long long>(bytes.size()));

    const double save = Best([&] { allOk = ProjectFile::Save(path, model).ok() && allOk; });
    const double plainWrite = Best([&] {
        QFile file(plainPath);
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        allOk = allOk && file.write(bytes) == bytes.size();
    });
    Report("save to a file", bytes.size(), save, plainWrite);

    const double load = Best([&] {
        CPeltra loaded;
        allOk = ProjectFile::Load(path, loaded).ok() && allOk;
    });
    {
        CPeltra loaded;
        allOk = ProjectFile::Load(path, loaded).ok() && loaded == model && allOk;
    }
    const double plainRead = Best([&] {
        QFile file(plainPath);
        file.open(QIODevice::ReadOnly);
        allOk = allOk && file.readAll().size() == bytes.size();
    });
    Report("load from a file", bytes.size(), load, plainRead);

    const double loadMemory = Best([&] {
        CPeltra loaded;
        allOk = ProjectFile::Read(bytes, loaded).ok() && allOk;
    });
    const double copyMemory = Best([&] {
        QByteArray copy(bytes.constData(), bytes.size());
        allOk = allOk && copy.size() == bytes.size();
    });
    Report("load from memory", bytes.size(), loadMemory, copyMemory);

    // The floor of any load into the model: one string per page, made and
    // freed again.
    CPeltra source = model;
    const double strings = Best([&] {
        QList<QByteArray> texts;
        for (int page = 0; page < kPages; ++page) {
            source.SetCurrentPage(page);
            const QByteArray text = source.GetText();
            texts.append(QByteArray(text.constData(), text.size()));
        }
    });
    std::printf("%-22s %.2f ms; loading from memory takes %.1f times that\n", "page strings alone",
                strings * 1e3, loadMemory / strings);

    // Wide texts become code page 932; a character the code page lacks
    // becomes '?'. Both kinds should take time in proportion to their number.
    constexpr qint32 kWide = 1000000;
    const struct
    {
        const char* what;
        char16_t unit;
        char expected;
    } wideCases[] = {{"mappable (U+8868)", u'\u8868', '\x95'},
                     {"unmappable (U+00E9)", u'\u00E9', '?'}};
    double wideTimes[2] = {};
    for (int i = 0; i < 2; ++i) {
        const QByteArray wide = WideTextProject(wideCases[i].unit, kWide);
        wideTimes[i] = Best([&] {
            CPeltra loaded;
            allOk = ProjectFile::Read(wide, loaded).ok() &&
                    loaded.GetStartPage().startsWith(wideCases[i].expected) && allOk;
        });
        std::printf("wide text, %d %-20s %8.2f ms\n", kWide, wideCases[i].what, wideTimes[i] * 1e3);
    }
    std::printf("wide text, unmappable / mappable: %.2f\n", wideTimes[1] / wideTimes[0]);

    if (!allOk)
        std::printf("a save or load failed\n");
    return allOk ? 0 : 1;
}
