#include "orv/widgets/Guard.h"

#include "orv/Host.h"
#include "orv/Routines.h"

#include <QDebug>
#include <QKeyEvent>
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

QChar KeyCharOf(const QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return: case Qt::Key_Enter: return QLatin1Char('\r');
    case Qt::Key_Backspace: return QLatin1Char('\b');
    case Qt::Key_Escape: return QChar(0x1b);
    default: break;
    }
    const QString text = event->text();
    return !text.isEmpty() && text[0].isPrint() ? text[0] : QChar();
}

}  // namespace orv
