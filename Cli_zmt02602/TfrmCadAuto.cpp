#include "Cli_zmt02602/TfrmCadAuto.h"

#include "orv/Host.h"

namespace zmt02602 {

// The batch dialog comes with its own work; until then the button says so.
void CriaCadAuto() {
    orv::Host().ShowMessage(QStringLiteral("O Cadastramento Automático ainda não está disponível nesta versão."));
}

}  // namespace zmt02602
