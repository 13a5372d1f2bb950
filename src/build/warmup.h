#pragma once

#include "build/compilejob.h"

#include <QObject>
#include <QString>

#include <memory>

class QTemporaryDir;

// Makes 実行 quick from the first press on, once, when the program has
// started: the movie player is started hidden with its web player loaded
// (flashplayer_11_sa --preload; it does nothing when a player runs), and one
// compile in the background starts the compile server behind the compiler's
// launcher and warms it. That compile reads a copy of the game's Main.as and
// its configuration and writes its movie in a temporary folder, so the
// learner's files are never touched; it runs from the same working folder
// with the same environment as 実行's compiles, which is what makes them
// find the same server. $PELTRA_WARMUP=0 turns all of it off (the tests do).
class CWarmUp : public QObject
{
    Q_OBJECT

public:
    struct Paths
    {
        QString player;   // flashplayer_11_sa
        QString compiler; // flex_sdk_4.6/bin/mxmlc
        QString source;   // the game's Main.as, only read
        QString config;   // the game's Main-config.xml, only read
    };
    // The paths for a program folder and the game root 実行 uses.
    static Paths PathsFor(const QString& programFolder, const QString& gameRoot);

    explicit CWarmUp(QObject* parent = nullptr);
    ~CWarmUp() override;

    // False when $PELTRA_WARMUP is "0".
    static bool IsEnabled();

    // Starts the player and the compile. False when the compile could not
    // be laid out or started (the reason in *error); the player is started
    // all the same. Only the first call does anything.
    bool Start(const Paths& paths, QString* error = nullptr);

    // Starts a warm-up below `parent` when it is enabled; the object, or
    // null.
    static CWarmUp* StartIfEnabled(const Paths& paths, QObject* parent);

    bool isCompiling() const { return m_job.isRunning(); }
    // The scratch game folder of the running compile (src/, obj/, bin/);
    // empty when none runs.
    QString scratchGame() const;

Q_SIGNALS:
    // The warm-up compile has ended; its scratch folder is gone by then.
    void finished(const RunResult& result);

private:
    void OnCompileFinished(const RunResult& result);

    CompileJob m_job;
    std::unique_ptr<QTemporaryDir> m_scratch;
    bool m_bStarted = false;
};
