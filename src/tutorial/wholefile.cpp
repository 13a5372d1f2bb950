#include "wholefile.h"

#include <QSaveFile>

namespace {

FileResult Failed(const QSaveFile& file)
{
    const QFileDevice::FileError code =
        file.error() != QFileDevice::NoError ? file.error() : QFileDevice::WriteError;
    return {code, file.errorString()};
}

} // namespace

FileResult SaveWholeFile(const QString& path, const QByteArray& bytes, bool directWriteFallback)
{
    QSaveFile file(path);
    file.setDirectWriteFallback(directWriteFallback);
    if (!file.open(QIODevice::WriteOnly))
        return Failed(file);
    // QSaveFile would commit a file cut short by a failed write, so every
    // write and the final flush are checked first; on failure the temporary
    // file is dropped (after its reason is taken).
    qint64 written = 0;
    while (written < bytes.size()) {
        const qint64 n = file.write(bytes.constData() + written, bytes.size() - written);
        if (n <= 0) {
            const FileResult result = Failed(file);
            file.cancelWriting();
            return result;
        }
        written += n;
    }
    if (!file.flush() || file.error() != QFileDevice::NoError) {
        const FileResult result = Failed(file);
        file.cancelWriting();
        return result;
    }
    if (!file.commit())
        return Failed(file);
    return {};
}
