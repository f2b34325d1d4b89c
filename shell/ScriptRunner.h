#pragma once

#include <QString>

#include <functional>
#include <iosfwd>

namespace shell {

class MainWindow;
class ShellHost;

// Runs a scripted session (erp-shell --script FILE) against the real widgets, with a scripted
// host that takes the messages, questions and pick lists. Prints each failed line and a
// closing "N passed, M failed"; returns 0 only when every line held and nothing queued was
// left unused.
//
// One command a line; '#' starts a comment; arguments are separated by blanks, double quotes
// keep blanks (\" is a quote); ${TODAY} is today as dd/mm/yyyy. Controls, pages, menu items and
// data sets are found by object name in the open modal dialog, then the active screen, then the
// main window.
//
//   open CODE                    loads the module and activates the screen it opens
//   close                        closes the open dialog, else the active screen
//   focus CONTROL                moves the focus as a click would (exit/enter handlers run)
//   set CONTROL TEXT             replaces the text as a paste would: no focus move, no key filter
//   type CONTROL TEXT            focuses, then types key by key (key filters run); a grid takes
//                                the keys in its current cell, as a clerk types into it
//   key CONTROL KEY              Enter Tab Escape Up Down Left Right Delete Backspace Home End
//                                PageUp PageDown Insert Space F1..F12, a letter or a digit, with
//                                Ctrl+ Shift+ Alt+ (Ctrl+Shift+E exports a list)
//   click CONTROL                button, radio button, menu item, or a page's tab
//   menu CONTROL "ITEM"          chooses an item of the control's context menu, as a right click
//                                does ("Exportar para CSV" on a grid)
//   cell GRID ROW FIELD TEXT     edits a cell of an editing grid in place (rows from 1)
//   cellbutton GRID ROW FIELD    presses the "..." of a cell (Ctrl+Enter); row 1 of an empty grid
//   grid GRID ROW                moves the grid to a row as a click would
//   answer yes|no                queues the answer to the next question
//   pick FIELD=VALUE | none      queues the choice of the next pick list
//   pickmany KEY_KEY... | none   queues the ticks of the next multi-choice list
//   pickkeys "TEXT KEY..."       the next pick list is the real one, driven from the keyboard:
//                                TEXT typed into its filter, then the keys (names as for key:
//                                Down PageDown Ctrl+End Enter Escape...); they must close it
//   pickmanykeys "TEXT KEY..."   the same for the next multi-choice list (Space ticks, Enter
//                                confirms)
//   savefile FILE | none         queues the answer to the next save-file dialog (an export)
//   pickexport FILE              the next pick list is also exported to FILE, as its "Exportar
//                                para CSV" writes it (FILE relative to the script's folder)
//   screenshot FILE.png          the active window, relative to the script's folder
//   expect message "TEXT"        the next message the previous command showed (\n: line break)
//   expect nomessage             the previous command showed nothing more
//   expect text CONTROL "TEXT"   also a label, button, group box, menu item or page caption
//   expect enabled|checked CONTROL true|false
//   expect focus CONTROL
//   expect page PAGE             PAGE is the current page of its page control
//   expect title "TEXT"          the active window's title
//   expect field DATASET.FIELD "TEXT"   the current record's display text
//   expect rows DATASET N
//   expect state DATASET inactive|browse|edit|insert
//   expect list "A|B|..."        the rows the last pick list offered (first visible column)
//   expect picked "TEXT"         what the last pick list gave back: the row's first visible
//                                column, or the ticked keys as "A|B"; "" when none
//   expect sql "SELECT ..." "VALUE"     first column of the first row on the shared connection,
//                                as QVariant::toString gives it (null as empty text)
//   expect savefile "NAME"       the file name the last save-file dialog proposed
//   expect csv FILE LINE "A|B|..."      a line of an exported file, its cells joined by | (line 1
//                                holds the titles)
//   expect csvrows FILE N        the rows of an exported file after its titles
//   expect status "TEXT"         the last note shown in the status bar ("Transferência nº ...
//                                gravada"); ${DADOS.CAMPO} in TEXT stands for the field's text
//
// With a login step (the shell was given no password file) the login dialog opens first and the
// script's first lines run in it, as in any dialog: type edtOperador and edtSenha, then
// key edtSenha Enter or click btnEntrar; a refusal shows in lblMensagem and the dialog stays
// (click btnCancelar gives up). The menu comes once the operator is in; a script that ends with
// the dialog open closes it, and lines left once it closed without a login fail.
//
// Shows the login dialog and waits in it; true once the operator is in (the settings then carry
// the operator and the session).
using LoginStep = std::function<bool()>;

int RunScript(const QString& path, MainWindow& window, ShellHost& settings, const LoginStep& login = {});
// The same, printing to `out` instead of standard output.
int RunScript(const QString& path, MainWindow& window, ShellHost& settings, std::ostream& out,
              const LoginStep& login = {});

}  // namespace shell
