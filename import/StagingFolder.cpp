#include "StagingFolder.h"

#include <QDir>
#include <QRandomGenerator>

namespace {

const QString Prefix = QStringLiteral("Import-");
const QString LockSuffix = QStringLiteral(".lock");

std::unique_ptr<QLockFile> lockOf(const QString& folder) {
    auto lock = std::make_unique<QLockFile>(folder + LockSuffix);
    // Only a lock whose process has ended is stale, never one that is merely old.
    lock->setStaleLockTime(0);
    return lock;
}

QString randomName() {
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QString name = Prefix;
    for (int i = 0; i < 6; ++i)
        name += QLatin1Char(letters[QRandomGenerator::global()->bounded(int(sizeof letters) - 1)]);
    return name;
}

} // namespace

StagingFolder::StagingFolder(const QString& parent) {
    const QDir dir(parent);
    if (!dir.exists())
        return;
    removeAbandoned(parent);
    // The lock comes first, so another import never sees this folder without it.
    for (int attempt = 0; attempt < 100 && !isValid(); ++attempt) {
        const QString folder = dir.filePath(randomName());
        auto lock = lockOf(folder);
        if (!lock->tryLock(0))
            continue;
        // A folder of that name left by an ended import is this lock's now.
        QDir(folder).removeRecursively();
        if (dir.mkdir(QFileInfo(folder).fileName())) {
            m_lock = std::move(lock);
            m_path = folder;
        }
    }
}

StagingFolder::~StagingFolder() {
    if (isValid())
        remove();
}

bool StagingFolder::remove() {
    if (!isValid())
        return true;
    const bool removed = QDir(m_path).removeRecursively();
    // A folder left behind has a free lock, so the next import removes it.
    m_lock.reset();
    m_path.clear();
    return removed;
}

void StagingFolder::removeAbandoned(const QString& parent) {
    const QDir dir(parent);
    QStringList names;
    for (QString name : dir.entryList({Prefix + QLatin1Char('*')},
                                      QDir::Dirs | QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot)) {
        if (name.endsWith(LockSuffix))
            name.chop(LockSuffix.size());
        // Qt's own helper files of a lock have further dots.
        if (!name.contains(QLatin1Char('.')) && !names.contains(name))
            names << name;
    }
    for (const QString& name : std::as_const(names)) {
        const auto lock = lockOf(dir.filePath(name));
        if (lock->tryLock(0))
            QDir(dir.filePath(name)).removeRecursively();
    }
}
