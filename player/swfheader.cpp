#include "swfheader.h"

#include <QFile>
#include <QtEndian>

#include <lzma.h>
#include <zlib.h>

#include <cstring>

namespace {

constexpr int kFixedHeader = 8;      // signature, version, length
constexpr int kLzmaHeader = 17;      // + compressed length, 5 bytes of properties
constexpr int kHeaderBodyBytes = 64; // the frame RECT and the two counts fit here

// Inflates up to `want` bytes of a zlib stream. With `exact`, the stream has
// to end after exactly `want` bytes.
bool Inflate(const QByteArray& in, int offset, quint32 want, bool exact, QByteArray* out,
             QString* error)
{
    out->resize(static_cast<qsizetype>(want));
    z_stream zs;
    std::memset(&zs, 0, sizeof zs);
    if (inflateInit(&zs) != Z_OK) {
        *error = QStringLiteral("zlib cannot start");
        return false;
    }
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.constData() + offset));
    zs.avail_in = static_cast<uInt>(in.size() - offset);
    zs.next_out = reinterpret_cast<Bytef*>(out->data());
    zs.avail_out = static_cast<uInt>(want);
    int rc = Z_OK;
    while (zs.avail_out > 0) {
        rc = inflate(&zs, Z_NO_FLUSH);
        if (rc != Z_OK)
            break;
    }
    const quint32 got = want - zs.avail_out;
    bool ok = true;
    if (got < want && !exact && (rc == Z_STREAM_END || rc == Z_BUF_ERROR)) {
        // Less than asked for, but all the data there is: the caller
        // decides whether that is enough.
        out->truncate(qsizetype(got));
    } else if (got < want) {
        if (rc == Z_STREAM_END || rc == Z_BUF_ERROR)
            *error = QStringLiteral("zlib data ends after %1 of %2 bytes").arg(got).arg(want);
        else
            *error = QStringLiteral("zlib data is corrupt (%1)").arg(rc);
        ok = false;
    } else if (exact && rc != Z_STREAM_END) {
        // All bytes are there; the stream has to end right here.
        unsigned char extra;
        zs.next_out = &extra;
        zs.avail_out = 1;
        rc = inflate(&zs, Z_FINISH);
        if (rc != Z_STREAM_END) {
            *error = zs.avail_out == 0
                         ? QStringLiteral("zlib data is longer than the length field says")
                         : QStringLiteral("zlib data is cut off");
            ok = false;
        }
    }
    inflateEnd(&zs);
    return ok;
}

// Decodes up to `want` bytes of the LZMA data of a "ZWS" movie. The data has
// no end marker; its uncompressed size is given to the decoder. Unless
// `exact`, data that ends early gives what it holds.
bool Unlzma(const QByteArray& in, quint32 bodyLength, quint32 want, bool exact, QByteArray* out,
            QString* error)
{
    // The decoder reads the old .lzma header: 5 bytes of properties and the
    // uncompressed size as 64 bits.
    QByteArray alone = in.mid(12, 5);
    // Reading only the start, the size need not be right: "unknown" lets the
    // decoder give what there is.
    quint64 size = exact ? quint64(bodyLength) : ~quint64(0);
    char le[8];
    qToLittleEndian(size, le);
    alone.append(le, 8);
    alone.append(in.constData() + kLzmaHeader, in.size() - kLzmaHeader);

    lzma_stream ls = LZMA_STREAM_INIT;
    if (lzma_alone_decoder(&ls, 512u * 1024 * 1024) != LZMA_OK) {
        *error = QStringLiteral("LZMA decoder cannot start");
        return false;
    }
    out->resize(static_cast<qsizetype>(want));
    ls.next_in = reinterpret_cast<const uint8_t*>(alone.constData());
    ls.avail_in = static_cast<size_t>(alone.size());
    ls.next_out = reinterpret_cast<uint8_t*>(out->data());
    ls.avail_out = want;
    lzma_ret rc = LZMA_OK;
    while (ls.avail_out > 0 && rc == LZMA_OK)
        rc = lzma_code(&ls, LZMA_RUN);
    const size_t got = want - ls.avail_out;
    lzma_end(&ls);
    if (got == want)
        return true;
    const bool ended = rc == LZMA_STREAM_END || rc == LZMA_BUF_ERROR || rc == LZMA_OK;
    if (ended && !exact) {
        out->truncate(qsizetype(got));
        return true;
    }
    if (ended)
        *error = QStringLiteral("LZMA data ends after %1 of %2 bytes").arg(got).arg(want);
    else
        *error = QStringLiteral("LZMA data is corrupt (%1)").arg(static_cast<int>(rc));
    return false;
}

