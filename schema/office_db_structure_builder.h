// Describes the office database — domains, 70 tables (67 always, 3 when the suite root holds the
// CommonOrgs directory), keys, indexes, triggers and generators — to a description of the
// structure library. The builder validates and catches nothing: any error of the description
// propagates. It holds no state; the directory test is made anew on every Build.
#pragma once

#include <cstdint>
#include <string>

#include "ostrel/description.h"

namespace brindle {

class TOfficeDBStructureBuilder {
 public:
  // SetConnection (with no parameters), the eight domains, the core tables, then the five
  // groups in the order below.
  void Build(TfbDataBase& description, const std::string& host, const std::string& path,
             const std::string& password, std::int32_t port);

  void DescribeCouponTables(TfbDataBase& description);
  void DescribeCommercialTables(TfbDataBase& description);
  // Tests once whether the CommonOrgs directory exists; without it ORGCARS, DRIVERATTACH and
  // CARATTACH and their generators are left out.
  void DescribeContragentTables(TfbDataBase& description);
  void DescribeCardTables(TfbDataBase& description);
  void DescribeHandbookTables(TfbDataBase& description);
};

// Makes a builder, runs Build with the same arguments and frees the builder, also when Build
// raises. The description stays the caller's.
void DescribeOfficeDB(TfbDataBase& description, const std::string& host, const std::string& path,
                      const std::string& password, std::int32_t port);

}  // namespace brindle
