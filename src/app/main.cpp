#include "app/checkcommand.h"
#include "app/flashapp.h"
#include "build/locations.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QTextStream>
#include <QTranslator>

#include <cstdio>

namespace {

// peltra --check ...: the tutorial check needs no display, so it runs
// before any window system is asked for.
int RunCheck(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    out.setEncoding(QStringConverter::Utf8);
    err.setEncoding(QStringConverter::Utf8);
    return RunCheckCommand(QCoreApplication::arguments().mid(1), GetProgramFolder(), out, err);
}

bool AsksForCheck(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i)
        if (qstrcmp(argv[i], "--check") == 0)
            return true;
    return false;
}

} // namespace

int main(int argc, char* argv[])
{
    if (AsksForCheck(argc, argv))
        return RunCheck(argc, argv);

    // The tutorial browser shares its GL context with the window.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Peltra"));
    QCoreApplication::setApplicationName(QStringLiteral("Flash"));
    QCoreApplication::setApplicationVersion(QStringLiteral("0.7.0.1"));
    // No display name: the platform would append it to every caption, and the
    // captions ("無題 - Peltra 0.7", "Flash" on message boxes) are the program's own.
    QGuiApplication::setDesktopFileName(QStringLiteral("peltra"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/peltra.svg")));

    // Qt's own dialogs and buttons in Japanese, when the translations are
    // installed.
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::Japanese), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtTranslator);

    if (!theApp.InitInstance(QCoreApplication::arguments()))
        return theApp.ExitInstance();
    const int exitCode = app.exec();
    theApp.ExitInstance();
    return exitCode;
}
