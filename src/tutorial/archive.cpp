#include "archive.h"

#include "codepage.h"

#include <QIODevice>
#include <QString>
#include <QtEndian>

#include <cstring>
#include <limits>

namespace {

// Size of the blocks read from and written to the device.
constexpr qsizetype kBlockSize = 64 * 1024;

constexpr quint64 kLargestLength = 2147483647;
constexpr quint64 kLargestWrittenLength = 0xFFFFFFFEu;

} // namespace

CArchive::CArchive(QIODevice* device, Mode mode) : m_device(device), m_mode(mode)
{
    const bool usable = device && (mode == load ? device->isReadable() : device->isWritable());
    if (!usable) {
        m_error = GenericError;
        return;
    }
    if (mode == store)
        m_buffer.resize(kBlockSize);
    else if (!device->isSequential())
        m_deviceLeft = qMax<qint64>(0, device->size() - device->pos());
}

CArchive::~CArchive()
{
    if (IsStoring()) {
        Flush();
    } else if (m_device && m_deviceLeft >= 0 && Buffered() > 0) {
        // Give back the read-ahead, so the device stands after the last byte used.
        m_device->seek(m_device->pos() - Buffered());
    }
}

void CArchive::Fail(Error error)
{
    if (m_error == NoError)
        m_error = error;
}

qint64 CArchive::BytesLeft() const
{
    if (!IsLoading() || !m_device)
        return 0;
    const qint64 behind = m_deviceLeft >= 0 ? m_deviceLeft : m_device->bytesAvailable();
    return Buffered() + behind;
}

bool CArchive::Require(qint64 n)
{
    if (!ok())
        return false;
    if (!IsLoading()) {
        Fail(GenericError);
        return false;
    }
    if (n <= Buffered())
        return true;
    if (m_deviceLeft >= 0) {
        if (n - Buffered() > m_deviceLeft) {
            Fail(EndOfFile);
            return false;
        }
        return true;
    }
    // A sequential device cannot say what is still to come: collect the bytes
    // (memory grows with the bytes that really arrive, not with n).
    return Fill(n);
}

bool CArchive::Fill(qsizetype n)
{
    if (Buffered() >= n)
        return true;
    if (!ok() || !IsLoading())
        return false;
    const qsizetype kept = Buffered();
    if (m_bufferPos > 0) {
        std::memmove(m_buffer.data(), m_buffer.constData() + m_bufferPos, size_t(kept));
        m_bufferPos = 0;
        m_bufferEnd = kept;
    }
    while (Buffered() < n) {
        if (m_bufferEnd == m_buffer.size())
            m_buffer.resize(qMax(kBlockSize, m_buffer.size() * 2));
        qint64 room = m_buffer.size() - m_bufferEnd;
        if (m_deviceLeft >= 0)
            room = qMin(room, m_deviceLeft);
        const qint64 got = room > 0 ? m_device->read(m_buffer.data() + m_bufferEnd, room) : 0;
        if (got < 0) {
            // A file fails; a pipe or socket says it has ended.
            Fail(m_deviceLeft >= 0 ? GenericError : EndOfFile);
            return false;
        }
        if (got == 0) {
            Fail(EndOfFile);
            return false;
        }
        m_bufferEnd += got;
        if (m_deviceLeft >= 0)
            m_deviceLeft -= got;
    }
    return true;
}

bool CArchive::ReadSmall(void* out, int n)
{
    if (!ok() || !IsLoading() || (Buffered() < n && !Fill(n))) {
        std::memset(out, 0, size_t(n));
        return false;
    }
    std::memcpy(out, m_buffer.constData() + m_bufferPos, size_t(n));
    m_bufferPos += n;
    return true;
}

quint8 CArchive::ReadByte()
{
    quint8 value = 0;
    ReadSmall(&value, 1);
    return value;
}

quint16 CArchive::ReadWord()
{
    uchar bytes[2];
    ReadSmall(bytes, 2);
    return qFromLittleEndian<quint16>(bytes);
}

quint32 CArchive::ReadDword()
{
    uchar bytes[4];
    ReadSmall(bytes, 4);
    return qFromLittleEndian<quint32>(bytes);
}

quint64 CArchive::ReadQword()
{
    uchar bytes[8];
    ReadSmall(bytes, 8);
    return qFromLittleEndian<quint64>(bytes);
}

qint32 CArchive::ReadInt32()
{
    if (!IsLoading()) {
        Fail(GenericError);
        return 0;
    }
    if (ok() && Buffered() >= 4) { // the common case, without a call
        const qint32 value = qFromLittleEndian<qint32>(m_buffer.constData() + m_bufferPos);
        m_bufferPos += 4;
        return value;
    }
    return qint32(ReadDword());
}

