#pragma once

#include "orv/Query.h"

// The batch dialog's own selection queries (the location and operation checks share the
// transfer screen's declarations).
namespace zmt02602 {

void DeclareQryPesqGrupoBem(orv::TADOIBQuery& q);
void DeclareQryBem(orv::TADOIBQuery& q);
void DeclareQryFilial(orv::TADOIBQuery& q);
void DeclareQryBensListados(orv::TADOIBQuery& q);

}  // namespace zmt02602
