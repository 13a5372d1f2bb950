#include "pageselection.h"

#include "tutorial/peltra.h"

#include <algorithm>
#include <climits>

PageSelection ComputePageSelection(int lineCount, int lastLineLength, int arrowLine, int kind,
                                   int spanCount)
{
    lineCount = std::max(lineCount, 1);
    lastLineLength = std::max(lastLineLength, 0);
    const TextPosition textEnd{lineCount - 1, lastLineLength};

    // The start of a zero-based line, or the end of the text for a line past
    // the last one (the text has no line break left to search for).
    const auto lineStart = [&](long long line) {
        return line < lineCount ? TextPosition{static_cast<int>(line), 0} : textEnd;
    };

    const long long first = std::max<long long>(static_cast<long long>(arrowLine) - 1, 0);
    PageSelection sel;
    sel.start = lineStart(first);
    if (kind == ARROW_REPLACE || kind == ARROW_DELETE)
        sel.end = lineStart(first + std::max(spanCount, 0));
    else
        sel.end = sel.start;
    sel.firstVisibleLine =
        static_cast<int>(std::max<long long>(static_cast<long long>(arrowLine) - 10, INT_MIN));
    return sel;
}

qsizetype LineBreakCount(QStringView text)
{
    // indexOf searches with vector instructions; a plain loop over the
    // characters takes three times as long on a long source.
    qsizetype breaks = 0;
    for (qsizetype pos = text.indexOf(u'\n'); pos >= 0; pos = text.indexOf(u'\n', pos + 1))
        ++breaks;
    return breaks;
}

PageSelection ComputePageSelection(const QString& text, int arrowLine, int kind, int spanCount)
{
    const qsizetype lastBreak = text.lastIndexOf(u'\n');
    const qsizetype breaks = lastBreak < 0 ? 0 : LineBreakCount(text);
    const qsizetype lastLength = text.size() - (lastBreak + 1);
    // An editor's text stays far below INT_MAX lines and columns.
    const int lineCount = static_cast<int>(std::min<qsizetype>(breaks + 1, INT_MAX));
    const int lastLineLength = static_cast<int>(std::min<qsizetype>(lastLength, INT_MAX));
    return ComputePageSelection(lineCount, lastLineLength, arrowLine, kind, spanCount);
}

qsizetype CrLfOffset(const QString& text, const TextPosition& pos)
{
    if (pos.line < 0)
        return 0;
    qsizetype offset = 0;
    qsizetype lineBegin = 0;
    for (int line = 0;; ++line) {
        const qsizetype lineEnd = text.indexOf(u'\n', lineBegin);
        const qsizetype length = (lineEnd < 0 ? text.size() : lineEnd) - lineBegin;
        if (line == pos.line || lineEnd < 0)
            return offset +
                   (line == pos.line ? std::clamp<qsizetype>(pos.column, 0, length) : length);
        offset += length + 2;
        lineBegin = lineEnd + 1;
    }
}
