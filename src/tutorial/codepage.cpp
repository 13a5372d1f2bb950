#include "codepage.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace {

constexpr char kCodePageName[] = "windows-31j";

// Lead bytes of a two-byte character.
bool IsLeadByte(uchar c)
{
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// True when the text ends with a lead byte whose trail byte is missing.
bool EndsInsideCharacter(const QByteArray& bytes)
{
    bool inside = false;
    for (const char c : bytes)
        inside = !inside && IsLeadByte(uchar(c));
    return inside;
}

// Encodes text, which failed as a whole, by halves until each character that
// cannot be encoded stands alone; those become '?'. Runs of good text are
// encoded in one call, so a long text with a few bad characters stays fast.
// Each piece gets a fresh encoder: after resetState() the converter keeps
// reporting the old error.
void EncodeRuns(QStringView text, QByteArray& out)
{
    QStringEncoder encoder(kCodePageName, QStringConverter::Flag::Stateless);
    const QByteArray encoded = encoder.encode(text);
    if (!encoder.hasError()) {
        out += encoded;
        return;
    }
    const bool oneCharacter = text.size() == 1 || (text.size() == 2 && text[0].isHighSurrogate() &&
                                                   text[1].isLowSurrogate());
    if (oneCharacter) {
        out += '?';
        return;
    }
    qsizetype mid = text.size() / 2;
    if (text[mid - 1].isHighSurrogate() && text[mid].isLowSurrogate())
        ++mid; // never split a surrogate pair
    EncodeRuns(text.first(mid), out);
    EncodeRuns(text.sliced(mid), out);
}

} // namespace

namespace CodePage {

QString toUnicode(const QByteArray& cp932)
{
    QStringDecoder decoder(kCodePageName, QStringConverter::Flag::Stateless);
    QString text = decoder.decode(cp932);
    // The converter drops a lead byte cut off at the end; keep a mark of it.
    if (decoder.hasError() && EndsInsideCharacter(cp932))
        text += QChar::ReplacementCharacter;
    return text;
}

QByteArray fromUnicode(const QString& text)
{
    // The converter's own substitute for a character it cannot encode is
    // FC FC (and a lone surrogate at the end vanishes), so the '?' is ours.
    QStringEncoder encoder(kCodePageName, QStringConverter::Flag::Stateless);
    QByteArray out = encoder.encode(text);
    if (!encoder.hasError())
        return out;
    out.clear();
    out.reserve(text.size() * 2);
    EncodeRuns(text, out);
    return out;
}

} // namespace CodePage
