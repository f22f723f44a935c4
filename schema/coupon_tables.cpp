// The tables that DescribeCouponTables declares, in order.
#include "schema/office_schema.h"

namespace brindle::schema {
namespace {

// One entry a line, so that each can be checked by eye.
// clang-format off
namespace coupons {
constexpr ColumnDef kColumns[] = {
    {"ID", "T_INTEGER", "", kNotNull},
    {"PARTIONID", "T_INTEGER", "", kNotNull},
    {"NUMBER", "T_SMALLTEXT"},
    {"NAME", "T_SMALLTEXT"},
    {"STATE", "T_INTEGER"},
    {"AZSLITERS", "T_NUMBER"},
    {"USELITERS", "T_NUMBER"},
    {"CLOSEDATE", "T_TIMESTAMP"},
    {"CLOSEPLACE", "T_SMALLTEXT"},
    {"CLOSETYPE", "T_INTEGER"},
};
constexpr TableOp kOps[] = {
    PrimaryKey("PK_COUPONS", R"("ID")"),
    Index("COUPONS_PARTIONID", R"("PARTIONID")"),
    Index("COUPONS_NAME", R"("NAME")"),
};
}  // namespace coupons

namespace couponbreak {
constexpr ColumnDef kColumns[] = {
    {"ID", "T_INTEGER", "", kNotNull},
    {"NAME", "T_SMALLTEXT"},
    {"STATE", "T_INTEGER"},
    {"AZSLITERS", "T_NUMBER"},
    {"USELITERS", "T_NUMBER"},
    {"CLOSEDATE", "T_TIMESTAMP"},
    {"CLOSEPLACE", "T_SMALLTEXT"},
    {"CLOSETYPE", "T_INTEGER"},
    {"COMM", "T_SMALLTEXT"},
};
constexpr TableOp kOps[] = {
    PrimaryKey("PK_COUPONBREAK", R"("ID")"),
};
}  // namespace couponbreak

namespace couponpartion {
constexpr ColumnDef kColumns[] = {
    {"ID", "T_INTEGER", "", kNotNull},
    {"PARTIONNAME", "T_SMALLTEXT", "", kNotNull},
    {"CONTRAGENT_ID", "T_INTEGER", "", kNotNull},
    {"FIRSTNUM", "T_SMALLTEXT"},
    {"LASTNUM", "T_SMALLTEXT"},
    {"COUPCOUNT", "T_INTEGER"},
    {"CRCTYPE", "T_INTEGER"},
    {"GSM", "T_SMALLTEXT"},
    {"GSMPRICE", "T_NUMBER"},
    {"NOMINAL", "T_NUMBER"},
    {"STARTDATE", "T_TIMESTAMP"},
    {"ENDDATE", "T_TIMESTAMP"},
    {"ADDDATE", "T_TIMESTAMP"},
};
constexpr TableOp kOps[] = {
    PrimaryKey("PK_COUPONPARTION", R"("ID")"),
};
}  // namespace couponpartion

namespace couponmask {
constexpr ColumnDef kColumns[] = {
    {"ID", "T_INTEGER", "", kNotNull},
    {"MASK", "T_SMALLTEXT"},
    {"LITRE", "T_INTEGER"},
    {"GSM", "T_SMALLTEXT"},
    {"PREFIX", "T_SMALLTEXT"},
};
constexpr TableOp kOps[] = {
    PrimaryKey("PK_COUPONMASK", R"("ID")"),
};
}  // namespace couponmask

namespace couponskladlist {
constexpr ColumnDef kColumns[] = {
    {"ID", "T_INTEGER", "", kNotNull},
    {"NAME", "T_SMALLTEXT"},
    {"ISDELETE", "T_INTEGER"},
};
constexpr TableOp kOps[] = {
    PrimaryKey("PK_COUPONSKLADLIST", R"("ID")"),
};
}  // namespace couponskladlist

namespace couponskladmove {
constexpr ColumnDef kColumns[] = {
    {"ID", "T_INTEGER", "", kNotNull},
    {"MOVEID", "T_INTEGER"},
    {"SKLADIDFROM", "T_INTEGER"},
    {"SKLADIDTO", "T_INTEGER"},
    {"NUMFIRST", "T_SMALLTEXT"},
    {"NUMLAST", "T_SMALLTEXT"},
    {"NOMINAL", "T_NUMBER"},
    {"GSM", "T_SMALLTEXT"},
    {"ADDDATA", "T_TIMESTAMP"},
    {"Nakl", "T_SMALLTEXT"},
    {"ISDELETE", "T_INTEGER"},
};
constexpr TableOp kOps[] = {
    PrimaryKey("PK_COUPONSKLADMOVE", R"("ID")"),
};
}  // namespace couponskladmove

constexpr TableDef kTables[] = {
    {"COUPONS", coupons::kColumns, coupons::kOps},
    {"COUPONBREAK", couponbreak::kColumns, couponbreak::kOps},
    {"COUPONPARTION", couponpartion::kColumns, couponpartion::kOps},
    {"COUPONMASK", couponmask::kColumns, couponmask::kOps},
    {"COUPONSKLADLIST", couponskladlist::kColumns, couponskladlist::kOps},
    {"COUPONSKLADMOVE", couponskladmove::kColumns, couponskladmove::kOps},
};

// clang-format on
}  // namespace

std::span<const TableDef> CouponTables() {
  return kTables;
}

}  // namespace brindle::schema
