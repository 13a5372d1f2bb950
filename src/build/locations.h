#pragma once

#include <QByteArray>
#include <QString>

// Every place the program works with lies below the program folder, the
// folder of the running executable. Paths use native separators.

// The executable's folder with a trailing separator.
QString GetProgramFolder();

// Paths below a given program folder (which ends with a separator).
QString MxmlcPath(const QString& programFolder);        // flex_sdk_4.6/bin/mxmlc
QString SourcePath(const QString& programFolder);       // game/src/Main.as
QString MoviePath(const QString& programFolder);        // game/bin/GameMovie.swf
QString ConfigPath(const QString& programFolder);       // /game/obj/Main-config.xml, doubled
QString PlayerPath(const QString& programFolder);       // flashplayer_11_sa
QString DefaultIndexPath(const QString& programFolder); // HTML/index.html
// The program folder followed by a stored start page (code page 932 bytes,
// backslash separators as stored), each backslash made native.
QString StartPagePath(const QString& programFolder, const QByteArray& startPage);
