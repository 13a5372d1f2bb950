#pragma once

#include <QString>

// Notes of what the player shows, for programs that measure or wait on it:
// when $PELTRA_PLAYER_NOTES names a file, each event appends one line
//
//     <milliseconds since the epoch> <event> <movie path, percent-encoded>
//
// with the events "ready" (the web player is loaded, no movie yet), "frame"
// (a movie's first frame is on screen) and "failed" (a movie could not be
// shown). The path keeps its slashes; other bytes outside letters, digits
// and -._~ are percent-encoded, so a line break in a name cannot split a
// line. Without the variable nothing is written.
class CPlayerNotes
{
public:
    explicit CPlayerNotes(const QString& filePath = QString());
    static CPlayerNotes FromEnvironment();

    bool isEnabled() const { return !m_strFilePath.isEmpty(); }
    QString filePath() const { return m_strFilePath; }

    // Appends one line. False (with the reason) when the file cannot take it.
    bool Write(const QString& event, const QString& moviePath, QString* error = nullptr) const;

    // One line of the file taken apart; false for a line of another shape.
    struct Note
    {
        qint64 msecsSinceEpoch = 0;
        QString event;
        QString moviePath;
    };
    static bool ParseLine(const QByteArray& line, Note* note);

private:
    QString m_strFilePath;
};
