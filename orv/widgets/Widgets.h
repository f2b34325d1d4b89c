#pragma once

// Everything a screen uses from the component library.
#include "orv/widgets/BaseForms.h"
#include "orv/widgets/BtnPesquisa.h"
#include "orv/widgets/Control.h"
#include "orv/widgets/DBControls.h"
#include "orv/widgets/DBGrid.h"
#include "orv/widgets/Edits.h"
#include "orv/widgets/FocusManager.h"
#include "orv/widgets/Guard.h"
#include "orv/widgets/PageControl.h"
#include "orv/widgets/StdControls.h"
#include "orv/widgets/TableExport.h"
