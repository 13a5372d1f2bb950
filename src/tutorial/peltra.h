#pragma once

#include <QByteArray>
#include <QList>

class CArchive;

// Arrow colour kinds of a page.
enum ArrowKind : int { ARROW_ADD = 0, ARROW_REPLACE = 1, ARROW_DELETE = 2 };

// One page's entry as the page settings dialog edits it. Texts are code page
// 932 bytes with CR LF line breaks, exactly as stored in the project file.
struct PageEntry
{
    QByteArray text;
    qint32 color = 0;
    qint32 line = 0;
    qint32 lineCount = 0;
};

// The tutorial model: per page a copy text, arrow kind, arrow line and line
// count, the current page (-1 = none) and the start page.
//
// A project file may bring the four arrays with different lengths; the model
// keeps them as loaded and saves them so. No operation reads or writes outside
// an array: the getters test their own array, SetPage and InsertPage pad a
// number array that is too short with zeros up to the current page before
// writing it, and DeletePage removes an element only from the arrays that
// have one at the current page.
class CPeltra
{
public:
    // SetPage does not grow the model to this many pages or more, so that a
    // page number from a stray file name cannot exhaust the memory.
    static constexpr int MaxGrownPageCount = 1 << 20;

    CPeltra();

    void Clear();
    void SetPage(const PageEntry& entry);
    void InsertPage(const PageEntry& entry);
    void DeletePage();

    QByteArray GetText() const;
    int GetColor() const;
    int GetLine() const;
    int GetLineCount() const;
    int GetPageCount() const;

    int GetCurrentPage() const { return m_nPage; }
    void SetCurrentPage(int page) { m_nPage = page; }
    QByteArray GetStartPage() const { return m_strStartPage; }
    void SetStartPage(const QByteArray& startPage) { m_strStartPage = startPage; }

    // Loads or stores the whole model, as the archive's mode says. Errors are
    // kept in the archive (CArchive::error()). A load whose counts would give
    // an array more than MaxLoadedEntries entries is a damaged file
    // (GenericError), found before anything is allocated for it.
    void Serialize(CArchive& ar);
    // Stores the model (a storing archive).
    void Store(CArchive& ar) const;

    // Loading never grows an array beyond this: no tutorial comes near it,
    // and the model refuses to grow past it anyway.
    static constexpr int MaxLoadedEntries = 1 << 20;

    // Array lengths as held; a project file may bring different ones.
    int ColorCount() const { return int(m_colors.size()); }
    int LineCount() const { return int(m_lines.size()); }
    int SpanCount() const { return int(m_lineCounts.size()); }

    // Equal arrays, start page and current page.
    bool operator==(const CPeltra& other) const;
    bool operator!=(const CPeltra& other) const { return !(*this == other); }

private:
    QList<QByteArray> m_texts;
    QList<qint32> m_colors;
    QList<qint32> m_lines;
    QList<qint32> m_lineCounts;
    int m_nPage = -1;
    QByteArray m_strStartPage;
};

// The one model of the program.
extern CPeltra theTutorial;
