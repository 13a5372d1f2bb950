#pragma once

#include <QByteArray>
#include <QtGlobal>

class QIODevice;

// The project file's archive: little-endian integers and length-prefixed
// strings on a QIODevice. Errors are sticky: after the first one, reads
// return 0 or an empty string and writes do nothing.
//
// The archive reads ahead and collects writes in blocks of its own, so that
// a project of many pages costs few device calls. A storing archive hands its
// bytes to the device in Flush() (CPeltra::Serialize calls it) and at the
// latest on destruction; a loading archive on a random-access device puts the
// device back right after the last byte it used when it is destroyed.
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
    ~CArchive();
    CArchive(const CArchive&) = delete;
    CArchive& operator=(const CArchive&) = delete;

    bool IsLoading() const { return m_mode == load; }
    bool IsStoring() const { return m_mode == store; }
    Error error() const { return m_error; }
    bool ok() const { return m_error == NoError; }

    // Bytes not yet read (loading). On a sequential device, the bytes that
    // have arrived so far.
    qint64 BytesLeft() const;
    // Fails with EndOfFile, before anything is read or allocated, when fewer
    // than n bytes are left (loading).
    bool Require(qint64 n);

    qint32 ReadInt32();
    QByteArray ReadString();

    void WriteInt32(qint32 value);
    // A count of elements; fails with GenericError when it does not fit the
    // file's 32-bit count.
    void WriteCount(qsizetype count);
    // A text longer than 4294967294 bytes cannot be stored: GenericError.
    void WriteString(const QByteArray& text);
    // Hands the collected bytes to the device (storing). Returns ok().
    bool Flush();

    // Records an error the caller found in what was read (a count beyond
    // what the model holds); as with the archive's own, the first one stays.
    void Fail(Error error);

private:
    quint8 ReadByte();
    quint16 ReadWord();
    quint32 ReadDword();
    quint64 ReadQword();
    // Reads the next n bytes (n at most 8) into out; false (EndOfFile) when
    // the file ends first.
    bool ReadSmall(void* out, int n);
    // Makes at least n bytes buffered, reading the device in blocks; the
    // buffer grows only when it is full of bytes really read.
    bool Fill(qsizetype n);
    QByteArray ReadBytes(qint64 n);
    void WriteRaw(const char* data, qint64 n);

    qsizetype Buffered() const { return m_bufferEnd - m_bufferPos; }

    QIODevice* m_device;
    Mode m_mode;
    Error m_error = NoError;
    // Loading: read-ahead, the bytes from m_bufferPos to m_bufferEnd.
    // Storing: a block being filled up to m_bufferEnd.
    QByteArray m_buffer;
    qsizetype m_bufferPos = 0;
    qsizetype m_bufferEnd = 0;
    // Loading: bytes still in the device behind the read-ahead, or -1 when
    // the device is sequential and cannot tell.
    qint64 m_deviceLeft = -1;
};
