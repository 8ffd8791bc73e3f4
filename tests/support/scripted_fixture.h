// Fixtures for tests against the scripted server: a connected Louie or Dewey whose construction
// calls are already forgotten.
#ifndef KELOCLI_TESTS_SCRIPTED_FIXTURE_H
#define KELOCLI_TESTS_SCRIPTED_FIXTURE_H

#include <gtest/gtest.h>

#include <memory>

#include "kelocli.h"
#include "scripted_server.h"

namespace testsupport {

template <typename Client>
class ScriptedClientTest : public testing::Test {
  protected:
    void SetUp() override {
        client.reset(new Client);
        server.ClearRecords();
    }
    const SeenCall& LastCall() const { return server.Calls().back(); }

    ScriptedServer server;  // declared first: outlives the client
    std::unique_ptr<Client> client;
};

}  // namespace testsupport

#endif
