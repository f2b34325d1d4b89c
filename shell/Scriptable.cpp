#include "shell/Scriptable.h"

#include "orv/DataSet.h"

#include <QPointer>
#include <QWidget>

#include <memory>
#include <vector>

namespace shell {

namespace {

struct Entry {
    QPointer<QObject> owner;
    orv::TDataSet* dataSet;
    std::weak_ptr<const void> alive;
};

std::vector<Entry>& Registry() {
    static std::vector<Entry> entries;
    return entries;
}

void Prune() {
    auto& entries = Registry();
    std::erase_if(entries, [](const Entry& e) { return !e.owner || e.alive.expired(); });
}

// Within the window and not inside another window of its own (a dialog it parents).
bool Belongs(const QObject* owner, const QObject* window) {
    for (const QObject* o = owner; o; o = o->parent()) {
        if (o == window) return true;
        if (const auto* w = qobject_cast<const QWidget*>(o); w && w->isWindow()) return false;
    }
    return false;
}

}  // namespace

void RegisterDataSet(QObject* owner, orv::TDataSet* dataSet) {
    if (!owner || !dataSet) return;
    Prune();
    UnregisterDataSet(dataSet);
    Registry().push_back({owner, dataSet, dataSet->Lifetime()});
}

void UnregisterDataSet(orv::TDataSet* dataSet) {
    std::erase_if(Registry(), [dataSet](const Entry& e) { return e.dataSet == dataSet; });
}

orv::TDataSet* RegisteredDataSet(const QObject* window, const QString& name) {
    Prune();
    for (const Entry& e : Registry())
        if (Belongs(e.owner, window) && e.dataSet->Name().compare(name, Qt::CaseInsensitive) == 0) return e.dataSet;
    return nullptr;
}

}  // namespace shell
