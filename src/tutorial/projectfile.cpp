#include "projectfile.h"

#include "archive.h"
#include "pathname.h"
#include "peltra.h"
#include "wholefile.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>

namespace ProjectFile {

namespace {

Status FromArchive(const CArchive& ar)
{
    switch (ar.error()) {
    case CArchive::NoError:
        return {};
    case CArchive::EndOfFile:
        return {Error::EndOfFile, QStringLiteral("the file ends inside a field")};
    case CArchive::GenericError:
        return {Error::BadFormat, QStringLiteral("a malformed field or too many entries")};
    case CArchive::WriteError:
        break;
    }
    return {Error::CannotWrite};
}

} // namespace

bool HasExtension(const QString& path)
{
    // Compared byte-wise, ASCII letters without regard to case: no other
    // character folds onto "lrnf".
    const QString extension = GetPathExtension(path);
    static const char expected[] = "lrnf";
    if (extension.size() != 4)
        return false;
    for (int i = 0; i < 4; ++i) {
        const char16_t c = extension[i].unicode();
        const char16_t lower = (c >= u'A' && c <= u'Z') ? char16_t(c - u'A' + u'a') : c;
        if (lower != char16_t(expected[i]))
            return false;
    }
    return true;
}

Status Load(const QString& path, CPeltra& model)
{
    if (!HasExtension(path))
        return Error::WrongExtension;

    const QFileInfo info(path);
    if (!info.exists())
        return Error::NotFound;
    // Only regular files: a folder, a pipe or a device is no project.
    if (!info.isFile())
        return {Error::CannotOpen, QStringLiteral("not a regular file")};

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        const Error error = QFileInfo::exists(path) ? Error::CannotOpen : Error::NotFound;
        return {error, file.errorString()};
    }

    // A zero-length file is an empty project.
    if (file.size() == 0)
        return {};
    return Read(&file, model);
}

Status Read(QIODevice* device, CPeltra& model)
{
    CArchive ar(device, CArchive::load);
    model.Serialize(ar);
    return FromArchive(ar);
}

Status Read(const QByteArray& bytes, CPeltra& model)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return Read(&buffer, model);
}

Status Write(const CPeltra& model, QByteArray& bytes)
{
    bytes.clear();
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    CArchive ar(&buffer, CArchive::store);
    model.Store(ar);
    if (!ar.ok()) {
        bytes.clear();
        return {Error::CannotStore, QStringLiteral("a text or count too large for the file")};
    }
    return {};
}

Status Save(const QString& path, const CPeltra& model)
{
    // The whole file is built in memory first: a model that cannot be stored
    // never touches the disk.
    QByteArray bytes;
    const Status stored = Write(model, bytes);
    if (!stored.ok())
        return stored;
    const FileResult saved = SaveWholeFile(path, bytes);
    if (!saved.ok())
        return {Error::CannotWrite, saved.message()};
    return {};
}

QString LoadErrorMessage(Error error, const QString& path)
{
    switch (error) {
    case Error::Ok:
    case Error::WrongExtension:
        return {};
    case Error::NotFound:
        return QStringLiteral("%1 が見つかりませんでした。").arg(path);
    case Error::EndOfFile:
        return QStringLiteral("予期しないファイル形式です。");
    case Error::CannotOpen:
    case Error::BadFormat:
    case Error::CannotStore:
    case Error::CannotWrite:
        break;
    }
    return QStringLiteral("ドキュメントを開くことに失敗しました。");
}

} // namespace ProjectFile
