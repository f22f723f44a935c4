// Starts the database utility library's bindings the way start-up does, for tests that watch
// them refuse to start or let the library go:
//   fyrn_probe tfyrn    makes TFyrn, prints "BOUND <password>", frees it, prints "MAPPED yes|no"
//   fyrn_probe second   makes the second binding, prints "LOADED <name>", finalises it, prints
//                       "MAPPED yes|no"
//   fyrn_probe startup  makes both in start-up order, frees them in shutdown order, prints
//                       "MAPPED yes|no"
// A message box is printed as "BOX <caption>|<text>|<icon>", carriage returns and line feeds
// written as \r and \n. MAPPED tells whether libFyrn.so is still in the process's memory.
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>

#include "dbaccess/fyrn.h"
#include "dbaccess/fyrn_second_binding.h"
#include "platform/message_box.h"

namespace {

using namespace brindle;

std::string Escaped(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else {
      out += c;
    }
  }
  return out;
}

const char* IconName(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::kError:
      return "error";
    case MessageIcon::kWarning:
      return "warning";
    case MessageIcon::kInformation:
      return "information";
    case MessageIcon::kQuestion:
      return "question";
  }
  return "?";
}

void Say(const std::string& line) {
  std::fputs((line + "\n").c_str(), stdout);
  std::fflush(stdout);
}

bool LibraryMapped() {
  std::ifstream maps("/proc/self/maps");
  std::string line;
  const std::string name = std::string("/") + kFyrnLibraryName;
  while (std::getline(maps, line)) {
    if (line.size() >= name.size() &&
        line.compare(line.size() - name.size(), name.size(), name) == 0) {
      return true;
    }
  }
  return false;
}

void SayMapped() {
  Say(std::string("MAPPED ") + (LibraryMapped() ? "yes" : "no"));
}

int Probe(const std::string& mode) {
  if (mode == "tfyrn") {
    {
      TFyrn fyrn;
      Say("BOUND " + fyrn.GetPassword());
    }
    SayMapped();
  } else if (mode == "second") {
    {
      TFyrnSecondBinding second;
      Say("LOADED " + second.LoadedFrom());
    }
    SayMapped();
  } else if (mode == "startup") {
    {
      TFyrnSecondBinding second;
      auto fyrn = std::make_unique<TFyrn>();
      Say("BOUND " + fyrn->GetPassword());
      fyrn.reset();
    }
    SayMapped();
  } else {
    std::fprintf(stderr, "usage: fyrn_probe tfyrn|second|startup\n");
    return 2;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  SetMessageBoxHandler([](const MessageBoxRequest& box) {
    Say("BOX " + Escaped(box.caption) + "|" + Escaped(box.text) + "|" + IconName(box.icon));
    return MessageResult::kOk;
  });
  const std::string mode = argc > 1 ? argv[1] : "";
  try {
    return Probe(mode);
  } catch (const ERefusedStart& refusal) {
    ShowRefusal(refusal);
    return kRefusedStartExitCode;
  }
}
