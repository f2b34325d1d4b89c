#pragma once

#include "orv/DataSet.h"
#include "orv/widgets/Widgets.h"
#include "shell/Scriptable.h"

// A small screen with one of each thing a session drives, built as the modules build theirs.

namespace shell_test {

// Modal dialog with its own edit and a close button; its lblCodTela shadows the screen's.
class TfrmObservacao : public orv::TfrmRotiGeral {
public:
    explicit TfrmObservacao(QWidget* parent);
    orv::TEdit* edtObs;
    orv::TSpeedButton* btnFechar;
};

class TfrmTeste : public orv::TfrmPadraoGrid, public shell::IScriptable {
public:
    explicit TfrmTeste(QWidget* parent);
    ~TfrmTeste() override;

    orv::TDataSet cdsBens{QStringLiteral("cdsBens")};
    orv::TDataSet cdsEmpresas{QStringLiteral("cdsEmpresas")};
    orv::TDataSource dtsEmpresas{QStringLiteral("dtsEmpresas"), &cdsEmpresas};
    orv::TDataSet cdsVazia{QStringLiteral("cdsVazia")};
    orv::TDataSource dtsVazia{QStringLiteral("dtsVazia"), &cdsVazia};
    orv::TDataSet cdsItens{QStringLiteral("cdsItens")};
    orv::TDataSource dtsItens{QStringLiteral("dtsItens"), &cdsItens};
    orv::TDataSet cdsHistorico{QStringLiteral("cdsHistorico")};   // only through IScriptable
    orv::TDataSet cdsRegistrado{QStringLiteral("cdsRegistrado")};  // only through the registry

    orv::TPanel* panFiltro;
    orv::TMaskEdit* edtEmpresa;
    orv::TBtnPesquisa* btnEmpresa;
    orv::TEdit* edtNome;
    orv::TDateEditPlus* edtData;
    orv::TBtnPesquisa* btnVazio;
    orv::TSpeedButton* btnMarcar;
    orv::TSpeedButton* btnPergunta;
    orv::TSpeedButton* btnAvisos;
    orv::TSpeedButton* btnDialogo;
    orv::TLabel* lblMarcadas;
    orv::TLabel* lblResposta;
    orv::TLabel* lblObs;
    orv::TLabel* lblPagina;
    orv::TMenuItem* mnuMarcar;
    orv::TTabSheet* tshDados;
    orv::TTabSheet* tshExtra;
    orv::TDBEdit* dbeNome;
    orv::TEdit* edtBloqueado;
    orv::TDBGrid* dbgItens;
    TfrmObservacao* dialog = nullptr;

    void FormCreate() override;
    orv::TDataSet* FindDataSet(const QString& name) override;
};

}  // namespace shell_test
