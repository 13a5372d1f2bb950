// Saves and loads a project of 100,000 pages and compares it with a plain
// QFile write and read of the same bytes. Prints figures; asserts nothing.

#include "tutorial/archive.h"
#include "tutorial/peltra.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

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
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        CArchive ar(&buffer, CArchive::store);
        const_cast<CPeltra&>(model).Serialize(ar);
    }
    std::printf("%d pages, %lld bytes\n", kPages, static_cast<long long>(bytes.size()));

    bool allOk = true;
    const double save = Best([&] {
        QFile file(path);
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        CArchive ar(&file, CArchive::store);
        const_cast<CPeltra&>(model).Serialize(ar);
        allOk = allOk && ar.ok();
    });
    const double plainWrite = Best([&] {
        QFile file(plainPath);
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        allOk = allOk && file.write(bytes) == bytes.size();
    });
    Report("save to a file", bytes.size(), save, plainWrite);

    const double load = Best([&] {
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        CArchive ar(&file, CArchive::load);
        CPeltra loaded;
        loaded.Serialize(ar);
        allOk = allOk && ar.ok();
    });
    {
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        CArchive ar(&file, CArchive::load);
        CPeltra loaded;
        loaded.Serialize(ar);
        allOk = allOk && loaded == model;
    }
    const double plainRead = Best([&] {
        QFile file(plainPath);
        file.open(QIODevice::ReadOnly);
        allOk = allOk && file.readAll().size() == bytes.size();
    });
    Report("load from a file", bytes.size(), load, plainRead);

    const double loadMemory = Best([&] {
        QBuffer buffer;
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        CArchive ar(&buffer, CArchive::load);
        CPeltra loaded;
        loaded.Serialize(ar);
        allOk = allOk && ar.ok();
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

    if (!allOk)
        std::printf("a save or load failed\n");
    return allOk ? 0 : 1;
}
