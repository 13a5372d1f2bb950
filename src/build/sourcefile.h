#pragma once

#include <QString>

// Main.as on disk: UTF-8 without BOM, CR LF line ends.

// Writes the editor's text: every CR dropped, every LF written as CR LF. The
// previous file stays whole when the save fails. Returns false on failure
// (callers go on regardless).
bool SaveSourceFile(const QString& path, const QString& text);

// Reads the file: a leading BOM skipped, a NUL ends the text, line ends taken
// as they are. Returns false and leaves text alone when the file cannot be
// read.
bool LoadSourceFile(const QString& path, QString& text);
