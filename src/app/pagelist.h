#pragma once

#include "tutorial/peltra.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// The rows of the page list (表示 → ページ一覧): every numbered page of a
// tutorial, with its HTML page's title, its entry and what the check finds
// about it.

struct PageListRow
{
    int page = 0;
    QString title;      // the HTML page's <title>; empty when it has none
    bool hasEntry = false;
    PageEntry entry;    // when hasEntry
    QString firstLine;  // the copy text's first line
    QStringList findings; // the check's sentences about this page
};

// One row per page from 0 to the last entry or the last numbered HTML page
// (indexN.html in htmlFolder), whichever is later. With a template the
// entries are judged against their stages; without one (templateText null)
// only the pages and entries are matched.
QList<PageListRow> PageListRows(const CPeltra& tutorial, const QString& htmlFolder,
                                const QString* templateText);

// The title of an HTML page (its <title>, entities decoded, blanks
// simplified), read as UTF-8 unless the page declares Shift_JIS; empty
// when the file cannot be read or has no title.
QString HtmlPageTitle(const QString& path);

// The first line of a copy text (code page 932, CR LF), decoded.
QString FirstLineOf(const QByteArray& text);

// 赤(追加), 緑(置換), 青(削除), or the kind's number for any other.
QString KindName(int kind);
