#include "shell/ScriptRunner.h"

#include <iostream>

namespace shell {

int RunScript(const QString& path, MainWindow&, ShellHost&) {
    std::cerr << "erp-shell: sessões roteirizadas ainda não disponíveis (" << path.toStdString() << ")" << std::endl;
    return 1;
}

}  // namespace shell
