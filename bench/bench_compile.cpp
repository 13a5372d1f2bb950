// The compile alone, cold and warm: the finished sample compiled by the
// launcher below the program folder without the compile server
// (PELTRA_COMPILE_SERVER=0, a new JVM each time) and with it (warm: the
// server already running). Runs alternate between the two, so that a
// change in the machine's load touches both alike. Prints every run, the
// minimum and median of each, and warm/cold.
//
// Usage: bench_compile [program-folder] [runs]
//   program-folder  default: the build's bin (scripts/setup-toolchain it)
//   runs            default: 7

#include "benchsupport.h"

#include "build/compilecommand.h"
#include "build/locations.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString program = ProgramFolderArgument(args, QStringLiteral(PELTRA_PROGRAM_DIR));
    const int runs = args.size() > 2 ? std::max(1, args.at(2).toInt()) : 7;
    const QString mxmlc = MxmlcPath(program);
    if (!QFileInfo(mxmlc).isExecutable()) {
        std::fprintf(stderr, "bench_compile: no compiler at %s (run scripts/setup-toolchain %s)\n",
                     qPrintable(mxmlc), qPrintable(program));
        return 1;
    }
    QTemporaryDir game, runtime;
    const QString root = game.path() + QLatin1Char('/');
    if (!LayOutSampleGame(root)) {
        std::fprintf(stderr, "bench_compile: cannot lay out the game in %s\n", qPrintable(root));
        return 1;
    }
    // A runtime folder of its own, so that a server the user has is left
    // alone and this one can be ended.
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    QDir::setCurrent(game.path());

    std::printf("Compile of the finished sample (%s), %d runs each, alternating\n",
                qPrintable(program), runs);
    CompileFigures figures;
    const bool ok =
        MeasureCompiles(CompileArguments(mxmlc, SourcePath(root), root), runs, &figures);
    EndServers(runtime.path());
    if (!ok)
        return 1;
    PrintCompileSummary(figures);
    return 0;
}
