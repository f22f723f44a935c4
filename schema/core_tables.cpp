// The core tables, which Build describes before the groups; GEN_IdLogin follows HISTAUTENF.
#include "schema/office_schema.h"

namespace brindle::schema {
namespace {

// One entry a line, so that each can be checked by eye.
// clang-format off
namespace dsccards {
constexpr ColumnDef kColumns[] = {
    {"CARDNUM", "T_SMALLTEXT", "", kNotNull},
    {"AZSNAME", "T_SMALLTEXT", "", kNotNull},
    {"GSM", "T_SMALLTEXT", "", kNotNull},
    {"VIDOPL", "T_INTEGER", "", kNotNull},
    {"DAT", "T_TIMESTAMP"},
    {"SUMLITER", "T_NUMBER"},
    {"SUMRUBL", "T_NUMBER"},
};
constexpr TableOp kOps[] = {
    PrimaryKey("PK_DSCCARDS", R"("CARDNUM", "AZSNAME", "GSM", "VIDOPL")"),
};
}  // namespace dsccards

namespace office {
constexpr ColumnDef kColumns[] = {
    {"AZSNUMBER", "T_INTEGER", "", kNotNull},
    {"AZSNAME", "T_SMALLTEXT"},
    {"AZSPHONE", "T_SMALLTEXT"},
    {"DBPATH", "T_SMALLTEXT"},
    {"CONFIGFILE", "T_SMALLTEXT"},
    {"GSMFILE", "T_SMALLTEXT"},
    {"AZSCNFFILE", "T_SMALLTEXT"},
    {"AZSIP", "T_SMALLTEXT"},
    {"IPPORT", "T_INTEGER"},
    {"USETRANSITSERVER", "T_INTEGER"},
    {"AZSADDRESS", "T_SMALLTEXT"},
    {"AZSTYPE", "T_INTEGER", "0", kNotNull},
    {"LASTGETDATA", "T_TIMESTAMP"},
    {"LASTSENDDATA", "T_TIMESTAMP"},
    {"LASTGETSMENA", "T_INTEGER"},
    {"LASTGETSMENAT", "T_SMALLTEXT"},
    {"ORDR", "T_INTEGER"},
    {"LASTSMENABD", "T_SMALLTEXT"},
    {"AZSPOVERSION", "T_SMALLTEXT"},
    {"ISDELETE", "T_BOOLEAN", "0"},
    {"AZSCODE", "T_INTEGER"},
    {"USEPC", "T_BOOLEAN", "0"},
    {"USEFORREPORTS", "T_BOOLEAN", "1"},
    {"CONTR_ID", "T_INTEGER"},
    {"CANAUTOMAILQUERY", "T_BOOLEAN", "1"},
    {"PCDEFATTACHTYPE", "T_INTEGER", "1"},
    {"DEFLINKTYPE", "T_INTEGER"},
    {"AZS_IS_NOT_OUR", "T_BOOLEAN"},
    {"PCCHECK_PATH", "T_SMALLTEXT"},
    {"MINUTES_SHIFT", "T_INTEGER"},
    {"ALLOW_VALUTA", "T_BOOLEAN"},
    {"ISFROMKMAZS", "T_BOOLEAN"},
    {"PRICE_CAT_ID", "T_INTEGER"},
};
constexpr TableOp kOps[] = {
    ModifyDateTracking(),
    PrimaryKey("PK_OFFICE", R"("AZSNUMBER")"),
    Index("OFFICE_IDX1", R"("AZSCODE")"),
    Index("OFFICE_IDX2", R"("AZSNAME")"),
};
}  // namespace office

namespace gsmchangehistory {
constexpr ColumnDef kColumns[] = {
    {"ID", "T_INTEGER", "", kNotNull},
    {"CHANGEPLACE", "T_INTEGER"},
    {"AZSNAME", "T_SMALLTEXT"},
    {"DATACHANGE", "T_TIMESTAMP"},
    {"OPERATOR", "T_SMALLTEXT"},
    {"GSMLIST", "T_BIGTEXT"},
    {"GSMVALUES", "T_SMALLTEXT"},
    {"AZSLIST", "T_BIGTEXT"},
    {"FULLGSMLIST", "T_BIGTEXT"},
    {"FULLGSMOLDVALUES", "T_SMALLTEXT"},
    {"FULLGSMVALUES", "T_SMALLTEXT"},
    {"OSNOVANIE", "T_SMALLTEXT"},
    {"DATAAPPLY", "T_TIMESTAMP"},
};
constexpr TableOp kOps[] = {
    PrimaryKey("PK_GSMCHANGEHISTORY", R"("ID")"),
};
}  // namespace gsmchangehistory

namespace configparams {
constexpr ColumnDef kColumns[] = {
    {"FILENAME", "VARCHAR(100)", "", kNotNull},
    {"COMPUTERNAME", "VARCHAR(100)", "", kNotNull},
    {"USERNAME", "VARCHAR(100)", "", kNotNull},
    {"SECTIONNAME", "VARCHAR(100)", "", kNotNull},
    {"PARAMNAME", "VARCHAR(100)", "", kNotNull},
    {"PARAMVALUE", "VARCHAR(10000)"},
    {"PARAMBLOB", "BLOB"},
    {"PARAMBLOBHASH", "VARCHAR(50)"},
    {"MODIFYDATE", "TIMESTAMP"},
    {"MODIFYUSER", "VARCHAR(100)"},
};
constexpr TableOp kOps[] = {
    PrimaryKey("CONFIGPARAMS_PK", "FILENAME, COMPUTERNAME, USERNAME, SECTIONNAME, PARAMNAME"),
};
}  // namespace configparams

namespace histautenf {
constexpr ColumnDef kColumns[] = {
    {"ID", "INTEGER", "", kNotNull},
    {"DATA", "TIMESTAMP", "", kNotNull},
    {"Client", "SMALLINT"},
    {"USRNAME", "T_SMALLTEXT"},
    {"COMPNAME", "T_TEXT20"},
    {"ISOK", "SMALLINT"},
    {"DESCR", "T_SMALLTEXT"},
    {"APPLTYPE", "SMALLINT"},
    {"WINUSRNAME", "T_SMALLTEXT"},
};
constexpr TableOp kOps[] = {
    ModifyDateTracking(),
    PrimaryKey("PK_HISTAUTENF", R"("ID")"),
    Index("HISTAUTENFDT_IDX", R"("DATA")"),
    Generator("GEN_IdLogin"),
};
}  // namespace histautenf

constexpr TableDef kTables[] = {
    {"DSCCARDS", dsccards::kColumns, dsccards::kOps},
    {"OFFICE", office::kColumns, office::kOps},
    {"GSMCHANGEHISTORY", gsmchangehistory::kColumns, gsmchangehistory::kOps},
    {"CONFIGPARAMS", configparams::kColumns, configparams::kOps},
    {"HISTAUTENF", histautenf::kColumns, histautenf::kOps},
};

// clang-format on
}  // namespace

std::span<const TableDef> CoreTables() {
  return kTables;
}

}  // namespace brindle::schema
