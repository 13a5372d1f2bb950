#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Registration of the project file type (*.lrnf) with the desktop, in the
// user's XDG folders:
// - the MIME type application/x-peltra-document ("Peltra.Document") with the
//   glob *.lrnf and the document icon, under <data>/mime/packages;
// - a desktop entry whose Exec line opens a file with this executable, under
//   <data>/applications;
// - the program and document icons under <data>/icons/hicolor/scalable;
// - the default application for the MIME type in <config>/mimeapps.list,
//   set only when there is none or it is already ours.
// Files are rewritten only when their content differs.
//
// A packaged installation puts the same MIME type, desktop entry and icons in
// the system's data folders (/usr/share); the program then needs no copy of
// its own in the user's (IsRegisteredSystemWide).
class ShellRegistration
{
public:
    ShellRegistration(const QString& dataHome, const QString& configHome,
                      const QStringList& systemDataFolders = {});
    // The folders of the current user (QStandardPaths' generic data and
    // config locations) and the system's data folders ($XDG_DATA_DIRS).
    static ShellRegistration ForCurrentUser();

    static QString MimeType() { return QStringLiteral("application/x-peltra-document"); }
    static QString FileTypeId() { return QStringLiteral("Peltra.Document"); }
    static QString DesktopFileName() { return QStringLiteral("peltra.desktop"); }
    static QString AppIconName() { return QStringLiteral("peltra"); }
    static QString DocumentIconName() { return QStringLiteral("application-x-peltra-document"); }

    static QString MimePackageFileName() { return QStringLiteral("peltra-document.xml"); }

    QString MimePackagePath() const;
    QString DesktopEntryPath() const;
    QString AppIconPath() const;
    QString DocumentIconPath() const;
    QString MimeAppsListPath() const;

    // Writes everything. Returns true when all of it is in place (the
    // default association counts as in place when another program holds it).
    bool Register(const QString& executablePath, const QByteArray& appIconSvg,
                  const QByteArray& documentIconSvg);
    // True when one of the system's data folders holds our MIME type and a
    // desktop entry for it whose Exec line starts executablePath (by its
    // path or, for a bare name, through the PATH; links followed): the
    // installation is registered system-wide, and Register is not needed.
    bool IsRegisteredSystemWide(const QString& executablePath) const;

    // Removes the desktop entry and the icons; the MIME type and the default
    // association go only when the association is ours or there is none.
    // Returns true when nothing of ours that was to go is left.
    bool Unregister();

    // True when something was written or removed by the last Register or
    // Unregister (the desktop databases then need a refresh).
    bool Changed() const { return m_bChanged; }

    // The default application for our MIME type in mimeapps.list, or empty.
    QString DefaultApplication() const;

    // Runs update-mime-database and update-desktop-database on the user's
    // folders when they are installed; failures are ignored. With wait false
    // the tools run detached and the call returns at once.
    void RefreshDatabases(bool wait) const;

    // The desktop entry's text and its Exec value for an executable path
    // (quoted and escaped as desktop entries need it).
    static QByteArray DesktopEntry(const QString& executablePath);
    static QString ExecValue(const QString& executablePath);
    static QByteArray MimePackage();

    // The value of key in [section] of a desktop-style key file's text, and
    // the text with that key set (value non-null) or removed (value null).
    static QString KeyFileValue(const QByteArray& text, const QString& section, const QString& key);
    static QByteArray SetKeyFileValue(const QByteArray& text, const QString& section,
                                      const QString& key, const QString& value);

private:
    bool WriteIfDifferent(const QString& path, const QByteArray& content);
    bool RemoveFile(const QString& path);

    QString m_strDataHome;
    QString m_strConfigHome;
    QStringList m_systemDataFolders;
    bool m_bChanged = false;
};
