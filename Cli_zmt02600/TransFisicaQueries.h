#pragma once

#include "orv/Query.h"

// The reference queries of the transfer screen, declared once: SQL text line by line as
// stored, engine variants where the generic text does not run, and the result fields.
namespace zmt02600 {

void DeclareQryEmpresa(orv::TADOIBQuery& q);
void DeclareQryPesqFilial(orv::TADOIBQuery& q);
void DeclareQryVd_Filial(orv::TADOIBQuery& q);
void DeclareQryPesqCentCust(orv::TADOIBQuery& q);
void DeclareQryVd_PesqCentCust(orv::TADOIBQuery& q);
void DeclareQryPesqSetor(orv::TADOIBQuery& q);
void DeclareQryVd_Setor(orv::TADOIBQuery& q);
void DeclareQryPesqResponsavel(orv::TADOIBQuery& q);
void DeclareQryVd_Responsavel(orv::TADOIBQuery& q);
void DeclareQryPesqTipoOper(orv::TADOIBQuery& q);
void DeclareQryVdTipoOper(orv::TADOIBQuery& q);
void DeclareQryPesqMotivoOper(orv::TADOIBQuery& q);
void DeclareQryVdMotivoOper(orv::TADOIBQuery& q);
void DeclareQryPesqHistPadr(orv::TADOIBQuery& q);
void DeclareQryContCtbl(orv::TADOIBQuery& q);

}  // namespace zmt02600
