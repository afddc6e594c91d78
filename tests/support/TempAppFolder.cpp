#include "TempAppFolder.h"

#include "SharedVars.h"

#include <QDir>
#include <QFile>

#include <csignal>
#include <sys/resource.h>

TempAppFolder::TempAppFolder(Folders folders)
{
    if (folders == Folders::All) {
        QDir(m_dir.path()).mkpath(QStringLiteral("Struct/DDEData"));
        QDir(m_dir.path()).mkpath(QStringLiteral("Struct/TStruct"));
    }
    SharedVars::Init_Constants();
    SharedVars::Init_Paths(m_dir.path());
}

void TempAppFolder::write(const QString& file, const QByteArray& bytes)
{
    QFile f(file);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
}

QByteArray TempAppFolder::read(const QString& file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool TempAppFolder::exists(const QString& file) { return QFile::exists(file); }

FileSizeLimit::FileSizeLimit(long bytes)
{
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    m_previous = limit.rlim_cur;
    // Past the limit a write fails with EFBIG instead of killing the process.
    m_previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    limit.rlim_cur = static_cast<rlim_t>(bytes);
    setrlimit(RLIMIT_FSIZE, &limit);
}

FileSizeLimit::~FileSizeLimit()
{
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = static_cast<rlim_t>(m_previous);
    setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, m_previousHandler);
}
