#pragma once

#include "server/Dispatcher.h"
#include "server/Repository.h"

#include <QDate>
#include <QString>

#include <functional>
#include <string>

namespace server {

// A place of a company: a branch, and within it optionally a cost centre and a sector.
struct Localizacao {
    QString empresa, filial, centCust, setor;
};

// The history of a place, read on the indexes of migration 0006: every transfer into or out of
// it in a period, and the assets that were there at the end of a day. Both lists come as packet
// text written by the database.
class HistoricoLocalizacao {
public:
    explicit HistoricoLocalizacao(Repository& repo) : repo_(repo) {}

    // Transfers dated from `inicio` to `fim` (inclusive) that arrived at the place (IDMOVIMENTO
    // "E") or left it ("S"), by date and order of application.
    std::string Transferencias(const Localizacao& local, const QDate& inicio, const QDate& fim);
    // The assets at the place once the transfers dated up to `dia` were applied, by patrimony
    // code, with the date each one arrived there (null: before any transfer recorded).
    std::string BensNoDia(const Localizacao& local, const QDate& dia);

private:
    Repository& repo_;
};

// Registers GetHistLocalizacao and GetBensLocalizacao; each call runs on the calling thread's
// repository. Refusals (a missing branch, a date that is no date) are Portuguese messages.
void RegisterHistoricoLocalizacao(Dispatcher& dispatcher, std::function<Repository()> repositories);

}  // namespace server
