#pragma once

#include <QString>

// Where the editor goes for a page: the lines it selects (or the caret) and
// the line it scrolls to the top. Lines and columns are zero-based; a line
// break counts as the end of its line.
struct TextPosition
{
    int line = 0;
    int column = 0;
    bool operator==(const TextPosition& o) const { return line == o.line && column == o.column; }
    bool operator!=(const TextPosition& o) const { return !(*this == o); }
};

struct PageSelection
{
    TextPosition start;
    TextPosition end;     // equal to start: only the caret is placed
    int firstVisibleLine; // the line to show at the top, before the editor clamps it
};

// lineCount: the editor's number of lines (at least 1; a text ending in a
// line break has an empty last line); lastLineLength: the length of its last
// line. arrowLine is the page's 1-based line, kind and spanCount its arrow
// kind and line count.
//
// start is the start of line arrowLine (the very start of the text for 0 or
// less). An add page, no page (kind 0) and any kind other than replace or
// delete place only the caret there, so that a Paste never replaces lines it
// was not asked to. Replace and delete pages select spanCount whole lines
// with their line breaks (a negative count counts as 0). A line or range
// that reaches past the last line stops at the end of the text.
// firstVisibleLine is arrowLine - 10, so that the page's line is the tenth
// visible row; it can be negative and the editor clamps it.
PageSelection ComputePageSelection(int lineCount, int lastLineLength, int arrowLine, int kind,
                                   int spanCount);

// The number of '\n' in text (faster than QString::count on long sources).
qsizetype LineBreakCount(QStringView text);

// The same for the editor's whole text, lines separated by '\n'.
PageSelection ComputePageSelection(const QString& text, int arrowLine, int kind, int spanCount);

// The offset of pos in the text as the edit control of the page's author saw
// it: UTF-16 units with every line break counted as CR LF. text separates its
// lines by '\n'. A line before the first gives 0, a line past the last the
// end of the text; a column outside its line is kept within that line.
qsizetype CrLfOffset(const QString& text, const TextPosition& pos);
