#include "PLCTagHandler.h"

#include "ImportFrame.h"
#include "LineBytes.h"
#include "Messages.h"
#include "NodeCollection.h"
#include "Proc500.h"
#include "Progress.h"
#include "TextFile.h"

#include <QDir>
#include <QFile>

#include <limits>
#include <vector>

namespace PLCTagHandler {

QStringList LoadedScopes;
qint16 LoadedScopeUpper = -1;
qint16 SelectedScope = 0;

namespace {

const QString LoadName = QStringLiteral("Load_Tags");

// The four fields cut at the first four TABs; a field whose TAB is missing is empty, and so are the later
// ones.
struct NodeLine {
    QByteArrayView parent, key, text, tag;
};

NodeLine cutNodeLine(QByteArrayView line) {
    QByteArrayView fields[4];
    qsizetype start = 0;
    for (auto& field : fields) {
        const qsizetype tab = line.indexOf('\t', start);
        if (tab < 0)
            break;
        field = line.sliced(start, tab - start);
        start = tab + 1;
    }
    return {fields[0], fields[1], fields[2], fields[3]};
}

void setScopes(const QString& scopeLine) {
    const QStringList fields = scopeLine.split(QLatin1Char('\t'));
    bool ok = false;
    const int upper = fields.value(0).trimmed().toInt(&ok);
    // A damaged count must not make a huge or negative list.
    LoadedScopeUpper =
        ok && upper >= -1 ? qint16(std::min(upper, int(std::numeric_limits<qint16>::max()))) : -1;
    LoadedScopes.clear();
    for (int i = 0; i <= LoadedScopeUpper; ++i)
        LoadedScopes << fields.value(i + 1);
}

Status loadFailure(const QString& path, const RunError& error) {
    Messages::show(LoadName + QStringLiteral(": ") + error.fileText() + QStringLiteral(" (") +
                   QDir::toNativeSeparators(path) + QLatin1Char(')'));
    return error;
}

} // namespace

Status Load_Tags(const QString& path, NodeCollection& tree, Progress* progress) {
    if (progress) {
        progress->caption(QStringLiteral("Loading Tags..."));
        progress->percent(0);
    }
    ImportFrame::processEvents();

    // Whatever was loaded before goes first: a failed load must not leave it shown under another name.
    Proc500::Clear_Nodes(tree);
    LoadedPLC = {};
    setScopes(QString());
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return loadFailure(path, TextFile::openError(path));
    const QByteArray bytes = file.readAll();
    file.close();

    std::vector<QByteArrayView> lines;
    lines.reserve(size_t(bytes.size() / 40 + 8));
    LineBytes::forEachLine(bytes, [&](QByteArrayView line) { lines.push_back(line); });
    const qsizetype total = qsizetype(lines.size());
    if (total < 5)
        return loadFailure(path, RunError::of(ErrNo::InputPastEnd));

    QString header[5];
    for (int i = 0; i < 5; ++i)
        header[i] = QString::fromLatin1(lines[size_t(i)]);
    LoadedPLC = {header[0], header[1], header[2], header[3], header[4]};
    setScopes(header[4]);

    int skipped = 0;
    const QString root = QStringLiteral("PLC5000"), image = QStringLiteral("c"),
                  selected = QStringLiteral("o");
    for (qsizetype i = 5; i < total; ++i) {
        const QByteArrayView line = lines[size_t(i)];
        const NodeLine node = cutNodeLine(line);
        const QString key = QString::fromLatin1(node.key);
        Status added;
        if (key.isEmpty())
            added = Status::fail(ErrNo::InvalidCall);
        else if (node.parent.isEmpty()) {
            added = tree.addNode(QString(), key, key, root, QString());
            if (added) {
                tree.setTag(tree.count(), key);
                tree.ensureVisible(tree.count());
            }
        } else {
            added = tree.addNode(QString::fromLatin1(node.parent), key, QString::fromLatin1(node.text), image,
                                 selected);
            if (added)
                tree.setTag(tree.count(), QString::fromLatin1(node.tag));
        }
        // A blank line (such as one left at the end by an editor) is no damage.
        if (!added && !line.isEmpty())
            ++skipped;
        const qsizetype loaded = i - 4;
        if (loaded % ProgressEvery == 0) {
            if (progress)
                progress->percent(int(loaded * 100 / total));
            ImportFrame::processEvents();
        }
    }
    if (progress)
        progress->percent(100);
    ImportFrame::processEvents();

    if (skipped > 0)
        Messages::show(LoadName + QStringLiteral(": %1 damaged node lines of %2 were skipped.")
                                      .arg(skipped)
                                      .arg(QDir::toNativeSeparators(path)));
    return {};
}

} // namespace PLCTagHandler
