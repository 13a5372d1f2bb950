#pragma once

#include <QString>

// The page number of a tutorial page's title ("index12" -> 12). When title
// starts with prefix: page = -1 for nothing after it, else the integer the
// rest begins with (atoi rules); returns true. Otherwise page = -1, false.
bool ParsePageNumber(const QString& title, const QString& prefix, int& page);
