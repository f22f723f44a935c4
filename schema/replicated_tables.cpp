#include "schema/replicated_tables.h"

namespace brindle {

namespace {

// One entry a line, so that each can be checked by eye.
// clang-format off
constexpr ReplicatedTable kReplicatedTables[] = {
    {"OFFICE", "AZSNUMBER"},
    {"CONTRAGENT", "CONTR_ID"},
    {"ORGPEOPLE", "ID"},
    {"PC_BLACKLIST", "ID"},
    {"PC_CARD", "ID", "ID"},
    {"PC_COSHEL", "ID"},
    {"PC_COSHELNAMES", "ID"},
    {"PC_DISCOUNT", "ID"},
    {"PC_DISCPOROG", "ID"},
    {"PC_EMISSION", "ID"},
    {"PC_EMITENTS", "NEMITENT"},
    {"PC_LOGTRAN_BK", "ID"},
    {"PC_CARDSTATE", "ID", "CARD_ID"},
    {"PC_REMOTEREDACT", "ID"},
    {"PC_CARDAZSOPERATIONS", "ID"},
    {"PC_SMPROCESSED", "ID"},
    {"PC_BACKCARD", "ID"},
    {"PC_AZSATTACH", "ID"},
    {"PC_AZSCARDATTACH", "ID"},
    {"PC_HOLDERHIST", "ID"},
    {"KOGSMLIST", "ID"},
    {"KOPRICECATEGORY", "ID"},
    {"KOPRICECATVALUES", "ID"},
    {"KOPRICEHISTORY", "ID"},
    {"KOOSTATKI", "ID"},
    {"KOOSTATKICHANGEHISTORY", "ID"},
    {"KOOSTATKICHANGEHISTORYVALUES", "ID"},
    {"KORASPREDCARD", "ID"},
    {"KORASPREDCARDTYP", "ID"},
    {"KORASPREDCARDVAL", "ID"},
    {"KOORGBLACKLIST", "ID"},
    {"KOACCOUNTS", "ID"},
    {"KOORGLASTDATA", "CONTR_ID"},
    {"KOAUTODSC", "ID"},
    {"KOAUTODSCPOROGS", "ID"},
    {"HISTAUTENF", "ID"},
    {"TERM_COUNTERS", "TERM_NUMBER", "", true},
};

// clang-format on
}  // namespace

std::span<const ReplicatedTable> ReplicatedTables() {
  return kReplicatedTables;
}

}  // namespace brindle
