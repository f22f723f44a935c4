// A Firebird server of one test's own, for tests that stop and start the server: the same
// script as the shared private server, another port and another directory, so the tests that
// share that server run on undisturbed.
#pragma once

#include <string>

namespace brindle::testing {

class OwnServer {
 public:
  // Starts the server; its files go into the directory. It listens `port_offset` above the shared
  // server, so tests that may run at the same time take different offsets. `environment` goes
  // before the script's command line, e.g. "TZ=UTC-5" for a clock in another time zone.
  explicit OwnServer(const std::string& dir, int port_offset = 100,
                     const std::string& environment = "");
  // Stops it.
  ~OwnServer();
  OwnServer(const OwnServer&) = delete;
  OwnServer& operator=(const OwnServer&) = delete;

  int Port() const { return port_; }
  // Both raise when the script fails.
  void Start();
  void Stop();

 private:
  void Run(const char* command) const;

  std::string dir_;
  std::string environment_;
  int port_;
};

}  // namespace brindle::testing
