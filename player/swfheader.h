#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>

// The fixed header of a SWF movie. Movies come in three forms: "FWS"
// (uncompressed), "CWS" (zlib after the first 8 bytes) and "ZWS" (LZMA after
// the first 12 bytes, followed by the LZMA properties). The length field
// always gives the size of the whole uncompressed file.
struct SwfHeader
{
    enum class Compression { None, Zlib, Lzma };

    Compression compression = Compression::None;
    int version = 0;
    quint32 fileLength = 0; // uncompressed size of the whole file
    int twipsWidth = 0;     // frame size in twips (1/20 pixel)
    int twipsHeight = 0;
    double frameRate = 0;
    int frameCount = 0;

    // The frame size in whole pixels.
    QSize frameSize() const { return QSize((twipsWidth + 19) / 20, (twipsHeight + 19) / 20); }
};

// Reads the header from the start of a movie file. `fileStart` needs to
// hold only the first few hundred bytes of a compressed file. On failure
// returns false and sets `error` (English, for logs and tests).
bool ReadSwfHeader(const QByteArray& fileStart, SwfHeader* header, QString* error);

// Reads the header of a movie file on disk.
bool ReadSwfHeaderFromFile(const QString& path, SwfHeader* header, QString* error);

// Turns a whole movie file into its uncompressed "FWS" form. Fails unless
// the data decompresses to exactly the size the length field gives (and,
// for LZMA, the compressed-length field matches the data). `maxLength`
// bounds what a corrupt length field can make us allocate.
bool DecompressSwf(const QByteArray& file, QByteArray* uncompressed, QString* error,
                   quint32 maxLength = 256u * 1024 * 1024);
