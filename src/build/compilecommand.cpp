#include "compilecommand.h"

#include "build/locations.h"

#include <QFileInfo>

namespace {

// The parts both forms are built from: the option that names the movie and
// the one that adds the game's configuration.
const char kOutputOption[] = "-output";
const char kConfigOption[] = "-load-config+=";

} // namespace

QString FormatCompileCommandLine(const QString& mxmlcPath, const QString& sourcePath,
                                 const QString& programFolder)
{
    // %1 "%2" -output "%3game\bin\GameMovie.swf" -load-config+="%4\game\obj\Main-config.xml"
    // Plain substitution: the arguments are neither quoted nor altered. The
    // output and configuration paths are the locations' own (the latter with
    // its doubled separator).
    return mxmlcPath + QLatin1String(" \"") + sourcePath + QLatin1String("\" ") +
           QLatin1String(kOutputOption) + QLatin1String(" \"") + MoviePath(programFolder) +
           QLatin1String("\" ") + QLatin1String(kConfigOption) + QLatin1Char('"') +
           ConfigPath(programFolder) + QLatin1Char('"');
}

QStringList CompileArguments(const QString& mxmlcPath, const QString& sourcePath,
                             const QString& programFolder)
{
    return {mxmlcPath, sourcePath, QLatin1String(kOutputOption), MoviePath(programFolder),
            QLatin1String(kConfigOption) + ConfigPath(programFolder)};
}

namespace {

bool IsBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

bool IsProgramFile(const QString& path)
{
    const QFileInfo info(path);
    return info.isFile() && info.isExecutable();
}

// The program name: double quotes group and are removed, backslashes are
// plain characters, a blank outside quotes ends it. Returns the position
// after the name.
qsizetype TakeProgramName(const QString& line, qsizetype pos, QString& name)
{
    bool quoted = false;
    for (; pos < line.size(); ++pos) {
        const QChar c = line.at(pos);
        if (c == QLatin1Char('"'))
            quoted = !quoted;
        else if (IsBlank(c) && !quoted)
            break;
        else
            name += c;
    }
    return pos;
}

// An unquoted program name with blanks in it: the text up to each blank
// (before any double quote) is tried in turn, and the first that names an
// existing file is the program. As Windows looks only for programs there
// (it adds ".exe"), only a file that can be run counts, so a plain file
// named like the first part of a folder is passed over. Returns the
// position after the program, or -1.
qsizetype FindExistingProgram(const QString& line, qsizetype start, QString& name)
{
    for (qsizetype pos = start; pos <= line.size(); ++pos) {
        if (pos < line.size() && line.at(pos) == QLatin1Char('"'))
            return -1;
        if (pos == line.size() || IsBlank(line.at(pos))) {
            const QString candidate = line.mid(start, pos - start);
            if (!candidate.isEmpty() && IsProgramFile(candidate)) {
                name = candidate;
                return pos;
            }
        }
    }
    return -1;
}

} // namespace

QStringList SplitCommandLine(const QString& commandLine)
{
    QStringList args;
    const QString& line = commandLine;
    qsizetype pos = 0;
    while (pos < line.size() && IsBlank(line.at(pos)))
        ++pos;
    if (pos == line.size())
        return args;

    QString program;
    qsizetype next = -1;
    if (line.at(pos) != QLatin1Char('"'))
        next = FindExistingProgram(line, pos, program);
    if (next < 0) {
        program.clear();
        next = TakeProgramName(line, pos, program);
    }
    args << program;
    pos = next;

    // The arguments: blanks separate them outside double quotes; 2n
    // backslashes before a quote give n backslashes and the quote groups,
    // 2n+1 give n backslashes and a literal quote; other backslashes are
    // plain; "" inside quotes is a literal quote and the quotes go on.
    for (;;) {
        while (pos < line.size() && IsBlank(line.at(pos)))
            ++pos;
        if (pos == line.size())
            break;
        QString arg;
        bool quoted = false;
        while (pos < line.size()) {
            const QChar c = line.at(pos);
            if (c == QLatin1Char('\\')) {
                qsizetype count = 0;
                while (pos < line.size() && line.at(pos) == QLatin1Char('\\')) {
                    ++count;
                    ++pos;
                }
                if (pos < line.size() && line.at(pos) == QLatin1Char('"')) {
                    arg += QString(count / 2, QLatin1Char('\\'));
                    if (count % 2 == 1) {
                        arg += QLatin1Char('"');
                        ++pos;
                    }
                } else {
                    arg += QString(count, QLatin1Char('\\'));
                }
            } else if (c == QLatin1Char('"')) {
                if (quoted && pos + 1 < line.size() && line.at(pos + 1) == QLatin1Char('"')) {
                    arg += QLatin1Char('"');
                    pos += 2;
                } else {
                    quoted = !quoted;
                    ++pos;
                }
            } else if (IsBlank(c) && !quoted) {
                break;
            } else {
                arg += c;
                ++pos;
            }
        }
        args << arg;
    }
    return args;
}
