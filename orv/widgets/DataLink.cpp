#include "orv/widgets/DataLink.h"

namespace orv {

TDataLink::TDataLink(Callback onEvent) : onEvent_(std::move(onEvent)) {}

TDataLink::~TDataLink() { Unsubscribe(); }

void TDataLink::Unsubscribe() {
    if (source_ && !lifetime_.expired()) source_->RemoveListener(subscription_);
    source_ = nullptr;
    subscription_ = 0;
    lifetime_.reset();
}

void TDataLink::SetDataSource(TDataSource* source) {
    if (source == DataSource()) return;
    Unsubscribe();
    source_ = source;
    if (source_) {
        lifetime_ = source_->Lifetime();
        subscription_ = source_->AddListener([this](TDataSource&, const DataSetEvent& event) {
            if (onEvent_) onEvent_(event);
        });
    }
    if (onEvent_) onEvent_(DataSetEvent{DataSetEvent::DataChanged});
}

TDataSource* TDataLink::DataSource() const { return lifetime_.expired() ? nullptr : source_; }

TDataSet* TDataLink::DataSet() const {
    TDataSource* source = DataSource();
    return source ? source->DataSet() : nullptr;
}

bool TDataLink::Active() const {
    TDataSet* ds = DataSet();
    return ds && ds->Active();
}

bool TDataLink::Editing() const {
    TDataSet* ds = DataSet();
    return ds && (ds->State() == DataSetState::Edit || ds->State() == DataSetState::Insert);
}

void TDataLink::SetFieldName(const QString& name) {
    fieldName_ = name;
    if (onEvent_) onEvent_(DataSetEvent{DataSetEvent::DataChanged});
}

TField* TDataLink::Field() const {
    TDataSet* ds = DataSet();
    return ds && !fieldName_.isEmpty() ? ds->FindField(fieldName_) : nullptr;
}

}  // namespace orv
