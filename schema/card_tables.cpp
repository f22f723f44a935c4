// The tables that DescribeCardTables declares, in order. GEN_TERMINAL_PC_GLOBAL serves no one
// table; it is declared right after GEN_TMP_TERMINAL_PC_OPER.
#include "schema/office_schema.h"

namespace brindle::schema {
namespace {

// One entry a line, so that each can be checked by eye.
// clang-format off
namespace pc_blacklist {
constexpr ColumnDef kColumns[] = {
    {"ID", "INTEGER", "", kNotNull},
    {"CARD_ID", "INTEGER"},
    {"CARDNUM", "INTEGER"},
    {"NOTE", "VARCHAR(200)"},
    {"ACTIV", "INTEGER"},
    {"BLOCKTYPE", "INTEGER"},
    {"UNBLOCKTYPE", "INTEGER"},
    {"DATADD", "TIMESTAMP"},
    {"DATDEL", "TIMESTAMP"},
    {"OPERADD", "T_SMALLTEXT"},
    {"OPERDEL", "T_SMALLTEXT"},
};
constexpr TableOp kOps[] = {
    ModifyDateTracking(),
    PrimaryKey("PK_PC_BLACKLIST", R"("ID")"),
    Index("PC_BLACKLIST_IDX1", R"("CARD_ID")"),
    Generator("GEN_PC_BLACKLIST_ID"),
};
}  // namespace pc_blacklist

namespace pc_owner_blacklist {
constexpr ColumnDef kColumns[] = {
    {"CARDNUM", "T_SMALLTEXT", "", kNotNull},
    {"BLOCKTYPE", "INTEGER", "", kNotNull},
};
constexpr TableOp kOps[] = {
    PrimaryKey("PK_PC_OWNER_BLACKLIST", R"("CARDNUM")"),
};
}  // namespace pc_owner_blacklist

namespace pc_card {
constexpr ColumnDef kColumns[] = {
    {"ID", "INTEGER", "", kNotNull},
    {"NCARD", "INTEGER"},
    {"DATTIM", "TIMESTAMP"},
    {"NEMITENT", "INTEGER"},
    {"EMISSION_ID", "INTEGER"},
    {"HOLDER", "T_SMALLTEXT"},
    {"HOLDER_ID", "INTEGER"},
    {"CONTRAGENT_ID", "INTEGER"},
    {"CONTRAGENT2_ID", "INTEGER"},
    {"CONTR_ID", "INTEGER"},
    {"CONTR_ID_ON_CARD", "INTEGER"},
    {"CARDTYPE", "INTEGER"},
    {"DISCOUNT_ID", "INTEGER"},
    {"MAXLITRES", "INTEGER"},
    {"MAXTIMES", "INTEGER"},
    {"DATELIMIT", "DATE"},
    {"PIN", "INTEGER"},
    {"CREATOR", "VARCHAR(200)"},
    {"ACTIVE", "INTEGER", "1"},
    {"ENDDATE", "TIMESTAMP"},
    {"HOWDEACTIVETE", "INTEGER", "0"},
    {"DEACTIVETE_REASON", "T_SMALLTEXT"},
    {"OPERATIONNUM", "INTEGER", "0"},
    {"CARDTYPEREAL", "INTEGER"},
    {"MAXLITRESWEEK", "INTEGER"},
    {"MAXLITRESMONTH", "INTEGER"},
    {"HOLDERDOC", "T_SMALLTEXT"},
    {"HOLDERTEL", "T_SMALLTEXT"},
    {"HOLDEREMAIL", "T_SMALLTEXT"},
    {"OPERATOR", "T_SMALLTEXT"},
    {"BNCANGETDSC", "INTEGER", "1"},
    {"BNCANFIXBONUSTOCOSH", "INTEGER", "0"},
    {"NALCANGETDSC", "INTEGER", "0"},
    {"NALCANFIXBONUSTOCOSH", "INTEGER", "0"},
    {"FULLCARDNUM", "T_SMALLTEXT"},
    {"ISLIMITBEZNAL", "INTEGER"},
    {"BONUSPREVMONTH", "T_NUMBER"},
    {"BONUSCURRMONTH", "T_NUMBER"},
    {"BONUSALL", "T_NUMBER"},
    {"COSHLIMITTYPE", "INTEGER"},
    {"OPERNUM_LIM_DAY", "INTEGER"},
    {"OPERNUM_LIM_WEEK", "INTEGER"},
    {"OPERNUM_LIM_MONTH", "INTEGER"},
    {"FROMKMAZS", "INTEGER"},
    {"KMAZS_USR_NUM", "INTEGER"},
    {"ALLOWED_FOR_KMAZS", "INTEGER"},
    {"MIFARE_ID", "VARCHAR(16)"},
};
constexpr TableOp kOps[] = {
    ModifyDateTracking(),
    PrimaryKey("PK_PC_CARD", R"("ID")"),
    Index("PC_CARD_INDEX1", "NCARD"),
    Index("PC_CARD_INDEX2", "FULLCARDNUM"),
    Index("PC_CARD_INDEX3", "DATTIM"),
    Index("PC_CARD_INDEX4", "ENDDATE"),
    Index("PC_CARD_INDEX5", "CONTR_ID"),
    Generator("GEN_PC_CARD_ID"),
};
}  // namespace pc_card

namespace pc_coshel {
constexpr ColumnDef kColumns[] = {
    {"ID", "INTEGER", "", kNotNull},
    {"CARD_ID", "INTEGER"},
    {"NCOSHEL", "INTEGER"},
    {"TYP", "SMALLINT"},
    {"VAL", "T_NUMBER"},
    {"PRICE_ID", "INTEGER"},
    {"SUMMA", "T_NUMBER"},
    {"BONUSCOEFF", "T_NUMBER"},
    {"BONUSSUMSRC", "INTEGER"},
    {"MAXCOSHLIMIT", "INTEGER"},
    {"ISACTIVE", "INTEGER", "1"},
    {"OPERNUM_LIM", "INTEGER"},
};
constexpr TableOp kOps[] = {
    ModifyDateTracking(),
    PrimaryKey("PK_PC_COSHEL", R"("ID")"),
    Index("PC_COSHEL_IDX1", "CARD_ID"),
    Generator("GEN_PC_COSHEL_ID"),
};
}  // namespace pc_coshel

namespace pc_coshelhistory {
constexpr ColumnDef kColumns[] = {
    {"ID", "INTEGER", "", kNotNull},
    {"CARD_ID", "INTEGER"},
    {"CARD_NUM", "INTEGER"},
    {"COSHEL_ID", "INTEGER"},
    {"VAL", "DECIMAL(15,4)"},
    {"NEWVALUE", "DECIMAL(15,4)"},
    {"DATATIM", "TIMESTAMP"},
};
constexpr TableOp kOps[] = {
    PrimaryKey("PK_PC_COSHELHISTORY", R"("ID")"),
};
}  // namespace pc_coshelhistory

namespace pc_coshelnames {
constexpr ColumnDef kColumns[] = {
    {"ID", "INTEGER", "", kNotNull},
    {"COSHEL_TYP", "INTEGER"},
    {"NAME", "T_SMALLTEXT"},
    {"DEFBONUSCOEFF", "T_NUMBER"},
    {"DEFBONUSSUMSRC", "INTEGER"},
    {"KOGSMID", "INTEGER"},
};
constexpr TableOp kOps[] = {
    ModifyDateTracking(),
    Index("PC_COSHELNAMES_IDX1", "COSHEL_TYP"),
    PrimaryKey("PK_PC_COSHELNAMES", R"("ID")"),
    Generator("GEN_PC_COSHELNAMES_ID"),
};
}  // namespace pc_coshelnames

namespace pc_owner_coshelnames {
constexpr ColumnDef kColumns[] = {
    {"NEMITENT", "INTEGER", "", kNotNull},
    {"COSHEL_TYP", "INTEGER", "", kNotNull},
    {"NAME", "T_SMALLTEXT"},
};
constexpr TableOp kOps[] = {
    PrimaryKey("PK_PC_OWNER_COSHELNAMES", R"("NEMITENT","COSHEL_TYP")"),
};
}  // namespace pc_owner_coshelnames

namespace pc_discount {
constexpr ColumnDef kColumns[] = {
    {"ID", "INTEGER", "", kNotNull},
    {"NAME", "T_SMALLTEXT"},
    {"TYPE", "INTEGER"},
};
constexpr TableOp kOps[] = {
    ModifyDateTracking(),
    PrimaryKey("PK_PC_DISCOUNT", R"("ID")"),
    Generator("GEN_PC_DISCOUNT_ID"),
};
}  // namespace pc_discount

namespace pc_owner_discount {
constexpr ColumnDef kColumns[] = {
    {"NEMITENT", "INTEGER", "", kNotNull},
    {"ID", "INTEGER", "", kNotNull},
    {"NAME", "T_SMALLTEXT"},
    {"TYPE", "INTEGER"},
    {"MODIFYDATE", "TIMESTAMP"},
};
constexpr TableOp kOps[] = {
    PrimaryKey("PK_PC_OWNER_DISCOUNT", "NEMITENT,ID"),
    Index("PC_OWNER_DISCOUNT_IDX1", "MODIFYDATE"),
    ModifyDateTrigger("PC_OWNER_DISCOUNT_BIU10"),
};
}  // namespace pc_owner_discount

namespace pc_discporog {
constexpr ColumnDef kColumns[] = {
    {"ID", "INTEGER", "", kNotNull},
    {"DISCOUNT_ID", "INTEGER"},
    {"VAL", "T_NUMBER"},
    {"DISC", "T_NUMBER"},
    {"DISCTYPE", "INTEGER"},
    {"COSHEL", "INTEGER", "-1"},
};
constexpr TableOp kOps[] = {
    ModifyDateTracking(),
    PrimaryKey("PK_PC_DISCPOROG", R"("ID")"),
    Generator("GEN_PC_DISCPOROG_ID"),
};
}  // namespace pc_discporog

namespace pc_owner_discporog {
constexpr ColumnDef kColumns[] = {
    {"NEMITENT", "INTEGER", "", kNotNull},
    {"ID", "INTEGER", "", kNotNull},
    {"DISCOUNT_ID", "INTEGER"},
    {"VAL", "T_NUMBER"},
    {"DISC", "T_NUMBER"},
    {"DISCTYPE", "INTEGER"},
    {"COSHEL", "INTEGER"},
    {"MODIFYDATE", "TIMESTAMP"},
};
constexpr TableOp kOps[] = {
    PrimaryKey("PK_PC_OWNER_DISCPOROG", "NEMITENT,ID"),
    Index("PC_OWNER_DISCPOROG_IDX1", "MODIFYDATE"),
    ModifyDateTrigger("PC_OWNER_DISCPOROG_BIU10"),
};
}  // namespace pc_owner_discporog

namespace pc_coshelcoeff {
constexpr ColumnDef kColumns[] = {
    {"ID", "INTEGER", "", kNotNull},
    {"DISCOUNT_ID", "INTEGER"},
    {"COSHEL", "INTEGER"},
    {"COEFF", "T_NUMBER", "1"},
    {"RSS", "INTEGER", "0"},
};
constexpr TableOp kOps[] = {
    PrimaryKey("PK_PC_COSHELCOEFF", R"("ID")"),
    Generator("GEN_PC_COSHELCOEFF_ID"),
};
}  // namespace pc_coshelcoeff

namespace pc_owner_coshelcoeff {
constexpr ColumnDef kColumns[] = {
    {"NEMITENT", "INTEGER", "", kNotNull},
    {"ID", "INTEGER", "", kNotNull},
    {"DISCOUNT_ID", "INTEGER"},
    {"COSHEL", "INTEGER"},
    {"COEFF", "T_NUMBER"},
    {"RSS", "INTEGER"},
    {"MODIFYDATE", "TIMESTAMP"},
};
constexpr TableOp kOps[] = {
    PrimaryKey("PK_PC_OWNER_COSHELCOEFF", "NEMITENT,ID"),
    Index("PC_OWNER_COSHELCOEFF_IDX1", "MODIFYDATE"),
    ModifyDateTrigger("PC_OWNER_COSHELCOEFF_BIU10"),
};
}  // namespace pc_owner_coshelcoeff

namespace pc_emission {
constexpr ColumnDef kColumns[] = {
    {"ID", "INTEGER", "", kNotNull},
    {"NEMITENT", "INTEGER"},
    {"NEMISSION", "INTEGER"},
    {"NOTE", "T_SMALLTEXT"},
};
constexpr TableOp kOps[] = {
    ModifyDateTracking(),
    PrimaryKey("PK_PC_EMISSION", R"("ID")"),
    Generator("GEN_PC_EMISSION_ID"),
};
}  // namespace pc_emission

namespace pc_logtran_bk {
constexpr ColumnDef kColumns[] = {
    {"ID", "INTEGER", "", kNotNull},
    {"AZSNAME", "T_SMALLTEXT"},
    {"AZSNUMBER", "T_INTEGER"},
    {"DATA", "TIMESTAMP"},
    {"ADDTIME", "T_TIMESTAMP"},
    {"REPRICETIME", "T_TIMESTAMP"},
    {"INDEXSALE", "T_INTEGER"},
    {"POKUPATEL", "T_SMALLTEXT"},
    {"CARD_ID", "INTEGER"},
    {"CONTR_ID", "INTEGER"},
    {"VIDOPL", "INTEGER"},
    {"GSMNAME", "T_SMALLTEXT"},
    {"KODGSM", "SMALLINT"},
    {"LITER", "T_NUMBER"},
    {"GSMPRICE", "T_NUMBER"},
    {"SUMMA", "T_NUMBER"},
    {"OLDSUMMA", "T_NUMBER"},
    {"OLDLITER", "T_NUMBER"},
    {"PLOTN", "T_NUMBER"},
    {"BASEPRICE", "T_NUMBER"},
    {"PRICE_ISFINISH", "T_INTEGER"},
    {"COSHEL", "T_NUMBER"},
    {"COSHELVAL", "T_NUMBER"},
    {"COSHELOST", "T_NUMBER"},
    {"CARDSTATE_ID", "INTEGER"},
    {"TYPESALE", "T_INTEGER", "0"},
    {"ISBACK", "T_INTEGER", "0"},
    {"ISLIMITCARD", "T_INTEGER"},
    {"AZSOPER_ID", "T_INTEGER"},
    {"PARTNER_TRAN_ID", "T_INTEGER"},
    {"PARTNER_AZSCODE", "T_INTEGER"},
    {"FLAGKO", "T_INTEGER"},
    {"DATAPPLYINKO", "T_TIMESTAMP"},
    {"WRITEOFFTIME", "T_TIMESTAMP"},
};
constexpr TableOp kOps[] = {
    ModifyDateTracking(),
    Index("PC_LOGTRAN_BK_INDEX3", "AZSNUMBER"),
    Index("PC_LOGTRAN_BK_INDEX6", "DATA,POKUPATEL,AZSNUMBER,KODGSM,LITER", kUnique),
    Index("PC_LOGTRAN_BK_INDEX7", "DATA", kDescending),
    Index("PC_LOGTRAN_BK_INDEX8", "DATAPPLYINKO"),
    Index("PC_LOGTRAN_BK_INDEX9", "AZSOPER_ID"),
    Index("PC_LOGTRAN_BK_INDEX11", "AZSNUMBER,PARTNER_TRAN_ID", kDescending),
    Index("PC_LOGTRAN_BK_INDEX12", "CARD_ID,DATA"),
    Index("PC_LOGTRAN_BK_INDEX13", "CONTR_ID,DATA"),
    PrimaryKey("PK_PC_LOGTRAN_BK", R"("ID")"),
    Generator("GEN_PC_LOGTRAN_BK_ID"),
};
}  // namespace pc_logtran_bk

namespace pc_logtran_dk {
constexpr ColumnDef kColumns[] = {
    {"ID", "INTEGER", "", kNotNull},
    {"AZSNAME", "T_SMALLTEXT"},
    {"AZSNUMBER", "T_INTEGER"},
    {"DATA", "TIMESTAMP"},
    {"ADDTIME", "T_TIMESTAMP"},
    {"INDEXSALE", "T_INTEGER"},
    {"POKUPATEL", "T_SMALLTEXT"},
    {"CARD_ID", "INTEGER"},
    {"CONTR_ID", "INTEGER"},
    {"VIDOPL", "INTEGER"},
    {"GSMNAME", "T_SMALLTEXT"},
    {"KODGSM", "SMALLINT"},
    {"LITER", "T_NUMBER"},
    {"GSMPRICE", "T_NUMBER"},
    {"SUMMA", "T_NUMBER"},
    {"PLOTN", "T_NUMBER"},
    {"BASEPRICE", "T_NUMBER"},
    {"CARDSTATE_ID", "INTEGER"},
    {"TYPESALE", "T_INTEGER", "0"},
    {"ISBACK", "T_INTEGER", "0"},
    {"AZSOPER_ID", "T_INTEGER"},
    {"PARTNER_TRAN_ID", "T_INTEGER"},
    {"PARTNER_AZSCODE", "T_INTEGER"},
};
constexpr TableOp kOps[] = {
    Index("PC_LOGTRAN_DK_INDEX1", "DATA"),
    Index("PC_LOGTRAN_DK_INDEX3", "AZSNUMBER"),
    Index("PC_LOGTRAN_DK_INDEX5", "CARD_ID"),
    Index("PC_LOGTRAN_DK_INDEX6", "DATA,POKUPATEL,AZSNUMBER,KODGSM,LITER", kUnique),
    Index("PC_LOGTRAN_DK_INDEX7", "AZSOPER_ID"),
    Index("PC_LOGTRAN_DK_INDEX8", "CONTR_ID"),
    Index("PC_LOGTRAN_DK_INDEX9", "AZSNUMBER,PARTNER_TRAN_ID", kDescending),
    PrimaryKey("PK_PC_LOGTRAN_DK", R"("ID")"),
    Generator("GEN_PC_LOGTRAN_DK_ID"),
};
}  // namespace pc_logtran_dk

namespace pc_remoteredact {
constexpr ColumnDef kColumns[] = {
    {"ID", "INTEGER", "", kNotNull},
    {"CARDEMIT", "INTEGER"},
    {"CARDEMIS", "INTEGER"},
    {"CARDNUM", "INTEGER"},
    {"CARD_ID", "INTEGER"},
    {"DATCREATE", "TIMESTAMP"},
    {"DATLIVE", "TIMESTAMP"},
    {"COSHEL_TYP", "INTEGER"},
    {"OLD_COSHEL_TYP", "INTEGER"},
    {"VAL", "T_NUMBER"},
    {"PRICE_ID", "INTEGER"},
    {"SUMMA", "T_NUMBER"},
    {"NEWVAL", "T_NUMBER"},
    {"NOTE", "VARCHAR(200)"},
    {"CARDOPER", "INTEGER", "0"},
    {"STATUS", "INTEGER", "0"},
    {"VISIBLE", "INTEGER", "1"},
    {"DATAPPLY", "TIMESTAMP"},
    {"APPLYPLACE", "T_SMALLTEXT"},
    {"IDFOROWNER", "T_INTEGER"},
    {"NOT_ACTUAL_FOR_OWNER", "T_INTEGER", "0"},
    {"REDACTTYPE", "T_INTEGER", "0"},
    {"LIMIT_TYP", "T_INTEGER"},
    {"OPERADD", "T_SMALLTEXT"},
    {"BACK_TO_ACCOUNT_TIME", "T_TIMESTAMP"},
};
constexpr TableOp kOps[] = {
    ModifyDateTracking(),
    PrimaryKey("PK_PC_REMOTEREDACT", R"("ID")"),
    Index("PC_REMOTEREDACT_IDX1", "DATAPPLY"),
    Index("PC_REMOTEREDACT_IDX2", "IDFOROWNER"),
    Index("PC_REMOTEREDACT_IDX3", "CARDEMIT,CARDEMIS,CARDNUM"),
    Index("PC_REMOTEREDACT_IDX4", "CARD_ID"),
    Index("PC_REMOTEREDACT_IDX5", "DATCREATE"),
    Index("PC_REMOTEREDACT_IDX6", "BACK_TO_ACCOUNT_TIME"),
    Index("PC_REMOTEREDACT_IDX8", "CARD_ID,DATAPPLY"),
    Index("PC_REMOTEREDACT_IDX9", "CARD_ID,DATCREATE"),
    Index("PC_REMOTEREDACT_IDX10", "STATUS,REDACTTYPE"),
    Generator("GEN_PC_REMOTEREDACT_ID"),
};
}  // namespace pc_remoteredact

namespace pc_cardazsoperations {
constexpr ColumnDef kColumns[] = {
    {"ID", "INTEGER", "", kNotNull},
    {"AZS", "T_SMALLTEXT", "", kNotNull},
    {"AZSNUMBER", "INTEGER", "", kNotNull},
    {"DAT", "TIMESTAMP"},
    {"CARD", "T_SMALLTEXT"},
    {"CARD_ID", "INTEGER"},
    {"TYP", "INTEGER"},
    {"STRPARAM", "T_SMALLTEXT"},
    {"NOTE", "T_SMALLTEXT"},
    {"ERRCODE", "T_INTEGER"},
    {"ERROPERTYPE", "T_INTEGER"},
    {"GSM", "T_SMALLTEXT"},
    {"GSMID", "INTEGER"},
    {"PRICE", "T_NUMBER"},
    {"VAL", "T_NUMBER"},
    {"SUMMA", "T_NUMBER"},
    {"NEWVAL", "T_NUMBER"},
    {"PARTNER_OPER_ID", "T_INTEGER"},
    {"MODIFYDATE", "TIMESTAMP"},
};
constexpr TableOp kOps[] = {
    PrimaryKey("PK_PC_CARDAZSOPERATIONS", R"("ID")"),
    Index("PC_CARDAZSOPERATIONS_IDX1", "DAT"),
    Index("PC_CARDAZSOPERATIONS_IDX2", "DAT", kDescending),
    Index("PC_CARDAZSOPERATIONS_IDX3", "CARD"),
    Index("PC_CARDAZSOPERATIONS_IDX4", "AZSNUMBER,PARTNER_OPER_ID", kDescending),
    Index("PC_CARDAZSOPERATIONS_IDX5", "MODIFYDATE"),
    Index("PC_CARDAZSOPERATIONS_IDX6", "CARD_ID,DAT"),
    ModifyDateTrigger(""),
    Generator("GEN_PC_CARDAZSOPERATIONS_ID"),
};
}  // namespace pc_cardazsoperations

namespace pc_smprocessed {
constexpr ColumnDef kColumns[] = {
    {"ID", "INTEGER", "", kNotNull},
    {"AZSNUMBER", "INTEGER", "", kNotNull},
    {"SMNUM", "INTEGER", "", kNotNull},
    {"BEGTIME", "T_TIMESTAMP", "", kNotNull},
    {"ENDTIME", "T_TIMESTAMP", "", kNotNull},
    {"INDEXSALE_BEG", "INTEGER"},
    {"INDEXSALE_END", "INTEGER"},
    {"AZSOPERID_BEG", "INTEGER"},
    {"AZSOPERID_END", "INTEGER"},
    {"AZSOPERBK_COUNT", "INTEGER"},
    {"AZSOPERDK_COUNT", "INTEGER"},
    {"AZSOPER_PROCESSED", "INTEGER"},
    {"OPERATOR_NAME", "T_SMALLTEXT"},
};
constexpr TableOp kOps[] = {
    ModifyDateTracking(),
    PrimaryKey("PK_PC_SMPROCESSED", R"("ID")"),
    Index("PC_SMPROCESSED_IDX1", "AZSNUMBER,SMNUM"),
    Index("PC_SMPROCESSED_IDX2", "BEGTIME"),
    Index("PC_SMPROCESSED_IDX3", "ENDTIME"),
    Index("PC_SMPROCESSED_IDX4", "INDEXSALE_BEG"),
    Index("PC_SMPROCESSED_IDX5", "INDEXSALE_END"),
    Index("PC_SMPROCESSED_IDX6", "AZSOPERID_BEG"),
    Index("PC_SMPROCESSED_IDX7", "AZSOPERID_END"),
    Index("PC_SMPROCESSED_IDX8", "ID", kDescending),
    Generator("GEN_PC_SMPROCESSED_ID"),
};
}  // namespace pc_smprocessed

namespace pc_backcard {
constexpr ColumnDef kColumns[] = {
    {"ID", "INTEGER", "", kNotNull},
    {"AZSNUMBER", "INTEGER"},
    {"INDEXSALE", "INTEGER"},
    {"BACKDATE", "T_TIMESTAMP"},
    {"KODGSM", "INTEGER"},
    {"GSMNAME", "T_SMALLTEXT"},
    {"LITER", "T_NUMBER"},
    {"BASEPRICE", "T_NUMBER"},
    {"GSMPRICE", "T_NUMBER"},
    {"SUMMA", "T_NUMBER"},
    {"ZAKAZANOL", "T_NUMBER"},
    {"ZAKAZANOS", "T_NUMBER"},
    {"CARD_ID", "INTEGER"},
    {"ISLIMITCARD", "T_INTEGER"},
    {"ADDTIME", "T_TIMESTAMP"},
    {"APPLYTIME", "T_TIMESTAMP"},
    {"APPLYTYPE", "INTEGER"},
    {"LOGTRAN_BK_ID", "INTEGER"},
};
constexpr TableOp kOps[] = {
    ModifyDateTracking(),
    PrimaryKey("PK_PC_BACKCARD", R"("ID")"),
    Generator("GEN_PC_BACKCARD"),
    Index("PC_BACKCARD_IDX1", "AZSNUMBER,INDEXSALE"),
    Index("PC_BACKCARD_IDX2", "APPLYTIME"),
    Index("PC_BACKCARD_IDX3", "LOGTRAN_BK_ID"),
};
}  // namespace pc_backcard

namespace pc_emitents {
constexpr ColumnDef kColumns[] = {
    {"NEMITENT", "INTEGER", "", kNotNull},
    {"CONTR_ID", "INTEGER"},
    {"ISMAIN", "INTEGER"},
    {"CANSERV", "INTEGER", "1"},
    {"SERVERIP", "T_SMALLTEXT"},
    {"SERVERPORT", "INTEGER"},
    {"OWNER_DEF_ORG_ALLOW_TYPE", "INTEGER"},
    {"OWNER_CARD_WORK_METHOD", "INTEGER"},
    {"OWNER_CARD_CAN_READ_METHOD_0", "INTEGER"},
};
constexpr TableOp kOps[] = {
    ModifyDateTracking(),
    PrimaryKey("PK_PC_EMITENTS", R"("NEMITENT")"),
};
}  // namespace pc_emitents

namespace pc_cardstate {
constexpr ColumnDef kColumns[] = {
    {"ID", "INTEGER", "", kNotNull},
    {"STATETIME", "T_TIMESTAMP"},
    {"CARD_ID", "INTEGER"},
    {"BONUSALL", "T_NUMBER"},
    {"BONUSPREVMONTH", "T_NUMBER"},
    {"BONUSCURRMONTH", "T_NUMBER"},
    {"COSHELINFO", "VARCHAR(200)"},
    {"LASTCARDOPER", "INTEGER"},
};
constexpr TableOp kOps[] = {
    ModifyDateTracking(),
    PrimaryKey("PK_PC_CARDSTATE", R"("ID")"),
    Index("PC_CARDSTATE_IDX1", "CARD_ID"),
    Index("PC_CARDSTATE_IDX2", "STATETIME"),
    Generator("GEN_PC_CARDSTATE_ID"),
};
}  // namespace pc_cardstate

namespace pc_azsattach {
constexpr ColumnDef kColumns[] = {
    {"ID", "T_INTEGER", "", kNotNull},
    {"CONTR_ID", "T_INTEGER"},
    {"CARD_ID", "T_INTEGER"},
    {"AZSNUMBER", "T_INTEGER"},
    {"ATTACHTYPE", "T_INTEGER"},
    {"CARDALLOW", "T_INTEGER"},
    {"ISDELETE", "T_BOOLEAN", "0"},
};
constexpr TableOp kOps[] = {
    ModifyDateTracking(),
    PrimaryKey("PK_PC_AZSATTACH", R"("ID")"),
    Index("AZSATTACH_IDX1", R"("CONTR_ID")"),
    Index("AZSATTACH_IDX3", R"("AZSNUMBER")"),
    Index("AZSATTACH_IDX4", "AZSNUMBER,CONTR_ID"),
    Generator("GEN_PC_AZSATTACH"),
};
}  // namespace pc_azsattach

namespace pc_azscardattach {
constexpr ColumnDef kColumns[] = {
    {"ID", "T_INTEGER", "", kNotNull},
    {"AZSNUMBER", "T_INTEGER"},
    {"CONTR_ID", "T_INTEGER"},
    {"CARD_ID", "T_INTEGER"},
    {"ISDELETE", "T_BOOLEAN", "0"},
};
constexpr TableOp kOps[] = {
    ModifyDateTracking(),
    PrimaryKey("PK_PC_AZSCARDATTACH", R"("ID")"),
    Index("AZSCARDATTACH_IDX1", "AZSNUMBER,CONTR_ID,CARD_ID"),
    Generator("GEN_PC_AZSCARDATTACH"),
};
}  // namespace pc_azscardattach

namespace pc_owner_azsattach {
constexpr ColumnDef kColumns[] = {
    {"NEMITENT", "T_INTEGER", "", kNotNull},
    {"ID", "T_INTEGER", "", kNotNull},
    {"CONTR_ID", "T_INTEGER"},
    {"CARDNUM", "T_SMALLTEXT"},
    {"MODIFYDATE", "TIMESTAMP"},
};
constexpr TableOp kOps[] = {
    PrimaryKey("PK_PC_OWNER_AZSATTACH", "NEMITENT,ID"),
    Index("PC_OWNER_AZSATTACH_IDX1", "MODIFYDATE"),
    Index("PC_OWNER_AZSATTACH_IDX2", "CONTR_ID"),
    Index("PC_OWNER_AZSATTACH_IDX3", "CARDNUM"),
    ModifyDateTrigger("PC_OWNER_AZSATTACH_BIU10"),
};
}  // namespace pc_owner_azsattach

namespace pc_owner_orgparams {
constexpr ColumnDef kColumns[] = {
    {"NEMITENT", "INTEGER", "", kNotNull},
    {"CONTR_ID", "INTEGER", "", kNotNull},
    {"CARDALLOW", "INTEGER"},
    {"MODIFYDATE", "TIMESTAMP"},
};
constexpr TableOp kOps[] = {
    PrimaryKey("PK_PC_OWNER_ORGPARAMS", R"("NEMITENT","CONTR_ID")"),
    ModifyDateTrigger("PC_OWNER_ORGPARAMS_BIU10"),
};
}  // namespace pc_owner_orgparams

namespace pc_owner_allowcardlist {
constexpr ColumnDef kColumns[] = {
    {"NEMITENT", "INTEGER", "", kNotNull},
    {"CONTR_ID", "INTEGER", "", kNotNull},
    {"CARDNUM", "T_SMALLTEXT", "", kNotNull},
    {"MODIFYDATE", "TIMESTAMP"},
};
constexpr TableOp kOps[] = {
    PrimaryKey("PK_PC_OWNER_ALLOWCARDLIST", R"("NEMITENT","CONTR_ID","CARDNUM")"),
    ModifyDateTrigger("PC_OWNER_ALLOWCARDLIST_BIU10"),
};
}  // namespace pc_owner_allowcardlist

namespace pc_holderhist {
constexpr ColumnDef kColumns[] = {
    {"ID", "INTEGER", "", kNotNull},
    {"CARD_ID", "INTEGER", "", kNotNull},
    {"BEGDATE", "TIMESTAMP", "", kNotNull},
    {"ENDDATE", "TIMESTAMP"},
    {"HOLDER", "T_SMALLTEXT"},
    {"PHONE", "T_SMALLTEXT"},
    {"EMAIL", "T_SMALLTEXT"},
    {"DOCNUM", "T_SMALLTEXT"},
    {"COMMENT", "T_SMALLTEXT"},
    {"OPERADD", "T_SMALLTEXT"},
};
constexpr TableOp kOps[] = {
    PrimaryKey("PK_PC_HOLDERHIST", "ID"),
    Index("PC_HOLDERHIST_IDX1", "CARD_ID,BEGDATE,ENDDATE"),
    ModifyDateTracking(),
    Generator("GEN_PC_HOLDERHIST"),
};
}  // namespace pc_holderhist

namespace tmp_terminal_pc_oper {
constexpr ColumnDef kColumns[] = {
    {"ID", "T_INTEGER", "", kNotNull},
    {"DAT", "T_TIMESTAMP"},
    {"CARD", "T_SMALLTEXT"},
    {"TYP", "T_INTEGER"},
    {"STRPARAM", "T_SMALLTEXT"},
    {"NOTE", "T_SMALLTEXT"},
    {"ERRCODE", "T_INTEGER"},
    {"ERROPERTYPE", "T_INTEGER"},
    {"GSM", "T_SMALLTEXT"},
    {"GSMID", "T_INTEGER"},
    {"COSHEL", "T_INTEGER"},
    {"BASEPRICE", "T_NUMBER"},
    {"PRICE", "T_NUMBER"},
    {"KOLVO", "T_NUMBER"},
    {"SUMMA", "T_NUMBER"},
    {"VAL", "T_NUMBER"},
    {"NEWVAL", "T_NUMBER"},
    {"BONUSALL", "T_NUMBER"},
    {"BONUSPREVMONTH", "T_NUMBER"},
    {"BONUSCURRMONTH", "T_NUMBER"},
    {"TYPESALE", "T_INTEGER"},
    {"ISLIMITCARD", "T_INTEGER"},
    {"LASTCARDOPER", "T_INTEGER"},
    {"CONTR_ID", "T_INTEGER"},
    {"TRAN_STATUS", "T_INTEGER"},
    {"TERM_TRAN_ID", "T_INTEGER"},
    {"AZSNUMBER", "T_INTEGER"},
};
constexpr TableOp kOps[] = {
    PrimaryKey("PK_TMP_TERMINAL_PC_OPER", R"("ID")"),
    Index("TMP_TERMINAL_PC_OPER_IDX1", R"("TERM_TRAN_ID")"),
    Index("TMP_TERMINAL_PC_OPER_IDX2", R"("TRAN_STATUS","TYP")"),
    Index("TMP_TERMINAL_PC_OPER_IDX3", R"("AZSNUMBER","DAT")"),
    Generator("GEN_TMP_TERMINAL_PC_OPER"),
    Generator("GEN_TERMINAL_PC_GLOBAL"),
};
}  // namespace tmp_terminal_pc_oper

namespace tmp_terminal_rr {
constexpr ColumnDef kColumns[] = {
    {"ID", "T_INTEGER", "", kNotNull},
    {"DATAPPLY", "T_TIMESTAMP"},
    {"APPLYPLACE", "T_SMALLTEXT"},
    {"STATUS", "T_INTEGER"},
    {"TERM_TRAN_ID", "T_INTEGER"},
    {"TRAN_STATUS", "T_INTEGER"},
    {"AZSNUMBER", "T_INTEGER"},
};
constexpr TableOp kOps[] = {
    Index("TMP_TERMINAL_RR_IDX1", R"("TERM_TRAN_ID")"),
    Index("TMP_TERMINAL_RR_IDX2", R"("TRAN_STATUS")"),
    Index("TMP_TERMINAL_RR_IDX3", R"("AZSNUMBER","DATAPPLY")"),
    PrimaryKey("PK_TMP_TERMINAL_RR", R"("ID")"),
};
}  // namespace tmp_terminal_rr

namespace term_counters {
constexpr ColumnDef kColumns[] = {
    {"TERM_NUMBER", "VARCHAR(30)", "", kNotNull},
    {"CUR_SMENA_NUM", "T_INTEGER"},
    {"LAST_CHECK_NUM", "T_INTEGER"},
    {"LAST_DOC_NUM", "T_INTEGER"},
    {"KEEP_ALIVE_TIME", "T_TIMESTAMP"},
};
constexpr TableOp kOps[] = {
    ModifyDateTracking(),
    PrimaryKey("PK_TERM_COUNTERS", R"("TERM_NUMBER")"),
};
}  // namespace term_counters

constexpr TableDef kTables[] = {
    {"PC_BLACKLIST", pc_blacklist::kColumns, pc_blacklist::kOps},
    {"PC_OWNER_BLACKLIST", pc_owner_blacklist::kColumns, pc_owner_blacklist::kOps},
    {"PC_CARD", pc_card::kColumns, pc_card::kOps},
    {"PC_COSHEL", pc_coshel::kColumns, pc_coshel::kOps},
    {"PC_COSHELHISTORY", pc_coshelhistory::kColumns, pc_coshelhistory::kOps},
    {"PC_COSHELNAMES", pc_coshelnames::kColumns, pc_coshelnames::kOps},
    {"PC_OWNER_COSHELNAMES", pc_owner_coshelnames::kColumns, pc_owner_coshelnames::kOps},
    {"PC_DISCOUNT", pc_discount::kColumns, pc_discount::kOps},
    {"PC_OWNER_DISCOUNT", pc_owner_discount::kColumns, pc_owner_discount::kOps},
    {"PC_DISCPOROG", pc_discporog::kColumns, pc_discporog::kOps},
    {"PC_OWNER_DISCPOROG", pc_owner_discporog::kColumns, pc_owner_discporog::kOps},
    {"PC_COSHELCOEFF", pc_coshelcoeff::kColumns, pc_coshelcoeff::kOps},
    {"PC_OWNER_COSHELCOEFF", pc_owner_coshelcoeff::kColumns, pc_owner_coshelcoeff::kOps},
    {"PC_EMISSION", pc_emission::kColumns, pc_emission::kOps},
    {"PC_LOGTRAN_BK", pc_logtran_bk::kColumns, pc_logtran_bk::kOps},
    {"PC_LOGTRAN_DK", pc_logtran_dk::kColumns, pc_logtran_dk::kOps},
    {"PC_REMOTEREDACT", pc_remoteredact::kColumns, pc_remoteredact::kOps},
    {"PC_CARDAZSOPERATIONS", pc_cardazsoperations::kColumns, pc_cardazsoperations::kOps},
    {"PC_SMPROCESSED", pc_smprocessed::kColumns, pc_smprocessed::kOps},
    {"PC_BACKCARD", pc_backcard::kColumns, pc_backcard::kOps},
    {"PC_EMITENTS", pc_emitents::kColumns, pc_emitents::kOps},
    {"PC_CARDSTATE", pc_cardstate::kColumns, pc_cardstate::kOps},
    {"PC_AZSATTACH", pc_azsattach::kColumns, pc_azsattach::kOps},
    {"PC_AZSCARDATTACH", pc_azscardattach::kColumns, pc_azscardattach::kOps},
    {"PC_OWNER_AZSATTACH", pc_owner_azsattach::kColumns, pc_owner_azsattach::kOps},
    {"PC_OWNER_ORGPARAMS", pc_owner_orgparams::kColumns, pc_owner_orgparams::kOps},
    {"PC_OWNER_ALLOWCARDLIST", pc_owner_allowcardlist::kColumns, pc_owner_allowcardlist::kOps},
    {"PC_HOLDERHIST", pc_holderhist::kColumns, pc_holderhist::kOps},
    {"TMP_TERMINAL_PC_OPER", tmp_terminal_pc_oper::kColumns, tmp_terminal_pc_oper::kOps},
    {"TMP_TERMINAL_RR", tmp_terminal_rr::kColumns, tmp_terminal_rr::kOps},
    {"TERM_COUNTERS", term_counters::kColumns, term_counters::kOps},
};

// clang-format on
}  // namespace

std::span<const TableDef> CardTables() {
  return kTables;
}

}  // namespace brindle::schema
