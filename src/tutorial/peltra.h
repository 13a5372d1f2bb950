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
class CPeltra
{
public:
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
    // kept in the archive (CArchive::error()).
    void Serialize(CArchive& ar);

    // Array lengths as held; a project file may bring different ones.
    int ColorCount() const { return int(m_colors.size()); }
    int LineCount() const { return int(m_lines.size()); }
    int SpanCount() const { return int(m_lineCounts.size()); }

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
