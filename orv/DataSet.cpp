#include "orv/DataSet.h"

#include <algorithm>

namespace orv {

namespace {

QString Upper(const QString& s) { return s.toUpper(); }

bool SameValue(const QVariant& a, const QVariant& b) {
    if (a.isValid() != b.isValid()) return false;
    if (!a.isValid()) return true;
    return a == b;
}

}  // namespace

TDataSet::TDataSet(QString name) : name_(std::move(name)) {}

TDataSet::~TDataSet() = default;

// --- fields -----------------------------------------------------------------------------------

TField& TDataSet::AddField(const FieldDef& def) {
    if (Active()) throw EDatabaseError("fields can only be declared while the data set is closed");
    if (FindField(def.name)) throw EDatabaseError(("duplicate field " + def.name).toStdString());
    if (!declaredFields_) {
        fields_.clear();
        fieldIndex_.clear();
        declaredFields_ = true;
    }
    const int index = FieldCount();
    fields_.push_back(std::make_unique<TField>(*this, index, def));
    fieldIndex_[Upper(def.name)] = index;
    return *fields_.back();
}

TField& TDataSet::AddStringField(const QString& name, int size, const QString& label, bool visible) {
    FieldDef def;
    def.name = name;
    def.type = FieldType::String;
    def.size = size;
    def.label = label;
    def.visible = visible;
    return AddField(def);
}

TField& TDataSet::AddFloatField(const QString& name, const QString& label, bool visible) {
    FieldDef def;
    def.name = name;
    def.type = FieldType::Float;
    def.label = label;
    def.visible = visible;
    return AddField(def);
}

TField& TDataSet::AddDateField(const QString& name, const QString& label, bool visible) {
    FieldDef def;
    def.name = name;
    def.type = FieldType::DateTime;
    def.label = label;
    def.visible = visible;
    return AddField(def);
}

TField* TDataSet::FindField(const QString& name) const {
    const auto it = fieldIndex_.find(Upper(name));
    return it == fieldIndex_.end() ? nullptr : fields_[static_cast<size_t>(it->second)].get();
}

TField& TDataSet::FieldByName(const QString& name) const {
    TField* field = FindField(name);
    if (!field)
        throw EDatabaseError(QStringLiteral("%1: campo '%2' não encontrado.").arg(name_, name).toStdString());
    return *field;
}

std::vector<FieldDef> TDataSet::FieldDefs() const {
    std::vector<FieldDef> defs;
    defs.reserve(fields_.size());
    for (const auto& f : fields_) defs.push_back(f->Def());
    return defs;
}

void TDataSet::SetDynamicFields(const std::vector<FieldDef>& defs) {
    if (declaredFields_) return;
    fields_.clear();
    fieldIndex_.clear();
    for (const FieldDef& def : defs) {
        const int index = FieldCount();
        fields_.push_back(std::make_unique<TField>(*this, index, def));
        fieldIndex_[Upper(def.name)] = index;
    }
}

// --- lifecycle --------------------------------------------------------------------------------

void TDataSet::SetState(DataSetState state) {
    if (state_ == state) return;
    state_ = state;
    Notify(DataSetEvent::StateChanged);
}

void TDataSet::RequireActive() const {
    if (!Active()) throw EDatabaseError(QStringLiteral("%1: o conjunto de dados está fechado.").arg(name_).toStdString());
}

void TDataSet::RequireEditing() const {
    if (state_ != DataSetState::Edit && state_ != DataSetState::Insert)
        throw EDatabaseError(QStringLiteral("%1: o registro não está em edição.").arg(name_).toStdString());
}

void TDataSet::RequireWritable() const {
    RequireActive();
    if (readOnly_) throw EDatabaseError(QStringLiteral("%1: o conjunto de dados é somente leitura.").arg(name_).toStdString());
}

void TDataSet::CreateDataSet() {
    if (fields_.empty()) throw EDatabaseError("no field definitions");
    LoadRows({});
}

void TDataSet::EmptyDataSet() {
    RequireActive();
    LoadRows({});
}

void TDataSet::Close() {
    rows_.clear();
    visible_.clear();
    buffer_.clear();
    recNo_ = -1;
    eof_ = bof_ = true;
    modified_ = false;
    SetState(DataSetState::Inactive);
    Notify(DataSetEvent::DataChanged);
}

void TDataSet::LoadRows(std::vector<std::vector<QVariant>> rows) {
    rows_.clear();
    rows_.reserve(rows.size());
    for (auto& values : rows) {
        values.resize(fields_.size());
        Row row;
        row.original = values;
        row.values = std::move(values);
        rows_.push_back(std::move(row));
    }
    RebuildVisible();
    buffer_.clear();
    modified_ = false;
    recNo_ = visible_.empty() ? -1 : 0;
    eof_ = bof_ = visible_.empty();
    if (state_ != DataSetState::Browse) {
        state_ = DataSetState::Browse;
        Notify(DataSetEvent::StateChanged);
    }
    Notify(DataSetEvent::DataChanged);
    // Screens refresh their displays after every load, also of an empty list.
    Fire(AfterScroll);
}

void TDataSet::RebuildVisible() {
    visible_.clear();
    visible_.reserve(rows_.size());
    for (int i = 0; i < static_cast<int>(rows_.size()); ++i)
        if (!rows_[static_cast<size_t>(i)].deleted) visible_.push_back(i);
}

// --- cursor -----------------------------------------------------------------------------------

TDataSet::Row& TDataSet::CurrentRow() { return rows_[static_cast<size_t>(visible_[static_cast<size_t>(recNo_)])]; }
const TDataSet::Row& TDataSet::CurrentRow() const {
    return rows_[static_cast<size_t>(visible_[static_cast<size_t>(recNo_)])];
}

void TDataSet::MoveTo(int index, bool forceScrollEvents) {
    RequireActive();
    CheckBrowseMode();
    if (visible_.empty()) {
        eof_ = bof_ = true;
        if (forceScrollEvents) {
            Fire(BeforeScroll);
            Fire(AfterScroll);
        }
        return;
    }
    index = std::clamp(index, 0, RecordCount() - 1);
    if (index == recNo_ && !forceScrollEvents) return;
    Fire(BeforeScroll);
    recNo_ = index;
    Notify(DataSetEvent::Scrolled);
    Fire(AfterScroll);
}

void TDataSet::SetRecNo(int recNo) {
    MoveTo(recNo - 1, false);
    eof_ = bof_ = false;
}

void TDataSet::First() {
    MoveTo(0, true);
    bof_ = true;
    eof_ = visible_.empty();
}

void TDataSet::Last() {
    MoveTo(RecordCount() - 1, true);
    eof_ = true;
    bof_ = visible_.empty();
}

void TDataSet::Next() {
    RequireActive();
    CheckBrowseMode();
    if (recNo_ + 1 >= RecordCount()) {
        eof_ = true;
        return;
    }
    MoveTo(recNo_ + 1, false);
    eof_ = bof_ = false;
}

void TDataSet::Prior() {
    RequireActive();
    CheckBrowseMode();
    if (recNo_ <= 0) {
        bof_ = true;
        return;
    }
    MoveTo(recNo_ - 1, false);
    eof_ = bof_ = false;
}

bool TDataSet::Locate(const QString& fieldNames, const QVariantList& values, int options) {
    RequireActive();
    CheckBrowseMode();
    const QStringList names = fieldNames.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    if (names.size() != values.size()) throw EDatabaseError("Locate: fields and values differ in number");
    std::vector<TField*> fields;
    for (const QString& n : names) fields.push_back(&FieldByName(n.trimmed()));

    const bool caseInsensitive = options & loCaseInsensitive;
    const bool partial = options & loPartialKey;
    auto matches = [&](const Row& row) {
        for (size_t i = 0; i < fields.size(); ++i) {
            const QVariant& have = row.values[static_cast<size_t>(fields[i]->Index())];
            const QVariant want = fields[i]->Coerce(values[static_cast<int>(i)]);
            if (fields[i]->DataType() == FieldType::String && have.isValid() && want.isValid()) {
                const Qt::CaseSensitivity cs = caseInsensitive ? Qt::CaseInsensitive : Qt::CaseSensitive;
                const QString h = have.toString(), w = want.toString();
                if (partial ? !h.startsWith(w, cs) : h.compare(w, cs) != 0) return false;
            } else if (!SameValue(have, want)) {
                return false;
            }
        }
        return true;
    };
    for (int i = 0; i < RecordCount(); ++i) {
        if (matches(rows_[static_cast<size_t>(visible_[static_cast<size_t>(i)])])) {
            MoveTo(i, false);
            eof_ = bof_ = false;
            return true;
        }
    }
    return false;
}

// --- field values -----------------------------------------------------------------------------

QVariant TDataSet::ValueAt(int row, int field) const {
    if (row < 0 || row >= RecordCount() || field < 0 || field >= FieldCount()) return QVariant();
    return rows_[static_cast<size_t>(visible_[static_cast<size_t>(row)])].values[static_cast<size_t>(field)];
}

int TDataSet::InsertPosition() const {
    if (state_ != DataSetState::Insert) return -1;
    if (insertAt_ < 0) return RecordCount();
    return static_cast<int>(std::lower_bound(visible_.begin(), visible_.end(), insertAt_) - visible_.begin());
}

TDataSet::RowPeek::RowPeek(const TDataSet& dataSet, int row) : dataSet_(dataSet), saved_(dataSet.peekRow_) {
    dataSet_.peekRow_ = row >= 0 && row < dataSet.RecordCount() ? row : -1;
}

TDataSet::RowPeek::~RowPeek() { dataSet_.peekRow_ = saved_; }

QString TDataSet::DisplayTextAt(int row, int field) const {
    if (field < 0 || field >= FieldCount()) return QString();
    RowPeek peek(*this, row);
    return Fields(field).DisplayText();
}

QVariant TDataSet::FieldValue(int index) const {
    if (peekRow_ >= 0 && peekRow_ < RecordCount())
        return rows_[static_cast<size_t>(visible_[static_cast<size_t>(peekRow_)])].values[static_cast<size_t>(index)];
    if (state_ == DataSetState::Edit || state_ == DataSetState::Insert) return buffer_[static_cast<size_t>(index)];
    if (!Active() || recNo_ < 0) return QVariant();
    return CurrentRow().values[static_cast<size_t>(index)];
}

void TDataSet::SetFieldValue(int index, const QVariant& value) {
    RequireWritable();
    RequireEditing();
    QVariant& slot = buffer_[static_cast<size_t>(index)];
    if (SameValue(slot, value) && slot.typeId() == value.typeId()) return;
    slot = value;
    modified_ = true;
    Notify(DataSetEvent::FieldChanged, index);
}

QVariant TDataSet::FieldOldValue(int index) const {
    if (!Active()) return QVariant();
    if (state_ == DataSetState::Insert || recNo_ < 0) return QVariant();
    const Row& row = CurrentRow();
    if (row.status == RowStatus::Inserted) return QVariant();
    return row.original[static_cast<size_t>(index)];
}

// --- editing ----------------------------------------------------------------------------------

void TDataSet::CheckBrowseMode() {
    if (state_ != DataSetState::Edit && state_ != DataSetState::Insert) return;
    if (modified_)
        Post();
    else
        Cancel();
}

void TDataSet::StartInsert(bool append) {
    RequireWritable();
    CheckBrowseMode();
    Fire(BeforeInsert);
    Fire(BeforeScroll);
    if (append || recNo_ < 0)
        insertAt_ = -1;
    else
        insertAt_ = visible_[static_cast<size_t>(recNo_)];
    buffer_.assign(fields_.size(), QVariant());
    modified_ = false;
    SetState(DataSetState::Insert);
    Notify(DataSetEvent::RecordChanged);
    Fire(OnNewRecord);
    Fire(AfterInsert);
    Fire(AfterScroll);
}

void TDataSet::Insert() { StartInsert(false); }
void TDataSet::Append() { StartInsert(true); }

void TDataSet::Edit() {
    RequireWritable();
    if (state_ == DataSetState::Edit || state_ == DataSetState::Insert) return;
    if (visible_.empty()) {
        Insert();
        return;
    }
    Fire(BeforeEdit);
    buffer_ = CurrentRow().values;
    modified_ = false;
    SetState(DataSetState::Edit);
    Fire(AfterEdit);
}

void TDataSet::Post() {
    RequireEditing();
    // A throw here (an abort from a validation) leaves the record in edit or insert.
    Fire(BeforePost);
    RequireEditing();
    if (state_ == DataSetState::Insert) {
        Row row;
        row.values = buffer_;
        if (logChanges_) {
            row.status = RowStatus::Inserted;
        } else {
            row.original = buffer_;
        }
        int at = insertAt_ < 0 ? static_cast<int>(rows_.size()) : insertAt_;
        rows_.insert(rows_.begin() + at, std::move(row));
        RebuildVisible();
        recNo_ = static_cast<int>(std::find(visible_.begin(), visible_.end(), at) - visible_.begin());
    } else {
        Row& row = CurrentRow();
        row.values = buffer_;
        if (!logChanges_)
            row.original = buffer_;
        else if (row.status == RowStatus::Unmodified)
            row.status = RowStatus::Modified;
    }
    buffer_.clear();
    modified_ = false;
    insertAt_ = -1;
    eof_ = bof_ = false;
    SetState(DataSetState::Browse);
    Notify(DataSetEvent::DataChanged);
    Fire(AfterPost);
}

void TDataSet::Cancel() {
    if (state_ != DataSetState::Edit && state_ != DataSetState::Insert) return;
    const bool wasInsert = state_ == DataSetState::Insert;
    Fire(BeforeCancel);
    if (wasInsert) Fire(BeforeScroll);
    buffer_.clear();
    modified_ = false;
    insertAt_ = -1;
    SetState(DataSetState::Browse);
    Notify(DataSetEvent::RecordChanged);
    Fire(AfterCancel);
    if (wasInsert) Fire(AfterScroll);
}

void TDataSet::Delete() {
    RequireWritable();
    if (state_ == DataSetState::Insert) {
        Cancel();
        return;
    }
    if (visible_.empty()) throw EDatabaseError(QStringLiteral("%1: não há registro para excluir.").arg(name_).toStdString());
    if (state_ == DataSetState::Edit) Cancel();
    Fire(BeforeDelete);
    Fire(BeforeScroll);
    const int rowIndex = visible_[static_cast<size_t>(recNo_)];
    Row& row = rows_[static_cast<size_t>(rowIndex)];
    if (row.status == RowStatus::Inserted || !logChanges_) {
        rows_.erase(rows_.begin() + rowIndex);
    } else {
        row.deleted = true;
    }
    RebuildVisible();
    if (recNo_ >= RecordCount()) recNo_ = RecordCount() - 1;
    eof_ = bof_ = visible_.empty();
    Notify(DataSetEvent::DataChanged);
    Fire(AfterDelete);
    Fire(AfterScroll);
}

// --- change log -------------------------------------------------------------------------------

int TDataSet::ChangeCount() const {
    int count = 0;
    for (const Row& row : rows_)
        if (row.deleted || row.status != RowStatus::Unmodified) ++count;
    return count;
}

Packet TDataSet::Delta() const {
    if (ChangeCount() == 0) return nullptr;
    const std::vector<FieldDef> defs = FieldDefs();
    auto toJson = [&](const std::vector<QVariant>& values) {
        nlohmann::json row = nlohmann::json::array();
        for (size_t i = 0; i < defs.size(); ++i) row.push_back(ValueToJson(values[i], defs[i].type));
        return row;
    };
    nlohmann::json changes = nlohmann::json::array();
    for (const Row& row : rows_) {
        if (row.deleted) {
            changes.push_back({{"op", "delete"}, {"old", toJson(row.original)}});
        } else if (row.status == RowStatus::Inserted) {
            changes.push_back({{"op", "insert"}, {"new", toJson(row.values)}});
        } else if (row.status == RowStatus::Modified) {
            changes.push_back({{"op", "update"}, {"old", toJson(row.original)}, {"new", toJson(row.values)}});
        }
    }
    return {{"fields", FieldDefsToJson(defs)}, {"changes", changes}};
}

void TDataSet::MergeChangeLog() {
    rows_.erase(std::remove_if(rows_.begin(), rows_.end(), [](const Row& r) { return r.deleted; }), rows_.end());
    for (Row& row : rows_) {
        row.original = row.values;
        row.status = RowStatus::Unmodified;
    }
    RebuildVisible();
    if (recNo_ >= RecordCount()) recNo_ = RecordCount() - 1;
}

void TDataSet::CancelUpdates() {
    if (state_ == DataSetState::Edit || state_ == DataSetState::Insert) Cancel();
    rows_.erase(std::remove_if(rows_.begin(), rows_.end(), [](const Row& r) { return r.status == RowStatus::Inserted; }),
                rows_.end());
    for (Row& row : rows_) {
        row.values = row.original;
        row.status = RowStatus::Unmodified;
        row.deleted = false;
    }
    RebuildVisible();
    recNo_ = std::min(std::max(recNo_, visible_.empty() ? -1 : 0), RecordCount() - 1);
    eof_ = bof_ = visible_.empty();
    Notify(DataSetEvent::DataChanged);
}

// --- packets ----------------------------------------------------------------------------------

Packet TDataSet::Data() const {
    std::vector<PacketRow> rows;
    rows.reserve(visible_.size());
    for (int index : visible_) rows.push_back(rows_[static_cast<size_t>(index)].values);
    return MakePacket(FieldDefs(), rows);
}

void TDataSet::SetData(const Packet& packet) {
    if (packet.is_null()) {
        if (fields_.empty()) throw EDatabaseError("empty packet and no declared fields");
        LoadRows({});
        return;
    }
    ParsedPacket parsed = ParsePacket(packet);
    if (state_ == DataSetState::Edit || state_ == DataSetState::Insert) Cancel();
    if (!declaredFields_) {
        SetDynamicFields(parsed.fields);
        for (auto& row : parsed.rows)
            for (int i = 0; i < FieldCount(); ++i) row[static_cast<size_t>(i)] = Fields(i).Coerce(row[static_cast<size_t>(i)]);
        LoadRows(std::move(parsed.rows));
        return;
    }
    // Declared fields take the packet's columns by name; the rest stay null.
    std::vector<int> source(fields_.size(), -1);
    for (size_t i = 0; i < fields_.size(); ++i) source[i] = parsed.IndexOf(fields_[i]->FieldName());
    std::vector<std::vector<QVariant>> rows;
    rows.reserve(parsed.rows.size());
    for (const PacketRow& in : parsed.rows) {
        std::vector<QVariant> out(fields_.size());
        for (size_t i = 0; i < fields_.size(); ++i)
            if (source[i] >= 0) out[i] = fields_[i]->Coerce(in[static_cast<size_t>(source[i])]);
        rows.push_back(std::move(out));
    }
    LoadRows(std::move(rows));
}

// --- listeners --------------------------------------------------------------------------------

int TDataSet::AddListener(Listener listener) {
    const int id = nextListener_++;
    listeners_[id] = std::move(listener);
    return id;
}

void TDataSet::RemoveListener(int id) { listeners_.erase(id); }

void TDataSet::Notify(DataSetEvent::Kind kind, int field) {
    if (listeners_.empty()) return;
    const DataSetEvent event{kind, field};
    // Copy: a listener may subscribe or unsubscribe while being told.
    const auto listeners = listeners_;
    for (const auto& [id, listener] : listeners)
        if (listeners_.count(id)) listener(*this, event);
}

}  // namespace orv
