#pragma once

#include "tutorial/peltra.h"

#include <QMap>
#include <QString>
#include <QStringList>

// One text file of the tutorial's source, in UTF-8:
//
//   title: ...            header lines "key: value"
//   kind: add             (step files only: add, replace or delete,
//   line: 12               the 1-based first line in the source as it stands
//   count: 3               when the page is shown, and how many lines)
//                         an empty line
//   explanation ...       paragraphs separated by empty lines
//   [script]              optional: every line after it, up to the end of the
//   ...                   file, is one line of the piece of script
struct TutorialText
{
    QMap<QString, QString> header;
    QString explanation;
    QStringList script;
};

bool ReadTutorialText(const QString& path, TutorialText& text, QString& error);

// One page of the tutorial.
struct TutorialStep
{
    QString title;
    ArrowKind kind = ARROW_ADD;
    int line = 0;
    int count = 0;
    QString explanation;
    QStringList script;
};

bool ParseStep(const TutorialText& text, TutorialStep& step, QString& error);

// Makes the step's edit on the source (the editor's text, '\n' breaks)
// exactly as the learner makes it (editor/replay.h); the lines it replaces
// or deletes go to oldLines. Fails, changing nothing, when the check of a
// page finds anything in the step against this source (a line past the end,
// a count of 0, ...).
bool ApplyStep(const TutorialStep& step, QString& source, QStringList& oldLines, QString& error);

// The step's page entry as the project file holds it.
bool StepEntry(const TutorialStep& step, PageEntry& entry, QString& error);

// The step's copy text as the project file holds it: code page 932 with a
// CR LF after every line. Fails when a character has no code page 932 form.
bool CopyText(const TutorialStep& step, QByteArray& text, QString& error);
