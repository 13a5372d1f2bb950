#pragma once

#include "editor/pagecheck.h"
#include "tutorial/peltra.h"

#include <QList>
#include <QString>

#include <functional>

// The whole check of a tutorial: its entries judged against their stages
// (editor/pagecheck.h), the numbered HTML pages matched with the entries,
// and the replayed source compiled. The findings are data, so that a window
// can list them; the command line prints them (checkcommand.h).

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
