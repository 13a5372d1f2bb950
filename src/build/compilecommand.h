#pragma once

#include <QString>
#include <QStringList>

// The compiler's command line, formatted from its template:
//   %1 "%2" -output "%3game\bin\GameMovie.swf" -load-config+="%4\game\obj\Main-config.xml"
// with native separators.
QString FormatCompileCommandLine(const QString& mxmlcPath, const QString& sourcePath,
                                 const QString& programFolder);

// Splits a command line into arguments by the rules Windows programs use.
// An unquoted first token that contains blanks is resolved by trying the
// text up to each blank in turn and taking the first that names an existing
// file (one that can be run).
QStringList SplitCommandLine(const QString& commandLine);
