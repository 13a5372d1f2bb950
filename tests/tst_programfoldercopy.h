#pragma once

// The program takes the folder of its own executable for its program folder.
// Tests that need a program folder of their own run themselves again from
// one: the executable is put into the folder and started there with a marker
// variable set, so the second run knows it is the real one.

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <unistd.h>

namespace programfolder {

// Puts this test's executable into folder and returns its path there, or an
// empty string. The folder must name the executable as the system sees it,
// so a symbolic link would not do: a hard link where the file system allows
// it, a copy otherwise.
inline QString PlaceSelfIn(const QString& folder)
{
    const QString self = QCoreApplication::applicationFilePath();
    const QString exe = folder + QLatin1Char('/') + QFileInfo(self).fileName();
    if (::link(QFile::encodeName(self).constData(), QFile::encodeName(exe).constData()) != 0 &&
        !QFile::copy(self, exe))
        return {};
    return exe;
}

// Runs exe with this run's arguments and the marker variable set, its output
// on ours. Returns its exit code, or 1 (with a message) when it could not
// start or did not end normally.
inline int RunCopy(const QString& exe, const char* markerVariable)
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QLatin1String(markerVariable), QStringLiteral("1"));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.setInputChannelMode(QProcess::ForwardedInputChannel);
    child.start(exe, QCoreApplication::arguments().mid(1));
    if (!child.waitForStarted()) {
        std::fprintf(stderr, "cannot run %s: %s\n", qPrintable(exe),
                     qPrintable(child.errorString()));
        return 1;
    }
    child.waitForFinished(-1);
    if (child.exitStatus() != QProcess::NormalExit) {
        std::fprintf(stderr, "the test in %s did not end normally\n", qPrintable(exe));
        return 1;
    }
    return child.exitCode();
}

} // namespace programfolder
