// The service unit as systemd judges it: run as its own user, it may write only the suite's
// settings and log folders and the lock folder, with the rest of the system taken away.
// systemd-analyze rated the first unit 9.4 "UNSAFE".
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/support/process.h"
#include "tests/support/temp_dir.h"

namespace brindle {
namespace {

TEST(ServiceUnit, IsRatedSafeBySystemd) {
  testing::TempDir dir;
  testing::RecordedProcess analyze(
      {"/usr/bin/systemd-analyze", "security", "--offline=true", "--no-pager", SERVICE_UNIT_PATH},
      dir / "analyze");
  ASSERT_EQ(analyze.Wait(), 0) << analyze.Err();
  const std::string out = analyze.Out();
  const std::string overall = "Overall exposure level for brindle-sync.service: ";
  const auto at = out.find(overall);
  const double exposure =
      at == std::string::npos ? -1 : std::strtod(out.c_str() + at + overall.size(), nullptr);
  ASSERT_GE(exposure, 0) << "systemd-analyze gave no overall level: " << out;
  EXPECT_LE(exposure, 2.5);
}

}  // namespace
}  // namespace brindle
