#pragma once

#include "LinkBox.h"
#include "LinkClient.h"
#include "LinkTestServer.h"

#include <QLocalSocket>

#include <gtest/gtest.h>

// Points the program's link layer at a server of the test's own and drops the connection afterwards.
class LinkFixture : public ::testing::Test {
protected:
    void SetUp() override { useSocket(server.socket()); }
    void TearDown() override
    {
        if (LinkClient* client = LinkClient::existing())
            client->disconnectFromServer();
        qunsetenv("HMI_LINK_SOCKET");
    }
    static void useSocket(const QString& name) { qputenv("HMI_LINK_SOCKET", name.toLocal8Bit()); }
    static void linkTo(LinkBox& box, const QString& item, qint16 tenths = 50)
    {
        box.LinkTopic = QStringLiteral("RSLinx|Line1");
        box.LinkItem = item;
        box.LinkTimeout = tenths;
    }
    // Whether a server listens on the socket, whoever started it.
    static bool serverAnswers(const QString& socket)
    {
        QLocalSocket s;
        s.connectToServer(socket);
        return s.waitForConnected(200);
    }

    LinkTestServer server;
};
