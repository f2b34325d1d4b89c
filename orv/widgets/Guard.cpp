#include "orv/widgets/Guard.h"

#include "orv/Host.h"
#include "orv/Routines.h"

#include <QDebug>
#include <QString>

namespace orv {

namespace {

void Show(const QString& text) noexcept {
    try {
        if (HostInstalled()) {
            Host().ShowMessage(text);
            return;
        }
    } catch (...) {
        // The host failed to show it: the log is all that is left.
    }
    qWarning().noquote() << text;
}

}  // namespace

void ReportException(const std::exception& error) noexcept {
    if (dynamic_cast<const EAbort*>(&error)) return;
    Show(QString::fromUtf8(error.what()));
}

bool Guard(const std::function<void()>& handler) noexcept {
    try {
        handler();
        return true;
    } catch (const EAbort&) {
        return false;
    } catch (const std::exception& error) {
        Show(QString::fromUtf8(error.what()));
    } catch (...) {
        Show(QStringLiteral("Erro inesperado."));
    }
    return false;
}

}  // namespace orv
