// The standalone movie player: plays the SWF movie given as its one argument.
// A second start while a player window is open hands the movie to that
// window (see CPlayerInstance) and ends.

#include "playerinstance.h"
#include "playerwindow.h"

#include <QApplication>
#include <QStringList>

#include <unistd.h>

int main(int argc, char* argv[])
{
    // The web engine will not start its sandbox for root; where the program
    // runs as root the movie should play all the same.
    if (::geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");

    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Peltra"));
    QCoreApplication::setApplicationName(QStringLiteral("FlashPlayer"));
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Flash Player"));

    const QStringList args = QCoreApplication::arguments().mid(1);
    const QString movie = args.value(0);

    CPlayerInstance instance(CPlayerInstance::DefaultServerName());
    if (!movie.isEmpty() && instance.HandToRunning(movie))
        return 0;

    CPlayerWindow window(CPlayerWindow::DefaultFilesFolder());
    if (instance.Listen()) {
        QObject::connect(&instance, &CPlayerInstance::movieRequested, &window,
                         [&window](const QString& path) {
                             window.OpenMovie(path);
                             window.showNormal();
                             window.raise();
                             window.activateWindow();
                         });
    }
    window.OpenMovie(movie);
    window.show();
    return app.exec();
}
