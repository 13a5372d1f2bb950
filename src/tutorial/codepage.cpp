#include "codepage.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <array>
#include <cstring>
#include <memory>

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

// An encoder that tells how many characters it could not encode so far.
// QStringEncoder::hasError() only says whether any failed since the encoder
// was made (resetState() does not clear it); the count lets one encoder
// serve the whole text.
class CountingEncoder : public QStringEncoder
{
public:
    CountingEncoder() : QStringEncoder(kCodePageName, QStringConverter::Flag::Stateless) {}
    qsizetype invalidCount() const { return state.invalidChars; }
};

// Units of text encoded in one call.
constexpr qsizetype kPiece = 256;

// The length of the piece at from: units, or fewer at the end; a surrogate
// pair is never split.
qsizetype PieceLength(QStringView text, qsizetype from, qsizetype units)
{
    qsizetype n = qMin(units, text.size() - from);
    if (n > 0 && from + n < text.size() && text[from + n - 1].isHighSurrogate() &&
        text[from + n].isLowSurrogate())
        ++n;
    return n;
}

// The code point of a character of one or two units; a lone surrogate is
// its own unit.
char32_t CodePoint(QStringView character)
{
    return character.size() == 2 ? QChar::surrogateToUcs4(character[0], character[1])
                                 : char32_t(character[0].unicode());
}

// What single characters encode to, the ones the code page lacks included.
// The converter reports each character it lacks through a slow path, so a
// text full of them is encoded from here after the first of each kind.
class CharacterCache
{
public:
    CharacterCache() { m_entries.fill(Entry{}); }

    // The character's bytes written at out; nullptr when it is not known.
    char* Write(char32_t character, char* out) const
    {
        const Entry& e = m_entries[character % kSize];
        if (e.character != character)
            return nullptr;
        if (e.size == 0) {
            *out = '?';
            return out + 1;
        }
        memcpy(out, e.bytes, e.size);
        return out + e.size;
    }
    // size 0: the code page lacks the character.
    void Store(char32_t character, const char* bytes, qsizetype size)
    {
        if (size > 2)
            return;
        Entry& e = m_entries[character % kSize];
        e.character = character;
        e.size = quint8(size);
        if (size > 0)
            memcpy(e.bytes, bytes, size_t(size));
    }

private:
    static constexpr char32_t kSize = 1024;
    struct Entry
    {
        char32_t character = 0xFFFFFFFF; // no character
        quint8 size = 0;
        char bytes[2] = {};
    };
    std::array<Entry, kSize> m_entries;
};

// Encodes a piece through the cache alone; nullptr when a character of it is
// not known (what was written then does not count).
char* WriteFromCache(const CharacterCache& cache, QStringView piece, char* out)
{
    for (qsizetype i = 0; i < piece.size();) {
        const qsizetype n = PieceLength(piece, i, 1);
        out = cache.Write(CodePoint(piece.sliced(i, n)), out);
        if (!out)
            return nullptr;
        i += n;
    }
    return out;
}

// Encodes a piece with a character the code page lacks one character at a
// time: each becomes its bytes or '?', and goes into the cache.
char* EncodeByCharacter(CountingEncoder& encoder, CharacterCache& cache, QStringView piece,
                        char* out)
{
    for (qsizetype i = 0; i < piece.size();) {
        const qsizetype n = PieceLength(piece, i, 1);
        const QStringView character = piece.sliced(i, n);
        const char32_t point = CodePoint(character);
        i += n;
        if (char* next = cache.Write(point, out)) {
            out = next;
            continue;
        }
        const qsizetype failed = encoder.invalidCount();
        char* next = encoder.appendToBuffer(out, character);
        if (encoder.invalidCount() != failed) {
            cache.Store(point, nullptr, 0);
            *out = '?';
            next = out + 1;
        } else {
            cache.Store(point, out, next - out);
        }
        out = next;
    }
    return out;
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
    // The text goes through one encoder in pieces; a piece with a character
    // the code page lacks is done again character by character, and from
    // then on a piece whose characters are all known comes from the cache.
    // The time stays linear however many characters are bad.
    CountingEncoder encoder;
    QByteArray out(encoder.requiredSpace(text.size()), Qt::Uninitialized);
    char* end = out.data();
    std::unique_ptr<CharacterCache> cache; // made at the first bad character
    for (qsizetype from = 0; from < text.size();) {
        const qsizetype n = PieceLength(text, from, kPiece);
        const QStringView piece = QStringView(text).sliced(from, n);
        from += n;
        if (cache) {
            if (char* next = WriteFromCache(*cache, piece, end)) {
                end = next;
                continue;
            }
        }
        const qsizetype failed = encoder.invalidCount();
        char* next = encoder.appendToBuffer(end, piece);
        if (encoder.invalidCount() == failed) {
            end = next;
            continue;
        }
        if (!cache)
            cache = std::make_unique<CharacterCache>();
        end = EncodeByCharacter(encoder, *cache, piece, end);
    }
    out.truncate(end - out.constData());
    return out;
}

} // namespace CodePage
