#include "tests/support/own_server.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <stdexcept>

#include "tests/support/test_database.h"

namespace brindle::testing {

// Beside the shared server's port, so that test runs on other ports keep apart too.
OwnServer::OwnServer(const std::string& dir) : dir_(dir), port_(TestDatabase::Port() + 100) {
  Start();
}

OwnServer::~OwnServer() {
  try {
    Stop();
  } catch (const std::exception& e) {
    ADD_FAILURE() << e.what();
  }
}

void OwnServer::Start() {
  Run("start");
}
void OwnServer::Stop() {
  Run("stop");
}

void OwnServer::Run(const char* command) const {
  const std::string line = "FB_PORT=" + std::to_string(port_) + " FB_DIR='" + dir_ + "' '" +
                           FBSERVER_SCRIPT + "' " + command + " >/dev/null";
  if (std::system(line.c_str()) != 0) {
    throw std::runtime_error("scripts/fbserver " + std::string(command) + " failed on port " +
                             std::to_string(port_) + "; see " + dir_ + "firebird.log");
  }
}

}  // namespace brindle::testing
