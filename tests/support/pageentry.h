#pragma once

#include "tutorial/peltra.h"

#include <QByteArray>

// One page's entry as the tests write it: kind (0 red, 1 green, 2 blue),
// first line, line count and the copy text's bytes.
inline PageEntry Entry(int kind, int line, int count, const QByteArray& text = QByteArray())
{
    PageEntry entry;
    entry.color = kind;
    entry.line = line;
    entry.lineCount = count;
    entry.text = text;
    return entry;
}
