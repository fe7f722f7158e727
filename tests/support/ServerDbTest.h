#pragma once

#include "core/HttpRequest.h"
#include "fixtures/FixtureServer.h"
#include "platform/Prompts.h"
#include "support/DbFixture.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

/**
 * A test on a fresh local database with the fixture server standing in for
 * the remote services: the program's requests go to the server and give up
 * after three seconds. A test that sets up more calls these first (SetUp)
 * and last (TearDown).
 */
class ServerDbTest : public ::testing::Test
{
protected:
    TestEnv env;
    DbFixture db{env};
    FixtureServer server;
    Prompts::Script script;

    void SetUp() override
    {
        server.connectProgram();
        modDatabase::SetHttpTimeLimit(3000);
    }
    void TearDown() override { modDatabase::SetHttpTimeLimit(0); }
};
