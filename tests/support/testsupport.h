#pragma once

// Small helpers the tests share: files, bytes in the project file's layout,
// and UTF-8 literals.

#include <QByteArray>
#include <QString>

// The whole file, or ifUnreadable when it cannot be opened (a distinct value
// keeps a missing file from comparing equal to an empty one).
QByteArray ReadAll(const QString& path, const QByteArray& ifUnreadable = QByteArray());

// Writes bytes to path, creating its folder first; true when every byte was
// written.
bool WriteFile(const QString& path, const QByteArray& bytes);

// A 32-bit integer as the project file stores it: four bytes, little-endian.
QByteArray Int32(qint32 value);

// A QString from a UTF-8 literal, for Japanese text in the tests.
QString S(const char* utf8);