bool ReadSignature(const QByteArray& data, SwfHeader* header, QString* error)
{
    if (data.size() < kFixedHeader) {
        *error = QStringLiteral("file too short for a movie header");
        return false;
    }
    const QByteArray sig = data.left(3);
    if (sig == "FWS")
        header->compression = SwfHeader::Compression::None;
    else if (sig == "CWS")
        header->compression = SwfHeader::Compression::Zlib;
    else if (sig == "ZWS")
        header->compression = SwfHeader::Compression::Lzma;
    else {
        *error = QStringLiteral("not a movie file (no FWS, CWS or ZWS signature)");
        return false;
    }
    header->version = static_cast<unsigned char>(data.at(3));
    header->fileLength = qFromLittleEndian<quint32>(data.constData() + 4);
    if (header->fileLength < kFixedHeader + 5) {
        *error = QStringLiteral("length field %1 is too small").arg(header->fileLength);
        return false;
    }
    if (header->compression == SwfHeader::Compression::Lzma && data.size() < kLzmaHeader) {
        *error = QStringLiteral("file too short for an LZMA movie header");
        return false;
    }
    return true;
}

// Reads the frame RECT (bit-packed), the frame rate and the frame count.
bool ReadFrame(const QByteArray& body, SwfHeader* header, QString* error)
{
    if (body.isEmpty()) {
        *error = QStringLiteral("no frame size");
        return false;
    }
    const auto* p = reinterpret_cast<const unsigned char*>(body.constData());
    const int nbits = p[0] >> 3;
    const int rectBytes = (5 + 4 * nbits + 7) / 8;
    if (body.size() < rectBytes + 4) {
        *error = QStringLiteral("header ends inside the frame size");
        return false;
    }
    int bit = 5;
    auto field = [&]() {
        qint64 v = 0;
        for (int i = 0; i < nbits; ++i, ++bit)
            v = (v << 1) | ((p[bit / 8] >> (7 - bit % 8)) & 1);
        if (nbits > 0 && (v & (qint64(1) << (nbits - 1)))) // signed
            v -= qint64(1) << nbits;
        return v;
    };
    const qint64 xmin = field(), xmax = field(), ymin = field(), ymax = field();
    const qint64 w = xmax - xmin, h = ymax - ymin;
    if (w < 0 || h < 0 || w > 0x7fffffff || h > 0x7fffffff) {
        *error = QStringLiteral("frame size is negative");
        return false;
    }
    header->twipsWidth = static_cast<int>(w);
    header->twipsHeight = static_cast<int>(h);
    header->frameRate = p[rectBytes + 1] + p[rectBytes] / 256.0; // 8.8 fixed point
    header->frameCount = p[rectBytes + 2] | (p[rectBytes + 3] << 8);
    return true;
}

} // namespace

bool ReadSwfHeader(const QByteArray& fileStart, SwfHeader* header, QString* error)
{
    QString localError;
    QString& err = error ? *error : localError;
    err.clear();
    SwfHeader h;
    if (!ReadSignature(fileStart, &h, &err))
        return false;
    const quint32 bodyLength = h.fileLength - kFixedHeader;
    const quint32 want = qMin<quint32>(bodyLength, kHeaderBodyBytes);
    QByteArray body;
    switch (h.compression) {
    case SwfHeader::Compression::None:
        body = fileStart.mid(kFixedHeader, want);
        break;
    case SwfHeader::Compression::Zlib:
        if (!Inflate(fileStart, kFixedHeader, want, false, &body, &err))
            return false;
        break;
    case SwfHeader::Compression::Lzma:
        if (!Unlzma(fileStart, bodyLength, want, false, &body, &err))
            return false;
        break;
    }
    if (!ReadFrame(body, &h, &err))
        return false;
    *header = h;
    return true;
}

bool ReadSwfHeaderFromFile(const QString& path, SwfHeader* header, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    // Enough for any header: compressed data of the first 64 bytes never
    // takes more than a few hundred bytes.
    return ReadSwfHeader(file.read(4096), header, error);
}

bool DecompressSwf(const QByteArray& file, QByteArray* uncompressed, QString* error,
                   quint32 maxLength)
{
    QString localError;
    QString& err = error ? *error : localError;
    err.clear();
    SwfHeader h;
    if (!ReadSignature(file, &h, &err))
        return false;
    if (h.fileLength > maxLength) {
        err = QStringLiteral("length field %1 is larger than %2").arg(h.fileLength).arg(maxLength);
        return false;
    }
    const quint32 bodyLength = h.fileLength - kFixedHeader;
    QByteArray body;
    switch (h.compression) {
    case SwfHeader::Compression::None:
        if (quint32(file.size()) != h.fileLength) {
            err = QStringLiteral("file has %1 bytes, the length field says %2")
                      .arg(file.size())
                      .arg(h.fileLength);
            return false;
        }
        *uncompressed = file;
        return true;
    case SwfHeader::Compression::Zlib:
        if (!Inflate(file, kFixedHeader, bodyLength, true, &body, &err))
            return false;
        break;
    case SwfHeader::Compression::Lzma: {
        const quint32 packed = qFromLittleEndian<quint32>(file.constData() + kFixedHeader);
        if (qint64(packed) != file.size() - kLzmaHeader) {
            err = QStringLiteral("compressed-length field %1, but %2 bytes follow the header")
                      .arg(packed)
                      .arg(file.size() - kLzmaHeader);
            return false;
        }
        if (!Unlzma(file, bodyLength, bodyLength, true, &body, &err))
            return false;
        break;
    }
    }
    *uncompressed = QByteArray("FWS") + file.mid(3, 5) + body;
    return true;
}
