#pragma once

#include "tutorial/peltra.h"

#include <QList>
#include <QString>

// Recording a page by example: the author edits the source at the page's
// stage, and the page's entry is derived from the difference between the
// stage and the edited text (both as the editor holds them, '\n' breaks).
//
// - only inserted lines -> add: line = the first inserted line, count = the
//   inserted lines, text = those lines;
// - lines replaced      -> replace: line and count of the replaced lines,
//   text = the new lines;
// - only deleted lines  -> delete: line and count of the deleted lines, no
//   text.
// Texts are code page 932 with CR LF after every line, as the project file
// holds them. A derived entry, applied to the stage as the learner applies
// it (ApplyPage), gives back exactly the edited text; a difference for which
// no entry does so is refused.

// A run of lines of the edited text (1-based, count may be 0 for lines that
// were only deleted: then first is where they were).
struct LineRange
{
    int first = 0;
    int count = 0;
    bool operator==(const LineRange& o) const { return first == o.first && count == o.count; }
};

struct DerivedEntry
{
    enum Status {
        Ok,
        NoChange,      // the texts are equal
        SeveralBlocks, // changes lie apart, three or more unchanged lines
                       // between them: blocks names them; entry is one
                       // replace over all of them, which also gives the
                       // edited text back
        NotWholeLines, // no entry of whole lines gives the edited text
                       // (a change in a last line without a line break)
        NotCodePage,   // a new line has a character code page 932 lacks
    };
    Status status = NoChange;
    PageEntry entry;
    // The lines that differ, in the edited text: one block when Ok, each
    // block when SeveralBlocks, the lines concerned otherwise.
    QList<LineRange> blocks;

    bool ok() const { return status == Ok; }
    // A Japanese sentence for the author saying why the edit was refused
    // (empty when ok()).
    QString message() const;
};

DerivedEntry DerivePageEntry(const QString& stage, const QString& edited);

// "3行目", "3〜5行目" and such, joined with "、".
QString DescribeLines(const QList<LineRange>& blocks);
