#include "diagnostics.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpressionMatch>
#include <QStringList>

namespace {

// "/path/Main.as(12): col: 5 Error: ..." (the column may be missing)
const QRegularExpression& PlacedMessage()
{
    static const QRegularExpression re(QStringLiteral(R"(^(.+)\((\d+)\):(?: col: (\d+))? (.*)$)"));
    return re;
}

// "Error: ...", "/path/Main.as Error: ...", "command line Error: ..."
const QRegularExpression& UnplacedMessage()
{
    static const QRegularExpression re(
        QStringLiteral(R"(^(?:(.*?) )?(Error|Warning|Syntax error): (.*)$)"));
    return re;
}

// What the compiler says on every run: the configuration files it loads and
// the movie it wrote.
const QRegularExpression& RunNote()
{
    static const QRegularExpression re(QStringLiteral(
        R"(^(?:Loading configuration: .*|\d+ bytes written to .* in [\d.]+ seconds)$)"));
    return re;
}

// "/path/Main-config.xml (line: 7)" after a message about that file.
const QRegularExpression& LineNote()
{
    static const QRegularExpression re(QStringLiteral(R"(^.+ \(line: \d+\)$)"));
    return re;
}

bool IsBlank(const QString& line)
{
    return line.trimmed().isEmpty();
}

bool IsCaret(const QString& line)
{
    return line.trimmed() == QLatin1String("^");
}

// The text before an unplaced message's kind names a file when it looks
// like a path; "command line" does not.
bool LooksLikePath(const QString& text)
{
    return text.contains(QLatin1Char('/')) || text.contains(QLatin1Char('\\')) ||
           text.endsWith(QLatin1String(".as"), Qt::CaseInsensitive) ||
           text.endsWith(QLatin1String(".mxml"), Qt::CaseInsensitive);
}

// Sets kind and message from "Error: text", "Warning: text" or
// "Syntax error: text".
void TakeKind(const QString& kindWord, const QString& rest, Diagnostic& d)
{
    if (kindWord == QLatin1String("Warning")) {
        d.kind = Diagnostic::Kind::Warning;
        d.message = rest;
    } else if (kindWord == QLatin1String("Error")) {
        d.kind = Diagnostic::Kind::Error;
        d.message = rest;
    } else {
        d.kind = Diagnostic::Kind::Error;
        d.message = kindWord + QLatin1String(": ") + rest;
    }
}

} // namespace

bool Diagnostic::isAbout(const QString& path) const
{
    if (file.isEmpty() || path.isEmpty())
        return false;
    const QString canonical = QFileInfo(file).canonicalFilePath();
    if (!canonical.isEmpty())
        return canonical == QFileInfo(path).canonicalFilePath();
    return QDir::cleanPath(file) == QDir::cleanPath(path);
}

QString KindName(Diagnostic::Kind kind)
{
    switch (kind) {
    case Diagnostic::Kind::Error:
        return QStringLiteral("エラー");
    case Diagnostic::Kind::Warning:
        return QStringLiteral("警告");
    case Diagnostic::Kind::Other:
        break;
    }
    return QString();
}

