#pragma once

#include <QByteArray>
#include <QString>

// Writes bytes to path through a temporary file beside it that takes the
// file's place only when every byte was written: a failed save (a full disk,
// a size limit, a missing folder) leaves the previous file whole.
bool SaveWholeFile(const QString& path, const QByteArray& bytes);
