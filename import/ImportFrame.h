#pragma once

#include "RunError.h"
#include "StagingFolder.h"

#include <QByteArray>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

class Progress;

// What an import reported: every message shown, and whether a file could not be read or written (the tree
// then holds only what could be read).
struct ImportOutcome {
    QStringList messages;
    bool failed = false;
    // The file is not a tag export; nothing was imported.
    bool refused = false;

    bool clean() const { return messages.isEmpty(); }
};

// The frame both pipelines share: staged files in a folder of this import's own inside the structure folder,
// captions and progress, messages with their step prefixes, and the clean-up of every staged file.
class ImportFrame {
public:
    // source is the export being imported; messages about one of its lines name it.
    ImportFrame(const QString& source, QStringList stagedNames, int stepCount, Progress* progress);
    // Staged files never outlive the import, whatever happened in it.
    ~ImportFrame();
    ImportFrame(const ImportFrame&) = delete;
    ImportFrame& operator=(const ImportFrame&) = delete;

    // Another import running at the same time (a second converter, the designer) stages in a folder of its
    // own, so neither reads the other's files.
    QString staged(const QString& name) const;

    // Shows the caption with the step count, runs the step, then advances the bar.
    void runStep(int step, const QString& caption, const std::function<void()>& body);

    // Reads a whole file; a failure reads as empty. Once a file could not be read or written, failures on
    // later staged files are its consequences and give no further message, so one fault gives one message.
    QByteArray read(const QString& prefix, const QString& path);
    void write(const QString& prefix, const QString& path, const QByteArray& bytes);

    // Shows "prefix: description # number (export)": a problem of the export's data.
    void report(const QString& prefix, const RunError& error);
    // Reports a data problem at most once per prefix and error in one import; with a line of the export
    // (1-based), as in "Step 1: Overflow # 6 (Line1.csv, line 4)".
    void reportOnce(const QString& prefix, const RunError& error, int sourceLine = 0);
    void reportOnce(const QString& prefix, int number, int sourceLine = 0) {
        reportOnce(prefix, RunError::of(number), sourceLine);
    }

    // Step 1 notes each export line (1-based) it stages; the steps whose lines follow those one for one
    // find the export line of their staged line (1-based) here, 0 when there is none.
    void keepLine(int sourceLine);
    int sourceLine(int stagedLine) const;

    // Removes the staged files and returns what the import reported.
    ImportOutcome finish();

    static void processEvents();

private:
    // Shows "prefix: description # number (about)".
    void reportAbout(const QString& prefix, const RunError& error, const QString& about);
    void removeStaged();
    bool isStaged(const QString& path) const;
    void ioFailure(const QString& prefix, const QString& path, const RunError& error);

    QString m_sourceName;
    StagingFolder m_folder;
    QStringList m_staged;
    int m_stepCount;
    Progress* m_progress;
    ImportOutcome m_outcome;
    QSet<QString> m_reportedOnce;
    std::vector<int> m_kept;
    bool m_finished = false;
};
