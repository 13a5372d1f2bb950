#pragma once

#include <QString>
#include <QStringList>

// The compiler's command line, formatted from its template:
//   %1 "%2" -output "%3game\bin\GameMovie.swf" -load-config+="%4\game\obj\Main-config.xml"
// with native separators.
QString FormatCompileCommandLine(const QString& mxmlcPath, const QString& sourcePath,
                                 const QString& programFolder);

// The compiler's arguments, the program first, built from the same parts as
// the command line above but each one whole: a path is passed exactly as it
// is, whatever blanks or double quotes it holds. The compiler is started
// from this list; the formatted line serves the failure report.
QStringList CompileArguments(const QString& mxmlcPath, const QString& sourcePath,
                             const QString& programFolder);

// Splits a command line into arguments by the rules Windows programs use.
// An unquoted first token that contains blanks is resolved by trying the
// text up to each blank in turn and taking the first that names an existing
// file (one that can be run).
QStringList SplitCommandLine(const QString& commandLine);
