#pragma once

#include <QString>
#include <QStringList>

class QTextStream;

// peltra --check NAME.lrnf [--template FILE] [--compile-each]
//
// Checks a tutorial without a window: one line per finding, "ページ N: ...",
// then a line with the counts. Exit status 0 when clean, 1 with findings,
// 2 when the command line, the project or the template cannot be used.

struct CheckCommandLine
{
    QString projectPath;
    QString templatePath; // empty: the project's own (NAME.template.as)
    bool compileEach = false;
    bool compile = true; // --no-compile leaves the compiler out
};

// Parses the arguments; false with a message when they are not a check.
bool ParseCheckCommandLine(const QStringList& arguments, CheckCommandLine& line, QString& error);

// Runs the check; findings and the counts go to out, failures to err.
// programFolder: where the compiler and the tutorial's pages are.
int RunCheckCommand(const QStringList& arguments, const QString& programFolder, QTextStream& out,
                    QTextStream& err);
