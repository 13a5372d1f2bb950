#pragma once

#include <QDialog>

// The About box: the program's icon, its name and version, and OK.
class CAboutDlg : public QDialog
{
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);

    static QString Caption() { return QStringLiteral("バージョン情報 Flash"); }
    static QString VersionText() { return QStringLiteral("Peltra, Version 0.7"); }
};
