#include "warmup.h"

#include "build/compilecommand.h"
#include "build/locations.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

CWarmUp::Paths CWarmUp::PathsFor(const QString& programFolder, const QString& gameRoot)
{
    return {PlayerPath(programFolder), MxmlcPath(programFolder), SourcePath(gameRoot),
            ConfigPath(gameRoot)};
}

CWarmUp::CWarmUp(QObject* parent) : QObject(parent)
{
    connect(&m_job, &CompileJob::finished, this, &CWarmUp::OnCompileFinished);
}

// The job's own destructor cancels a compile still running and waits for it;
// the compile server, in a session of its own, stays for 実行.
CWarmUp::~CWarmUp() = default;

bool CWarmUp::IsEnabled()
{
    return qgetenv("PELTRA_WARMUP") != "0";
}

CWarmUp* CWarmUp::StartIfEnabled(const Paths& paths, QObject* parent)
{
    if (!IsEnabled())
        return nullptr;
    auto* warmUp = new CWarmUp(parent);
    QString error;
    if (!warmUp->Start(paths, &error))
        qWarning("warm-up compile not started: %s", qPrintable(error));
    return warmUp;
}

namespace {

bool CopyInto(const QString& from, const QString& to, QString* error)
{
    QFile file(from);
    if (!QDir().mkpath(QFileInfo(to).absolutePath()) || !file.copy(to)) {
        *error = QStringLiteral("%1: %2").arg(from, file.errorString());
        return false;
    }
    return true;
}

} // namespace

bool CWarmUp::Start(const Paths& paths, QString* error)
{
    QString reason;
    if (!error)
        error = &reason;
    if (m_bStarted) {
        *error = QStringLiteral("already started");
        return false;
    }
    m_bStarted = true;

    // A player that cannot be started is not reported, as at 実行.
    QProcess::startDetached(paths.player, {QStringLiteral("--preload")});

    auto scratch = std::make_unique<QTemporaryDir>();
    if (!scratch->isValid()) {
        *error = scratch->errorString();
        return false;
    }
    // The scratch folder is laid out as a game root: game/src/Main.as,
    // game/obj/Main-config.xml (whose source path ../src finds the copy)
    // and game/bin for the movie.
    const QString root = scratch->path() + QLatin1Char('/');
    const QString source = SourcePath(root);
    if (!CopyInto(paths.source, source, error) ||
        !CopyInto(paths.config, ConfigPath(root), error) ||
        !QDir().mkpath(QFileInfo(MoviePath(root)).absolutePath())) {
        if (error->isEmpty())
            *error = QStringLiteral("cannot make %1").arg(MoviePath(root));
        return false;
    }
    if (!m_job.start(CompileArguments(paths.compiler, source, root))) {
        *error = QStringLiteral("a compile is already running");
        return false;
    }
    m_scratch = std::move(scratch);
    return true;
}

QString CWarmUp::scratchGame() const
{
    return m_scratch ? m_scratch->path() + QStringLiteral("/game") : QString();
}

void CWarmUp::OnCompileFinished(const RunResult& result)
{
    m_scratch.reset();
    Q_EMIT finished(result);
}
