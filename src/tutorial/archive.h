#pragma once

#include <QByteArray>
#include <QtGlobal>

class QIODevice;

// The project file's archive: little-endian integers and length-prefixed
// strings on a QIODevice. Errors are sticky: after the first one, reads
// return 0 or an empty string and writes do nothing.
class CArchive
{
public:
    enum Mode { load, store };
    enum Error {
        NoError,
        EndOfFile,    // a read ran past the end (or a length/count larger than what is left)
        GenericError, // a malformed field, such as a qword string length above 2147483647
        WriteError,   // the device refused a write
    };

    CArchive(QIODevice* device, Mode mode);

    bool IsLoading() const { return m_mode == load; }
    bool IsStoring() const { return m_mode == store; }
    Error error() const { return m_error; }
    bool ok() const { return m_error == NoError; }

    // Bytes not yet read (loading).
    qint64 BytesLeft() const;
    // Fails with EndOfFile, before anything is read or allocated, when fewer
    // than n bytes are left (loading).
    bool Require(qint64 n);

    qint32 ReadInt32();
    QByteArray ReadString();

    void WriteInt32(qint32 value);
    void WriteString(const QByteArray& text);

private:
    QByteArray ReadBytes(qint64 n);
    void Fail(Error error);

    QIODevice* m_device;
    Mode m_mode;
    Error m_error = NoError;
};
