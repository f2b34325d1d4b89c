#include "orv/widgets/WindowLayout.h"

#include "orv/Host.h"
#include "orv/widgets/DBGrid.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QStyle>
#include <QWidget>

#include <algorithm>

namespace orv {

namespace {

const QString kSize = QStringLiteral("tamanho");
const QString kColumns = QStringLiteral("colunas/");

QWidget* MainWindowWidget() { return HostInstalled() ? qobject_cast<QWidget*>(Host().MainWindow()) : nullptr; }

// What the window manager adds around a window: the window's own frame once it was shown, else
// the main window's, else (neither known yet) a guess from the style's title bar and border.
QMargins FrameMargins(const QWidget* window) {
    auto margins = [](const QWidget* w) {
        const QRect frame = w->frameGeometry();
        const QRect inner = w->geometry();
        return QMargins(inner.left() - frame.left(), inner.top() - frame.top(), frame.right() - inner.right(),
                        frame.bottom() - inner.bottom());
    };
    if (window->isVisible() && !margins(window).isNull()) return margins(window);
    const QWidget* main = MainWindowWidget();
    if (main && main->isVisible() && !margins(main).isNull()) return margins(main);
    const int border = window->style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, window);
    const int title = window->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, window);
    return QMargins(border, title + border, border, border);
}

// The grids of the window itself, not of the dialogs it owns.
QList<TDBGrid*> GridsOf(const QWidget* window) {
    QList<TDBGrid*> grids;
    for (TDBGrid* grid : window->findChildren<TDBGrid*>())
        if (grid->window() == window && !grid->objectName().isEmpty()) grids << grid;
    return grids;
}

}  // namespace

QString WindowLayoutGroup(const QWidget* window) {
    const QString operador = HostInstalled() ? Host().Operador() : QString();
    if (operador.isEmpty() || window->objectName().isEmpty()) return {};
    return QStringLiteral("telas/%1/%2").arg(operador, window->objectName());
}

void PlaceOnScreen(QWidget* window) {
    const QWidget* main = MainWindowWidget();
    QScreen* screen = main && main->isVisible() ? main->screen() : window->screen();
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect free = screen->availableGeometry();
    const QMargins frame = FrameMargins(window);
    const QSize room(free.width() - frame.left() - frame.right(), free.height() - frame.top() - frame.bottom());
    // A size kept on a larger screen shrinks to this one; never below what the layout needs.
    const QSize size = window->size().boundedTo(room).expandedTo(window->minimumSizeHint()).expandedTo(window->minimumSize());
    const int outerWidth = size.width() + frame.left() + frame.right();
    const int outerHeight = size.height() + frame.top() + frame.bottom();
    const QPoint outer(free.left() + std::max(0, (free.width() - outerWidth) / 2),
                       free.top() + std::max(0, (free.height() - outerHeight) / 2));
    // Placed by its inside, the frame around it: window managers differ on where a frame that is
    // asked for lands, not on where the inside does.
    window->setGeometry(QRect(outer + QPoint(frame.left(), frame.top()), size));
}

void RestoreWindowLayout(QWidget* window) {
    const QString group = WindowLayoutGroup(window);
    if (!group.isEmpty()) {
        QSettings settings;
        settings.beginGroup(group);
        const QSize size = settings.value(kSize).toSize();
        if (size.isValid()) window->resize(size);
        for (TDBGrid* grid : GridsOf(window)) {
            settings.beginGroup(kColumns + grid->objectName());
            QHash<QString, int> widths;
            for (const QString& field : settings.childKeys())
                if (const int width = settings.value(field).toInt(); width > 0) widths.insert(field, width);
            settings.endGroup();
            if (!widths.isEmpty()) grid->SetUserColumnWidths(widths);
        }
    }
    PlaceOnScreen(window);
}

void SaveWindowLayout(const QWidget* window) {
    const QString group = WindowLayoutGroup(window);
    if (group.isEmpty()) return;
    QSettings settings;
    settings.beginGroup(group);
    settings.setValue(kSize, window->isMaximized() || window->isFullScreen() ? window->normalGeometry().size()
                                                                              : window->size());
    for (const TDBGrid* grid : GridsOf(window)) {
        settings.beginGroup(kColumns + grid->objectName());
        settings.remove(QString());
        const QHash<QString, int> widths = grid->UserColumnWidths();
        for (auto it = widths.cbegin(); it != widths.cend(); ++it) settings.setValue(it.key(), it.value());
        settings.endGroup();
    }
}

}  // namespace orv
