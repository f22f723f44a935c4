#include "schema/office_db_structure_builder.h"

#include <filesystem>
#include <memory>
#include <system_error>

#include "platform/suite_root.h"
#include "schema/describe_table.h"
#include "schema/office_schema.h"

namespace brindle {

namespace {

// Whether the three tables of shared organisation data belong to this installation.
bool CommonOrgsDirectoryExists() {
  std::error_code error;
  return std::filesystem::is_directory(SuitePath("CommonOrgs"), error);
}

}  // namespace

void TOfficeDBStructureBuilder::Build(TfbDataBase& description, const std::string& host,
                                      const std::string& path, const std::string& password,
                                      std::int32_t port) {
  description.SetConnection(host, path, password, port, VariantArray{});
  for (const schema::DomainDef& domain : schema::OfficeDomains()) {
    description.AddDomain(std::string(domain.name), std::string(domain.type), 0, 0,
                          std::string(domain.check));
  }
  schema::DescribeTables(description, schema::CoreTables());
  DescribeCouponTables(description);
  DescribeCommercialTables(description);
  DescribeContragentTables(description);
  DescribeCardTables(description);
  DescribeHandbookTables(description);
}

void TOfficeDBStructureBuilder::DescribeCouponTables(TfbDataBase& description) {
  schema::DescribeTables(description, schema::CouponTables());
}

void TOfficeDBStructureBuilder::DescribeCommercialTables(TfbDataBase& description) {
  schema::DescribeTables(description, schema::CommercialTables());
}

void TOfficeDBStructureBuilder::DescribeContragentTables(TfbDataBase& description) {
  const bool common_orgs = CommonOrgsDirectoryExists();
  schema::DescribeTables(description, schema::ContragentTables(), common_orgs);
}

void TOfficeDBStructureBuilder::DescribeCardTables(TfbDataBase& description) {
  schema::DescribeTables(description, schema::CardTables());
}

void TOfficeDBStructureBuilder::DescribeHandbookTables(TfbDataBase& description) {
  schema::DescribeTables(description, schema::HandbookTables());
}

void DescribeOfficeDB(TfbDataBase& description, const std::string& host, const std::string& path,
                      const std::string& password, std::int32_t port) {
  // unique_ptr frees the builder on both ways out.
  auto builder = std::make_unique<TOfficeDBStructureBuilder>();
  builder->Build(description, host, path, password, port);
}

}  // namespace brindle
