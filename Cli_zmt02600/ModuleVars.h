#pragma once

#include <QString>

namespace zmt02600 {
class TFrmTransferenciaFisica;
}

#define ZMT02600_EXPORT __attribute__((visibility("default")))

// The module's shared variables, exported by name so the shell can see them.
extern "C" {
// The single main screen; empty until it is first created.
ZMT02600_EXPORT extern zmt02600::TFrmTransferenciaFisica* FrmTransferenciaFisica;
// True while the main screen exists.
ZMT02600_EXPORT extern bool boIdCriado;
// Internal code (CDBEMATIVO) of the asset selected on the screen.
ZMT02600_EXPORT extern QString StCdBemAtivo;
// Header number of the transfer being deleted.
ZMT02600_EXPORT extern QString p_nrseqop;

// The shell's entry point and the screen's creation.
ZMT02600_EXPORT void IniProc();
ZMT02600_EXPORT void CriaTransFis();
}
