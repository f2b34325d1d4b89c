#pragma once

#include <QString>

class QWidget;

namespace orv {

// Where a screen opens and what the clerk made of it. The window size and the widths the clerk
// dragged its grids' columns to are kept per operator in the user's settings (a default
// QSettings, group "telas/OPERADOR/WINDOW", its grids under "colunas/GRID").

// Fits the window (before it shows) into the free area of the screen the main window is on,
// frame included, and centres it there.
void PlaceOnScreen(QWidget* window);
// The logged-in operator's size of the window and widths of its grids' columns, then the place.
void RestoreWindowLayout(QWidget* window);
// Keeps the window's size and its grids' column widths for the logged-in operator.
void SaveWindowLayout(const QWidget* window);
// "telas/OPERADOR/WINDOW"; empty without an operator or a window name (nothing is kept).
QString WindowLayoutGroup(const QWidget* window);

}  // namespace orv
