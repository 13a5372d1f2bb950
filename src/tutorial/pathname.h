#pragma once

#include <QString>

// The last component of a path or address taken apart; both '\' and '/'
// separate components. Works on inputs of any length. The scan goes over
// UTF-16 code units: no surrogate and no unit of a Japanese character can be
// a separator or a dot, so names such as 表.html are always taken whole.

// The text after the last dot of the last component, or empty. Always succeeds.
QString GetPathExtension(const QString& path);

// The last component without its last extension. Returns false, leaving
// title unchanged, when that would be empty.
bool GetPathTitle(const QString& path, QString& title);
