#include "tutorialcheck.h"

#include "browser/pagenumber.h"
#include "build/locations.h"
#include "build/trialcompile.h"
#include "editor/replay.h"
#include "tutorial/pathname.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QMap>
#include <QSet>

#include <algorithm>

namespace {

// Whole lines of an editor text: a last line without a line break counts,
// the empty line after a final break does not.
int WholeLineCount(const QString& text)
{
    const int breaks = int(text.count(u'\n'));
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

CheckFinding Finding(int page, CheckFinding::Kind kind, const QString& text, int line = 0)
{
    CheckFinding finding;
    finding.page = page;
    finding.kind = kind;
    finding.text = text;
    finding.line = line;
    return finding;
}

// The findings of one entry against the source at its stage.
void CheckEntry(int page, const PageEntry& entry, const QString& stage, QList<CheckFinding>& out)
{
    const int lines = WholeLineCount(stage);
    const bool spans = entry.color == ARROW_REPLACE || entry.color == ARROW_DELETE;

    if (entry.color < ARROW_ADD || entry.color > ARROW_DELETE) {
        out << Finding(
            page, CheckFinding::BadKind,
            QStringLiteral("種類 %1 は 0(追加)、1(置き換え)、2(削除)のどれでもありません")
                .arg(entry.color));
    }
    if (entry.line < 1) {
        out << Finding(page, CheckFinding::LineBeforeStart,
                       QStringLiteral("行 %1 は1行目より前です").arg(entry.line));
    } else if (entry.line > (spans ? lines : lines + 1)) {
        // An add may put its lines after the last one.
        out << Finding(page, CheckFinding::LinePastEnd,
                       QStringLiteral("行 %1 はソースの終わりより後です(この段階のソースは %2 行)")
                           .arg(entry.line)
                           .arg(lines));
    }
    if (spans) {
        if (entry.lineCount < 1) {
            out << Finding(page, CheckFinding::ZeroCount,
                           QStringLiteral("%1のページなのに行数が %2 です")
                               .arg(KindName(entry.color))
                               .arg(entry.lineCount));
        } else if (entry.line >= 1 && entry.line <= lines &&
                   qint64(entry.line) + entry.lineCount - 1 > lines) {
            out << Finding(page, CheckFinding::CountPastEnd,
                           QStringLiteral("%1行目から %2 行はソースの終わりを越えます(この段階の"
                                          "ソースは %3 行)")
                               .arg(entry.line)
                               .arg(entry.lineCount)
                               .arg(lines));
        }
    }

    const QString text = EditorText(ClipboardText(entry.text));
    if ((entry.color == ARROW_ADD || entry.color == ARROW_REPLACE) && text.isEmpty()) {
        out << Finding(
            page, CheckFinding::EmptyText,
            QStringLiteral("%1のページなのにスクリプトが空です").arg(KindName(entry.color)));
    }
    const PageEdit edit = PlanPageEdit(stage, entry);
    // The paste ends inside a line that goes on: its last line and that one
    // become one line.
    if (edit.action == PageEdit::Paste && !edit.inserted.endsWith(u'\n') &&
        edit.end < stage.size()) {
        const int joined = int(QStringView(stage).left(edit.end).count(u'\n')) + 1;
        out << Finding(page, CheckFinding::NoFinalLineBreak,
                       QStringLiteral("スクリプトが改行で終わっていないので、貼り付けると最後の行が"
                                      "次の行(%1行目)とつながります")
                           .arg(joined));
    }
}

// The page numbers of the numbered pages in folder, by the browser's rule
// for a page's title.
QSet<int> NumberedPages(const QString& folder)
{
    QSet<int> pages;
    const QFileInfoList files = QDir(folder).entryInfoList(
        {QStringLiteral("*.html"), QStringLiteral("*.htm")}, QDir::Files | QDir::Readable);
    for (const QFileInfo& file : files) {
        QString title;
        int page = -1;
        if (GetPathTitle(file.fileName(), title) &&
            ParsePageNumber(title, QStringLiteral("index"), page) && page >= 0)
            pages.insert(page);
    }
    return pages;
}

// Compiles the stages in turn and reports each error once, at the page that
// last wrote its line (the page just applied for an error without a line).
class StageCompiler
{
public:
    StageCompiler(const QString& programFolder, QList<CheckFinding>& out,
                  const std::function<void(const CheckFinding&)>& progress)
        : m_compiler(programFolder), m_out(out), m_progress(progress)
    {}

    // false when the compiler cannot be run at all.
    bool Compile(const QString& source, const QList<int>& origins, int lastPage, bool each)
    {
        const TrialCompileResult result = m_compiler.Compile(source);
        if (!result.ran) {
            Add(Finding(-1, CheckFinding::CompilerNotRun,
                        QStringLiteral("コンパイルできません: %1").arg(result.failure)));
            return false;
        }
        for (const CompilerMessage& error : result.errors()) {
            const int origin = error.line >= 1 && error.line <= origins.size()
                                   ? origins[error.line - 1]
                                   : lastPage;
            const QString key = QString::number(origin) + u'\n' + error.text;
            if (m_reported.contains(key))
                continue;
            m_reported.insert(key);
            QString text =
                error.line > 0
                    ? QStringLiteral("コンパイルエラー %1行目: %2").arg(error.line).arg(error.text)
                    : QStringLiteral("コンパイルエラー: %1").arg(error.text);
            if (each)
                text += lastPage < 0 ? QStringLiteral("(テンプレート)")
                                     : QStringLiteral("(ページ %1 のあとのソース)").arg(lastPage);
            Add(Finding(origin, CheckFinding::CompileError, text, error.line));
        }
        return true;
    }

private:
    void Add(const CheckFinding& finding)
    {
        m_out << finding;
        if (m_progress)
            m_progress(finding);
    }

    TrialCompiler m_compiler;
    QList<CheckFinding>& m_out;
    const std::function<void(const CheckFinding&)>& m_progress;
    QSet<QString> m_reported;
};

} // namespace

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
        CheckEntry(page, entries[page], stage, findings);
        stage = ApplyPage(stage, entries[page]);
    }
    return findings;
}

