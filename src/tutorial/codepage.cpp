#include "codepage.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <array>
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

// What each BMP character encodes to, the ones the code page lacks
// included, learnt as texts are encoded. The converter reports each
// character it lacks through a slow path, so a text full of them is encoded
// from here after the first of each kind. The mapping never changes; each
// thread keeps its own table (256 KB, made at its first bad character).
class CharacterTable
{
public:
    // The character's bytes written at out; nullptr when it is not known yet.
    char* Write(char16_t character, char* out) const
    {
        const quint32 e = m_entries[character];
        if (e == 0)
            return nullptr;
        const int size = int(e >> 16) & 3;
        if (size == 0) {
            *out = '?';
            return out + 1;
        }
        out[0] = char(e & 0xFF);
        if (size == 2)
            out[1] = char((e >> 8) & 0xFF);
        return out + size;
    }
    // size 0: the code page lacks the character.
    void Store(char16_t character, const char* bytes, qsizetype size)
    {
        if (size > 2)
            return; // never for this code page; then it is simply not kept
        quint32 e = kKnown | quint32(size) << 16;
        if (size > 0)
            e |= uchar(bytes[0]);
        if (size > 1)
            e |= quint32(uchar(bytes[1])) << 8;
        m_entries[character] = e;
    }

    static CharacterTable& ForThisThread()
    {
        thread_local std::unique_ptr<CharacterTable> table = std::make_unique<CharacterTable>();
        return *table;
    }

private:
    static constexpr quint32 kKnown = 1u << 31;
    std::array<quint32, 0x10000> m_entries{};
};

// The code page has no character outside the BMP and none for a lone
// surrogate: such a unit or pair is '?' without asking the converter.
bool OutsideCodePage(QStringView character)
{
    return character.size() == 2 || character[0].isSurrogate();
}

// Goes through a piece a character at a time: one the code page cannot
// have is '?', any other goes to `write` (character, out) -> the new end,
// or nullptr to give up on the piece.
template <typename Write> char* WriteEach(QStringView piece, char* out, Write write)
{
    for (qsizetype i = 0; i < piece.size();) {
        const qsizetype n = PieceLength(piece, i, 1);
        const QStringView character = piece.sliced(i, n);
        i += n;
        if (OutsideCodePage(character)) {
            *out++ = '?';
            continue;
        }
        out = write(character, out);
        if (!out)
            return nullptr;
    }
    return out;
}

// Encodes a piece through the table alone; nullptr when a character of it
// is not known (what was written then does not count).
char* WriteFromTable(const CharacterTable& table, QStringView piece, char* out)
{
    return WriteEach(piece, out, [&table](QStringView character, char* at) {
        return table.Write(character[0].unicode(), at);
    });
}

// Encodes a piece with a character the code page lacks one character at a
// time: each becomes its bytes or '?', and goes into the table.
char* EncodeByCharacter(CountingEncoder& encoder, CharacterTable& table, QStringView piece,
                        char* out)
{
    return WriteEach(piece, out, [&encoder, &table](QStringView character, char* at) {
        const char16_t unit = character[0].unicode();
        if (char* next = table.Write(unit, at))
            return next;
        const qsizetype failed = encoder.invalidCount();
        char* next = encoder.appendToBuffer(at, character);
        if (encoder.invalidCount() != failed) {
            table.Store(unit, nullptr, 0);
            *at = '?';
            return at + 1;
        }
        table.Store(unit, at, next - at);
        return next;
    });
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
    // then on a piece whose characters are all known comes from the table.
    // The time stays linear however many characters are bad.
    CountingEncoder encoder;
    QByteArray out(encoder.requiredSpace(text.size()), Qt::Uninitialized);
    char* end = out.data();
    CharacterTable* table = nullptr; // taken at the first bad character
    for (qsizetype from = 0; from < text.size();) {
        const qsizetype n = PieceLength(text, from, kPiece);
        const QStringView piece = QStringView(text).sliced(from, n);
        from += n;
        if (table) {
            if (char* next = WriteFromTable(*table, piece, end)) {
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
        if (!table)
            table = &CharacterTable::ForThisThread();
        end = EncodeByCharacter(encoder, *table, piece, end);
    }
    out.truncate(end - out.constData());
    return out;
}

} // namespace CodePage
