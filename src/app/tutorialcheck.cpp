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
            Add(MakeFinding(-1, CheckFinding::CompilerNotRun,
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
            Add(MakeFinding(origin, CheckFinding::CompileError, text, error.line));
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

QList<CheckFinding> CheckHtmlPages(const QString& htmlFolder, int entryCount)
{
    const QSet<int> pages = NumberedPages(htmlFolder);
    QList<int> sorted(pages.begin(), pages.end());
    std::sort(sorted.begin(), sorted.end());
    QList<CheckFinding> findings;
    for (int page = 0; page < entryCount; ++page) {
        if (!pages.contains(page)) {
            findings << MakeFinding(
                page, CheckFinding::EntryWithoutPage,
                QStringLiteral("設定はありますが、ページ index%1.html が %2 にありません")
                    .arg(page)
                    .arg(QDir::toNativeSeparators(htmlFolder)));
        }
    }
    for (int page : std::as_const(sorted)) {
        if (page >= entryCount) {
            findings << MakeFinding(
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
