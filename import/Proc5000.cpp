#include "Proc5000.h"

#include "CsvFile.h"
#include "FileIO.h"
#include "ImportLimits.h"
#include "LineBytes.h"
#include "NodeCollection.h"
#include "PLCData.h"
#include "Proc500.h"

#include <QHash>

#include <vector>

using LineBytes::Fields;
using LineBytes::Writer;

namespace Proc5000 {

QStringList ScopeNames;

namespace {

const QByteArray NoInfo = QByteArrayLiteral("No Info");

QByteArray step1(ImportFrame& frame, const QByteArray& source) {
    // The specifier is the sixth column.
    const ImportLimits::PathField specifier{5, ".[", "Member path"};
    Writer out(source.size());
    int number = 0;
    LineBytes::forEachLine(source, [&](QByteArrayView line) {
        ++number;
        if ((line.startsWith("TAG") || line.startsWith("COM")) &&
            ImportLimits::fits(frame, line, number, specifier))
            out.raw(line).endLine();
    });
    return std::move(out.bytes());
}

// "$N", "$T" and "$Q" become a space, then runs of spaces one space.
QByteArray step2(const QByteArray& input) {
    QByteArray out;
    out.reserve(input.size());
    const char* p = input.constData();
    const char* const end = p + input.size();
    for (; p < end; ++p) {
        char c = *p;
        if (c == '$' && p + 1 < end && (p[1] == 'N' || p[1] == 'T' || p[1] == 'Q')) {
            c = ' ';
            ++p;
        }
        if (c == ' ' && !out.isEmpty() && out.back() == ' ')
            continue;
        out.append(c);
    }
    return out;
}

// T scope name datatype description, or C scope name specifier description; an empty scope is the
// controller's. Missing columns read as empty and are reported once.
QByteArray step4(ImportFrame& frame, const QByteArray& input) {
    Writer out(input.size());
    Fields f;
    const QByteArray controller = ControllerScope.toLatin1();
    int number = 0;
    LineBytes::forEachLine(input, [&](QByteArrayView line) {
        const int n = f.split(line);
        ++number;
        const QByteArrayView scope = f[1].isEmpty() ? QByteArrayView(controller) : f[1];
        const bool tag = f[0] == "TAG";
        if (!tag && f[0] != "COMMENT")
            return;
        if (n < (tag ? 5 : 6))
            frame.reportOnce(QStringLiteral("Step_4"), ErrNo::SubscriptOutOfRange, frame.sourceLine(number));
        out.field(tag ? "T" : "C").field(scope).field(f[2]).field(tag ? f[4] : f[5]).field(f[3]).endLine();
    });
    return std::move(out.bytes());
}

// A node tag holds its scope index in three digits, so there can be no more than 1000 scopes; the tags of
// later scopes find no index and are left out in step 10.
constexpr int MaxScopes = 1000;

void step5(ImportFrame& frame, const QByteArray& input) {
    QStringList names;
    QSet<QByteArray> seen;
    Fields f;
    const RunError tooMany = RunError::of(
        ErrNo::Overflow, QStringLiteral("More than %1 scopes, the later ones left out").arg(MaxScopes));
    LineBytes::forEachLine(input, [&](QByteArrayView line) {
        f.split(line);
        if (f[1].isEmpty() || seen.contains(f[1].toByteArray()))
            return;
        if (names.size() == MaxScopes) {
            frame.reportOnce(QStringLiteral("Step 5"), tooMany);
            return;
        }
        seen.insert(f[1].toByteArray());
        names << QString::fromLatin1(f[1]);
    });
    ScopeNames = names;
}

QByteArray step6(const QByteArray& input) {
    QHash<QByteArray, int> indexOf;
    for (int i = 0; i < ScopeNames.size(); ++i)
        indexOf.insert(ScopeNames[i].toLatin1(), i);
    Writer out(input.size());
    Fields f;
    LineBytes::forEachLine(input, [&](QByteArrayView line) {
        const int n = f.split(line);
        for (int i = 0; i < n; ++i) {
            const auto found = i == 1 ? indexOf.constFind(f[1].toByteArray()) : indexOf.constEnd();
            if (found != indexOf.constEnd())
                out.field(found.value());
            else
                out.field(f[i]);
        }
        out.endLine();
    });
    return std::move(out.bytes());
}

// Tag lines: scope datatype name; comment lines: scope description name specifier.
QByteArray step7(const QByteArray& input) {
    Writer out(input.size());
    Fields f;
    LineBytes::forEachLine(input, [&](QByteArrayView line) {
        f.split(line);
        if (f[0] == "T")
            out.field(f[1]).field(f[3]).field(f[2]);
        else
            out.field(f[1]).field(f[4]).field(f[2]).field(f[3]);
        out.endLine();
    });
    return std::move(out.bytes());
}

// Comment lines: scope description (empty name) member parts. A comment only counts for the tag line
// straight before it, and its specifier must be that tag's name followed by a member; anything else would
// hang a node under the wrong tag, so it is left out and reported once.
QByteArray step8(ImportFrame& frame, const QByteArray& input) {
    Writer out(input.size() + input.size() / 4);
    Fields f;
    const QString prefix = QStringLiteral("Step 8");
    QByteArray tagScope, tagName;
    bool haveTag = false;
    LineBytes::forEachLine(input, [&](QByteArrayView line) {
        if (f.split(line) == 3) {
            out.field(f[0]).field(f[1]).field(f[2]).endLine();
            tagScope = f[0].toByteArray();
            tagName = f[2].toByteArray();
            // A tag without a name gets no node, so nothing can hang under it.
            haveTag = !tagName.isEmpty();
            return;
        }
        const QByteArrayView name = f[2], specifier = f[3];
        if (!haveTag || f[0] != tagScope || name != tagName) {
            frame.reportOnce(prefix, ErrNo::ElementNotFound);
            return;
        }
        if (!specifier.startsWith(name)) {
            frame.reportOnce(prefix, ErrNo::InvalidCall);
            return;
        }
        const QByteArrayView member = specifier.sliced(name.size());
        // A comment on the tag itself makes no node.
        if (member.isEmpty())
            return;
        if (member[0] != '.' && member[0] != '[') {
            frame.reportOnce(prefix, ErrNo::InvalidCall);
            return;
        }
        const QByteArrayView description =
            LineBytes::trimSpaces(f[1]).isEmpty() ? QByteArrayView(NoInfo) : f[1];
        out.field(f[0]).field(description).field(QByteArrayView());
        QByteArray& bytes = out.bytes();
        for (qsizetype i = 0; i < member.size(); ++i) {
            if (i > 0 && (member[i] == '.' || member[i] == '['))
                bytes.append('\t');
            bytes.append(member[i]);
        }
        bytes.append('\t');
        out.endLine();
    });
    return std::move(out.bytes());
}

// Outline per tag: a member part shared with the comment before is written empty, up to the first difference.
QByteArray step9(const QByteArray& input) {
    Writer out(input.size());
    Fields f;
    std::vector<QByteArrayView> previous; // views into input
    LineBytes::forEachLine(input, [&](QByteArrayView line) {
        const int n = f.split(line);
        if (n == 3) {
            previous.clear();
            out.field(f[0]).field(f[1]).field(f[2]).endLine();
            return;
        }
        out.field(f[0]).field(f[1]).field(f[2]);
        bool differs = false;
        const size_t parts = size_t(std::max(n - 3, 0));
        for (size_t i = 0; i < parts; ++i) {
            const QByteArrayView part = f[int(i) + 3];
            differs = differs || i >= previous.size() || previous[i] != part;
            out.field(differs ? part : QByteArrayView());
        }
        previous.assign(parts, QByteArrayView());
        for (size_t i = 0; i < parts; ++i)
            previous[i] = f[int(i) + 3];
        out.endLine();
    });
    return std::move(out.bytes());
}

QString scopeTag(int scope, const QString& detail) {
    return QStringLiteral("%1").arg(scope, 3, 10, QLatin1Char('0')) + detail;
}

void step10(ImportFrame& frame, const QByteArray& input, NodeCollection& tree) {
    const QString prefix = QStringLiteral("Step 10");
    for (int i = 0; i < ScopeNames.size(); ++i) {
        const QString& name = ScopeNames[i];
        const QString image = name == ControllerScope ? QStringLiteral("PLC5000") : QStringLiteral("SPT");
        if (Status added = tree.addNode(QString(), name, name, image, image); !added) {
            frame.report(prefix, added.error());
            continue;
        }
        tree.setTag(tree.count(), scopeTag(i, name));
        tree.ensureVisible(tree.count());
    }

    // Per level (0 = tag, 1.. = members): counter, and key, text and index of the current node.
    std::vector<int> counter(1, 0);
    std::vector<QString> keyAt(1), textAt(1);
    std::vector<int> indexAt(1, 0);
    const QString colon = QStringLiteral(":"), image = QStringLiteral("C"),
                  selectedImage = QStringLiteral("O");
    Fields f;
    LineBytes::forEachLine(input, [&](QByteArrayView line) {
        const int n = f.split(line) - 1;
        bool scopeOk = false;
        const int scope = QByteArray::fromRawData(f[0].data(), f[0].size()).toInt(&scopeOk);
        if (!scopeOk || scope < 0 || scope >= ScopeNames.size()) {
            frame.reportOnce(prefix, ErrNo::SubscriptOutOfRange);
            return;
        }
        if (!f[2].isEmpty()) {
            ++counter[0];
            keyAt[0] = colon + QString::number(counter[0]) + QLatin1Char('.');
            textAt[0] = QString::fromLatin1(f[2]);
            indexAt.assign(indexAt.size(), 0);
            if (Status added = tree.addNode(ScopeNames[scope], keyAt[0], textAt[0], image, selectedImage);
                !added) {
                frame.reportOnce(prefix, added.error().number);
                return;
            }
            indexAt[0] = tree.count();
            tree.setTag(indexAt[0], scopeTag(scope, QString::fromLatin1(f[1])));
            return;
        }
        const QString tag = scopeTag(scope, QString::fromLatin1(f[1]));
        for (int i = 3; i <= n; ++i) {
            if (f[i].isEmpty())
                continue;
            const size_t k = size_t(i - 2);
            if (k >= counter.size()) {
                counter.resize(k + 1, 0);
                keyAt.resize(k + 1);
                textAt.resize(k + 1);
                indexAt.resize(k + 1, 0);
            }
            ++counter[k];
            indexAt[k] = 0;
            if (indexAt[k - 1] == 0) // its parent could not be made
                continue;
            textAt[k] = textAt[k - 1] + QString::fromLatin1(f[i]);
            keyAt[k] = keyAt[k - 1] + QString::number(counter[k]) + QLatin1Char('.');
            if (Status added = tree.addNode(keyAt[k - 1], keyAt[k], textAt[k], image, selectedImage);
                !added) {
                frame.reportOnce(prefix, added.error().number);
                continue;
            }
            indexAt[k] = tree.count();
            tree.setTag(indexAt[k], tag);
        }
        // A comment that repeats a member already made (or names a shorter path) describes that member.
        const size_t deepest = size_t(std::max(n - 2, 0));
        if (deepest >= 1 && deepest < indexAt.size() && indexAt[deepest] > 0 && f[n].isEmpty())
            tree.setTag(indexAt[deepest], tag);
    });
}

} // namespace

ImportOutcome Import_RSLogix5000(const QString& path, NodeCollection& tree, Progress* progress) {
    Proc500::Clear_Nodes(tree);
    ScopeNames.clear();
    auto name = [](int k) { return QStringLiteral("Step_%1.txt").arg(k); };
    const QString result = QStringLiteral("Result.txt");
    ImportFrame frame(path, {name(1), name(2), name(3), name(4), name(6), name(7), name(8), result}, 10,
                      progress);
    auto staged = [&frame](const QString& name) { return frame.staged(name); };
    auto stepName = [](int k) { return QStringLiteral("Step %1").arg(k); };

    frame.runStep(1, QStringLiteral("Loading File Step 1 of "), [&] {
        frame.write(stepName(1), staged(name(1)), step1(frame, frame.read(stepName(1), path)));
    });
    frame.runStep(2, QStringLiteral("Loading File Step 2 of "), [&] {
        frame.write(stepName(2), staged(name(2)), step2(frame.read(stepName(2), staged(name(1)))));
    });
    frame.runStep(3, QStringLiteral("Loading File Step 3 of "), [&] {
        const QString convert = QStringLiteral("Convert_CSV_to_TXT");
        frame.write(convert, staged(name(3)), Csv::toFieldLines(frame.read(convert, staged(name(2)))));
    });
    frame.runStep(4, QStringLiteral("Loading File Step 4 of "), [&] {
        const QString step = QStringLiteral("Step_4");
        frame.write(step, staged(name(4)), step4(frame, frame.read(step, staged(name(3)))));
    });
    frame.runStep(5, QStringLiteral("Loading File Step 5 of "),
                  [&] { step5(frame, frame.read(stepName(5), staged(name(4)))); });
    frame.runStep(6, QStringLiteral("Loading File Stage 6 of "), [&] {
        frame.write(stepName(6), staged(name(6)), step6(frame.read(stepName(6), staged(name(4)))));
    });
    frame.runStep(7, QStringLiteral("Loading File Stage 7 of "), [&] {
        frame.write(stepName(7), staged(name(7)), step7(frame.read(stepName(7), staged(name(6)))));
    });
    frame.runStep(8, QStringLiteral("Loading File Stage 8 of "), [&] {
        frame.write(stepName(8), staged(name(8)), step8(frame, frame.read(stepName(8), staged(name(7)))));
    });
    frame.runStep(9, QStringLiteral("Loading File Stage 9 of "), [&] {
        frame.write(stepName(9), staged(result), step9(frame.read(stepName(9), staged(name(8)))));
    });
    frame.runStep(10, QStringLiteral("Loading File Stage 10 of "),
                  [&] { step10(frame, frame.read(stepName(10), staged(result)), tree); });
    ImportOutcome outcome = frame.finish();

    const QString fileName = FileIO::Get_File_Name(path);
    QString scopes = QString::number(ScopeUpper()) + QLatin1Char('\t');
    for (const QString& scope : std::as_const(ScopeNames))
        scopes += scope + QLatin1Char('\t');
    PLCRecord = {fileName, PLCTypes::RSLogix5000, PLCTypes::NoTopic, fileName, scopes};
    return outcome;
}

} // namespace Proc5000
