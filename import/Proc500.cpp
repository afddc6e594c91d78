#include "Proc500.h"

#include "CsvFile.h"
#include "ExportKind.h"
#include "FileIO.h"
#include "ImportLimits.h"
#include "LineBytes.h"
#include "Messages.h"
#include "NodeCollection.h"
#include "PLCData.h"
#include "Proc5000.h"
#include "SharedVars.h"

#include <QFile>

#include <vector>

using LineBytes::Fields;
using LineBytes::Writer;

namespace Proc500 {

namespace {

const QByteArray NoInfo = QByteArrayLiteral("No Info");

QByteArray step1(ImportFrame& frame, const QByteArray& source) {
    Writer out(source.size());
    int number = 0;
    LineBytes::forEachLine(source, [&](QByteArrayView line) {
        ++number;
        if (ExportKind::isAddressLine(line) && ImportLimits::fits(frame, line, number, {0, ".:/", "Address"}))
            out.raw(line).endLine();
    });
    return std::move(out.bytes());
}

// address TAB label ": " description TAB
QByteArray step3(ImportFrame& frame, const QByteArray& input) {
    Writer out(input.size());
    Fields f;
    QByteArray description;
    int number = 0;
    LineBytes::forEachLine(input, [&](QByteArrayView line) {
        ++number;
        // Missing columns read as empty; the line is still converted.
        if (f.split(line) < 8)
            frame.reportOnce(QStringLiteral("Step_3"), ErrNo::SubscriptOutOfRange, frame.sourceLine(number));
        description.clear();
        for (int i = 2; i <= 7; ++i) {
            description.append(f[i].data(), f[i].size());
            if (i == 2 && !f[2].isEmpty())
                description.append(": ");
            description.append(' ');
        }
        const QByteArrayView trimmed = LineBytes::trimSpaces(description);
        out.field(f[0]).field(trimmed.isEmpty() ? QByteArrayView(NoInfo) : trimmed).endLine();
    });
    return std::move(out.bytes());
}

// description TAB part TAB part ...: the address cut in front of every ".", ":" and "/".
QByteArray step4(const QByteArray& input) {
    Writer out(input.size() + input.size() / 4);
    Fields f;
    LineBytes::forEachLine(input, [&](QByteArrayView line) {
        f.split(line);
        out.field(f[1]);
        QByteArray& bytes = out.bytes();
        for (const char c : f[0]) {
            if (c == '.' || c == ':' || c == '/')
                bytes.append('\t');
            bytes.append(c);
        }
        bytes.append('\t');
        out.endLine();
    });
    return std::move(out.bytes());
}

// Outline: parts shared with the line before become empty fields, up to the first difference.
QByteArray step5(const QByteArray& input) {
    Writer out(input.size());
    Fields f;
    // Views into input, which outlives the loop.
    std::vector<QByteArrayView> previous;
    LineBytes::forEachLine(input, [&](QByteArrayView line) {
        const int n = f.split(line);
        const size_t parts = size_t(n - 1);
        previous.resize(parts);
        out.field(f[0]);
        bool differs = false;
        for (size_t i = 0; i < parts; ++i) {
            const QByteArrayView part = f[int(i) + 1];
            differs = differs || previous[i] != part;
            out.field(differs ? part : QByteArrayView());
            previous[i] = part;
        }
        out.endLine();
    });
    return std::move(out.bytes());
}

void step6(ImportFrame& frame, const QByteArray& input, NodeCollection& tree) {
    const QString prefix = QStringLiteral("Step 6");
    if (Status added =
            tree.addNode(QString(), RootKey, RootKey, QStringLiteral("PLC500"), QStringLiteral("PLC500"));
        !added)
        frame.report(prefix, added.error());
    else
        tree.setTag(tree.count(), RootKey);

    // Per level: counter, and the key, text and index of the current node; level 0 is the root.
    std::vector<int> counter(1, 0);
    std::vector<QString> keyAt(1, RootKey), textAt(1, QString());
    std::vector<int> indexAt(1, tree.indexOf(RootKey));
    const QString zeros = QStringLiteral("000");
    Fields f;
    LineBytes::forEachLine(input, [&](QByteArrayView line) {
        const int n = f.split(line) - 1;
        for (int i = 1; i <= n; ++i) {
            if (f[i].isEmpty())
                continue;
            if (size_t(i) >= counter.size()) {
                counter.resize(size_t(i) + 1, 0);
                keyAt.resize(size_t(i) + 1);
                textAt.resize(size_t(i) + 1);
                indexAt.resize(size_t(i) + 1, 0);
            }
            const size_t k = size_t(i);
            ++counter[k];
            textAt[k] = textAt[k - 1] + QString::fromLatin1(f[i]);
            keyAt[k] = keyAt[k - 1] + QString::number(counter[k]) + QLatin1Char('.');
            indexAt[k] = 0;
            if (Status added =
                    tree.addNode(keyAt[k - 1], keyAt[k], textAt[k], QStringLiteral("C"), QStringLiteral("O"));
                !added) {
                frame.reportOnce(prefix, added.error().number);
                continue;
            }
            indexAt[k] = tree.count();
            tree.setTag(indexAt[k], zeros + textAt[k]);
        }
        // The description belongs to the node of the line's own address: the one just made, or for a line
        // that repeats (or shortens) the address before it, the node already standing for it.
        if (n >= 1 && size_t(n) < indexAt.size() && indexAt[size_t(n)] > 0)
            tree.setTag(indexAt[size_t(n)], zeros + QString::fromLatin1(f[0]));
    });
}

} // namespace

int Get_Import_Type(const QString& path) {
    QFile file(path);
    QByteArray head;
    if (file.open(QIODevice::ReadOnly))
        head = file.read(FileIO::MaxLineLength + 2);
    return ExportKind::isRSLogix5000(head) ? RSLogix5000Export : RSLogix500Export;
}

void Clear_Nodes(NodeCollection& tree) {
    // Removing whole subtrees keeps this linear in the tree size; node by node it is quadratic.
    for (int i = tree.count(); i >= 1; --i)
        if (i <= tree.count() && tree.parent(i) == 0)
            tree.removeNode(i);
}

ImportOutcome Import_RSLogix500(const QString& path, NodeCollection& tree, Progress* progress) {
    Clear_Nodes(tree);
    const QString s1 = QStringLiteral("Step_1.txt"), s2 = QStringLiteral("Step_2.txt"),
                  s3 = QStringLiteral("Step_3.txt"), s4 = QStringLiteral("Step_4.txt"),
                  result = QStringLiteral("Result.txt");
    ImportFrame frame(path, {s1, s2, s3, s4, result}, 6, progress);
    auto staged = [&frame](const QString& name) { return frame.staged(name); };

    frame.runStep(1, QStringLiteral("Loading File Step 1 of "), [&] {
        const QByteArray source = frame.read(QStringLiteral("Step 1"), path);
        frame.write(QStringLiteral("Step 1"), staged(s1), step1(frame, source));
    });
    frame.runStep(2, QStringLiteral("Loading File Step 2 of "), [&] {
        const QString name = QStringLiteral("Convert_CSV_to_TXT");
        frame.write(name, staged(s2), Csv::toFieldLines(frame.read(name, staged(s1))));
    });
    frame.runStep(3, QStringLiteral("Loading File Step 3 of "), [&] {
        const QString name = QStringLiteral("Step_3");
        frame.write(name, staged(s3), step3(frame, frame.read(name, staged(s2))));
    });
    frame.runStep(4, QStringLiteral("Loading File Stage 4 of "), [&] {
        const QString name = QStringLiteral("Step 4");
        frame.write(name, staged(s4), step4(frame.read(name, staged(s3))));
    });
    frame.runStep(5, QStringLiteral("Loading File Stage 5 of "), [&] {
        const QString name = QStringLiteral("Step 5");
        frame.write(name, staged(result), step5(frame.read(name, staged(s4))));
    });
    frame.runStep(6, QStringLiteral("Loading File Stage 6 of "),
                  [&] { step6(frame, frame.read(QStringLiteral("Step 6"), staged(result)), tree); });
    ImportOutcome outcome = frame.finish();

    const QString fileName = FileIO::Get_File_Name(path);
    PLCRecord = {fileName, PLCTypes::RSLogix500, PLCTypes::NoTopic, fileName,
                 QStringLiteral("0\tController_Tags\t")};
    return outcome;
}

ImportOutcome Import_Listing(const QString& path, NodeCollection& tree, Progress* progress) {
    QFile file(path);
    // An unreadable file goes on to the pipeline, which says why it cannot be read.
    const ExportKind::Kind kind =
        file.open(QIODevice::ReadOnly) ? ExportKind::of(file.readAll()) : ExportKind::RSLogix500;
    file.close();
    if (kind == ExportKind::Unknown) {
        ImportOutcome refused{{ExportKind::refusal(path)}, false, true};
        Messages::show(refused.messages.front());
        return refused;
    }
    return kind == ExportKind::RSLogix5000 ? Proc5000::Import_RSLogix5000(path, tree, progress)
                                           : Import_RSLogix500(path, tree, progress);
}

} // namespace Proc500
