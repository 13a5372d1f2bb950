#include "pagecheck.h"

#include "editor/replay.h"

#include <QStringView>

namespace {

// Whole lines of an editor text: a last line without a line break counts,
// the empty line after a final break does not.
int WholeLineCount(const QString& text)
{
    const int breaks = int(LineBreakCount(text));
    return breaks + (text.isEmpty() || text.endsWith(u'\n') ? 0 : 1);
}

QString KindName(int kind)
{
    switch (kind) {
    case ARROW_ADD:
        return QStringLiteral("追加");
    case ARROW_REPLACE:
        return QStringLiteral("置き換え");
    case ARROW_DELETE:
        return QStringLiteral("削除");
    }
    return QString();
}

} // namespace

CheckFinding MakeFinding(int page, CheckFinding::Kind kind, const QString& text, int line)
{
    CheckFinding finding;
    finding.page = page;
    finding.kind = kind;
    finding.text = text;
    finding.line = line;
    return finding;
}

namespace {

// The findings of a page whose edit on the stage is planned already.
QList<CheckFinding> CheckPlannedEntry(int page, const PageEntry& entry, const QString& stage,
                                      const PageEdit& edit)
{
    QList<CheckFinding> out;
    const int lines = WholeLineCount(stage);
    const bool spans = entry.color == ARROW_REPLACE || entry.color == ARROW_DELETE;

    if (entry.color < ARROW_ADD || entry.color > ARROW_DELETE) {
        out << MakeFinding(
            page, CheckFinding::BadKind,
            QStringLiteral("種類 %1 は 0(追加)、1(置き換え)、2(削除)のどれでもありません")
                .arg(entry.color));
    }
    if (entry.line < 1) {
        out << MakeFinding(page, CheckFinding::LineBeforeStart,
                           QStringLiteral("行 %1 は1行目より前です").arg(entry.line));
    } else if (entry.line > (spans ? lines : lines + 1)) {
        // An add may put its lines after the last one.
        out << MakeFinding(
            page, CheckFinding::LinePastEnd,
            QStringLiteral("行 %1 はソースの終わりより後です(この段階のソースは %2 行)")
                .arg(entry.line)
                .arg(lines));
    }
    if (spans) {
        if (entry.lineCount < 1) {
            out << MakeFinding(page, CheckFinding::ZeroCount,
                               QStringLiteral("%1のページなのに行数が %2 です")
                                   .arg(KindName(entry.color))
                                   .arg(entry.lineCount));
        } else if (entry.line >= 1 && entry.line <= lines &&
                   qint64(entry.line) + entry.lineCount - 1 > lines) {
            out << MakeFinding(
                page, CheckFinding::CountPastEnd,
                QStringLiteral("%1行目から %2 行はソースの終わりを越えます(この段階の"
                               "ソースは %3 行)")
                    .arg(entry.line)
                    .arg(entry.lineCount)
                    .arg(lines));
        }
    }

    const QString text = EditorText(PageClipboardText(entry.text));
    if ((entry.color == ARROW_ADD || entry.color == ARROW_REPLACE) && text.isEmpty()) {
        out << MakeFinding(
            page, CheckFinding::EmptyText,
            QStringLiteral("%1のページなのにスクリプトが空です").arg(KindName(entry.color)));
    }
    // The paste ends inside a line that goes on: its last line and that one
    // become one line.
    if (edit.action == PageEdit::Paste && !edit.inserted.endsWith(u'\n') &&
        edit.end < stage.size()) {
        const int joined = int(LineBreakCount(QStringView(stage).left(edit.end))) + 1;
        out << MakeFinding(
            page, CheckFinding::NoFinalLineBreak,
            QStringLiteral("スクリプトが改行で終わっていないので、貼り付けると最後の行が"
                           "次の行(%1行目)とつながります")
                .arg(joined));
    }
    return out;
}

} // namespace

QList<CheckFinding> CheckPageEntry(int page, const PageEntry& entry, const QString& stage)
{
    return CheckPlannedEntry(page, entry, stage, PlanPageEdit(stage, entry));
}

QString FormatFinding(const CheckFinding& finding)
{
    if (finding.page < 0) {
        // A compiler error in a line no page wrote lies in the template.
        return finding.kind == CheckFinding::CompileError
                   ? QStringLiteral("テンプレート: %1").arg(finding.text)
                   : finding.text;
    }
    return QStringLiteral("ページ %1: %2").arg(finding.page).arg(finding.text);
}

QList<CheckFinding> CheckEntries(const QString& templateText, const QList<PageEntry>& entries)
{
    QList<CheckFinding> findings;
    QString stage = EditorText(templateText);
    for (int page = 0; page < entries.size(); ++page) {
        const PageEdit edit = PlanPageEdit(stage, entries[page]);
        findings += CheckPlannedEntry(page, entries[page], stage, edit);
        stage = ApplyPageEdit(stage, edit);
    }
    return findings;
}
