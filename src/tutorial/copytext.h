#pragma once

#include <QByteArray>
#include <QString>

// A page's copy text as the clipboard carries it: the code page 932 bytes up
// to the first NUL (the clipboard has always taken it as a C string),
// decoded. Its line breaks are as stored (CR LF).
QString PageClipboardText(const QByteArray& copyText);

// A text as the editor holds it: CR LF and lone CR become '\n'.
QString EditorText(const QString& text);
