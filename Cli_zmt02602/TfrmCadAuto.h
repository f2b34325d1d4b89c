#pragma once

namespace zmt02602 {

// Opens the batch registration dialog "Cadastramento Automático" modally.
__attribute__((visibility("default"))) void CriaCadAuto();

}  // namespace zmt02602
