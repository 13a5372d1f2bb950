#include "locations.h"

#include "tutorial/codepage.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

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
