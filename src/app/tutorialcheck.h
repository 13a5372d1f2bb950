#pragma once

#include "tutorial/peltra.h"

#include <QList>
#include <QString>

#include <functional>

// The check of a tutorial: its pages replayed on the template as a learner
// makes them, each entry judged against the source at its stage, the
// numbered HTML pages matched with the entries, and the replayed source
// compiled. The findings are data, so that a window can list them; the
// command line prints them (checkcommand.h).

struct CheckFinding
{
    enum Kind {
        LineBeforeStart,  // the entry's line is below 1
        LinePastEnd,      // the entry's line is past the source's last line
        ZeroCount,        // a replace or delete page with a count of 0 or less
        CountPastEnd,     // a replace or delete page reaching past the end
        BadKind,          // a kind outside 0-2
        NoFinalLineBreak, // the pasted text would join the line after it
        EmptyText,        // an add or replace page without a copy text
        PageWithoutEntry, // a numbered HTML page beyond the entries
        EntryWithoutPage, // an entry whose numbered HTML page is missing
        CompileError,     // the compiler's error about a replayed source
        CompilerNotRun,   // the compiler could not be run (page is -1)
    };
    int page = -1; // the page number (index N.html, entry N); -1: none
    Kind kind = LineBeforeStart;
    QString text; // a Japanese sentence, without the page
    int line = 0; // for CompileError: the line of the compiled source (0: none)

    bool operator==(const CheckFinding& o) const
    {
        return page == o.page && kind == o.kind && text == o.text && line == o.line;
    }
};

// "ページ N: text"; for page -1 "テンプレート: text" for a compile error,
// text alone otherwise.
QString FormatFinding(const CheckFinding& finding);

// The entry findings of every page, each judged against the source at its
// stage (the template with the pages before it applied).
QList<CheckFinding> CheckEntries(const QString& templateText, const QList<PageEntry>& entries);

// Numbered pages (indexN.html) of htmlFolder without an entry, and entries
// without their page.
QList<CheckFinding> CheckHtmlPages(const QString& htmlFolder, int entryCount);

// The tutorial's numbered HTML pages: the folder of its start page below the
// program folder.
QString HtmlFolderOf(const QString& programFolder, const QByteArray& startPage);

struct CheckOptions
{
    QString programFolder; // with a trailing separator; the compiler lies below it
    bool compile = true;
    bool compileEach = false; // every stage, not only the final source
};

struct CheckReport
{
    int pageCount = 0;
    QList<CheckFinding> findings;
    int compileErrorCount() const;
    bool clean() const { return findings.isEmpty(); }
    // "N ページを検査しました: 問題 M 件(うちコンパイルエラー K 件)"
    QString summary() const;
};

// The whole check of a loaded tutorial and its template. progress, when
// set, hears of each finding as soon as it is found (compiles are slow).
CheckReport CheckTutorial(const CPeltra& tutorial, const QString& templateText,
                          const CheckOptions& options,
                          const std::function<void(const CheckFinding&)>& progress = {});
