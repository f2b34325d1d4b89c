#pragma once

#include <QString>

namespace shell {

class MainWindow;
class ShellHost;

// Runs a scripted session (erp-shell --script FILE) against the real widgets, with a scripted
// host that takes the messages, questions and pick lists. Prints each failed expectation with
// its line; returns 0 only when every line held.
int RunScript(const QString& path, MainWindow& window, ShellHost& settings);

}  // namespace shell
