#include "ibx/connection_string.h"

#include <gtest/gtest.h>

#include "platform/error.h"
#include "platform/suite_root.h"
#include "platform/text.h"
#include "settings/copy_settings.h"
#include "tests/support/temp_dir.h"

namespace brindle {
namespace {

struct Parts {
  std::string host;
  std::int32_t port;
  std::string path;
};

Parts Split(const std::string& conn_str) {
  return {ExtractHost(conn_str), ExtractPort(conn_str, kDefaultPort), ExtractPath(conn_str)};
}

void ExpectParts(const std::string& conn_str, const std::string& host, std::int32_t port,
                 const std::string& path) {
  const Parts parts = Split(conn_str);
  EXPECT_EQ(parts.host, host) << conn_str;
  EXPECT_EQ(parts.port, port) << conn_str;
  EXPECT_EQ(parts.path, path) << conn_str;
}

TEST(ConnectionString, WindowsFormsSplitAsTheSuiteWritesThem) {
  ExpectParts("localhost/30050:C:\\ZEMT\\OFFICEDB\\Office.FDB", "localhost", 30050,
              "C:\\ZEMT\\OFFICEDB\\Office.FDB");
  ExpectParts("server:D:\\db\\x.fdb", "server", 30050, "D:\\db\\x.fdb");
  ExpectParts("/3051:C:\\x.fdb", "localhost", 3051, "C:\\x.fdb");
  ExpectParts("C:\\x.fdb", "C", 30050, "\\x.fdb");
  ExpectParts("x.fdb", "localhost", 30050, "x.fdb");
  ExpectParts("10.0.0.5/3050:", "10.0.0.5", 3050, "");
}

TEST(ConnectionString, ServerPathsWithSlashesKeepTheirSlashes) {
  testing::TempDir dir;
  ExpectParts(DefaultOfficeDBConnStr(), "localhost", 30050, SuitePath("OFFICEDB/Office.FDB"));
  ExpectParts("localhost:/var/db/x.fdb", "localhost", 30050, "/var/db/x.fdb");
  ExpectParts("db.local/3050:/var/db/x.fdb", "db.local", 3050, "/var/db/x.fdb");
  ExpectParts("/var/db/x.fdb", "localhost", 30050, "/var/db/x.fdb");
  ExpectParts("srv:C:/db/x.fdb", "srv", 30050, "C:/db/x.fdb");
}

TEST(ConnectionString, MalformedPortRaisesConversionError) {
  for (const char* bad :
       {"srv/:C:\\x.fdb", "srv/abc:C:\\x.fdb", "srv/30 50:x", "srv/-:x", "srv/99999999999:x"}) {
    EXPECT_THROW(ExtractPort(bad, kDefaultPort), EConvertError) << bad;
    EXPECT_NO_THROW(ExtractHost(bad));
    EXPECT_NO_THROW(ExtractPath(bad));
  }
}

// A cut path would name another file, and a copy would be created under it.
TEST(ConnectionString, PathOverTheLimitIsRefusedNeverCut) {
  EXPECT_EQ(ExtractPath("srv:" + std::string(260, 'p')), std::string(260, 'p'));
  for (const std::string& conn_str : {"srv:" + std::string(261, 'p'), std::string(5000, 'p'),
                                      "srv/30050:/" + std::string(258, 'p') + "жж"}) {
    try {
      ExtractPath(conn_str);
      FAIL() << "accepted a path of " << conn_str.size() << " bytes";
    } catch (const Exception& e) {
      EXPECT_NE(e.Message().find("длиннее 260 символов"), std::string::npos) << e.Message();
    }
  }
  // Cyrillic characters count as one each.
  const std::string cyrillic = std::string(258, 'p') + "жж";
  EXPECT_EQ(ExtractPath("srv:" + cyrillic), cyrillic);
}

TEST(ConnectionString, LocalHostNames) {
  EXPECT_TRUE(IsLocalHost("localhost"));
  EXPECT_TRUE(IsLocalHost("LOCALHOST"));
  EXPECT_TRUE(IsLocalHost("LocalHost"));
  EXPECT_TRUE(IsLocalHost("127.0.0.1"));
  EXPECT_FALSE(IsLocalHost("127.0.0.2"));
  EXPECT_FALSE(IsLocalHost(""));
  EXPECT_FALSE(IsLocalHost("otherhost.example"));
  const std::string name = ComputerName();
  ASSERT_FALSE(name.empty());
  EXPECT_TRUE(IsLocalHost(name));
  EXPECT_TRUE(IsLocalHost(LowerCase(name)));
}

}  // namespace
}  // namespace brindle
