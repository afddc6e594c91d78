#include "CheckedWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <climits>

#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace CheckedWriter {

namespace {

struct FaultState {
    int nth = 0;
    bool fromThenOn = false;
    int calls = 0;
    int failed = 0;
};

FaultState faults;

// Counts a call; true when the seam makes it fail.
bool injected() {
    ++faults.calls;
    const bool fail =
        faults.nth > 0 && (faults.calls == faults.nth || (faults.fromThenOn && faults.calls > faults.nth));
    if (fail) {
        ++faults.failed;
        errno = EIO;
    }
    return fail;
}

// The platform's calls, each failing as the seam says.
#ifdef Q_OS_WIN
std::wstring native(const QString& path) {
    return QDir::toNativeSeparators(path).toStdWString();
}
int openNew(const QString& path, bool) {
    return _wopen(native(path).c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                  _S_IREAD | _S_IWRITE);
}
long long writeSome(int fd, const char* data, long long size) {
    return injected() ? -1 : _write(fd, data, static_cast<unsigned>(std::min<long long>(size, INT_MAX)));
}
bool syncFile(int fd) {
    return !injected() && _commit(fd) == 0;
}
bool closeFile(int fd) {
    return _close(fd) == 0 && !injected();
}
void unlinkFile(const QString& path) {
    _wunlink(native(path).c_str());
}
bool renameFile(const QString& from, const QString& to, bool replace) {
    const DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
    if (injected())
        return false;
    if (MoveFileExW(native(from).c_str(), native(to).c_str(), flags))
        return true;
    errno = GetLastError() == ERROR_ALREADY_EXISTS || GetLastError() == ERROR_FILE_EXISTS ? EEXIST : EIO;
    return false;
}
// Windows has no folder sync; MOVEFILE_WRITE_THROUGH stands in for it.
bool syncFolderOf(const QString&) {
    return true;
}
#else
QByteArray native(const QString& path) {
    return QFile::encodeName(path);
}
int openNew(const QString& path, bool ownerOnly) {
    return ::open(native(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, ownerOnly ? 0600 : 0666);
}
long long writeSome(int fd, const char* data, long long size) {
    return injected() ? -1 : ::write(fd, data, static_cast<size_t>(std::min<long long>(size, INT_MAX)));
}
bool syncFile(int fd) {
    return !injected() && ::fsync(fd) == 0;
}
// The descriptor is closed even when the seam fails the call, as a failing close does.
bool closeFile(int fd) {
    return ::close(fd) == 0 && !injected();
}
void unlinkFile(const QString& path) {
    ::unlink(native(path).constData());
}
bool renameFile(const QString& from, const QString& to, bool replace) {
    if (injected())
        return false;
    if (replace)
        return ::rename(native(from).constData(), native(to).constData()) == 0;
    // A hard link never replaces what is there; the new name is dropped after.
    if (::link(native(from).constData(), native(to).constData()) != 0)
        return false;
    unlinkFile(from);
    return true;
}
bool syncFolderOf(const QString& folder) {
    const int fd = ::open(native(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = syncFile(fd);
    return closeFile(fd) && synced;
}
#endif

bool writeAll(int fd, const QByteArray& bytes) {
    const char* data = bytes.constData();
    long long left = bytes.size();
    while (left > 0) {
        const long long n = writeSome(fd, data, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        left -= n;
    }
    return true;
}

RunError openError(const QString& path, int error) {
    if (error == EEXIST)
        return RunError::of(ErrNo::FileAlreadyExists).inFile(path);
    return RunError::of(QFileInfo(path).dir().exists() ? ErrNo::PermissionDenied : ErrNo::PathNotFound);
}

RunError stepError() {
    return RunError::of(errno == ENOSPC ? ErrNo::DiskFull : ErrNo::PathFileAccess);
}

// A new file beside the target, under a name no other save uses, so two saves never share one.
Result<std::pair<int, QString>> openBeside(const QString& path, bool ownerOnly) {
    for (int attempt = 0;; ++attempt) {
        const QString temp = path + QStringLiteral(".part-") +
                             QString::number(QRandomGenerator::global()->generate() & 0xffffff, 16);
        const int fd = openNew(temp, ownerOnly);
        if (fd >= 0)
            return std::pair{fd, temp};
        if (errno != EEXIST || attempt == 8)
            return openError(path, errno);
    }
}

Status fill(int fd, const QByteArray& bytes) {
    const bool written = writeAll(fd, bytes) && syncFile(fd);
    const RunError error = stepError();
    const bool closed = closeFile(fd);
    if (written && closed)
        return {};
    return written ? stepError() : error;
}

} // namespace

Status replace(const QString& path, const QByteArray& bytes, Options options) {
    if (options.keepExisting && QFileInfo::exists(path))
        return openError(path, EEXIST);
    const auto opened = openBeside(path, options.ownerOnly);
    if (!opened)
        return opened.error();
    const auto& [fd, temp] = *opened;
    if (const Status filled = fill(fd, bytes); !filled) {
        unlinkFile(temp);
        return filled;
    }
    if (!renameFile(temp, path, !options.keepExisting)) {
        const RunError error = errno == EEXIST ? openError(path, EEXIST) : stepError();
        unlinkFile(temp);
        return error;
    }
    return syncFolder(QFileInfo(path).path());
}

Status rename(const QString& from, const QString& to) {
    return renameFile(from, to, true) ? Status() : Status(stepError());
}

Status syncFolder(const QString& folder) {
    return syncFolderOf(folder) ? Status() : Status(stepError());
}

namespace Faults {

void failFrom(int nth, bool fromThenOn) {
    faults = {nth, fromThenOn, 0, 0};
}
void clear() {
    faults = {};
}
int calls() {
    return faults.calls;
}
int failed() {
    return faults.failed;
}

} // namespace Faults

} // namespace CheckedWriter
