#pragma once

#include <QByteArray>
#include <QString>

// Code page 932 (Shift_JIS as Windows has it) <-> Unicode.
namespace CodePage {
// Lossless for valid text.
QString toUnicode(const QByteArray& cp932);
// Every character the code page cannot hold becomes '?' (0x3F).
QByteArray fromUnicode(const QString& text);
} // namespace CodePage