QByteArray CArchive::ReadBytes(qint64 n)
{
    if (n <= 0 || !Require(n))
        return {};
    // Require() has made sure the bytes are there, so allocating n is bounded
    // by the file.
    QByteArray bytes(n, Qt::Uninitialized);
    const qsizetype fromBuffer = qMin<qint64>(n, Buffered());
    std::memcpy(bytes.data(), m_buffer.constData() + m_bufferPos, size_t(fromBuffer));
    m_bufferPos += fromBuffer;
    qint64 done = fromBuffer;
    if (n - done >= kBlockSize) {
        // A long text goes straight from the device into the string.
        const qint64 got = m_device->read(bytes.data() + done, n - done);
        if (got > 0) {
            done += got;
            if (m_deviceLeft >= 0)
                m_deviceLeft -= got;
        }
    }
    if (done < n) {
        if (!Fill(n - done))
            return {};
        std::memcpy(bytes.data() + done, m_buffer.constData() + m_bufferPos, size_t(n - done));
        m_bufferPos += n - done;
    }
    return bytes;
}

QByteArray CArchive::ReadString()
{
    if (!IsLoading()) {
        Fail(GenericError);
        return {};
    }
    // Most texts have a one-byte length and lie whole in the read-ahead.
    if (ok() && Buffered() > 0) {
        const qsizetype length = uchar(m_buffer[m_bufferPos]);
        if (length != 0xFF && length < Buffered()) {
            QByteArray text(m_buffer.constData() + m_bufferPos + 1, length);
            m_bufferPos += 1 + length;
            return text;
        }
    }

    // The length prefix: a byte, then 0xFF + word, 0xFFFF + dword and
    // 0xFFFFFFFF + qword; a word 0xFFFE marks UTF-16 text and restarts the
    // prefix once.
    bool wide = false;
    quint64 length = ReadByte();
    if (length == 0xFF) {
        length = ReadWord();
        if (length == 0xFFFE) {
            wide = true;
            length = ReadByte();
            if (length == 0xFF)
                length = ReadWord();
        }
        if (length == 0xFFFF) {
            length = ReadDword();
            if (length == 0xFFFFFFFFu) {
                length = ReadQword();
                if (ok() && length > kLargestLength)
                    Fail(GenericError);
            }
        }
    }
    if (!ok())
        return {};

    if (!wide)
        return ReadBytes(qint64(length));

    const QByteArray units = ReadBytes(qint64(length) * 2);
    if (!ok())
        return {};
    QString text(qsizetype(length), Qt::Uninitialized);
    qFromLittleEndian<char16_t>(units.constData(), text.size(), text.data());
    return CodePage::fromUnicode(text);
}

void CArchive::WriteRaw(const char* data, qint64 n)
{
    if (!ok())
        return;
    if (!IsStoring()) {
        Fail(GenericError);
        return;
    }
    if (m_bufferEnd + n > kBlockSize) {
        if (!Flush())
            return;
        if (n >= kBlockSize) {
            if (m_device->write(data, n) != n)
                Fail(WriteError);
            return;
        }
    }
    std::memcpy(m_buffer.data() + m_bufferEnd, data, size_t(n));
    m_bufferEnd += n;
}

bool CArchive::Flush()
{
    if (!ok() || !IsStoring())
        return ok();
    if (m_bufferEnd > 0) {
        if (m_device->write(m_buffer.constData(), m_bufferEnd) != m_bufferEnd)
            Fail(WriteError);
        m_bufferEnd = 0;
    }
    return ok();
}

void CArchive::WriteInt32(qint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    WriteRaw(bytes, 4);
}

void CArchive::WriteCount(qsizetype count)
{
    if (count < 0 || count > std::numeric_limits<qint32>::max()) {
        Fail(GenericError);
        return;
    }
    WriteInt32(qint32(count));
}

void CArchive::WriteString(const QByteArray& text)
{
    const quint64 length = quint64(text.size());
    if (length > kLargestWrittenLength) {
        Fail(GenericError);
        return;
    }
    uchar prefix[7];
    int prefixSize = 0;
    if (length < 0xFF) {
        prefix[0] = uchar(length);
        prefixSize = 1;
    } else if (length < 0xFFFE) {
        prefix[0] = 0xFF;
        qToLittleEndian(quint16(length), prefix + 1);
        prefixSize = 3;
    } else {
        prefix[0] = 0xFF;
        prefix[1] = prefix[2] = 0xFF;
        qToLittleEndian(quint32(length), prefix + 3);
        prefixSize = 7;
    }
    WriteRaw(reinterpret_cast<const char*>(prefix), prefixSize);
    WriteRaw(text.constData(), text.size());
}
