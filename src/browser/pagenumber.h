#pragma once

#include <QString>

// The page number of a tutorial page's title ("index12" -> 12). When title
// starts with prefix (case-sensitive): page = -1 for nothing after it, else
// the integer the rest begins with, read as atoi reads it: leading blanks
// (space, tab, LF, VT, FF, CR), one optional sign, ASCII digits up to the
// first non-digit; no digits give 0. A number beyond the range of int
// saturates to INT_MAX or INT_MIN. Returns true. Otherwise page = -1, false.
bool ParsePageNumber(const QString& title, const QString& prefix, int& page);

// The atoi rule above on its own.
int ParseLeadingInt(QStringView text);
