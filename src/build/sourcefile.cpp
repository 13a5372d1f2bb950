#include "sourcefile.h"

#include "tutorial/logging.h"
#include "tutorial/wholefile.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>

namespace {

// A learner's source is a few kilobytes; anything near this size is not a
// source the editor could hold, and reading it could exhaust memory.
constexpr qint64 kLargestSource = 256 * 1024 * 1024;

const char kBom[] = "\xEF\xBB\xBF";

} // namespace

FileResult SaveSourceFile(const QString& path, const QString& text)
{
    QString lines = text;
    lines.remove(QLatin1Char('\r'));
    // The file holds no NUL (a NUL would end the text on the next load).
    lines.remove(QChar(u'\0'));
    lines.replace(QLatin1Char('\n'), QLatin1String("\r\n"));

    // A failed save leaves the previous Main.as whole. A folder that takes
    // no new file (a shared game folder, a read-only parent) still lets the
    // learner's own Main.as be written in place.
    const FileResult saved = SaveWholeFile(path, lines.toUtf8(), true);
    if (!saved.ok())
        qCWarning(lcBuild).noquote() << "cannot save" << path << "-" << saved.message();
    return saved;
}

bool LoadSourceFile(const QString& path, QString& text)
{
    // Only a regular file: a pipe or a device could block or never end.
    const QFileInfo info(path);
    if (!info.isFile() || info.size() > kLargestSource)
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return false;

    if (bytes.startsWith(kBom))
        bytes.remove(0, 3);
    const qsizetype nul = bytes.indexOf('\0');
    if (nul >= 0)
        bytes.truncate(nul);
    // Invalid sequences become U+FFFD; line ends stay as they are.
    text = QString::fromUtf8(bytes);
    return true;
}
