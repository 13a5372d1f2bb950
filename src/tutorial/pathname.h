#pragma once

#include <QString>

// The last component of a path or address taken apart; both '\' and '/'
// separate components. Works on inputs of any length.

// The text after the last dot of the last component, or empty. Always succeeds.
QString GetPathExtension(const QString& path);

// The last component without its last extension. Returns false, leaving
// title unchanged, when that would be empty.
bool GetPathTitle(const QString& path, QString& title);