QList<Diagnostic> ParseDiagnostics(const QString& output)
{
    QStringList lines = output.split(QLatin1Char('\n'));
    for (QString& line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    }

    QList<Diagnostic> diagnostics;
    const qsizetype count = lines.size();
    for (qsizetype i = 0; i < count; ++i) {
        const QString& line = lines.at(i);
        if (IsBlank(line) || RunNote().match(line).hasMatch())
            continue;
        Diagnostic d;
        d.text = line;
        if (const QRegularExpressionMatch m = PlacedMessage().match(line); m.hasMatch()) {
            d.file = m.captured(1);
            d.line = m.captured(2).toInt();
            d.column = m.captured(3).toInt();
            const QString rest = m.captured(4);
            const QRegularExpressionMatch k = UnplacedMessage().match(rest);
            if (k.hasMatch() && k.capturedLength(1) == 0) {
                TakeKind(k.captured(2), k.captured(3), d);
            } else {
                d.message = rest;
            }
            // The source line and its caret follow after a blank line. A
            // message about a configuration file repeats the file and line
            // on a line of their own and shows the line without a caret.
            qsizetype next = i + 1;
            const bool lineNote = next < count && LineNote().match(lines.at(next)).hasMatch();
            if (lineNote)
                d.text += QLatin1Char('\n') + lines.at(next++);
            if (next + 2 < count && IsBlank(lines.at(next)) && IsCaret(lines.at(next + 2))) {
                d.text += QLatin1String("\n\n") + lines.at(next + 1) + QLatin1Char('\n') +
                          lines.at(next + 2);
                next += 3;
            } else if (lineNote && next + 1 < count && IsBlank(lines.at(next)) &&
                       !IsBlank(lines.at(next + 1))) {
                d.text += QLatin1String("\n\n") + lines.at(next + 1);
                next += 2;
            }
            i = next - 1;
        } else if (const QRegularExpressionMatch u = UnplacedMessage().match(line); u.hasMatch()) {
            if (LooksLikePath(u.captured(1)))
                d.file = u.captured(1);
            TakeKind(u.captured(2), u.captured(3), d);
        } else {
            d.message = line;
        }
        diagnostics.append(d);
    }
    return diagnostics;
}

QList<Diagnostic> ParseDiagnostics(const QByteArray& output)
{
    return ParseDiagnostics(QString::fromUtf8(output));
}

qsizetype CountDiagnostics(const QList<Diagnostic>& diagnostics, Diagnostic::Kind kind)
{
    return std::count_if(diagnostics.cbegin(), diagnostics.cend(),
                         [kind](const Diagnostic& d) { return d.kind == kind; });
}

const ExplanationTable& ExplanationTable::builtIn()
{
    static const ExplanationTable table = [] {
        ExplanationTable t;
        QFile file(QStringLiteral(":/build/explanations.tsv"));
        QString error;
        if (!file.open(QIODevice::ReadOnly) || !t.load(file.readAll(), &error))
            qWarning("explanations.tsv: %s",
                     qPrintable(error.isEmpty() ? file.errorString() : error));
        return t;
    }();
    return table;
}

bool ExplanationTable::load(const QByteArray& tsv, QString* error)
{
    QList<Row> rows;
    const QStringList lines = QString::fromUtf8(tsv).split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString line = lines.at(i);
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const QStringList fields = line.split(QLatin1Char('\t'));
        const auto fail = [&](const QString& why) {
            if (error)
                *error = QStringLiteral("line %1: %2").arg(i + 1).arg(why);
            return false;
        };
        if (fields.size() != 3 || fields.at(0).isEmpty() || fields.at(2).isEmpty())
            return fail(QStringLiteral("not id<TAB>pattern<TAB>explanation"));
        Row row{fields.at(0), QRegularExpression(QRegularExpression::anchoredPattern(fields.at(1))),
                fields.at(2)};
        if (!row.pattern.isValid())
            return fail(row.pattern.errorString());
        for (const Row& other : std::as_const(rows)) {
            if (other.id == row.id)
                return fail(QStringLiteral("id %1 twice").arg(row.id));
        }
        rows.append(row);
    }
    m_rows = rows;
    return true;
}

Explanation ExplanationTable::explain(const Diagnostic& diagnostic) const
{
    return explain(diagnostic.message);
}

Explanation ExplanationTable::explain(const QString& message) const
{
    for (const Row& row : m_rows) {
        const QRegularExpressionMatch m = row.pattern.match(message);
        if (!m.hasMatch())
            continue;
        // %1..%9 from the captured names, in one pass, so that a name that
        // itself holds "%2" stays as it is.
        QString text;
        for (qsizetype i = 0; i < row.text.size(); ++i) {
            const QChar c = row.text.at(i);
            if (c == QLatin1Char('%') && i + 1 < row.text.size() && row.text.at(i + 1).isDigit() &&
                row.text.at(i + 1) != QLatin1Char('0')) {
                text += m.captured(row.text.at(i + 1).digitValue());
                ++i;
            } else {
                text += c;
            }
        }
        return {row.id, text};
    }
    return {};
}

QStringList ExplanationTable::ids() const
{
    QStringList ids;
    for (const Row& row : m_rows)
        ids << row.id;
    return ids;
}
