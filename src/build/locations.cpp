#include "locations.h"

#include "tutorial/codepage.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

#ifdef Q_OS_WIN
const char kExeSuffix[] = ".exe";
#else
const char kExeSuffix[] = "";
#endif

// Joins relative path components with the native separator.
QString Native(std::initializer_list<const char*> parts)
{
    QString joined;
    for (const char* part : parts) {
        if (!joined.isEmpty())
            joined += QDir::separator();
        joined += QLatin1String(part);
    }
    return joined;
}

// The folder of the running executable when there is no application object
// to ask (early start-up, small tools). Linux names the executable in /proc;
// elsewhere the current folder is the best guess there is.
QString ExecutableFolderWithoutApplication()
{
    const QString exe = QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
    if (!exe.isEmpty()) {
        const QString folder = QFileInfo(exe).absolutePath();
        if (!folder.isEmpty())
            return folder;
    }
    return QDir::currentPath();
}

// Writable by the user, and marked writable for somebody: the superuser's
// access check passes on any folder, but one marked read-only for everybody
// is a system's installation that is not to be written either.
bool IsWritable(const QFileInfo& info)
{
    constexpr auto anyWrite =
        QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    return info.isWritable() && (info.permissions() & anyWrite);
}

QString SystemMessage(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

bool MakeFolder(const QString& path, QString* error)
{
    errno = 0;
    if (QDir().mkpath(path) && QFileInfo(path).isDir())
        return true;
    *error = QStringLiteral("cannot make the folder %1: %2")
                 .arg(QDir::toNativeSeparators(path), SystemMessage(errno ? errno : ENOTDIR));
    return false;
}

// Copies every file of from/ that to/ lacks, folders included; files there
// already (the learner's own) are left alone. A copy is writable by its
// owner whatever the original's mode.
bool CopyMissingFiles(const QString& from, const QString& to, QString* error)
{
    if (!MakeFolder(to, error))
        return false;
    QDirIterator it(from, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString source = it.next();
        const QFileInfo info = it.fileInfo();
        const QString target = to + QLatin1Char('/') + QDir(from).relativeFilePath(source);
        if (info.isDir()) {
            if (!MakeFolder(target, error))
                return false;
            continue;
        }
        if (QFileInfo::exists(target) || !info.isFile())
            continue;
        QFile original(source);
        if (!MakeFolder(QFileInfo(target).absolutePath(), error))
            return false;
        if (!original.copy(target)) {
            // Another start of the program may just have made it.
            if (QFileInfo::exists(target))
                continue;
            *error = QStringLiteral("cannot copy %1 to %2: %3")
                         .arg(QDir::toNativeSeparators(source), QDir::toNativeSeparators(target),
                              original.errorString());
            return false;
        }
        QFile copy(target);
        copy.setPermissions(copy.permissions() | QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
    return true;
}

} // namespace

QString GetProgramFolder()
{
    const QString folder = QDir::toNativeSeparators(QCoreApplication::instance()
                                                        ? QCoreApplication::applicationDirPath()
                                                        : ExecutableFolderWithoutApplication());
    // The root folder already ends with its separator.
    if (folder.endsWith(QDir::separator()))
        return folder;
    return folder + QDir::separator();
}

bool CanWriteGameIn(const QString& programFolder)
{
    if (!IsWritable(QFileInfo(programFolder)))
        return false;
    for (const char* folder : {"game", "game/src", "game/bin"}) {
        const QFileInfo info(programFolder + QLatin1String(folder));
        if (info.exists() && !IsWritable(info))
            return false;
    }
    return true;
}

QString GameRootFor(const QString& programFolder, const QString& userDataFolder, QString* error)
{
    QString reason;
    QString root = programFolder;
    if (!CanWriteGameIn(programFolder)) {
        if (userDataFolder.isEmpty()) {
            reason = QStringLiteral("%1 cannot be written and there is no user data folder")
                         .arg(programFolder);
        } else {
            root = QDir::toNativeSeparators(QDir::cleanPath(userDataFolder) +
                                            QStringLiteral("/Peltra/"));
            const QString game = root + QLatin1String("game");
            if (CopyMissingFiles(programFolder + QLatin1String("game"), game, &reason)) {
                for (const char* folder : {"src", "obj", "bin"}) {
                    if (!MakeFolder(game + QLatin1Char('/') + QLatin1String(folder), &reason))
                        break;
                }
            }
        }
    }
    if (error)
        *error = reason;
    return root;
}

QString GetGameRoot()
{
    QString error;
    const QString root =
        GameRootFor(GetProgramFolder(),
                    QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation), &error);
    if (!error.isEmpty())
        std::fprintf(stderr, "Peltra: the game folder: %s\n", error.toLocal8Bit().constData());
    return root;
}

QString MxmlcPath(const QString& programFolder)
{
    return programFolder + Native({"flex_sdk_4.6", "bin", "mxmlc"}) + QLatin1String(kExeSuffix);
}

QString SourcePath(const QString& programFolder)
{
    return programFolder + Native({"game", "src", "Main.as"});
}

QString MoviePath(const QString& programFolder)
{
    return programFolder + Native({"game", "bin", "GameMovie.swf"});
}

QString ConfigPath(const QString& programFolder)
{
    // The folder is followed by a separator of its own, so two stand in a row;
    // the compiler is given the text exactly so.
    return programFolder + QDir::separator() + Native({"game", "obj", "Main-config.xml"});
}

QString PlayerPath(const QString& programFolder)
{
    return programFolder + QLatin1String("flashplayer_11_sa") + QLatin1String(kExeSuffix);
}

QString DefaultIndexPath(const QString& programFolder)
{
    return programFolder + Native({"HTML", "index.html"});
}

QString StartPagePath(const QString& programFolder, const QByteArray& startPage)
{
    // Decode first: in code page 932 a second byte of 0x5C inside a Japanese
    // character (表, ソ, 能...) is no separator.
    QString relative = CodePage::toUnicode(startPage);
    relative.replace(QLatin1Char('\\'), QDir::separator());
    return programFolder + relative;
}
