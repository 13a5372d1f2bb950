#pragma once

#include "result.h"

#include <QByteArray>
#include <QString>

class CPeltra;
class QIODevice;

// Project files (.lrnf): the model as the archive stores it. Loading appends
// to the model's arrays, so a model to load into should be cleared; what was
// read before an error stays in the model.
namespace ProjectFile {

enum class Error {
    Ok,
    WrongExtension, // not a .lrnf name: the program refuses it without a message
    NotFound,
    CannotOpen,  // not a regular file, or the system refused to open it
    EndOfFile,   // the file ends inside a field, or a count runs past its end
    BadFormat,   // a malformed field, or counts beyond what the model holds
    CannotStore, // the model does not fit the file's format (a text above 4 GB)
    CannotWrite, // the system refused the save
};
using Status = Result<Error>;

// "lrnf" in any ASCII case.
bool HasExtension(const QString& path);

// Reads the file at path; an empty file is an empty project. The extension
// is tested first.
Status Load(const QString& path, CPeltra& model);
// Reads a project from a device (which may be sequential) or from bytes;
// the device stands after the last byte used.
Status Read(QIODevice* device, CPeltra& model);
Status Read(const QByteArray& bytes, CPeltra& model);

// The bytes the model is stored as; a model that does not fit the format
// gives CannotStore and leaves bytes empty.
Status Write(const CPeltra& model, QByteArray& bytes);
// Writes the file through a temporary one that takes its place only when
// every byte was written: a failed save leaves the previous file whole.
Status Save(const QString& path, const CPeltra& model);

// The text the program shows for a failed load (empty for none).
QString LoadErrorMessage(Error error, const QString& path);

} // namespace ProjectFile
