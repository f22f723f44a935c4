// The office schema's summary tables, written down apart from the schema's data so that tests can
// cross-check the data against them: how each table keeps MODIFYDATE and how many columns it
// declares (mode-1 tables without the MODIFYDATE column the library adds).
#pragma once

#include <cstddef>

namespace brindle::testing {

enum ModifyDate { kMode1, kExplicit, kNone, kPlainColumn };

struct ExpectedTable {
  const char* name;
  ModifyDate modify_date;
  std::size_t columns;
};

// The summary tables of the replicated tables (copy order) and of the other tables: how each
// keeps MODIFYDATE and how many columns it declares.
inline constexpr ExpectedTable kSummary[] = {
    {"OFFICE", kMode1, 33},
    {"CONTRAGENT", kMode1, 59},
    {"ORGPEOPLE", kMode1, 28},
    {"PC_BLACKLIST", kMode1, 11},
    {"PC_CARD", kMode1, 47},
    {"PC_COSHEL", kMode1, 12},
    {"PC_COSHELNAMES", kMode1, 6},
    {"PC_DISCOUNT", kMode1, 3},
    {"PC_DISCPOROG", kMode1, 6},
    {"PC_EMISSION", kMode1, 4},
    {"PC_EMITENTS", kMode1, 9},
    {"PC_LOGTRAN_BK", kMode1, 34},
    {"PC_CARDSTATE", kMode1, 8},
    {"PC_REMOTEREDACT", kMode1, 25},
    {"PC_CARDAZSOPERATIONS", kExplicit, 19},
    {"PC_SMPROCESSED", kMode1, 13},
    {"PC_BACKCARD", kMode1, 18},
    {"PC_AZSATTACH", kMode1, 7},
    {"PC_AZSCARDATTACH", kMode1, 5},
    {"PC_HOLDERHIST", kMode1, 10},
    {"KOGSMLIST", kMode1, 8},
    {"KOPRICECATEGORY", kMode1, 13},
    {"KOPRICECATVALUES", kMode1, 8},
    {"KOPRICEHISTORY", kMode1, 11},
    {"KOOSTATKI", kMode1, 5},
    {"KOOSTATKICHANGEHISTORY", kExplicit, 13},
    {"KOOSTATKICHANGEHISTORYVALUES", kExplicit, 10},
    {"KORASPREDCARD", kMode1, 3},
    {"KORASPREDCARDTYP", kMode1, 8},
    {"KORASPREDCARDVAL", kMode1, 6},
    {"KOORGBLACKLIST", kMode1, 10},
    {"KOACCOUNTS", kMode1, 18},
    {"KOORGLASTDATA", kMode1, 6},
    {"KOAUTODSC", kMode1, 4},
    {"KOAUTODSCPOROGS", kMode1, 6},
    {"HISTAUTENF", kMode1, 9},
    {"TERM_COUNTERS", kMode1, 5},
    {"DSCCARDS", kNone, 7},
    {"GSMCHANGEHISTORY", kNone, 13},
    {"CONFIGPARAMS", kPlainColumn, 10},
    {"COUPONS", kNone, 10},
    {"COUPONBREAK", kNone, 9},
    {"COUPONPARTION", kNone, 13},
    {"COUPONMASK", kNone, 5},
    {"COUPONSKLADLIST", kNone, 3},
    {"COUPONSKLADMOVE", kNone, 11},
    {"KOAZSGSMLIST", kMode1, 4},
    {"KOGSMLISTHISTORY", kNone, 6},
    {"PCCARDSOPERKO", kNone, 6},
    {"KO_OWNER_ORGBLACKLIST", kNone, 3},
    {"CONTRAGENTTYPE", kNone, 3},
    {"ORGATTACH", kMode1, 5},
    {"ORGCARS", kMode1, 12},
    {"DRIVERATTACH", kMode1, 4},
    {"CARATTACH", kMode1, 4},
    {"PC_OWNER_BLACKLIST", kNone, 2},
    {"PC_COSHELHISTORY", kNone, 7},
    {"PC_OWNER_COSHELNAMES", kNone, 3},
    {"PC_OWNER_DISCOUNT", kExplicit, 5},
    {"PC_OWNER_DISCPOROG", kExplicit, 8},
    {"PC_COSHELCOEFF", kNone, 5},
    {"PC_OWNER_COSHELCOEFF", kExplicit, 7},
    {"PC_LOGTRAN_DK", kNone, 23},
    {"PC_OWNER_AZSATTACH", kExplicit, 5},
    {"PC_OWNER_ORGPARAMS", kExplicit, 4},
    {"PC_OWNER_ALLOWCARDLIST", kExplicit, 4},
    {"TMP_TERMINAL_PC_OPER", kNone, 27},
    {"TMP_TERMINAL_RR", kNone, 7},
    {"HANDBOOK", kNone, 3},
    {"HANDBOOK_AZS", kNone, 2},
};

}  // namespace brindle::testing
