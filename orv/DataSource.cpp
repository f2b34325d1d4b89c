#include "orv/DataSet.h"

namespace orv {

TDataSource::TDataSource(QString name, TDataSet* dataSet) : name_(std::move(name)) { SetDataSet(dataSet); }

TDataSource::~TDataSource() {
    if (dataSet_ && !dataSetLifetime_.expired()) dataSet_->RemoveListener(subscription_);
}

void TDataSource::SetDataSet(TDataSet* dataSet) {
    if (dataSet == dataSet_) return;
    const DataSetState before = State();
    if (dataSet_ && !dataSetLifetime_.expired()) dataSet_->RemoveListener(subscription_);
    dataSet_ = dataSet;
    subscription_ = 0;
    dataSetLifetime_.reset();
    if (dataSet_) {
        dataSetLifetime_ = dataSet_->Lifetime();
        subscription_ = dataSet_->AddListener([this](TDataSet&, const DataSetEvent& event) { Forward(event); });
    }
    // Re-pointed controls must refresh whatever the state.
    Forward(DataSetEvent{DataSetEvent::DataChanged});
    if (State() != before && OnStateChange) OnStateChange(*this);
}

void TDataSource::Forward(const DataSetEvent& event) {
    if (event.kind == DataSetEvent::StateChanged && OnStateChange) OnStateChange(*this);
    const auto listeners = listeners_;
    for (const auto& [id, listener] : listeners)
        if (listeners_.count(id)) listener(*this, event);
}

int TDataSource::AddListener(DataListener listener) {
    const int id = nextListener_++;
    listeners_[id] = std::move(listener);
    return id;
}

void TDataSource::RemoveListener(int id) { listeners_.erase(id); }

}  // namespace orv
