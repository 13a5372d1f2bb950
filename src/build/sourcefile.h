#pragma once

#include "tutorial/result.h"

#include <QString>

// Main.as on disk: UTF-8 without BOM, CR LF line ends.

// Writes the editor's text: every CR dropped, every LF written as CR LF. The
// previous file stays whole when the save fails. Where the folder cannot
// take a temporary file but Main.as itself is writable, Main.as is written
// in place. A failure carries QFileDevice's code and the system's message
// (QFileDevice::errorString()); a build does not go on after one.
FileResult SaveSourceFile(const QString& path, const QString& text);

// Reads the file: a leading BOM skipped, a NUL ends the text, line ends taken
// as they are. Returns false and leaves text alone when the file cannot be
// read.
bool LoadSourceFile(const QString& path, QString& text);
