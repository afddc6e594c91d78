#include "CntrlDDE.h"

#include "SharedVars.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>

#ifdef HMI_LINK_DDE
#include "ProgramStart.h"
#elif defined(Q_OS_WIN)
#include <windows.h>
#endif

namespace CntrlDDE {

QString serverProgram()
{
#ifdef HMI_LINK_DDE
    return QString::fromLatin1(dde::ServerProgramPath);
#else
    const QString folder = SharedVars::AppFolder.isEmpty()
                               ? QCoreApplication::applicationDirPath() + QLatin1Char('/')
                               : SharedVars::AppFolder;
#ifdef Q_OS_WIN
    return folder + QStringLiteral("CommServer.exe");
#else
    return folder + QStringLiteral("CommServer");
#endif
#endif
}

Status Load_RSLinx()
{
#ifdef HMI_LINK_DDE
    // The real server: started hidden, not waited for, its process let go.
    if (const std::optional<dde::DdeFailure> failure = dde::startHidden(dde::ServerProgramPath))
        return Status(RunError::of(failure->number, QString::fromLocal8Bit(failure->description.c_str())));
    return {};
#else
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
#endif
}

} // namespace CntrlDDE
