#pragma once

#include "orv/DataSet.h"

#include <functional>
#include <memory>

namespace orv {

// A control's tie to a data source (and a field of it): subscribes to the source's events and
// tells the control about each one. Survives the source: a screen may destroy its data sources
// before the controls bound to them.
class TDataLink {
public:
    using Callback = std::function<void(const DataSetEvent&)>;

    explicit TDataLink(Callback onEvent);
    ~TDataLink();
    TDataLink(const TDataLink&) = delete;
    TDataLink& operator=(const TDataLink&) = delete;

    // Re-pointing tells the control a DataChanged so it refreshes.
    void SetDataSource(TDataSource* source);
    TDataSource* DataSource() const;  // null once the source is gone
    TDataSet* DataSet() const;
    bool Active() const;
    bool Editing() const;  // the data set is in edit or insert

    void SetFieldName(const QString& name);
    const QString& FieldName() const { return fieldName_; }
    TField* Field() const;  // null when unbound or the data set has no such field

private:
    void Unsubscribe();

    Callback onEvent_;
    TDataSource* source_ = nullptr;
    std::weak_ptr<const void> lifetime_;
    int subscription_ = 0;
    QString fieldName_;
};

}  // namespace orv
