#include "shellregistration.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

const char kDefaultApplications[] = "Default Applications";

bool IsOurApplicationList(const QString& value)
{
    // "peltra.desktop;" or "peltra.desktop;other.desktop;": the first entry
    // is the default.
    const QString first = value.section(QLatin1Char(';'), 0, 0).trimmed();
    return first == ShellRegistration::DesktopFileName();
}

QByteArray ReadFile(const QString& path, bool* exists = nullptr)
{
    QFile file(path);
    const bool opened = file.open(QIODevice::ReadOnly);
    if (exists)
        *exists = opened;
    return opened ? file.readAll() : QByteArray();
}

// Splits a key file into lines without their line ends.
QList<QByteArray> SplitLines(const QByteArray& text)
{
    QList<QByteArray> lines = text.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (QByteArray& line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
    }
    return lines;
}

bool IsSectionHeader(const QByteArray& line)
{
    return line.trimmed().startsWith('[');
}

QByteArray SectionName(const QByteArray& line)
{
    const QByteArray trimmed = line.trimmed();
    const int end = trimmed.indexOf(']');
    return end > 0 ? trimmed.mid(1, end - 1) : QByteArray();
}

// The key of a "key=value" line, or empty for comments and other lines.
QByteArray LineKey(const QByteArray& line)
{
    if (line.trimmed().startsWith('#'))
        return {};
    const int eq = line.indexOf('=');
    return eq > 0 ? line.left(eq).trimmed() : QByteArray();
}

// The program an Exec value starts: its first argument. The value is a
// string value first (escapes \s, \n, \t, \r, \\), then a command line
// whose quoted arguments escape ", `, $ and \ with a backslash.
QString ExecProgram(const QString& exec)
{
    QString line;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec.at(i);
        if (c != QLatin1Char('\\') || i + 1 == exec.size()) {
            line += c;
            continue;
        }
        const char next = exec.at(++i).toLatin1();
        line += next == 's'   ? QLatin1Char(' ')
                : next == 'n' ? QLatin1Char('\n')
                : next == 't' ? QLatin1Char('\t')
                : next == 'r' ? QLatin1Char('\r')
                              : exec.at(i);
    }
    QString program;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (quoted && c == QLatin1Char('\\') && i + 1 < line.size()) {
            program += line.at(++i);
        } else if (c == QLatin1Char('"')) {
            quoted = !quoted;
        } else if (!quoted && (c == QLatin1Char(' ') || c == QLatin1Char('\t'))) {
            if (!program.isEmpty())
                break;
        } else {
            program += c;
        }
    }
    return program;
}

// The file a program path or bare name stands for, links resolved; empty
// when there is none.
QString ResolvedProgram(const QString& program)
{
    if (program.isEmpty())
        return {};
    const QString path =
        program.contains(QLatin1Char('/')) ? program : QStandardPaths::findExecutable(program);
    return path.isEmpty() ? QString() : QFileInfo(path).canonicalFilePath();
}

} // namespace

ShellRegistration::ShellRegistration(const QString& dataHome, const QString& configHome,
                                     const QStringList& systemDataFolders)
    : m_strDataHome(dataHome), m_strConfigHome(configHome), m_systemDataFolders(systemDataFolders)
{}

ShellRegistration ShellRegistration::ForCurrentUser()
{
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    QStringList systemFolders =
        QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation);
    systemFolders.removeAll(dataHome);
    return ShellRegistration(
        dataHome, QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation),
        systemFolders);
}

QString ShellRegistration::MimePackagePath() const
{
    return m_strDataHome + QStringLiteral("/mime/packages/") + MimePackageFileName();
}

QString ShellRegistration::DesktopEntryPath() const
{
    return m_strDataHome + QStringLiteral("/applications/") + DesktopFileName();
}

QString ShellRegistration::AppIconPath() const
{
    return m_strDataHome + QStringLiteral("/icons/hicolor/scalable/apps/") + AppIconName() +
           QStringLiteral(".svg");
}

QString ShellRegistration::DocumentIconPath() const
{
    return m_strDataHome + QStringLiteral("/icons/hicolor/scalable/mimetypes/") +
           DocumentIconName() + QStringLiteral(".svg");
}

QString ShellRegistration::MimeAppsListPath() const
{
    return m_strConfigHome + QStringLiteral("/mimeapps.list");
}

