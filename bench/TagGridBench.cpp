// Times the tag explorer's heavy paths on 100,000 tags: Fill_Tag_Grid of a node with 100,000 children,
// beside a plain walk that reads the same texts and tags into row lists; and emptying a 300,000-node tree
// widget, beside building it.

#include "CntrlTree.h"
#include "KeyedTree.h"
#include "MarkGrid.h"
#include "PLCTagHandler.h"
#include "TagGrid.h"

#include <QApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <vector>

namespace {

constexpr int Tags = 100000;

void fill(NodeCollection& tree, int tags) {
    (void)tree.addNode(QString(), "Controller_Tags", "Controller_Tags", "PLC5000", QString());
    tree.setTag(1, "Controller_Tags");
    for (int t = 0; t < tags; ++t) {
        (void)tree.addNode("Controller_Tags", ":" + QString::number(t) + ".",
                           "Tank_Level_" + QString::number(t).rightJustified(6, '0'), "c", "o");
        tree.setTag(tree.last(), "000Level of tank " + QString::number(t) + " in percent");
    }
}

qint64 baselineRows(const NodeCollection& tree) {
    QElapsedTimer timer;
    timer.start();
    std::vector<QStringList> rows;
    rows.reserve(size_t(tree.count()));
    for (int i = 2; i <= tree.count(); ++i)
        if (tree.parent(i) == 1)
            rows.push_back({" ", QString::number(i - 2), tree.text(i), tree.tag(i).mid(3), QString()});
    return rows.size() == size_t(Tags) ? timer.elapsed() : -1;
}

void printRow(const char* what, qint64 ms, qint64 base) {
    const double ratio = base > 0 ? double(ms) / double(base) : 0;
    std::printf("%-52s %8lld %8lld %7.2f\n", what, static_cast<long long>(ms), static_cast<long long>(base),
                ratio);
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    std::printf("%-52s %8s %8s %7s\n", "case", "ms", "base ms", "ratio");

    KeyedTree tree;
    fill(tree, Tags);
    PLCTagHandler::LoadedScopeUpper = 0;
    tree.select(1);
    MarkGrid grid;
    grid.resize(900, 600);
    const qint64 base = baselineRows(tree);
    QElapsedTimer timer;
    timer.start();
    PLCTagHandler::Fill_Tag_Grid(tree, &grid);
    QCoreApplication::processEvents();
    const qint64 fillMs = grid.rowCount() == Tags + 1 ? timer.elapsed() : -1;
    printRow("Fill_Tag_Grid, 100,000 children (base: rows only)", fillMs, base);

    KeyedTree big;
    timer.restart();
    fill(big, 3 * Tags);
    const qint64 buildMs = timer.elapsed();
    timer.restart();
    CntrlTree::Clear_Tree(big);
    const qint64 clearMs = big.count() == 0 ? timer.elapsed() : -1;
    printRow("Clear_Tree, 300,000-node tree widget (base: build)", clearMs, buildMs);

    const bool slow = fillMs < 0 || clearMs < 0 || fillMs > 10 * std::max<qint64>(base, 1);
    std::printf("\n%s\n", slow ? "Fill_Tag_Grid is over 10 times its baseline or a case failed."
                               : "Every case is within 10 times its baseline.");
    return slow ? 1 : 0;
}
