// The package entry the shell calls after loading libzmt02600.so.
#include "Cli_zmt02600/ModuleVars.h"

extern "C" void IniProc() { CriaTransFis(); }
