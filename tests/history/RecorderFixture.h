#pragma once

#include "HistoryStore.h"
#include "LinkClient.h"
#include "LinkTestServer.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// A real CommServer of the test's own, simulating the given rules, and a folder for the database.
class RecorderFixture : public ::testing::Test {
protected:
    void TearDown() override
    {
        if (LinkClient* client = LinkClient::existing())
            client->disconnectFromServer();
        qunsetenv("HMI_LINK_SOCKET");
    }
    // Rules lines: topic, item, rule, period, min, max.
    void startServer(const QStringList& rules)
    {
        QFile file(dir.filePath(QStringLiteral("SimRules.txt")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        for (const QString& rule : rules)
            file.write(rule.toLatin1() + "\r\n");
        file.close();
        server.setArgs({QStringLiteral("--rules"), file.fileName()});
        qputenv("HMI_LINK_SOCKET", server.socket().toLocal8Bit());
        ASSERT_TRUE(server.start());
    }
    // Every stored sample of every series.
    static std::size_t countSamples(history::HistoryStore& store)
    {
        std::size_t n = 0;
        const auto keys = store.series();
        if (!keys)
            return 0;
        for (const history::SeriesKey& key : *keys)
            n += store.samples(key, INT64_MIN, INT64_MAX).size();
        return n;
    }

    QTemporaryDir dir;
    LinkTestServer server;
};
