#pragma once

namespace zmt02602 {

// Opens the batch registration dialog "Cadastramento Automático" modally.
void CriaCadAuto();

}  // namespace zmt02602
