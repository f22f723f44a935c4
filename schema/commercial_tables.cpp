// The tables that DescribeCommercialTables declares, in order.
#include "schema/office_schema.h"

namespace brindle::schema {
namespace {

// One entry a line, so that each can be checked by eye.
// clang-format off
namespace kogsmlist {
constexpr ColumnDef kColumns[] = {
    {"ID", "T_INTEGER", "", kNotNull},
    {"GSMNAME", "T_SMALLTEXT"},
    {"FULLGSMNAME", "T_SMALLTEXT"},
    {"AZSPRICE", "T_NUMBER"},
    {"LASTCHANGE", "T_TIMESTAMP"},
    {"OPERATOR", "T_SMALLTEXT"},
    {"AZSMINVALUE", "T_INTEGER"},
    {"COSHELID", "T_INTEGER"},
};
constexpr TableOp kOps[] = {
    ModifyDateTracking(),
    PrimaryKey("PK_KOGSMLIST", R"("ID")"),
    Index("KOGSMLIST_IDX1", R"("COSHELID")"),
    Generator("GEN_KOGSMLIST"),
};
}  // namespace kogsmlist

namespace koazsgsmlist {
constexpr ColumnDef kColumns[] = {
    {"ID", "T_INTEGER", "", kNotNull},
    {"AZSNUMBER", "T_INTEGER", "", kNotNull},
    {"GSMID", "T_INTEGER", "", kNotNull},
    {"ISDELETE", "T_INTEGER", "0"},
};
constexpr TableOp kOps[] = {
    ModifyDateTracking(),
    PrimaryKey("PK_KOAZSGSMLIST", R"("ID")"),
    Index("KOAZSGSMLIST_IDX1", R"("AZSNUMBER","GSMID")", kUnique),
    Generator("GEN_KOAZSGSMLIST"),
};
}  // namespace koazsgsmlist

namespace kogsmlisthistory {
constexpr ColumnDef kColumns[] = {
    {"ID", "T_INTEGER", "", kNotNull},
    {"GSMID", "T_SMALLTEXT"},
    {"OLDPRICE", "T_NUMBER"},
    {"NEWPRICE", "T_NUMBER"},
    {"DATECHANGE", "T_TIMESTAMP"},
    {"OPERATOR", "T_SMALLTEXT"},
};
constexpr TableOp kOps[] = {
    PrimaryKey("PK_KOGSMLISTHISTORY", R"("ID")"),
    Generator("GEN_KOGSMLISTHISTORY"),
};
}  // namespace kogsmlisthistory

namespace kopricecategory {
constexpr ColumnDef kColumns[] = {
    {"ID", "T_INTEGER", "", kNotNull},
    {"CATNAME", "T_SMALLTEXT"},
    {"DATECHANGE", "T_TIMESTAMP"},
    {"OPERATOR", "T_SMALLTEXT"},
    {"COMPNAME", "T_SMALLTEXT"},
    {"PRICEAPPLYDATE", "T_TIMESTAMP"},
    {"NEXTAPPLYDATE", "T_TIMESTAMP"},
    {"CATDISCOUNT", "T_NUMBER"},
    {"CATVALDISCOUNT", "T_NUMBER"},
    {"AUTORECALCDSC", "T_BOOLEAN"},
    {"ISBASECAT", "T_BOOLEAN", "0"},
    {"DOCBASE", "T_SMALLTEXT"},
    {"ISDELETE", "T_BOOLEAN", "0"},
};
constexpr TableOp kOps[] = {
    ModifyDateTracking(),
    PrimaryKey("PK_KOPRICECATEGORY", R"("ID")"),
    Generator("GEN_KOPRICECATEGORY"),
};
}  // namespace kopricecategory

namespace kopricecatvalues {
constexpr ColumnDef kColumns[] = {
    {"ID", "T_INTEGER", "", kNotNull},
    {"CATID", "T_INTEGER"},
    {"GSMID", "T_INTEGER"},
    {"PRICE", "T_NUMBER"},
    {"NEXTPRICE", "T_NUMBER"},
    {"TEMPPRICE", "T_NUMBER"},
    {"PRICEDISCOUNT", "T_NUMBER"},
    {"PRICEVALDISCOUNT", "T_NUMBER"},
};
constexpr TableOp kOps[] = {
    ModifyDateTracking(),
    PrimaryKey("PK_KOPRICECATVALUES", R"("ID")"),
    Index("KOPRICECATVALUES_IDX1", R"("CATID","GSMID")"),
    Generator("GEN_KOPRICECATVALUES"),
};
}  // namespace kopricecatvalues

namespace kopricehistory {
constexpr ColumnDef kColumns[] = {
    {"ID", "T_INTEGER", "", kNotNull},
    {"CATID", "T_INTEGER"},
    {"GSMID", "T_INTEGER"},
    {"PRICEVAL_ID", "T_INTEGER"},
    {"OLDPRICE", "T_NUMBER"},
    {"PRICE", "T_NUMBER"},
    {"APPLYDATE", "T_TIMESTAMP"},
    {"ENDDATE", "T_TIMESTAMP"},
    {"DOCBASE", "T_SMALLTEXT"},
    {"OPERATOR", "T_SMALLTEXT"},
    {"COMPNAME", "T_SMALLTEXT"},
};
constexpr TableOp kOps[] = {
    ModifyDateTracking(),
    PrimaryKey("PK_KOPRICEHISTORY", R"("ID")"),
    Index("KOPRICEHISTORY_IDX1", R"("CATID","GSMID","APPLYDATE")"),
    Index("KOPRICEHISTORY_IDX2", R"("CATID","GSMID","ENDDATE")"),
    Index("KOPRICEHISTORY_IDX3", "ENDDATE"),
    Generator("GEN_KOPRICEHISTORY"),
};
}  // namespace kopricehistory

namespace koostatki {
constexpr ColumnDef kColumns[] = {
    {"ID", "T_INTEGER", "", kNotNull},
    {"CONTR_ID", "T_INTEGER"},
    {"GSMID", "T_INTEGER"},
    {"OSTATOK", "T_NUMBER"},
    {"PRICE_ID", "T_INTEGER"},
};
constexpr TableOp kOps[] = {
    ModifyDateTracking(),
    PrimaryKey("PK_KOOSTATKI", R"("ID")"),
    Index("KOOSTATKI_IDX1", R"("CONTR_ID","GSMID")"),
    Generator("GEN_KOOSTATKI"),
};
}  // namespace koostatki

namespace koostatkichangehistory {
constexpr ColumnDef kColumns[] = {
    {"ID", "T_INTEGER", "", kNotNull},
    {"CONTR_ID", "T_INTEGER"},
    {"TYP", "T_INTEGER"},
    {"OSNOVANIE", "T_SMALLTEXT"},
    {"POLUCHENO", "T_NUMBER"},
    {"DATECHANGE", "T_TIMESTAMP"},
    {"STARTTIME", "T_TIMESTAMP"},
    {"OPERATOR", "T_SMALLTEXT"},
    {"COMPUTERNAME", "T_SMALLTEXT"},
    {"CUSTOMID", "T_INTEGER"},
    {"DOCNUM", "T_SMALLTEXT"},
    {"DOCDATE", "T_TIMESTAMP"},
    {"MODIFYDATE", "TIMESTAMP"},
};
constexpr TableOp kOps[] = {
    Index("KOOSTATKICHANGEHISTORY_IDX1", R"("DOCNUM","DOCDATE")"),
    Index("KOOSTATKICHANGEHISTORY_IDX2", R"("DATECHANGE")"),
    Index("KOOSTATKICHANGEHISTORY_IDX3", "MODIFYDATE"),
    Index("KOOSTATKICHANGEHISTORY_IDX4", "CONTR_ID"),
    Index("KOOSTATKICHANGEHISTORY_IDX5", "DOCDATE"),
    Index("KOOSTATKICHANGEHISTORY_IDX6", "CONTR_ID,DATECHANGE"),
    ModifyDateTrigger("KO_OST_CHANGE_HIST_BIU10"),
    PrimaryKey("PK_KOOSTATKICHANGEHISTORY", R"("ID")"),
    Generator("GEN_KOOSTATKICHANGEHISTORY"),
};
}  // namespace koostatkichangehistory

namespace koostatkichangehistoryvalues {
constexpr ColumnDef kColumns[] = {
    {"ID", "T_INTEGER", "", kNotNull},
    {"OPERID", "T_INTEGER"},
    {"GSMID", "T_INTEGER"},
    {"CHANGEON", "T_NUMBER"},
    {"OLDVALUE", "T_NUMBER"},
    {"NEWVALUE", "T_NUMBER"},
    {"CHANGEONSUMM", "T_NUMBER"},
    {"PRICE", "T_NUMBER"},
    {"PRICE_ID", "T_INTEGER"},
    {"MODIFYDATE", "TIMESTAMP"},
};
constexpr TableOp kOps[] = {
    PrimaryKey("PK_KOOSTATKICHANGEHISTORYVALUES", R"("ID")"),
    Index("KO_OST_CHANGE_HIST_VAL_IDX1", "MODIFYDATE"),
    Index("KO_OST_CHANGE_HIST_VAL_IDX2", "OPERID"),
    ModifyDateTrigger("KO_OST_CHANGE_HIST_VAL_BIU10"),
    Generator("GEN_KOOSTATKICHANGEHISTORYVAL"),
};
}  // namespace koostatkichangehistoryvalues

namespace koraspredcard {
constexpr ColumnDef kColumns[] = {
    {"ID", "T_INTEGER", "", kNotNull},
    {"CONTR_ID", "T_INTEGER"},
    {"DAT", "T_TIMESTAMP"},
};
constexpr TableOp kOps[] = {
    ModifyDateTracking(),
    PrimaryKey("PK_KORASPREDCARD", R"("ID")"),
    Index("KORASPREDCARD_IDX1", "CONTR_ID"),
    Index("KORASPREDCARD_IDX2", "DAT"),
    Generator("GEN_KORASPREDCARD"),
};
}  // namespace koraspredcard

namespace koraspredcardtyp {
constexpr ColumnDef kColumns[] = {
    {"ID", "T_INTEGER", "", kNotNull},
    {"RCID", "T_INTEGER"},
    {"CARDID", "T_INTEGER"},
    {"CARDNUM", "T_SMALLTEXT"},
    {"CARDEMIT", "T_INTEGER"},
    {"CARDEMIS", "T_INTEGER"},
    {"TYP", "T_INTEGER"},
    {"RRID", "T_INTEGER"},
};
constexpr TableOp kOps[] = {
    ModifyDateTracking(),
    PrimaryKey("PK_KORASPREDCARDTYP", R"("ID")"),
    Index("KORASPREDCARDTYP_IDX1", "RCID"),
    Generator("GEN_KORASPREDCARDTYP"),
};
}  // namespace koraspredcardtyp

namespace koraspredcardval {
constexpr ColumnDef kColumns[] = {
    {"ID", "T_INTEGER", "", kNotNull},
    {"RCTID", "T_INTEGER"},
    {"GSMID", "T_INTEGER"},
    {"VAL", "T_NUMBER"},
    {"DAT", "T_TIMESTAMP"},
    {"NEWVAL", "T_NUMBER"},
};
constexpr TableOp kOps[] = {
    ModifyDateTracking(),
    PrimaryKey("PK_KORASPREDCARDVAL", R"("ID")"),
    Index("KORASPREDCARDVAL_IDX1", "RCTID"),
    Generator("GEN_KORASPREDCARDVAL"),
};
}  // namespace koraspredcardval

namespace pccardsoperko {
constexpr ColumnDef kColumns[] = {
    {"PCCARDSID", "T_INTEGER", "", kNotNull},
    {"DAT", "T_TIMESTAMP"},
    {"GSMID", "T_INTEGER"},
    {"BILO", "T_NUMBER"},
    {"STALO", "T_NUMBER"},
    {"ORDERNUM", "T_INTEGER"},
};
constexpr TableOp kOps[] = {
    PrimaryKey("PK_PCCARDSOPERKO", R"("PCCARDSID")"),
    Index("PCCARDSOPERKO_IDX1", "ORDERNUM"),
    Generator("GEN_PCCARDSOPERKO_ORDER"),
};
}  // namespace pccardsoperko

namespace koorgblacklist {
constexpr ColumnDef kColumns[] = {
    {"ID", "T_INTEGER", "", kNotNull},
    {"CONTR_ID", "INTEGER"},
    {"NOTE", "VARCHAR(200)"},
    {"INLIST", "T_BOOLEAN"},
    {"BLOCKTYPE", "INTEGER"},
    {"UNBLOCKTYPE", "INTEGER"},
    {"DATADD", "T_TIMESTAMP"},
    {"DATDEL", "T_TIMESTAMP"},
    {"OPERADD", "T_SMALLTEXT"},
    {"OPERDEL", "T_SMALLTEXT"},
};
constexpr TableOp kOps[] = {
    ModifyDateTracking(),
    PrimaryKey("PK_KOORGBLACKLIST", R"("ID")"),
    Index("KOORGBLACKLIST_IDX1", R"("CONTR_ID")"),
    Generator("GEN_KOORGBLACKLIST"),
};
}  // namespace koorgblacklist

namespace ko_owner_orgblacklist {
constexpr ColumnDef kColumns[] = {
    {"NEMITENT", "INTEGER", "", kNotNull},
    {"CONTR_ID", "INTEGER"},
    {"NOTE", "VARCHAR(200)"},
};
constexpr TableOp kOps[] = {
    PrimaryKey("PK_KO_OWNER_ORGBLACKLIST", R"("NEMITENT","CONTR_ID")"),
};
}  // namespace ko_owner_orgblacklist

namespace koorglastdata {
constexpr ColumnDef kColumns[] = {
    {"CONTR_ID", "INTEGER", "", kNotNull},
    {"PC_LAST_TIDE_ID", "INTEGER"},
    {"PC_LOGTRAN_BK_LAST_ID", "INTEGER"},
    {"KO_ACCOUNT_LAST_DOC_NUM", "INTEGER"},
    {"KO_ACCOUNT_LAST_SEND_TIME", "T_TIMESTAMP"},
    {"KO_ACCOUNT_LAST_SEND_ID", "INTEGER"},
};
constexpr TableOp kOps[] = {
    ModifyDateTracking(),
    PrimaryKey("PK_KOORGLASTDATA", R"("CONTR_ID")"),
};
}  // namespace koorglastdata

namespace koaccounts {
constexpr ColumnDef kColumns[] = {
    {"ID", "INTEGER", "", kNotNull},
    {"ADDTIME", "T_TIMESTAMP"},
    {"SENDER_CONTR_ID", "INTEGER"},
    {"ACCOUNT_PREFIX", "T_SMALLTEXT"},
    {"ACCOUNT_NUM", "INTEGER"},
    {"ACCOUNT_DATE", "T_TIMESTAMP"},
    {"ACCOUNT_SUMMA", "T_NUMBER"},
    {"VALUTA_POROG", "T_NUMBER"},
    {"VALUTA_OSTATOK", "T_NUMBER"},
    {"SEND_TIME", "T_TIMESTAMP"},
    {"SEND_STATUS", "INTEGER"},
    {"SEND_NOTE", "T_SMALLTEXT"},
    {"SEND_ERROR_TRY_COUNT", "INTEGER"},
    {"SEND_ERROR", "T_SMALLTEXT"},
    {"CONTRACT_NAME", "T_SMALLTEXT"},
    {"CONTRACT_DATE", "T_TIMESTAMP"},
    {"CONTR_ID", "INTEGER"},
    {"ORG_NAME", "T_SMALLTEXT"},
};
constexpr TableOp kOps[] = {
    ModifyDateTracking(),
    PrimaryKey("PK_KOACCOUNTS", R"("ID")"),
    Index("KOACCOUNTS_IDX1", R"("CONTR_ID","SEND_TIME")"),
    Index("KOACCOUNTS_IDX2", R"("SEND_STATUS")"),
    Generator("GEN_KOACCOUNTS"),
};
}  // namespace koaccounts

namespace koautodsc {
constexpr ColumnDef kColumns[] = {
    {"ID", "INTEGER", "", kNotNull},
    {"NAME", "T_SMALLTEXT"},
    {"DSCTYPE", "INTEGER"},
    {"ISDELETE", "T_INTEGER", "0"},
};
constexpr TableOp kOps[] = {
    ModifyDateTracking(),
    PrimaryKey("PK_KOAUTODSC", R"("ID")"),
    Generator("GEN_KOAUTODSC"),
};
}  // namespace koautodsc

namespace koautodscporogs {
constexpr ColumnDef kColumns[] = {
    {"ID", "INTEGER", "", kNotNull},
    {"DSC_ID", "INTEGER", "", kNotNull},
    {"VAL", "T_NUMBER"},
    {"VALTYPE", "INTEGER"},
    {"CATID", "INTEGER"},
    {"ISDELETE", "T_INTEGER", "0"},
};
constexpr TableOp kOps[] = {
    ModifyDateTracking(),
    PrimaryKey("PK_KOAUTODSCPOROGS", R"("ID")"),
    Generator("GEN_KOAUTODSCPOROGS"),
};
}  // namespace koautodscporogs

constexpr TableDef kTables[] = {
    {"KOGSMLIST", kogsmlist::kColumns, kogsmlist::kOps},
    {"KOAZSGSMLIST", koazsgsmlist::kColumns, koazsgsmlist::kOps},
    {"KOGSMLISTHISTORY", kogsmlisthistory::kColumns, kogsmlisthistory::kOps},
    {"KOPRICECATEGORY", kopricecategory::kColumns, kopricecategory::kOps},
    {"KOPRICECATVALUES", kopricecatvalues::kColumns, kopricecatvalues::kOps},
    {"KOPRICEHISTORY", kopricehistory::kColumns, kopricehistory::kOps},
    {"KOOSTATKI", koostatki::kColumns, koostatki::kOps},
    {"KOOSTATKICHANGEHISTORY", koostatkichangehistory::kColumns, koostatkichangehistory::kOps},
    {"KOOSTATKICHANGEHISTORYVALUES", koostatkichangehistoryvalues::kColumns, koostatkichangehistoryvalues::kOps},
    {"KORASPREDCARD", koraspredcard::kColumns, koraspredcard::kOps},
    {"KORASPREDCARDTYP", koraspredcardtyp::kColumns, koraspredcardtyp::kOps},
    {"KORASPREDCARDVAL", koraspredcardval::kColumns, koraspredcardval::kOps},
    {"PCCARDSOPERKO", pccardsoperko::kColumns, pccardsoperko::kOps},
    {"KOORGBLACKLIST", koorgblacklist::kColumns, koorgblacklist::kOps},
    {"KO_OWNER_ORGBLACKLIST", ko_owner_orgblacklist::kColumns, ko_owner_orgblacklist::kOps},
    {"KOORGLASTDATA", koorglastdata::kColumns, koorglastdata::kOps},
    {"KOACCOUNTS", koaccounts::kColumns, koaccounts::kOps},
    {"KOAUTODSC", koautodsc::kColumns, koautodsc::kOps},
    {"KOAUTODSCPOROGS", koautodscporogs::kColumns, koautodscporogs::kOps},
};

// clang-format on
}  // namespace

std::span<const TableDef> CommercialTables() {
  return kTables;
}

}  // namespace brindle::schema