QString ShellRegistration::ExecValue(const QString& executablePath)
{
    // Desktop entry Exec rules: an argument with reserved characters is
    // quoted, and inside the quotes ", `, $ and \ are escaped with a
    // backslash; a literal % is written %%. The value as a whole is then a
    // string value, where each backslash is doubled once more.
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    bool quote = false;
    for (const QChar c : executablePath) {
        if (reserved.contains(c))
            quote = true;
    }
    QString argument;
    for (const QChar c : executablePath) {
        if (c == QLatin1Char('%'))
            argument += QStringLiteral("%%");
        else if (quote && (c == QLatin1Char('"') || c == QLatin1Char('`') ||
                           c == QLatin1Char('$') || c == QLatin1Char('\\')))
            argument += QLatin1Char('\\') + c;
        else
            argument += c;
    }
    if (quote)
        argument = QLatin1Char('"') + argument + QLatin1Char('"');
    argument.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    argument.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    argument.replace(QLatin1Char('\t'), QStringLiteral("\\t"));
    argument.replace(QLatin1Char('\r'), QStringLiteral("\\r"));
    return argument + QStringLiteral(" %f");
}

QByteArray ShellRegistration::DesktopEntry(const QString& executablePath)
{
    QString text;
    text += QStringLiteral("[Desktop Entry]\n");
    text += QStringLiteral("Type=Application\n");
    text += QStringLiteral("Name=Peltra\n");
    text += QStringLiteral("Comment=プログラミング入門ツール Flash版\n");
    text += QStringLiteral("Exec=") + ExecValue(executablePath) + QLatin1Char('\n');
    text += QStringLiteral("Icon=") + AppIconName() + QLatin1Char('\n');
    text += QStringLiteral("Terminal=false\n");
    text += QStringLiteral("MimeType=") + MimeType() + QStringLiteral(";\n");
    text += QStringLiteral("Categories=Education;Development;\n");
    return text.toUtf8();
}

QByteArray ShellRegistration::MimePackage()
{
    const QString text =
        QStringLiteral(
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
            "  <mime-type type=\"%1\">\n"
            "    <comment>%2</comment>\n"
            "    <icon name=\"%3\"/>\n"
            "    <glob pattern=\"*.lrnf\"/>\n"
            "  </mime-type>\n"
            "</mime-info>\n")
            .arg(MimeType(), FileTypeId(), DocumentIconName());
    return text.toUtf8();
}

QString ShellRegistration::KeyFileValue(const QByteArray& text, const QString& section,
                                        const QString& key)
{
    const QByteArray wantedSection = section.toUtf8();
    const QByteArray wantedKey = key.toUtf8();
    QByteArray current;
    for (const QByteArray& line : SplitLines(text)) {
        if (IsSectionHeader(line)) {
            current = SectionName(line);
            continue;
        }
        if (current == wantedSection && LineKey(line) == wantedKey)
            return QString::fromUtf8(line.mid(line.indexOf('=') + 1).trimmed());
    }
    return {};
}

QByteArray ShellRegistration::SetKeyFileValue(const QByteArray& text, const QString& section,
                                              const QString& key, const QString& value)
{
    const QByteArray wantedSection = section.toUtf8();
    const QByteArray wantedKey = key.toUtf8();
    const QByteArray newLine = wantedKey + '=' + value.toUtf8();
    QList<QByteArray> out;
    QByteArray current;
    bool sectionSeen = false;
    bool done = false;
    int sectionEnd = -1; // index after the last line of the wanted section
    for (const QByteArray& line : SplitLines(text)) {
        if (IsSectionHeader(line)) {
            current = SectionName(line);
            if (current == wantedSection)
                sectionSeen = true;
            out.append(line);
            if (current == wantedSection)
                sectionEnd = int(out.size());
            continue;
        }
        if (current == wantedSection && LineKey(line) == wantedKey) {
            if (!value.isNull() && !done)
                out.append(newLine);
            done = true;
            sectionEnd = int(out.size());
            continue; // duplicates of the key are dropped
        }
        out.append(line);
        if (current == wantedSection && !line.trimmed().isEmpty())
            sectionEnd = int(out.size());
    }
    if (!done && !value.isNull()) {
        if (sectionSeen) {
            out.insert(sectionEnd, newLine);
        } else {
            if (!out.isEmpty() && !out.last().trimmed().isEmpty())
                out.append(QByteArray());
            out.append('[' + wantedSection + ']');
            out.append(newLine);
        }
    }
    QByteArray result = out.join('\n');
    if (!result.isEmpty())
        result += '\n';
    return result;
}

bool ShellRegistration::WriteIfDifferent(const QString& path, const QByteArray& content)
{
    bool exists = false;
    if (ReadFile(path, &exists) == content && exists)
        return true;
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(content);
    if (!file.commit())
        return false;
    m_bChanged = true;
    return true;
}

bool ShellRegistration::RemoveFile(const QString& path)
{
    if (!QFileInfo::exists(path))
        return true;
    if (!QFile::remove(path))
        return false;
    m_bChanged = true;
    return true;
}

