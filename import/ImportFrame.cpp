#include "ImportFrame.h"

#include "Messages.h"
#include "Progress.h"
#include "SharedVars.h"
#include "TextFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace {
const QString FramePrefix = QStringLiteral("Step 1");
}

ImportFrame::ImportFrame(QStringList stagedNames, int stepCount, Progress* progress)
    : m_staged(std::move(stagedNames)), m_stepCount(stepCount), m_progress(progress) {
    // Leftovers of an interrupted run must not be read as this run's input.
    removeStaged();
    if (m_progress)
        m_progress->percent(0);
}

ImportFrame::~ImportFrame() {
    if (!m_finished)
        removeStaged();
}

QString ImportFrame::staged(const QString& name) {
    return SharedVars::TStructFolder + name;
}

void ImportFrame::processEvents() {
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
}

void ImportFrame::runStep(int step, const QString& caption, const std::function<void()>& body) {
    if (m_progress)
        m_progress->caption(caption + QString::number(m_stepCount));
    processEvents();
    body();
    if (m_progress)
        m_progress->percent(step * 100 / m_stepCount);
    processEvents();
}

bool ImportFrame::isStaged(const QString& path) const {
    return std::any_of(m_staged.begin(), m_staged.end(),
                       [&](const QString& name) { return staged(name) == path; });
}

void ImportFrame::ioFailure(const QString& prefix, const QString& path, const RunError& error) {
    // After a first failure the staged files of later steps are missing or unwritable as a consequence.
    if (!(m_outcome.failed && isStaged(path)))
        report(prefix, error);
    m_outcome.failed = true;
}

QByteArray ImportFrame::read(const QString& prefix, const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ioFailure(prefix, path, TextFile::openError(path));
        return {};
    }
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        ioFailure(prefix, path, RunError::of(ErrNo::PathFileAccess));
    return bytes;
}

void ImportFrame::write(const QString& prefix, const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        ioFailure(
            prefix, path,
            RunError::of(QFileInfo(path).dir().exists() ? ErrNo::PermissionDenied : ErrNo::PathNotFound));
        return;
    }
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        ioFailure(prefix, path, RunError::of(ErrNo::PathFileAccess));
        // Half a staged file would be read as if it were whole.
        file.close();
        file.remove();
    }
}

void ImportFrame::report(const QString& prefix, const RunError& error) {
    const QString text = prefix + QStringLiteral(": ") + error.fileText();
    m_outcome.messages << text;
    Messages::show(text);
}

void ImportFrame::reportOnce(const QString& prefix, int number) {
    const QString key = prefix + QLatin1Char('#') + QString::number(number);
    if (m_reportedOnce.contains(key))
        return;
    m_reportedOnce.insert(key);
    report(prefix, RunError::of(number));
}

ImportOutcome ImportFrame::finish() {
    m_finished = true;
    removeStaged();
    processEvents();
    return m_outcome;
}

void ImportFrame::removeStaged() {
    for (const QString& name : m_staged) {
        const QString path = staged(name);
        if (QFileInfo::exists(path) && !QFile::remove(path))
            report(FramePrefix, RunError::of(ErrNo::PermissionDenied));
    }
}
