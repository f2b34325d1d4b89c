#pragma once

#include <QString>

namespace zmt02600 {
class TFrmTransferenciaFisica;
}

// The module's shared variables, exported by name so the shell can see them.
extern "C" {
// The single main screen; empty until it is first created.
extern zmt02600::TFrmTransferenciaFisica* FrmTransferenciaFisica;
// True while the main screen exists.
extern bool boIdCriado;
// Internal code (CDBEMATIVO) of the asset selected on the screen.
extern QString StCdBemAtivo;
// Header number of the transfer being deleted.
extern QString p_nrseqop;

// The shell's entry point and the screen's creation.
void IniProc();
void CriaTransFis();
}
