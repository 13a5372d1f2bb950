#pragma once

#include <QByteArray>
#include <QString>

// Every place the program works with lies below the program folder, the
// folder of the running executable, except the game folder game/ that the
// program writes in: see GetGameRoot. Paths use native separators.

// The executable's folder with a trailing separator.
QString GetProgramFolder();

// The folder that holds the game folder game/ (game/src/Main.as,
// game/obj/Main-config.xml, game/bin/GameMovie.swf), with a trailing
// separator; SourcePath, MoviePath and ConfigPath take it in place of the
// program folder. It is the program folder itself when the user can write
// there; otherwise (a system-wide installation) it is <user data>/Peltra/,
// whose game/ is copied from the program folder's on first use. A copy that
// cannot be made is reported on standard error; the user's folder is
// returned all the same, so that the saves there report their own failure.
QString GetGameRoot();

// The same for a given program folder and the user's data folder (the
// generic data location; empty when there is none). A copy that fails
// leaves its reason in *error; otherwise *error is emptied.
QString GameRootFor(const QString& programFolder, const QString& userDataFolder,
                    QString* error = nullptr);

// True when the user can write the folders a build writes in below
// programFolder: the folder itself and, where they exist, game/, game/src
// and game/bin. A folder marked read-only for everybody counts as read-only
// even for the superuser, who could write it anyway.
bool CanWriteGameIn(const QString& programFolder);

// Paths below a given program folder (which ends with a separator); the
// program takes the source, the movie and the configuration below the game
// root instead.
QString MxmlcPath(const QString& programFolder);        // flex_sdk_4.6/bin/mxmlc
QString SourcePath(const QString& programFolder);       // game/src/Main.as
QString MoviePath(const QString& programFolder);        // game/bin/GameMovie.swf
QString ConfigPath(const QString& programFolder);       // /game/obj/Main-config.xml, doubled
QString PlayerPath(const QString& programFolder);       // flashplayer_11_sa
QString DefaultIndexPath(const QString& programFolder); // HTML/index.html
// The program folder followed by a stored start page (code page 932 bytes,
// backslash separators as stored), each backslash made native.
QString StartPagePath(const QString& programFolder, const QByteArray& startPage);
