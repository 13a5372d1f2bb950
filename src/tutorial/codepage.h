#pragma once

#include <QByteArray>
#include <QString>

// Code page 932 (Shift_JIS as Windows has it) <-> Unicode.
namespace CodePage {
// Lossless for valid text. A byte that is no character becomes U+FFFD (or
// U+001A for a single byte the code page leaves unassigned); a lead byte cut
// off at the end becomes U+FFFD.
QString toUnicode(const QByteArray& cp932);
// Every character the code page cannot hold becomes '?' (0x3F): one '?' per
// character, so a character outside the BMP or a lone surrogate gives one.
QByteArray fromUnicode(const QString& text);
} // namespace CodePage
