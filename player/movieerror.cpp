#include "movieerror.h"

#include <QRegularExpression>

QString MovieError::displayText() const
{
    QString text = message;
    for (const QString& frame : stack)
        text += QLatin1String("\n\t") + frame;
    return text;
}

MovieError ParseMovieError(const QString& logText)
{
    MovieError error;
    QStringList lines = logText.split(QLatin1Char('\n'));
    while (!lines.isEmpty() && lines.last().trimmed().isEmpty())
        lines.removeLast();
    if (lines.isEmpty())
        return error;

    // Lines of the call stack start with "at "; a message may itself run
    // over several lines before them.
    int firstFrame = lines.size();
    while (firstFrame > 1 && lines.at(firstFrame - 1).trimmed().startsWith(QLatin1String("at ")))
        --firstFrame;
    for (int i = firstFrame; i < lines.size(); ++i)
        error.stack.append(lines.at(i).trimmed());
    error.message = lines.mid(0, firstFrame).join(QLatin1Char('\n'));

    // The web player puts what it was doing in front: "Error dispatching
    // event "enterFrame": TypeError: ...". The error's own text never starts
    // with such a phrase ("Error: ..." has no blank before its colon).
    static const QRegularExpression context(
        QStringLiteral(R"(^((?:Error|Unhandled|Uncaught) [^:#\n]*): )"));
    const QRegularExpressionMatch match = context.match(error.message);
    if (match.hasMatch()) {
        error.context = match.captured(1);
        error.message = error.message.mid(match.capturedLength());
    }
    return error;
}
