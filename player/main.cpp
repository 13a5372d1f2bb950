// The standalone movie player: plays the SWF movie given as its one argument.
// A second start while a player window is open hands the movie to that
// window (see CPlayerInstance) and ends.
//
//     flashplayer_11_sa <movie>     play the movie (in the open player, if any)
//     flashplayer_11_sa --preload   start hidden with the web player loaded,
//                                   so that the first movie handed over shows
//                                   sooner; does nothing when a player runs
//
// A preloaded player that gets no movie within kPreloadIdleMinutes ends.
// $PELTRA_PLAYER_NOTES names a file that gets a line for each movie shown
// (see CPlayerNotes).

#include "playerinstance.h"
#include "playernotes.h"
#include "playerwindow.h"

#include <QApplication>
#include <QLoggingCategory>
#include <QStringList>
#include <QTimer>

#include <unistd.h>

Q_LOGGING_CATEGORY(lcPlayer, "peltra.player")

namespace {

constexpr int kPreloadIdleMinutes = 30;

void Note(const CPlayerNotes& notes, const QString& event, const QString& movie)
{
    QString error;
    if (!notes.Write(event, movie, &error))
        qCWarning(lcPlayer) << "cannot write the player's notes:" << error;
}

} // namespace

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
    const bool preload = args == QStringList{QStringLiteral("--preload")};
    const QString movie = preload ? QString() : args.value(0);

    CPlayerInstance instance(CPlayerInstance::DefaultServerName());
    if (!movie.isEmpty() && instance.HandToRunning(movie))
        return 0;
    // An empty request only asks whether a player is there.
    if (preload && instance.HandToRunning(QString()))
        return 0;

    const CPlayerNotes notes = CPlayerNotes::FromEnvironment();
    CPlayerWindow window(CPlayerWindow::DefaultFilesFolder());
    QObject::connect(&window, &CPlayerWindow::firstFrameShown, &window,
                     [&notes](const QString& path) { Note(notes, QStringLiteral("frame"), path); });
    QObject::connect(&window, &CPlayerWindow::movieFailed, &window, [&notes](const QString& path) {
        Note(notes, QStringLiteral("failed"), path);
    });

    const bool listening = instance.Listen();
    if (listening) {
        QObject::connect(&instance, &CPlayerInstance::movieRequested, &window,
                         [&window](const QString& path) {
                             window.OpenMovie(path);
                             window.showNormal();
                             window.raise();
                             window.activateWindow();
                         });
    }
    if (!preload) {
        window.OpenMovie(movie);
        window.show();
        return app.exec();
    }

    // Preloaded: hidden until the first movie comes.
    if (!listening)
        return 1; // nobody could ever hand it a movie
    QObject::connect(&window, &CPlayerWindow::playerReady, &window,
                     [&notes]() { Note(notes, QStringLiteral("ready"), QString()); });
    QTimer idle;
    idle.setSingleShot(true);
    QObject::connect(&idle, &QTimer::timeout, &app, [&window]() {
        if (!window.isVisible())
            QCoreApplication::quit();
    });
    idle.start(std::chrono::minutes(kPreloadIdleMinutes));
    window.Preload();
    return app.exec();
}
