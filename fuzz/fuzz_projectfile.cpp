// Feeds arbitrary bytes to the project file reader. Whatever the bytes, the
// load ends with no error, an end-of-file error or a damaged-file error; a
// model that loads saves to a file that loads back to the same model.

#include "tutorial/peltra.h"
#include "tutorial/projectfile.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray file =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    CPeltra model;
    const ProjectFile::Error error = ProjectFile::Read(file, model).code();
    if (error != ProjectFile::Error::Ok && error != ProjectFile::Error::EndOfFile &&
        error != ProjectFile::Error::BadFormat)
        std::abort();
    if (error != ProjectFile::Error::Ok)
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
    if (!ProjectFile::Write(model, saved).ok())
        std::abort();
    CPeltra reloaded;
    if (!ProjectFile::Read(saved, reloaded).ok() || reloaded != model)
        std::abort();
    return 0;
}
