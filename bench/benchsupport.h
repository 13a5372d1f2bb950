#pragma once

// What the benchmarks of 実行 share: the sample game laid out as a game
// root, the compile run as 実行 runs it with the compile server or without
// it, the processes behind the sockets of a runtime folder, and the memory
// of a process tree.

#include <QString>
#include <QStringList>

#include <sys/types.h>

#include <optional>
#include <vector>

class QProcess;

// How long a benchmark waits for a compile, a player or a note.
constexpr int kBenchWaitMs = 120000;

// Points this process and the programs it starts at a runtime folder of
// their own, scratch/runtime (the user's player and compile servers stay
// out of it), and the player's notes at scratch/notes.txt; offscreen when
// no display is set.
void UseScratchEnvironment(const QString& scratch);

// The program folder: the first argument, or `fallback` (the build's bin);
// absolute, as the compiles run in the game's folder, and ending in '/'.
QString ProgramFolderArgument(const QStringList& arguments, const QString& fallback);

// Waits (up to two minutes) for the player's note of `event` in the notes
// file, for `movie` if given, written at or after `since`: its time, or
// nothing when the movie failed or `process` (if given) ended first.
std::optional<qint64> WaitForNote(const QString& notesPath, const QString& event,
                                  const QString& movie, qint64 since,
                                  const QProcess* process = nullptr);

double Median(std::vector<double> values);
double Minimum(const std::vector<double>& values);

// Lays out the finished sample below `root` (ending in a separator) as the
// program's game root: game/src/Main.as, game/obj/Main-config.xml, game/bin.
bool LayOutSampleGame(const QString& root);

// One compile through the compiler's launcher, run as 実行 runs it (this
// process's working folder and environment), with the compile server or
// without it (PELTRA_COMPILE_SERVER=0 for this compile only). Its time in
// seconds, or a negative value when it failed (the compiler's words on
// standard error).
double TimeCompile(const QStringList& arguments, bool server);

// The compile alone: one compile that starts the server, then `runs` pairs
// of a cold and a warm compile, alternating, so that a change in the
// machine's load touches both alike. Prints every run; false on a failure.
struct CompileFigures
{
    double first = 0;
    std::vector<double> cold, warm;
};
bool MeasureCompiles(const QStringList& arguments, int runs, CompileFigures* figures);
void PrintCompileSummary(const CompileFigures& figures);

// The process that listens on a Unix socket, or 0.
pid_t SocketOwner(const QString& path);
// The compile servers of a runtime folder (listening in <runtime>/peltra).
std::vector<pid_t> CompileServers(const QString& runtimeDir);
// Sends SIGTERM and waits (up to 10 s) until the process has gone.
void EndProcess(pid_t pid);
// Ends the compile servers of a runtime folder.
void EndServers(const QString& runtimeDir);

struct Memory
{
    qint64 rssKiB = 0;
    qint64 pssKiB = 0;
    qint64 privateKiB = 0; // pages no other process shares: what it alone costs
    int processes = 0;
};
// The process and every process below it (a web engine's helpers).
Memory MemoryOfTree(qint64 root);
