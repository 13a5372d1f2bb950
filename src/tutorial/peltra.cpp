#include "peltra.h"

#include "archive.h"

CPeltra theTutorial;

namespace {

// A number array that a project file left shorter than the texts is padded
// with zeros up to the page before the page's value goes in.
void StoreAt(QList<qint32>& numbers, qsizetype page, qint32 value)
{
    if (numbers.size() <= page)
        numbers.resize(page + 1);
    numbers[page] = value;
}

void InsertAt(QList<qint32>& numbers, qsizetype page, qint32 value)
{
    if (numbers.size() < page)
        numbers.resize(page);
    numbers.insert(page, value);
}

void RemoveAt(QList<qint32>& numbers, qsizetype page)
{
    if (page < numbers.size())
        numbers.removeAt(page);
}

qint32 ValueAt(const QList<qint32>& numbers, int page)
{
    return page >= 0 && page < numbers.size() ? numbers[page] : 0;
}

void StoreNumbers(CArchive& ar, const QList<qint32>& numbers)
{
    ar.WriteCount(numbers.size());
    for (const qint32 value : numbers)
        ar.WriteInt32(value);
}

// Checks a count read from the file before anything is made for it: beyond
// the bytes left (at least bytesEach per entry) it is an end-of-file error;
// more entries than an array may hold after the held ones make the file
// damaged. False when nothing is to be read.
bool AcceptCount(CArchive& ar, qint32 count, int bytesEach, qsizetype held)
{
    if (count <= 0 || !ar.Require(qint64(count) * bytesEach))
        return false;
    if (qint64(count) + held > CPeltra::MaxLoadedEntries) {
        ar.Fail(CArchive::GenericError);
        return false;
    }
    return true;
}

// Appends as many numbers as the file's count says.
void LoadNumbers(CArchive& ar, QList<qint32>& numbers)
{
    const qint32 count = ar.ReadInt32();
    if (!AcceptCount(ar, count, 4, numbers.size()))
        return;
    numbers.reserve(numbers.size() + count);
    for (qint32 i = 0; i < count; ++i) {
        const qint32 value = ar.ReadInt32();
        if (!ar.ok())
            return;
        numbers.append(value);
    }
}

// Empty lists compare equal whether or not they hold memory (QList's own
// comparison hands memcmp a null pointer for an empty list that has none).
bool SameNumbers(const QList<qint32>& a, const QList<qint32>& b)
{
    return a.size() == b.size() && (a.isEmpty() || a == b);
}

} // namespace

CPeltra::CPeltra()
{
    Clear();
}

void CPeltra::Clear()
{
    m_nPage = -1;
    m_texts.clear();
    m_colors.clear();
    m_lines.clear();
    m_lineCounts.clear();
    // A literal here, not a constant of this file: theTutorial is cleared
    // while the program's static objects are still being built.
    m_strStartPage = QByteArrayLiteral("HTML\\index.html");
}

void CPeltra::SetPage(const PageEntry& entry)
{
    const qsizetype page = m_nPage;
    if (page < 0)
        return;
    if (page >= m_texts.size()) {
        if (page >= MaxGrownPageCount)
            return;
        // Pages up to this one are created as placeholders; a number array
        // that a file made longer is cut to the same length.
        m_texts.resize(page + 1);
        m_colors.resize(page + 1);
        m_lines.resize(page + 1);
        m_lineCounts.resize(page + 1);
    }
    m_texts[page] = entry.text;
    StoreAt(m_colors, page, entry.color);
    StoreAt(m_lines, page, entry.line);
    StoreAt(m_lineCounts, page, entry.lineCount);
}

void CPeltra::InsertPage(const PageEntry& entry)
{
    const qsizetype page = m_nPage;
    if (page < 0 || page >= m_texts.size())
        return;
    m_texts.insert(page, entry.text);
    InsertAt(m_colors, page, entry.color);
    InsertAt(m_lines, page, entry.line);
    InsertAt(m_lineCounts, page, entry.lineCount);
}

void CPeltra::DeletePage()
{
    const qsizetype page = m_nPage;
    if (page < 0 || page >= m_texts.size())
        return;
    m_texts.removeAt(page);
    RemoveAt(m_colors, page);
    RemoveAt(m_lines, page);
    RemoveAt(m_lineCounts, page);
}

QByteArray CPeltra::GetText() const
{
    return m_nPage >= 0 && m_nPage < m_texts.size() ? m_texts[m_nPage] : QByteArray();
}

int CPeltra::GetColor() const
{
    return ValueAt(m_colors, m_nPage);
}

int CPeltra::GetLine() const
{
    return ValueAt(m_lines, m_nPage);
}

int CPeltra::GetLineCount() const
{
    return ValueAt(m_lineCounts, m_nPage);
}

int CPeltra::GetPageCount() const
{
    return int(m_texts.size());
}

void CPeltra::Store(CArchive& ar) const
{
    ar.WriteCount(m_texts.size());
    for (const QByteArray& text : m_texts)
        ar.WriteString(text);
    StoreNumbers(ar, m_colors);
    StoreNumbers(ar, m_lines);
    StoreNumbers(ar, m_lineCounts);
    ar.WriteString(m_strStartPage);
    ar.Flush();
}

void CPeltra::Serialize(CArchive& ar)
{
    if (ar.IsStoring()) {
        Store(ar);
        return;
    }

    // Loading appends to the arrays (the document clears the model first) and
    // keeps what was read before an error. Every text takes at least its
    // one-byte prefix, so a count beyond the bytes left cannot be right.
    const qint32 textCount = ar.ReadInt32();
    if (AcceptCount(ar, textCount, 1, m_texts.size())) {
        m_texts.reserve(m_texts.size() + textCount);
        for (qint32 i = 0; i < textCount; ++i) {
            QByteArray text = ar.ReadString();
            if (!ar.ok())
                break;
            m_texts.append(std::move(text));
        }
    }
    LoadNumbers(ar, m_colors);
    LoadNumbers(ar, m_lines);
    LoadNumbers(ar, m_lineCounts);
    QByteArray startPage = ar.ReadString();
    if (ar.ok())
        m_strStartPage = std::move(startPage);
}

bool CPeltra::operator==(const CPeltra& other) const
{
    return m_texts == other.m_texts && SameNumbers(m_colors, other.m_colors) &&
           SameNumbers(m_lines, other.m_lines) && SameNumbers(m_lineCounts, other.m_lineCounts) &&
           m_nPage == other.m_nPage && m_strStartPage == other.m_strStartPage;
}
