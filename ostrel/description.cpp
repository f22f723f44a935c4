// Out-of-line members anchor the two classes' virtual tables and type information in this one
// object, which the program and the shared structure library both link.
#include "ostrel/description.h"

namespace brindle {

TfbTable::~TfbTable() = default;
void TfbTable::ReservedSlot4() {}

TfbDataBase::~TfbDataBase() = default;
void TfbDataBase::ReservedSlot1() {}
void TfbDataBase::ReservedSlot5() {}

}  // namespace brindle
