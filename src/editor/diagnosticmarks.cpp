#include "diagnosticmarks.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>

CDiagnosticMarks::CDiagnosticMarks(QPlainTextEdit* editor) : QObject(editor), m_pEditor(editor)
{
    connect(editor->document(), &QTextDocument::contentsChange, this,
            &CDiagnosticMarks::OnContentsChange);
}

void CDiagnosticMarks::SetMarks(const QList<Mark>& marks)
{
    m_shown.clear();
    QTextDocument* doc = m_pEditor->document();
    for (const Mark& mark : marks) {
        if (mark.line < 1 || mark.line > doc->blockCount())
            continue;
        const QTextBlock block = doc->findBlockByNumber(mark.line - 1);
        const QString text = block.text();
        // The word at the column; the whole line (without its indent) when
        // there is no column or no word there.
        int start = std::clamp(mark.column - 1, 0, int(text.size()));
        int end = start;
        while (end < text.size() && (text.at(end).isLetterOrNumber() || text.at(end) == u'_'))
            ++end;
        // A word is marked alone; a lone sign (a ';' where none may be)
        // would be too small to see, so its whole line is marked.
        if (mark.column <= 0 || end - start < 2) {
            start = 0;
            while (start < text.size() && text.at(start).isSpace())
                ++start;
            end = text.size();
            if (start == end) // an empty line: at least its break shows
                start = 0;
        }
        QTextCursor cursor(doc);
        cursor.setPosition(block.position() + start);
        cursor.setPosition(block.position() + std::max(end, start + 1), QTextCursor::KeepAnchor);
        m_shown.append({cursor, mark.column, mark.error});
    }
    Apply();
}

void CDiagnosticMarks::Clear()
{
    if (m_shown.isEmpty())
        return;
    m_shown.clear();
    Apply();
}

QList<CDiagnosticMarks::Mark> CDiagnosticMarks::Marks() const
{
    QList<Mark> marks;
    for (const Shown& shown : m_shown)
        if (!shown.gone)
            marks.append({shown.cursor.block().blockNumber() + 1, shown.column, shown.error});
    return marks;
}

void CDiagnosticMarks::ShowPlace(QPlainTextEdit* editor, int line, int column)
{
    const QTextDocument* doc = editor->document();
    const QTextBlock block = doc->findBlockByNumber(std::clamp(line - 1, 0, doc->blockCount() - 1));
    QTextCursor cursor(block);
    cursor.setPosition(block.position() + std::clamp(column - 1, 0, block.length() - 1));
    editor->setTextCursor(cursor);
    editor->ensureCursorVisible();
    editor->setFocus(Qt::OtherFocusReason);
}

void CDiagnosticMarks::OnContentsChange(int position, int /*removed*/, int added)
{
    if (m_shown.isEmpty())
        return;
    // The lines the change now covers; a mark on any of them goes.
    const QTextDocument* doc = m_pEditor->document();
    const int first = doc->findBlock(position).blockNumber();
    int last = doc->findBlock(position + added).blockNumber();
    if (last < 0) // the change reaches the end of the text
        last = doc->blockCount() - 1;
    bool changed = false;
    for (Shown& shown : m_shown) {
        const int line = shown.cursor.block().blockNumber();
        if (!shown.gone && line >= first && line <= last) {
            shown.gone = true;
            changed = true;
        }
    }
    // No cursor may be made or dropped while the document is still telling
    // its cursors about the change: the marks are shown again afterwards.
    if (changed)
        QMetaObject::invokeMethod(this, &CDiagnosticMarks::Apply, Qt::QueuedConnection);
}

void CDiagnosticMarks::Apply()
{
    m_shown.removeIf([](const Shown& shown) { return shown.gone; });
    QList<QTextEdit::ExtraSelection> selections;
    for (const Shown& shown : m_shown) {
        QTextEdit::ExtraSelection selection;
        selection.cursor = shown.cursor;
        selection.format.setUnderlineStyle(QTextCharFormat::WaveUnderline);
        selection.format.setUnderlineColor(shown.error ? ErrorColor() : WarningColor());
        selections.append(selection);
    }
    m_pEditor->setExtraSelections(selections);
}
