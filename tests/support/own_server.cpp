#include "tests/support/own_server.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <deque>
#include <fstream>
#include <stdexcept>

#include "tests/support/test_database.h"

namespace brindle::testing {

namespace {

std::string Tail(const std::string& path) {
  std::ifstream file(path);
  std::deque<std::string> lines;
  for (std::string line; std::getline(file, line);) {
    lines.push_back(line);
    if (lines.size() > 20) lines.pop_front();
  }
  std::string text = path + ":\n";
  for (const std::string& line : lines) text += "  " + line + "\n";
  return text;
}

}  // namespace

// Beside the shared server's port, so that test runs on other ports keep apart too.
OwnServer::OwnServer(const std::string& dir, int port_offset, const std::string& environment)
    : dir_(dir), environment_(environment), port_(TestDatabase::Port() + port_offset) {
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
  const std::string line = environment_ + " FB_PORT=" + std::to_string(port_) + " FB_DIR='" + dir_ +
                           "' '" + FBSERVER_SCRIPT + "' " + command + " >/dev/null";
  if (std::system(line.c_str()) != 0) {
    // The directory goes with the test, so what the server said goes into the message.
    throw std::runtime_error("scripts/fbserver " + std::string(command) + " failed on port " +
                             std::to_string(port_) + ":\n" + Tail(dir_ + "firebird.log") +
                             Tail(dir_ + "server.out"));
  }
}

}  // namespace brindle::testing