QList<CheckFinding> CheckHtmlPages(const QString& htmlFolder, int entryCount)
{
    const QSet<int> pages = NumberedPages(htmlFolder);
    QList<int> sorted(pages.begin(), pages.end());
    std::sort(sorted.begin(), sorted.end());
    QList<CheckFinding> findings;
    for (int page = 0; page < entryCount; ++page) {
        if (!pages.contains(page)) {
            findings << Finding(
                page, CheckFinding::EntryWithoutPage,
                QStringLiteral("設定はありますが、ページ index%1.html が %2 にありません")
                    .arg(page)
                    .arg(QDir::toNativeSeparators(htmlFolder)));
        }
    }
    for (int page : std::as_const(sorted)) {
        if (page >= entryCount) {
            findings << Finding(
                page, CheckFinding::PageWithoutEntry,
                QStringLiteral("ページ index%1.html はありますが、設定がありません").arg(page));
        }
    }
    return findings;
}

QString HtmlFolderOf(const QString& programFolder, const QByteArray& startPage)
{
    return QFileInfo(StartPagePath(programFolder, startPage)).path();
}

int CheckReport::compileErrorCount() const
{
    return int(std::count_if(findings.begin(), findings.end(), [](const CheckFinding& f) {
        return f.kind == CheckFinding::CompileError;
    }));
}

QString CheckReport::summary() const
{
    return QStringLiteral("%1 ページを検査しました: 問題 %2 件(うちコンパイルエラー %3 件)")
        .arg(pageCount)
        .arg(findings.size())
        .arg(compileErrorCount());
}

CheckReport CheckTutorial(const CPeltra& tutorial, const QString& templateText,
                          const CheckOptions& options,
                          const std::function<void(const CheckFinding&)>& progress)
{
    CheckReport report;
    const QList<PageEntry> entries = PageEntries(tutorial);
    report.pageCount = int(entries.size());

    const auto add = [&](const QList<CheckFinding>& found) {
        for (const CheckFinding& finding : found) {
            report.findings << finding;
            if (progress)
                progress(finding);
        }
    };
    add(CheckEntries(templateText, entries));
    add(CheckHtmlPages(HtmlFolderOf(options.programFolder, tutorial.GetStartPage()),
                       int(entries.size())));
    if (!options.compile)
        return report;

    StageCompiler compiler(options.programFolder, report.findings, progress);
    QString stage = EditorText(templateText);
    QList<int> origins(stage.count(u'\n') + 1, -1);
    if (options.compileEach && !compiler.Compile(stage, origins, -1, true))
        return report;
    for (int page = 0; page < entries.size(); ++page) {
        const PageEdit edit = PlanPageEdit(stage, entries[page]);
        origins = CarryLineOrigins(stage, origins, edit, page);
        stage = ApplyPageEdit(stage, edit);
        const bool last = page + 1 == entries.size();
        if ((options.compileEach || last) &&
            !compiler.Compile(stage, origins, page, options.compileEach))
            return report;
    }
    if (entries.isEmpty() && !options.compileEach)
        compiler.Compile(stage, origins, -1, false);
    return report;
}
