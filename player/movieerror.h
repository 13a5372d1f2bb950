#pragma once

#include <QString>
#include <QStringList>

// An uncaught ActionScript error of a movie, as the web player logs it:
// "<what it was doing>: <error>\n\tat <function>\n\tat ...".
struct MovieError
{
    QString context;   // what the web player was doing, e.g. dispatching "enterFrame"
    QString message;   // the error itself: "TypeError: Error #1009: ..."
    QStringList stack; // "at Main/poke()", innermost first; source lines where given

    // The error and its stack as the learner reads them in the trace pane.
    QString displayText() const;
};

// Takes a log entry of the web player apart. Never fails: text that does not
// look like the usual shape becomes the message as it is.
MovieError ParseMovieError(const QString& logText);
