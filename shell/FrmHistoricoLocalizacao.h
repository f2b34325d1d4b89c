#pragma once

#include "orv/DataSet.h"
#include "orv/NetConnection.h"
#include "orv/Query.h"
#include "orv/widgets/BtnPesquisa.h"
#include "orv/widgets/DBGrid.h"
#include "orv/widgets/Edits.h"
#include "orv/widgets/StdControls.h"
#include "orv/widgets/TableExport.h"

#include <QWidget>

namespace shell {

// "Histórico por Localização" (Patrimônio menu): every transfer into or out of a place — a
// branch of a company, optionally narrowed to a cost centre and a sector — in a period, and the
// assets that were there at the end of a day. The lists come from the application server
// (GetHistLocalizacao, GetBensLocalizacao); the codes are checked and offered from the shared
// database, as the screens do. Both lists export to CSV.
class FrmHistoricoLocalizacao : public QWidget, public orv::IExportContext {
public:
    explicit FrmHistoricoLocalizacao(QWidget* parent = nullptr);
    ~FrmHistoricoLocalizacao() override;

    // "Histórico por Localização - filial 0002", and the cost centre and sector when given.
    QString ExportContext() const override;

    orv::TMaskEdit* medEmpresa;
    orv::TBtnPesquisa* btpEmpresa;
    orv::TEdit* edtNmEmpresa;
    orv::TMaskEdit* medFilial;
    orv::TBtnPesquisa* btpFilial;
    orv::TEdit* edtNmFilial;
    orv::TMaskEdit* medCentCust;
    orv::TBtnPesquisa* btpCentCust;
    orv::TEdit* edtNmCentCust;
    orv::TMaskEdit* medSetor;
    orv::TBtnPesquisa* btpSetor;
    orv::TEdit* edtNmSetor;
    orv::TDateEditPlus* depDataIni;
    orv::TDateEditPlus* depDataFim;
    orv::TDateEditPlus* depDataPosicao;
    orv::TSpeedButton* sbtConsultar;
    orv::TGroupBox* grbHistorico;
    orv::TDBGrid* dbgHistorico;
    orv::TLabel* lblQtdHistorico;
    orv::TGroupBox* grbBens;
    orv::TDBGrid* dbgBens;
    orv::TLabel* lblQtdBens;

    orv::TDataSet cdsHistorico{QStringLiteral("cdsHistorico")};
    orv::TDataSource dtsHistorico{QStringLiteral("dtsHistorico")};
    orv::TDataSet cdsBens{QStringLiteral("cdsBens")};
    orv::TDataSource dtsBens{QStringLiteral("dtsBens")};

    orv::TADOIBQuery qryEmpresa{QStringLiteral("qryEmpresa")};
    orv::TDataSource dtsEmpresa{QStringLiteral("dtsEmpresa")};
    orv::TADOIBQuery qryFilial{QStringLiteral("qryFilial")};
    orv::TDataSource dtsFilial{QStringLiteral("dtsFilial")};
    orv::TADOIBQuery qryCentCust{QStringLiteral("qryCentCust")};
    orv::TDataSource dtsCentCust{QStringLiteral("dtsCentCust")};
    orv::TADOIBQuery qrySetor{QStringLiteral("qrySetor")};
    orv::TDataSource dtsSetor{QStringLiteral("dtsSetor")};

    orv::TNetConnection netHistorico{QStringLiteral("netHistorico")};

    // Checks a typed code and shows its name; an empty optional code passes. MensErro (focus on
    // the edit) when it is missing or unknown.
    void Vd_Empresa(bool obrigatorio);
    void Vd_Filial(bool obrigatorio);
    void Vd_CentCust();
    void Vd_Setor();
    // Checks everything in screen order, then reads both lists from the server.
    void sbtConsultarClick();

protected:
    // Keeps the operator's size and columns.
    void closeEvent(QCloseEvent* event) override;

private:
    void DeclareDataSets();
    void CreateComponents();
    void BindHandlers();
    // Opens a lookup's query with its parameters; false when it found nothing.
    static bool Run(orv::TADOIBQuery& q, std::initializer_list<std::pair<const char*, QString>> params);
    // Empties the lists: what they showed no longer matches the codes on screen.
    void ClearLists();
};

}  // namespace shell
