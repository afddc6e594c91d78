#pragma once

#include <QLockFile>
#include <QString>

#include <memory>

// The folder "Import-XXXXXX" an import stages its files in, inside the structure folder, held by a lock file
// "Import-XXXXXX.lock" beside it for as long as the import runs. Before making its own, it removes the
// folders of imports that are no longer running: their lock is free once their process has ended, however
// it ended. The lock, not the age, tells them apart, because a large import may run for minutes.
class StagingFolder {
public:
    explicit StagingFolder(const QString& parent);
    ~StagingFolder();
    StagingFolder(const StagingFolder&) = delete;
    StagingFolder& operator=(const StagingFolder&) = delete;

    bool isValid() const { return !m_path.isEmpty(); }
    QString path() const { return m_path; }
    QString filePath(const QString& name) const { return m_path + QLatin1Char('/') + name; }

    // Removes the folder, then frees its lock (the object is no longer valid); false when the folder could
    // not be removed.
    bool remove();

    // Removes the folders (and locks) of ended imports in parent.
    static void removeAbandoned(const QString& parent);

private:
    std::unique_ptr<QLockFile> m_lock;
    QString m_path;
};
