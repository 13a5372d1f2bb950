#include "replay.h"

#include <algorithm>

namespace {

// The entry of the model's current page (the getters read that one).
PageEntry CurrentEntry(const CPeltra& model)
{
    PageEntry entry;
    entry.text = model.GetText();
    entry.color = model.GetColor();
    entry.line = model.GetLine();
    entry.lineCount = model.GetLineCount();
    return entry;
}

} // namespace

PageEntry PageEntryAt(const CPeltra& tutorial, int page)
{
    CPeltra model = tutorial;
    model.SetCurrentPage(page);
    return CurrentEntry(model);
}

QList<PageEntry> PageEntries(const CPeltra& tutorial)
{
    CPeltra model = tutorial;
    QList<PageEntry> entries;
    entries.reserve(model.GetPageCount());
    for (int page = 0; page < model.GetPageCount(); ++page) {
        model.SetCurrentPage(page);
        entries.append(CurrentEntry(model));
    }
    return entries;
}

qsizetype TextOffset(const QString& text, const TextPosition& pos)
{
    if (pos.line < 0)
        return 0;
    qsizetype lineBegin = 0;
    for (int line = 0; line < pos.line; ++line) {
        const qsizetype lineEnd = text.indexOf(u'\n', lineBegin);
        if (lineEnd < 0)
            return text.size();
        lineBegin = lineEnd + 1;
    }
    qsizetype lineEnd = text.indexOf(u'\n', lineBegin);
    if (lineEnd < 0)
        lineEnd = text.size();
    return lineBegin + std::clamp<qsizetype>(pos.column, 0, lineEnd - lineBegin);
}

PageEdit PlanPageEdit(const QString& source, const PageEntry& entry)
{
    PageEdit edit;
    edit.selection = ComputePageSelection(source, entry.line, entry.color, entry.lineCount);
    edit.start = TextOffset(source, edit.selection.start);
    edit.end = std::max(edit.start, TextOffset(source, edit.selection.end));

    if (entry.color == ARROW_DELETE) {
        // A cut of nothing is no edit.
        if (edit.end > edit.start)
            edit.action = PageEdit::Cut;
        return edit;
    }
    // The editor pastes on any page but a delete page or a kind above it.
    if (entry.color > ARROW_REPLACE)
        return edit;
    QString text = EditorText(PageClipboardText(entry.text));
    // Only as much as the text limit leaves room for, never half a
    // surrogate pair.
    const qsizetype room =
        std::max<qsizetype>(kEditorTextLimit - (source.size() - (edit.end - edit.start)), 0);
    if (text.size() > room) {
        qsizetype n = room;
        if (n > 0 && text.at(n - 1).isHighSurrogate())
            --n;
        text.truncate(n);
    }
    // The page copies nothing when its text is empty, and an empty
    // clipboard pastes nothing.
    if (text.isEmpty())
        return edit;
    edit.action = PageEdit::Paste;
    edit.inserted = text;
    return edit;
}

QString ApplyPageEdit(const QString& source, const PageEdit& edit)
{
    QString result = source;
    switch (edit.action) {
    case PageEdit::None:
        break;
    case PageEdit::Paste:
        result.replace(edit.start, edit.end - edit.start, edit.inserted);
        break;
    case PageEdit::Cut:
        result.remove(edit.start, edit.end - edit.start);
        break;
    }
    return result;
}

QString ApplyPage(const QString& source, const PageEntry& entry)
{
    return ApplyPageEdit(source, PlanPageEdit(source, entry));
}

QStringList ReplayStages(const QString& templateText, const QList<PageEntry>& entries)
{
    QStringList stages;
    stages.reserve(entries.size() + 1);
    stages.append(EditorText(templateText));
    for (const PageEntry& entry : entries)
        stages.append(ApplyPage(stages.last(), entry));
    return stages;
}

QString SourceAtPage(const QString& templateText, const QList<PageEntry>& entries, int page)
{
    QString source = EditorText(templateText);
    const qsizetype last = std::clamp<qsizetype>(page, 0, entries.size());
    for (qsizetype i = 0; i < last; ++i)
        source = ApplyPage(source, entries[i]);
    return source;
}

QList<int> CarryLineOrigins(const QString& source, const QList<int>& lineOrigins,
                            const PageEdit& edit, int page)
{
    if (edit.action == PageEdit::None)
        return lineOrigins;
    const auto lineOf = [&](qsizetype offset) {
        return int(LineBreakCount(QStringView(source).left(offset)));
    };
    const auto atLineStart = [&](qsizetype offset) {
        return offset == 0 || source.at(offset - 1) == u'\n';
    };
    const int firstLine = lineOf(edit.start);
    const int lastLine = lineOf(edit.end);
    const int insertedBreaks = int(LineBreakCount(edit.inserted));

    // Whole lines in, whole lines out: the line behind the edit keeps its
    // origin. Otherwise the lines the edit runs through are all the page's.
    const bool wholeLines = atLineStart(edit.start) && atLineStart(edit.end) &&
                            (edit.inserted.isEmpty() || edit.inserted.endsWith(u'\n'));
    const int keptFrom = wholeLines ? lastLine : lastLine + 1;
    const int newLines = wholeLines ? insertedBreaks : insertedBreaks + 1;

    QList<int> origins = lineOrigins.mid(0, firstLine);
    while (origins.size() < firstLine)
        origins.append(-1);
    for (int i = 0; i < newLines; ++i)
        origins.append(page);
    origins.append(lineOrigins.mid(keptFrom));
    return origins;
}
