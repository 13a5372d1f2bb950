#include "commandlineinfo.h"

#include <QFileInfo>

namespace {

bool EqualsIgnoringCase(const QString& a, const char* b)
{
    return a.compare(QLatin1String(b), Qt::CaseInsensitive) == 0;
}

bool IsRegisterSwitch(const QString& name)
{
    return EqualsIgnoringCase(name, "Register") || EqualsIgnoringCase(name, "Regserver");
}
bool IsRegisterPerUserSwitch(const QString& name)
{
    return EqualsIgnoringCase(name, "RegisterPerUser") ||
           EqualsIgnoringCase(name, "RegserverPerUser");
}
bool IsUnregisterSwitch(const QString& name)
{
    return EqualsIgnoringCase(name, "Unregister") || EqualsIgnoringCase(name, "Unregserver");
}
bool IsUnregisterPerUserSwitch(const QString& name)
{
    return EqualsIgnoringCase(name, "UnregisterPerUser") ||
           EqualsIgnoringCase(name, "UnregserverPerUser");
}

} // namespace

void CCommandLineInfo::ParseParam(const QString& param, bool flag, bool last)
{
    if (flag)
        ParseParamFlag(param);
    else
        ParseParamNotFlag(param);
    ParseLast(last);
}

void CCommandLineInfo::ParseParamFlag(const QString& param)
{
    // The shell's print switches are case-sensitive, the registration
    // switches are not. Unknown switches are ignored.
    if (param == QLatin1String("pt")) {
        m_nShellCommand = FilePrintTo;
    } else if (param == QLatin1String("p")) {
        m_nShellCommand = FilePrint;
    } else if (IsRegisterSwitch(param)) {
        m_nShellCommand = AppRegister;
    } else if (IsRegisterPerUserSwitch(param)) {
        m_nShellCommand = AppRegister;
        m_bRegisterPerUser = true;
    } else if (IsUnregisterSwitch(param)) {
        m_nShellCommand = AppUnregister;
    } else if (IsUnregisterPerUserSwitch(param)) {
        m_nShellCommand = AppUnregister;
        m_bRegisterPerUser = true;
    } else if (param == QLatin1String("dde")) {
        m_nShellCommand = FileDDE;
    } else if (EqualsIgnoringCase(param, "Embedding")) {
        m_bRunEmbedded = true;
    } else if (EqualsIgnoringCase(param, "Automation")) {
        m_bRunAutomated = true;
    }
}

void CCommandLineInfo::ParseParamNotFlag(const QString& param)
{
    if (m_strFileName.isEmpty())
        m_strFileName = param;
    else if (m_nShellCommand == FilePrintTo && m_strPrinterName.isEmpty())
        m_strPrinterName = param;
    else if (m_nShellCommand == FilePrintTo && m_strDriverName.isEmpty())
        m_strDriverName = param;
    else if (m_nShellCommand == FilePrintTo && m_strPortName.isEmpty())
        m_strPortName = param;
}

void CCommandLineInfo::ParseLast(bool last)
{
    if (last && m_nShellCommand == FileNew && !m_strFileName.isEmpty())
        m_nShellCommand = FileOpen;
}

// A "/" argument is a file when it names an existing file, or when it is a
// path of several parts that names no folder (no switch holds a second "/"),
// so that a missing project given by its full path is reported as missing.
static bool IsSlashSwitch(const QString& argument)
{
    const QFileInfo info(argument);
    if (info.isFile())
        return false;
    return argument.indexOf(QLatin1Char('/'), 1) < 0 || info.isDir();
}

CCommandLineInfo ParseCommandLine(const QStringList& arguments)
{
    CCommandLineInfo info;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        bool flag = false;
        if (argument.startsWith(QLatin1Char('-')))
            flag = true;
        else if (argument.startsWith(QLatin1Char('/')))
            flag = IsSlashSwitch(argument);
        info.ParseParam(flag ? argument.mid(1) : argument, flag, i == arguments.size() - 1);
    }
    return info;
}
