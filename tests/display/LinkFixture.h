#pragma once

#include "LinkClient.h"
#include "LinkTestServer.h"

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

    LinkTestServer server;
};
