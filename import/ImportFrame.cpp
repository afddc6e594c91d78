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

ImportFrame::ImportFrame(const QString& source, QStringList stagedNames, int stepCount, Progress* progress)
    : m_sourceName(QFileInfo(source).fileName()), m_folder(SharedVars::TStructFolder),
      m_staged(std::move(stagedNames)), m_stepCount(stepCount), m_progress(progress) {
    // Without a folder every staged file fails; this one message stands for all of them.
    if (!m_folder.isValid())
        ioFailure(FramePrefix, QString(),
                  RunError::of(QFileInfo(SharedVars::TStructFolder).isDir() ? ErrNo::PermissionDenied
                                                                            : ErrNo::PathNotFound));
    if (m_progress)
        m_progress->percent(0);
}

ImportFrame::~ImportFrame() {
    if (!m_finished)
        removeStaged();
}

QString ImportFrame::staged(const QString& name) const {
    return m_folder.isValid() ? m_folder.filePath(name) : QString();
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
    const bool staged = isStaged(path);
    if (!(m_outcome.failed && staged))
        reportAbout(prefix, error,
                    path.isEmpty() ? QDir::toNativeSeparators(SharedVars::TStructFolder)
                    : staged       ? QFileInfo(path).fileName()
                                   : QDir::toNativeSeparators(path));
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
    // Written whole or not at all: half a staged file would be read as if it were whole.
    if (const Status written = TextFile::writeBytes(path, bytes); !written)
        ioFailure(prefix, path, written.error());
}

void ImportFrame::report(const QString& prefix, const RunError& error) {
    reportAbout(prefix, error, m_sourceName);
}

void ImportFrame::reportOnce(const QString& prefix, const RunError& error, int sourceLine) {
    const QString key = prefix + QStringLiteral(": ") + error.fileText();
    if (m_reportedOnce.contains(key))
        return;
    m_reportedOnce.insert(key);
    reportAbout(prefix, error,
                sourceLine > 0 ? QStringLiteral("%1, line %2").arg(m_sourceName).arg(sourceLine)
                               : m_sourceName);
}

void ImportFrame::reportAbout(const QString& prefix, const RunError& error, const QString& about) {
    const QString text =
        prefix + QStringLiteral(": ") + error.fileText() + QStringLiteral(" (") + about + QLatin1Char(')');
    m_outcome.messages << text;
    Messages::show(text);
}

void ImportFrame::keepLine(int sourceLine) {
    m_kept.push_back(sourceLine);
}

int ImportFrame::sourceLine(int stagedLine) const {
    return stagedLine >= 1 && size_t(stagedLine) <= m_kept.size() ? m_kept[size_t(stagedLine - 1)] : 0;
}

ImportOutcome ImportFrame::finish() {
    m_finished = true;
    removeStaged();
    processEvents();
    return m_outcome;
}

void ImportFrame::removeStaged() {
    const QString folder = m_folder.path();
    if (!m_folder.remove())
        reportAbout(FramePrefix, RunError::of(ErrNo::PermissionDenied), QDir::toNativeSeparators(folder));
}
