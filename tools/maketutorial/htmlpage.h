#pragma once

#include <QString>
#include <QStringList>

struct TutorialStep;

// The tutorial's HTML pages, in UTF-8. Pages link to each other by relative
// names: index.html (contents), index0.html, index1.html, ...

QString HtmlEscape(const QString& text);

// Paragraphs separated by empty lines; a paragraph whose lines all begin with
// "- " becomes a list; `text` in backquotes becomes code.
QString ExplanationHtml(const QString& text);

QString PageFileName(int page);

// Page `page` (0-based) of `pageCount`. oldLines are the lines the step
// replaces or deletes; nextTitle is empty on the last page.
QString StepPageHtml(const QString& tutorialTitle, const TutorialStep& step, int page,
                     int pageCount, const QStringList& oldLines, const QString& nextTitle);

QString ContentsPageHtml(const QString& tutorialTitle, const QString& explanation,
                         const QStringList& stepTitles);
