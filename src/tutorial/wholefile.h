#pragma once

#include "result.h"

#include <QByteArray>
#include <QString>

// Writes bytes to path through a temporary file beside it that takes the
// file's place only when every byte was written: a failed save (a full disk,
// a size limit, a missing folder) leaves the previous file whole. A failure
// carries QSaveFile's error code and message. With directWriteFallback, a
// file whose folder cannot take the temporary file is written in place when
// the file itself is writable (then a failed write can leave it cut short).
FileResult SaveWholeFile(const QString& path, const QByteArray& bytes,
                         bool directWriteFallback = false);
