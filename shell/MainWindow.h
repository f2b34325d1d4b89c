#pragma once

#include <QLibrary>
#include <QMainWindow>
#include <QPointer>
#include <QString>

#include <map>
#include <memory>

namespace orv {
class TElidedLabel;
}

namespace shell {

// The shell's main window: the Patrimônio menu, and the modules it loads at run time.
class MainWindow : public QMainWindow {
public:
    MainWindow(QString modulesDir, QString operatorName, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Loads the module of a screen code ("ZMT02600") and calls its IniProc. Returns false
    // with a message already shown (or in `error`) when the module cannot be loaded.
    bool OpenModule(const QString& code, QString* error = nullptr);
    // Unloads every module (their screens must be closed).
    void UnloadModules();
    // The operator the status bar names, once logged in ("000000000001 Administrador do Sistema").
    void SetOperator(const QString& operatorName);
    // The database and the application server the status bar names after the operator.
    void SetConnection(const QString& database, const QString& server);
    // Opens the shell's own "Histórico por Localização" screen, or brings it to the front.
    void OpenHistorico();

private:
    void UpdateStatus();

    QString modulesDir_;
    QString operator_, database_, server_;
    orv::TElidedLabel* session_;
    std::map<QString, std::unique_ptr<QLibrary>> modules_;
    QPointer<QWidget> historico_;
};

// Where a screen code's module lives, e.g. "ZMT02600" -> DIR/libzmt02600.so.
QString ModulePath(const QString& modulesDir, const QString& code);

}  // namespace shell
