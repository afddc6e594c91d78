#include "CheckedWriter.h"
#include "TempAppFolder.h"

#include <QDir>

#include <gtest/gtest.h>

#include <iostream>

// Every step of a save fails in turn, once and from then on: a save that reports success holds the new bytes,
// one that fails before the rename keeps the old ones, and no half-written file is ever left beside it.
TEST(CheckedWriter, EveryFailingStepIsReportedAndLeavesNoTornFile) {
    TempAppFolder app;
    const QString file = app.path() + "list.txt";
    const QByteArray oldBytes = "old\r\n";
    const QByteArray newBytes = QByteArray(40000, 'n');
    CheckedWriter::Faults::clear();
    ASSERT_TRUE(CheckedWriter::replace(file, oldBytes).ok());
    const int steps = CheckedWriter::Faults::calls();
    ASSERT_GE(steps, 4); // write, sync, close, rename and, where there is one, the folder's sync

    int injected = 0;
    for (const bool fromThenOn : {false, true})
        for (int nth = 1; nth <= steps; ++nth) {
            TempAppFolder::write(file, oldBytes);
            CheckedWriter::Faults::failFrom(nth, fromThenOn);
            const Status saved = CheckedWriter::replace(file, newBytes);
            injected += CheckedWriter::Faults::failed();
            CheckedWriter::Faults::clear();
            EXPECT_FALSE(saved.ok()) << nth;
            const QByteArray now = TempAppFolder::read(file);
            EXPECT_TRUE(now == oldBytes || now == newBytes) << nth;
            EXPECT_EQ(QDir(app.path()).entryList(QDir::Files), QStringList{"list.txt"}) << nth;
        }
    std::cout << "writer: " << steps << " calls per save, " << injected << " injected failures\n";
}
