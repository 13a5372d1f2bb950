// Feeds arbitrary bytes to the project file reader. Whatever the bytes, the
// load ends with no error, an end-of-file error or a general archive error;
// a model that loads saves to a file that loads back to the same model.

#include "tutorial/archive.h"
#include "tutorial/peltra.h"

#include <QBuffer>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray file =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer in;
    in.setData(file);
    in.open(QIODevice::ReadOnly);
    CPeltra model;
    CArchive::Error error;
    {
        CArchive ar(&in, CArchive::load);
        model.Serialize(ar);
        error = ar.error();
    }
    if (error != CArchive::NoError && error != CArchive::EndOfFile &&
        error != CArchive::GenericError)
        std::abort();
    if (error != CArchive::NoError)
        return 0;

    // Whatever was read stays readable by every operation.
    for (int page = -1; page <= model.GetPageCount() + 1 && page < 64; ++page) {
        model.SetCurrentPage(page);
        (void)model.GetText();
        (void)model.GetColor();
        (void)model.GetLine();
        (void)model.GetLineCount();
    }
    model.SetCurrentPage(-1);

    QByteArray saved;
    {
        QBuffer out(&saved);
        out.open(QIODevice::WriteOnly);
        CArchive ar(&out, CArchive::store);
        model.Serialize(ar);
        if (!ar.ok())
            std::abort();
    }
    QBuffer again;
    again.setData(saved);
    again.open(QIODevice::ReadOnly);
    CArchive ar(&again, CArchive::load);
    CPeltra reloaded;
    reloaded.Serialize(ar);
    if (!ar.ok() || reloaded != model)
        std::abort();
    return 0;
}
