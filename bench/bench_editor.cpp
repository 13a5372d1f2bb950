// The script editor on a large source: 1 MiB (as saved, CR LF line ends) in
// 20,000 lines. Prints the time of a page refresh to a page near the end, of
// one gutter paint, and of typing one character at the end (key handling and
// the repaint it causes). Nothing is asserted; the aim is well under 16 ms.

#include "editor/linewnd.h"
#include "editor/programmingview.h"
#include "tutorial/peltra.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QScrollBar>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

namespace {

constexpr int kLines = 20000;
constexpr int kBytes = 1024 * 1024;

// Lines of ActionScript-like text; with CR LF the whole is exactly kBytes.
QString LargeSource()
{
    QString text;
    text.reserve(kBytes);
    const int perLine = kBytes / kLines; // bytes per line including CR LF
    int extra = kBytes - perLine * kLines;
    for (int i = 0; i < kLines; ++i) {
        QString line = QStringLiteral("\tvar v%1:int = %1; // ").arg(i);
        const int length = perLine - 2 + (extra > 0 ? 1 : 0);
        if (extra > 0)
            --extra;
        while (line.size() < length)
            line += QLatin1Char('a' + line.size() % 26);
        line.truncate(length);
        text += line;
        if (i + 1 < kLines)
            text += QLatin1Char('\n');
    }
    return text;
}

// CPU time of this thread, in ms: on a machine shared with other work the
// wall-clock figures also count the time spent waiting for a core.
double ThreadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

struct Times
{
    std::vector<double> wall;
    std::vector<double> cpu;
};

double Median(std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

void Report(const char* what, const Times& t)
{
    std::printf("%-40s wall median %7.3f ms, max %7.3f ms; cpu median %7.3f ms  (%zu runs)\n", what,
                Median(t.wall), *std::max_element(t.wall.begin(), t.wall.end()), Median(t.cpu),
                t.wall.size());
}

Times Time(int runs, const std::function<void(int)>& fn)
{
    Times t;
    QElapsedTimer timer;
    for (int i = 0; i < runs; ++i) {
        const double cpu = ThreadCpuMs();
        timer.start();
        fn(i);
        t.wall.push_back(timer.nsecsElapsed() / 1e6);
        t.cpu.push_back(ThreadCpuMs() - cpu);
    }
    return t;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    CProgrammingView editor;
    editor.resize(700, 900);
    editor.show();
    QCoreApplication::processEvents();

    const QString source = LargeSource();
    std::printf("source: %lld characters in the editor, %d lines\n",
                static_cast<long long>(source.size()), kLines);
    Report("SetWindowText (whole source)", Time(3, [&](int) { editor.SetWindowText(source); }));
    QCoreApplication::processEvents();

    // Two pages near the end, refreshed in turn so that every refresh selects
    // and scrolls anew.
    theTutorial.Clear();
    for (int page = 0; page < 2; ++page) {
        theTutorial.SetCurrentPage(page);
        theTutorial.SetPage(PageEntry{QByteArray("x"), ARROW_REPLACE, 19900 + 50 * page, 3});
    }
    Report("RefreshPage, page near the end", Time(50, [&](int i) {
               theTutorial.SetCurrentPage(i % 2);
               editor.RefreshPage();
           }));
    QCoreApplication::processEvents();

    Report("gutter paint", Time(100, [&](int) { editor.m_pLineWnd->repaint(); }));

    editor.moveCursor(QTextCursor::End);
    editor.setFocus();
    QCoreApplication::processEvents();
    Report("typing one character at the end", Time(50, [&](int) {
               QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
               QKeyEvent release(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier,
                                 QStringLiteral("a"));
               QApplication::sendEvent(&editor, &press);
               QApplication::sendEvent(&editor, &release);
               QCoreApplication::processEvents();
           }));
    Report("Enter at the end (gutter repainted)", Time(20, [&](int) {
               QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier,
                               QStringLiteral("\r"));
               QApplication::sendEvent(&editor, &press);
               QCoreApplication::processEvents();
           }));
    return 0;
}
