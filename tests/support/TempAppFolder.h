#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A temporary application folder with the data folders the programs expect; sets the shared paths to it.
class TempAppFolder {
public:
    enum class Folders { All, None };
    explicit TempAppFolder(Folders folders = Folders::All);

    QString path() const { return m_dir.path() + QLatin1Char('/'); }
    QString data(const QString& name) const { return path() + QStringLiteral("Struct/DDEData/") + name; }
    QString tstruct(const QString& name) const { return path() + QStringLiteral("Struct/TStruct/") + name; }

    static void write(const QString& file, const QByteArray& bytes);
    static QByteArray read(const QString& file);
    static bool exists(const QString& file);

private:
    QTemporaryDir m_dir;
};

// Limits the size of files this process may write, so a write fails even for root; restored on destruction.
class FileSizeLimit {
public:
    explicit FileSizeLimit(long bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    unsigned long long m_previous;
    void (*m_previousHandler)(int);
};
