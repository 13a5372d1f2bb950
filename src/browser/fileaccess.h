#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

// Which local files the tutorial's pages may read. A page's script, frame or
// element can ask for any file:// address; only files below the given
// folders are handed out. Other schemes (the program's own qrc: resources,
// data:, the web) are not this rule's business.

// Whether url may be loaded: true for every address that is not a local
// file; for a local file, true only when it lies below one of folders or is
// one of them. Symbolic links and ".." are resolved first, so neither leads
// out of a folder.
bool MayReadLocalFile(const QUrl& url, const QStringList& folders);
