#pragma once

#include <QList>
#include <QString>
#include <QTemporaryDir>

#include <memory>

// Compiles sources of the game away from the learner's files: the program
// folder's game folder is copied once into a temporary folder, and each
// source is written there as Main.as and compiled by the program folder's
// compiler with the command line 実行 uses. The learner's game/src/Main.as
// and game/bin are never touched.

// One message of the compiler about the source.
struct CompilerMessage
{
    int line = 0;      // 1-based line of Main.as, 0 when the message names none
    int column = 0;    // 1-based, 0 when none
    bool error = true; // false for a warning
    QString text;      // the message itself, without file and position
};

struct TrialCompileResult
{
    bool ran = false; // the compiler ran to its end
    QString failure;  // why it did not (Japanese, with the system's text)
    int exitCode = 0;
    QString output; // everything the compiler wrote
    QList<CompilerMessage> messages;

    // Ran and reported no error.
    bool clean() const;
    QList<CompilerMessage> errors() const;
};

// The errors and warnings in the compiler's output (diagnostics.h), with
// lines only for those about sourcePath: a message about another file of
// the game names that file in its text and has line 0.
QList<CompilerMessage> ParseCompilerMessages(const QString& output, const QString& sourcePath);

class TrialCompiler
{
public:
    explicit TrialCompiler(const QString& programFolder);
    ~TrialCompiler();
    TrialCompiler(const TrialCompiler&) = delete;
    TrialCompiler& operator=(const TrialCompiler&) = delete;

    // Copies the game folder (without its movies); false with a reason when
    // the copy cannot be made. compile() calls it when needed.
    bool Prepare(QString& error);

    // Compiles one source (the editor's text, lines separated by '\n').
    // Waits at most timeoutMs for the compiler.
    TrialCompileResult Compile(const QString& source, int timeoutMs = 300000);

private:
    QString m_programFolder;
    std::unique_ptr<QTemporaryDir> m_copy;
};
