#pragma once

#include "tutorial/peltra.h"

#include <QList>
#include <QString>

// The check of a tutorial's entries: each page's entry judged against the
// source at its stage (the template with the pages before it replayed,
// replay.h), as a learner would meet it. The findings are data, so that a
// window can list them and the command line can print them; the whole
// check (pages, compiles) is app/tutorialcheck.h.

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

// A finding of kind about page.
CheckFinding MakeFinding(int page, CheckFinding::Kind kind, const QString& text, int line = 0);

// "ページ N: text"; for page -1 "テンプレート: text" for a compile error,
// text alone otherwise.
QString FormatFinding(const CheckFinding& finding);

// The findings of one page's entry against the source at its stage (the
// editor's text, '\n' breaks): the page settings dialog's check at OK.
QList<CheckFinding> CheckPageEntry(int page, const PageEntry& entry, const QString& stage);

// The entry findings of every page, each judged against the source at its
// stage (the template with the pages before it applied).
QList<CheckFinding> CheckEntries(const QString& templateText, const QList<PageEntry>& entries);
