#pragma once
// The database after a load run, read directly (Qt SQL on the run's URL): what the server kept
// must be what the clerks were told it kept.

#include "bench/load_ledger.h"
#include "bench/load_plan.h"

#include <QStringList>

#include <map>

namespace load {

// Transfers per asset, before the run.
std::map<QString, long> CountTransfers(const Plan& plan);

// Every failure found, in Portuguese; empty when all holds:
// - no header, item or operation number repeated in the company, no header without its item,
//   and no number handed out twice to the clerks;
// - every asset where its last transfer put it (or where it stood, without one);
// - every transfer leaving from where the one before it (NRSEQOPERABEM order) arrived;
// - as many transfers of the run's assets as before plus those confirmed minus those undone,
//   every confirmed one there and every undone one gone.
QStringList Verify(const Plan& plan, const Ledger& ledger, const std::map<QString, long>& before, long confirmed,
                   long undone);

}  // namespace load
