#pragma once

#include "editor/pageselection.h"
#include "tutorial/copytext.h"
#include "tutorial/peltra.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

// Replaying a tutorial: the edit each page makes on the source, made the way
// a learner makes it in the editor. The page shows, the editor selects the
// page's lines (ComputePageSelection), a click on the page puts its copy text
// on the clipboard, and one Paste (add and replace pages) or one Cut (delete
// pages) changes the source. The replayed texts are the editor's: lines
// separated by a single '\n'.

// The editor's longest text (UTF-16 units); a paste is cut short to fit.
constexpr qsizetype kEditorTextLimit = 0xFFFFF;

// Page entry i of a model (an entry whose arrays are short reads zeros, as
// the model's getters give them).
PageEntry PageEntryAt(const CPeltra& tutorial, int page);
QList<PageEntry> PageEntries(const CPeltra& tutorial);

// What the learner's one edit of a page does to a source.
struct PageEdit
{
    enum Action {
        None,  // nothing changes: no text to paste, nothing selected to cut,
               // or a kind the editor offers neither command for
        Paste, // [start, end) replaced by inserted
        Cut,   // [start, end) removed
    };
    Action action = None;
    PageSelection selection; // where the editor goes for the page
    qsizetype start = 0;     // offsets into the source ('\n' breaks)
    qsizetype end = 0;
    QString inserted; // what the paste puts in, line breaks as '\n'
};

// The offset of a line and column in a text separated by '\n' (a line past
// the end gives the end of the text; a column is kept within its line).
qsizetype TextOffset(const QString& text, const TextPosition& pos);

// The edit a page makes on source. Paste for an add or a replace page (and
// any kind below 0, which the editor treats as an add) when the copy text
// is not empty; Cut for a delete page when its selection is not empty.
PageEdit PlanPageEdit(const QString& source, const PageEntry& entry);

// source with the edit made.
QString ApplyPageEdit(const QString& source, const PageEdit& edit);

// source after the page's edit: PlanPageEdit then ApplyPageEdit.
QString ApplyPage(const QString& source, const PageEntry& entry);

// Every stage of a tutorial: stages[0] is the template, stages[i + 1] the
// source after pages 0..i; so stages[p] is the source when page p is shown.
QStringList ReplayStages(const QString& templateText, const QList<PageEntry>& entries);

// The source when page `page` is shown: the template with pages
// 0..page-1 applied (page clamped to 0..entries.size()).
QString SourceAtPage(const QString& templateText, const QList<PageEntry>& entries, int page);

// Which page last wrote each line of a stage (-1: the template's own line),
// carried through the edits so that a compiler message about a line can name
// the page behind it. lineOrigins has one element per line of the source
// (number of '\n' + 1).
QList<int> CarryLineOrigins(const QString& source, const QList<int>& lineOrigins,
                            const PageEdit& edit, int page);
