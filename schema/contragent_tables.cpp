// The tables that DescribeContragentTables declares, in order; the last three only when the
// suite root holds the CommonOrgs directory.
#include "schema/office_schema.h"

namespace brindle::schema {
namespace {

// One entry a line, so that each can be checked by eye.
// clang-format off
namespace contragent {
constexpr ColumnDef kColumns[] = {
    {"CONTR_ID", "T_INTEGER", "", kNotNull},
    {"NAME", "T_SMALLTEXT"},
    {"INN", "T_SMALLTEXT"},
    {"FULLNAME", "T_SMALLTEXT"},
    {"ADDRESS", "T_SMALLTEXT"},
    {"PHONE", "T_SMALLTEXT"},
    {"OKPO", "T_SMALLTEXT"},
    {"KPP", "T_SMALLTEXT"},
    {"RSCHET", "T_SMALLTEXT"},
    {"BANKNAME", "T_SMALLTEXT"},
    {"KSCHET", "T_SMALLTEXT"},
    {"BIK", "T_SMALLTEXT"},
    {"FAX", "T_SMALLTEXT"},
    {"CONTACTINFO", "T_SMALLTEXT"},
    {"OTHER", "T_BIGTEXT"},
    {"ISDELETE", "T_BOOLEAN"},
    {"LICNUM", "T_SMALLTEXT"},
    {"LICDATE", "T_DATE"},
    {"LICORG", "T_SMALLTEXT"},
    {"COUNTRYCODE", "T_INTEGER", "643"},
    {"SERVICETYPE", "T_INTEGER", "0"},
    {"CREDITCOUNT", "T_NUMBER"},
    {"CREDITPRICESOUR", "T_INTEGER", "0"},
    {"GSMPRICETYPE", "T_INTEGER"},
    {"DISABLECARD", "T_INTEGER"},
    {"DISABLETALON", "T_INTEGER"},
    {"ENABLEBLOCKPOROG", "T_INTEGER"},
    {"CARDBLOCKPOROG", "T_INTEGER"},
    {"CARDUNBLOCKPOROG", "T_INTEGER"},
    {"KO", "T_BOOLEAN"},
    {"PC", "T_BOOLEAN", "0"},
    {"SYNCTYPESAZS", "T_BOOLEAN", "0"},
    {"SYNCID", "T_SMALLTEXT"},
    {"ISINDIVIDUAL", "T_BOOLEAN", "0"},
    {"CONTRACTNUM", "T_SMALLTEXT"},
    {"CONTRACTDATE", "T_DATE"},
    {"CONTRACTBASE", "T_SMALLTEXT"},
    {"SENDPRICETOAZS", "T_INTEGER", "0"},
    {"SENDDSCTOAZS", "T_INTEGER"},
    {"KOALLOWEDCARDTYPE", "T_INTEGER"},
    {"BACKACCOUNTTYPE", "T_INTEGER", "0"},
    {"IGNORE_RASPRED_IN_OSV", "T_INTEGER", "0"},
    {"FILTERKEYWORDS", "T_SMALLTEXT"},
    {"ACCOUNT_CAN_SEND", "T_INTEGER"},
    {"ACCOUNT_ORG_TYPE", "T_INTEGER"},
    {"ACCOUNT_SENDER_CONTR_ID", "T_INTEGER"},
    {"ACCOUNT_CAN_SEND_BY_EMAIL", "T_INTEGER"},
    {"ACCOUNT_SEND_POROG", "T_NUMBER"},
    {"ACCOUNT_SEND_SUMMA", "T_NUMBER"},
    {"ACCOUNT_SEND_EMAIL", "T_SMALLTEXT"},
    {"ACCOUNT_CAN_CREATE_BY_WEB", "T_INTEGER"},
    {"ACCOUNT_SENDER_ISDEFAULT", "T_INTEGER"},
    {"ACCOUNT_SENDER_DOC_PREFIX", "T_SMALLTEXT"},
    {"ACCOUNT_SENDER_DOC_NUMLEN", "T_INTEGER"},
    {"ACCOUNT_SENDER_FORM_HTML", "T_SMALLTEXT"},
    {"ACCOUNT_SENDER_FORM_TXT", "T_SMALLTEXT"},
    {"AUTO_DSC_ID", "T_INTEGER"},
    {"FILIAL_CODE", "T_INTEGER"},
    {"KMAZS_DEP_ID", "T_INTEGER"},
};
constexpr TableOp kOps[] = {
    ModifyDateTracking(),
    PrimaryKey("PK_CONTRAGENT", R"("CONTR_ID")"),
    Index("CONTRAGENT_IDX1", R"("SYNCID")"),
    Index("CONTRAGENT_IDX2", R"("GSMPRICETYPE")"),
    Index("CONTRAGENT_IDX3", R"("INN")"),
    Generator("GEN_CONTRAGENT"),
};
}  // namespace contragent

namespace contragenttype {
constexpr ColumnDef kColumns[] = {
    {"CONTR_ID", "T_INTEGER", "", kNotNull},
    {"CTYPE", "T_INTEGER", "", kNotNull},
    {"PARAM1", "T_INTEGER", "", kNotNull},
};
constexpr TableOp kOps[] = {
    PrimaryKey("PK_CONTRAGENTTYPE", R"("CONTR_ID","CTYPE","PARAM1")"),
};
}  // namespace contragenttype

namespace orgattach {
constexpr ColumnDef kColumns[] = {
    {"ID", "T_INTEGER", "", kNotNull},
    {"CONTROFC_ID", "T_INTEGER", "", kNotNull},
    {"AZSNUMBER", "T_INTEGER", "", kNotNull},
    {"CONTRAZS_ID", "T_INTEGER", "", kNotNull},
    {"ISDELETEONAZS", "T_BOOLEAN"},
};
constexpr TableOp kOps[] = {
    ModifyDateTracking(),
    PrimaryKey("PK_ORGATTACH", R"("ID")"),
    Index("ORGATTACH_IDX1", R"("CONTROFC_ID")"),
    Index("ORGATTACH_IDX2", R"("CONTRAZS_ID","AZSNUMBER")"),
    Generator("GEN_ORGATTACH"),
};
}  // namespace orgattach

namespace orgpeople {
constexpr ColumnDef kColumns[] = {
    {"ID", "T_INTEGER", "", kNotNull},
    {"CONTR_ID", "T_INTEGER"},
    {"NAME", "T_SMALLTEXT"},
    {"FULLNAME", "T_SMALLTEXT"},
    {"ISDELETE", "T_BOOLEAN"},
    {"IBUTTONNUM", "T_SMALLTEXT"},
    {"IBUTTONPIN", "T_TEXT20"},
    {"PASSPORT", "T_SMALLTEXT"},
    {"UDOST", "T_SMALLTEXT"},
    {"TABNUM", "T_SMALLTEXT"},
    {"ADDRESS", "T_SMALLTEXT"},
    {"PHONES", "T_SMALLTEXT"},
    {"OTHER", "T_BIGTEXT"},
    {"ISDRIVER", "T_BOOLEAN"},
    {"ISBOSS", "T_BOOLEAN"},
    {"ISLOCKED", "T_BOOLEAN"},
    {"ORGREP", "T_BOOLEAN"},
    {"CARD_ID", "T_INTEGER"},
    {"WEBLOGIN", "T_SMALLTEXT"},
    {"WEBEMAIL", "T_SMALLTEXT"},
    {"WEBPASSW", "T_SMALLTEXT"},
    {"WEBADMIN", "T_SMALLTEXT"},
    {"CAN_CARD_POPOLN", "T_BOOLEAN"},
    {"CAN_CARD_CHANGE_LIMIT", "T_BOOLEAN"},
    {"CAN_CARD_ADD_TO_BL", "T_BOOLEAN"},
    {"CAN_CARD_CHANGE_COSHELS", "T_BOOLEAN"},
    {"CAN_CARD_CHANGE_HOLDER", "T_BOOLEAN"},
    {"ADDED_BY_WEB", "T_BOOLEAN"},
};
constexpr TableOp kOps[] = {
    ModifyDateTracking(),
    PrimaryKey("PK_ORGPEOPLE", R"("ID")"),
    Index("ORGPEOPLE_IDX1", R"("CONTR_ID")"),
    Index("ORGPEOPLE_IDX2", R"("CARD_ID")"),
    Index("ORGPEOPLE_IDX3", R"("WEBLOGIN")"),
    Generator("GEN_ORGPEOPLE"),
};
}  // namespace orgpeople

namespace orgcars {
constexpr ColumnDef kColumns[] = {
    {"ID", "T_INTEGER", "", kNotNull},
    {"CONTR_ID", "T_INTEGER", "", kNotNull},
    {"GOSNUM", "T_SMALLTEXT"},
    {"ISDELETE", "T_BOOLEAN"},
    {"IBUTTONNUM", "T_SMALLTEXT"},
    {"IBUTTONPIN", "T_TEXT20"},
    {"DEFAULTLITERS", "T_NUMBER", "0"},
    {"MARKA", "T_SMALLTEXT"},
    {"GARNUMBER", "T_SMALLTEXT"},
    {"PRMARKA", "T_SMALLTEXT"},
    {"PRNUMBER", "T_SMALLTEXT"},
    {"PRNAME", "T_SMALLTEXT"},
};
constexpr TableOp kOps[] = {
    ModifyDateTracking(),
    PrimaryKey("PK_ORGCARS", R"("ID")"),
    Index("ORGCARS_IDX1", R"("CONTR_ID")"),
    Generator("GEN_ORGCARS"),
};
}  // namespace orgcars

namespace driverattach {
constexpr ColumnDef kColumns[] = {
    {"ID", "T_INTEGER", "", kNotNull},
    {"PEOPLE_ID", "T_INTEGER", "", kNotNull},
    {"AZSNUMBER", "T_INTEGER", "", kNotNull},
    {"AZSDRIVER_ID", "T_SMALLTEXT", "", kNotNull},
};
constexpr TableOp kOps[] = {
    ModifyDateTracking(),
    PrimaryKey("PK_DRIVERATTACH", R"("ID")"),
    Index("DRIVERATTACH_IDX1", R"("PEOPLE_ID")"),
    Index("DRIVERATTACH_IDX2", R"("AZSDRIVER_ID","AZSNUMBER")"),
    Generator("GEN_DRIVERATTACH"),
};
}  // namespace driverattach

namespace carattach {
constexpr ColumnDef kColumns[] = {
    {"ID", "T_INTEGER", "", kNotNull},
    {"CAROFC_ID", "T_INTEGER", "", kNotNull},
    {"AZSNUMBER", "T_INTEGER", "", kNotNull},
    {"CARAZS_ID", "T_SMALLTEXT", "", kNotNull},
};
constexpr TableOp kOps[] = {
    ModifyDateTracking(),
    PrimaryKey("PK_CARATTACH", R"("ID")"),
    Index("CARATTACH_IDX1", R"("CAROFC_ID")"),
    Index("CARATTACH_IDX2", R"("CARAZS_ID","AZSNUMBER")"),
    Generator("GEN_CARATTACH"),
};
}  // namespace carattach

constexpr TableDef kTables[] = {
    {"CONTRAGENT", contragent::kColumns, contragent::kOps},
    {"CONTRAGENTTYPE", contragenttype::kColumns, contragenttype::kOps},
    {"ORGATTACH", orgattach::kColumns, orgattach::kOps},
    {"ORGPEOPLE", orgpeople::kColumns, orgpeople::kOps},
    {"ORGCARS", orgcars::kColumns, orgcars::kOps, TableCondition::kCommonOrgs},
    {"DRIVERATTACH", driverattach::kColumns, driverattach::kOps, TableCondition::kCommonOrgs},
    {"CARATTACH", carattach::kColumns, carattach::kOps, TableCondition::kCommonOrgs},
};

// clang-format on
}  // namespace

std::span<const TableDef> ContragentTables() {
  return kTables;
}

}  // namespace brindle::schema
