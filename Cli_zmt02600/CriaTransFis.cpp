// The module's shared variables and the creation of the single main screen.
#include "Cli_zmt02600/ModuleVars.h"
#include "Cli_zmt02600/TFrmTransferenciaFisica.h"
#include "orv/Host.h"
#include "orv/widgets/FocusManager.h"
#include "orv/widgets/Guard.h"

#include <QApplication>

extern "C" {
zmt02600::TFrmTransferenciaFisica* FrmTransferenciaFisica = nullptr;
bool boIdCriado = false;
QString StCdBemAtivo;
QString p_nrseqop;
}

namespace {

// Unloading the module empties what a next load must not see. Defined after the variables, so
// it is destroyed before them.
struct EmptyOnUnload {
    ~EmptyOnUnload() {
        StCdBemAtivo.clear();
        p_nrseqop.clear();
        boIdCriado = false;
        FrmTransferenciaFisica = nullptr;
    }
} g_emptyOnUnload;

}  // namespace

extern "C" void CriaTransFis() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    orv::Guard([] {
        if (!boIdCriado) {
            auto* owner = qobject_cast<QWidget*>(orv::HostInstalled() ? orv::Host().MainWindow() : nullptr);
            auto* screen = new zmt02600::TFrmTransferenciaFisica(owner);
            screen->setWindowFlag(Qt::Window, true);
            screen->setAttribute(Qt::WA_DeleteOnClose, true);
            FrmTransferenciaFisica = screen;
            // A screen that could not reach its server is not kept: the message was shown.
            if (!screen->Initialize()) {
                delete screen;
                return;
            }
            boIdCriado = true;
            // The screen opens with the company to be typed (its enter handler runs).
            orv::FocusControl(screen->medEmpresa);
        }
        FrmTransferenciaFisica->show();
        FrmTransferenciaFisica->setWindowState(FrmTransferenciaFisica->windowState() & ~Qt::WindowMinimized);
        FrmTransferenciaFisica->raise();
        FrmTransferenciaFisica->activateWindow();
    });
    QApplication::restoreOverrideCursor();
}