QString ShellRegistration::DefaultApplication() const
{
    return KeyFileValue(ReadFile(MimeAppsListPath()), QLatin1String(kDefaultApplications),
                        MimeType());
}

bool ShellRegistration::Register(const QString& executablePath, const QByteArray& appIconSvg,
                                 const QByteArray& documentIconSvg)
{
    m_bChanged = false;
    bool ok = WriteIfDifferent(MimePackagePath(), MimePackage());
    ok = WriteIfDifferent(DesktopEntryPath(), DesktopEntry(executablePath)) && ok;
    if (!appIconSvg.isEmpty())
        ok = WriteIfDifferent(AppIconPath(), appIconSvg) && ok;
    if (!documentIconSvg.isEmpty())
        ok = WriteIfDifferent(DocumentIconPath(), documentIconSvg) && ok;

    // The default association: only when there is none or it is ours.
    bool exists = false;
    const QByteArray list = ReadFile(MimeAppsListPath(), &exists);
    if (exists || !QFileInfo::exists(MimeAppsListPath())) {
        const QString current = KeyFileValue(list, QLatin1String(kDefaultApplications), MimeType());
        if (current.isEmpty() || IsOurApplicationList(current)) {
            const QString wanted = DesktopFileName() + QLatin1Char(';');
            if (current != wanted) {
                ok = WriteIfDifferent(MimeAppsListPath(),
                                      SetKeyFileValue(list, QLatin1String(kDefaultApplications),
                                                      MimeType(), wanted)) &&
                     ok;
            }
        }
    } else {
        ok = false; // there but unreadable: leave it alone
    }
    return ok;
}

bool ShellRegistration::IsRegisteredSystemWide(const QString& executablePath) const
{
    const QString self = QFileInfo(executablePath).canonicalFilePath();
    if (self.isEmpty())
        return false;
    bool mimeType = false;
    bool entry = false;
    for (const QString& folder : m_systemDataFolders) {
        if (folder.isEmpty())
            continue;
        mimeType = mimeType || QFileInfo::exists(folder + QStringLiteral("/mime/packages/") +
                                                 MimePackageFileName());
        if (entry)
            continue;
        bool exists = false;
        const QByteArray text =
            ReadFile(folder + QStringLiteral("/applications/") + DesktopFileName(), &exists);
        if (!exists)
            continue;
        const QString section = QStringLiteral("Desktop Entry");
        const QStringList types = KeyFileValue(text, section, QStringLiteral("MimeType"))
                                      .split(QLatin1Char(';'), Qt::SkipEmptyParts);
        entry = types.contains(MimeType()) &&
                ResolvedProgram(ExecProgram(KeyFileValue(text, section, QStringLiteral("Exec")))) ==
                    self;
    }
    return mimeType && entry;
}

bool ShellRegistration::Unregister()
{
    m_bChanged = false;
    bool ok = RemoveFile(DesktopEntryPath());
    ok = RemoveFile(AppIconPath()) && ok;
    ok = RemoveFile(DocumentIconPath()) && ok;

    bool exists = false;
    const QByteArray list = ReadFile(MimeAppsListPath(), &exists);
    const QString current = KeyFileValue(list, QLatin1String(kDefaultApplications), MimeType());
    if (current.isEmpty() || IsOurApplicationList(current)) {
        ok = RemoveFile(MimePackagePath()) && ok;
        if (!current.isEmpty()) {
            ok = WriteIfDifferent(MimeAppsListPath(),
                                  SetKeyFileValue(list, QLatin1String(kDefaultApplications),
                                                  MimeType(), QString())) &&
                 ok;
        }
    }
    return ok;
}

void ShellRegistration::RefreshDatabases(bool wait) const
{
    const QString mimeTool = QStandardPaths::findExecutable(QStringLiteral("update-mime-database"));
    const QString desktopTool =
        QStandardPaths::findExecutable(QStringLiteral("update-desktop-database"));
    const QString mimeFolder = m_strDataHome + QStringLiteral("/mime");
    const QString applicationsFolder = m_strDataHome + QStringLiteral("/applications");
    auto run = [wait](const QString& tool, const QString& folder) {
        if (tool.isEmpty() || !QFileInfo(folder).isDir())
            return;
        if (wait) {
            QProcess process;
            process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            process.setStandardOutputFile(QProcess::nullDevice());
            process.start(tool, {folder});
            process.waitForFinished();
        } else {
            QProcess::startDetached(tool, {folder});
        }
    };
    run(mimeTool, mimeFolder);
    run(desktopTool, applicationsFolder);
}
