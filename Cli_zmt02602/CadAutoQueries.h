#pragma once

#include "orv/Query.h"

// The batch dialog's own selection queries (the location and operation checks share the
// transfer screen's declarations).
namespace zmt02602 {

__attribute__((visibility("default"))) void DeclareQryPesqGrupoBem(orv::TADOIBQuery& q);
__attribute__((visibility("default"))) void DeclareQryBem(orv::TADOIBQuery& q);
__attribute__((visibility("default"))) void DeclareQryFilial(orv::TADOIBQuery& q);
__attribute__((visibility("default"))) void DeclareQryBensListados(orv::TADOIBQuery& q);

}  // namespace zmt02602
