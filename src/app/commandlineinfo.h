#pragma once

#include <QString>
#include <QStringList>

// What the command line asks the program to do. Switches begin with "-" or
// "/"; "p", "pt" and "dde" match in exactly that case, the others without
// regard to case. Because absolute paths on this platform begin with "/", an
// argument that begins with "/" is a file name when it names an existing
// file; any other one is a switch (and ignored when it is none of the names).
class CCommandLineInfo
{
public:
    enum ShellCommand {
        FileNew,       // no file: a new, empty project
        FileOpen,      // open m_strFileName
        FilePrint,     // "p" file
        FilePrintTo,   // "pt" file printer driver port
        FileDDE,       // "dde"
        AppRegister,   // "Register", "Regserver" (+ "PerUser")
        AppUnregister, // "Unregister", "Unregserver" (+ "PerUser")
    };

    // Takes one argument; flag tells whether it was a switch (its leading
    // "-" or "/" already removed); last whether it is the final argument.
    void ParseParam(const QString& param, bool flag, bool last);

    ShellCommand m_nShellCommand = FileNew;
    QString m_strFileName;
    QString m_strPrinterName;
    QString m_strDriverName;
    QString m_strPortName;
    bool m_bRunEmbedded = false;
    bool m_bRunAutomated = false;
    bool m_bRegisterPerUser = false;

private:
    void ParseParamFlag(const QString& param);
    void ParseParamNotFlag(const QString& param);
    void ParseLast(bool last);
};

// Parses the arguments that follow the program's own name.
CCommandLineInfo ParseCommandLine(const QStringList& arguments);
