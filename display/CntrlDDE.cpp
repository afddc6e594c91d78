#include "CntrlDDE.h"

#include "SharedVars.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace CntrlDDE {

QString serverProgram()
{
#ifdef Q_OS_WIN
    return QStringLiteral("C:\\Program Files\\Rockwell Software\\Rslinx\\RSLinx.exe");
#else
    const QString folder = SharedVars::AppFolder.isEmpty()
                               ? QCoreApplication::applicationDirPath() + QLatin1Char('/')
                               : SharedVars::AppFolder;
    return folder + QStringLiteral("CommServer");
#endif
}

Status Load_RSLinx()
{
    const QString program = serverProgram();
    const QFileInfo info(program);
    if (!info.exists())
        return Status(RunError::of(ErrNo::FileNotFound, QStringLiteral("File not found: ") + program));
    if (!info.isExecutable())
        return Status(RunError::of(ErrNo::PermissionDenied, QStringLiteral("Permission denied: ") + program));

    QProcess process;
    process.setProgram(program);
    process.setWorkingDirectory(info.absolutePath());
    // Its "ready" line is for tests; a program's own output stays clean.
    process.setStandardOutputFile(QProcess::nullDevice());
#ifdef Q_OS_WIN
    process.setCreateProcessArgumentsModifier([](QProcess::CreateProcessArguments* args) {
        args->startupInfo->dwFlags |= STARTF_USESHOWWINDOW;
        args->startupInfo->wShowWindow = SW_HIDE;
    });
#endif
    if (!process.startDetached())
        return Status(
            RunError::of(ErrNo::PathFileAccess, QStringLiteral("Path/File access error: ") + program));
    return {};
}

} // namespace CntrlDDE
