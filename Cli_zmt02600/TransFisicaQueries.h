#pragma once

#include "orv/Query.h"

// The reference queries of the transfer screen, declared once: SQL text line by line as
// stored, engine variants where the generic text does not run, and the result fields.
namespace zmt02600 {

__attribute__((visibility("default"))) void DeclareQryEmpresa(orv::TADOIBQuery& q);
__attribute__((visibility("default"))) void DeclareQryPesqFilial(orv::TADOIBQuery& q);
__attribute__((visibility("default"))) void DeclareQryVd_Filial(orv::TADOIBQuery& q);
__attribute__((visibility("default"))) void DeclareQryPesqCentCust(orv::TADOIBQuery& q);
__attribute__((visibility("default"))) void DeclareQryVd_PesqCentCust(orv::TADOIBQuery& q);
__attribute__((visibility("default"))) void DeclareQryPesqSetor(orv::TADOIBQuery& q);
__attribute__((visibility("default"))) void DeclareQryVd_Setor(orv::TADOIBQuery& q);
__attribute__((visibility("default"))) void DeclareQryPesqResponsavel(orv::TADOIBQuery& q);
__attribute__((visibility("default"))) void DeclareQryVd_Responsavel(orv::TADOIBQuery& q);
__attribute__((visibility("default"))) void DeclareQryPesqTipoOper(orv::TADOIBQuery& q);
__attribute__((visibility("default"))) void DeclareQryVdTipoOper(orv::TADOIBQuery& q);
__attribute__((visibility("default"))) void DeclareQryPesqMotivoOper(orv::TADOIBQuery& q);
__attribute__((visibility("default"))) void DeclareQryVdMotivoOper(orv::TADOIBQuery& q);
__attribute__((visibility("default"))) void DeclareQryPesqHistPadr(orv::TADOIBQuery& q);
__attribute__((visibility("default"))) void DeclareQryContCtbl(orv::TADOIBQuery& q);

}  // namespace zmt02600
