#pragma once

// Where the editor goes for a page: the lines it selects (or the caret) and
// the line it scrolls to the top. Lines and columns are zero-based; a line
// break counts as the end of its line.
struct TextPosition
{
    int line = 0;
    int column = 0;
    bool operator==(const TextPosition& o) const { return line == o.line && column == o.column; }
};

struct PageSelection
{
    TextPosition start;
    TextPosition end;     // equal to start: only the caret is placed
    int firstVisibleLine; // the line to show at the top, before the editor clamps it
};

// lineCount: the editor's number of lines (at least 1); lastLineLength: the
// length of its last line. arrowLine is the page's 1-based line, kind and
// spanCount its arrow kind and line count.
PageSelection ComputePageSelection(int lineCount, int lastLineLength, int arrowLine, int kind,
                                   int spanCount);
