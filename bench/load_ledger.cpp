#include "bench/load_ledger.h"

namespace load {

void Ledger::Handed(const char* kind, const QString& number) {
    std::lock_guard lock(mutex_);
    if (!handed_[kind].insert(number).second)
        repeats_ << QStringLiteral("%1 %2 entregue duas vezes pelo servidor").arg(QString::fromLatin1(kind), number);
}

void Ledger::Confirmed(const QString& capa, const QString& item, const QString& bem) {
    std::lock_guard lock(mutex_);
    writes_[capa] = {item, bem, false};
}

void Ledger::Undone(const QString& capa) {
    std::lock_guard lock(mutex_);
    writes_[capa].undone = true;
}

bool Ledger::WrittenByRun(const QString& capa) const {
    std::lock_guard lock(mutex_);
    return writes_.count(capa) > 0;
}

QStringList Ledger::Repeats() const {
    std::lock_guard lock(mutex_);
    return repeats_;
}

std::map<QString, Ledger::Written> Ledger::Writes() const {
    std::lock_guard lock(mutex_);
    return writes_;
}

}  // namespace load
