#include "orv/DataSet.h"

#include "orv/JsonText.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <iterator>
#include <mutex>
#include <optional>
#include <string_view>
#include <system_error>
#include <thread>
#include <unordered_map>
#include <utility>

namespace orv {

namespace {

// Frees the rows of loaded packets on a thread of its own: a list of ten thousand transfers
// takes some 10 ms to free, which the clerk waited for on every load. Row by row, several times
// faster than the array's destructor, which first moves half a million values onto a stack of its
// own.
class PacketDisposer {
public:
    PacketDisposer() : thread_([this] { Loop(); }) {}
    ~PacketDisposer() {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        wake_.notify_one();
        thread_.join();
    }
    void Dispose(Packet::array_t&& rows) { Queue({std::move(rows), {}}); }
    void Dispose(std::vector<QVariant>&& cells) { Queue({{}, std::move(cells)}); }

private:
    struct Garbage {
        Packet::array_t rows;
        std::vector<QVariant> cells;
    };
    void Queue(Garbage&& garbage) {
        {
            std::lock_guard lock(mutex_);
            queue_.push_back(std::move(garbage));
        }
        wake_.notify_one();
    }
    void Loop() {
        std::unique_lock lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return stop_ || !queue_.empty(); });
            if (queue_.empty()) return;
            Garbage garbage = std::move(queue_.front());
            queue_.pop_front();
            lock.unlock();
            for (Packet& row : garbage.rows)
                if (row.is_array()) Packet::array_t().swap(row.get_ref<Packet::array_t&>());
            garbage = {};
            lock.lock();
        }
    }
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Garbage> queue_;
    bool stop_ = false;
    std::thread thread_;
};

PacketDisposer& Disposer() {
    static PacketDisposer disposer;
    return disposer;
}

void DisposeRows(Packet::array_t&& rows) {
    // Small packets are freed at once: a thread hand-over costs more than they do.
    if (rows.size() < 256) {
        rows.clear();
        return;
    }
    Disposer().Dispose(std::move(rows));
}

// The values of a list just replaced: half a million of them take milliseconds to free.
void DisposeCells(std::vector<QVariant>&& cells) {
    if (cells.size() < 4096) {
        cells.clear();
        return;
    }
    Disposer().Dispose(std::move(cells));
}

QString Upper(const QString& s) { return s.toUpper(); }

bool SameValue(const QVariant& a, const QVariant& b) {
    if (a.isValid() != b.isValid()) return false;
    if (!a.isValid()) return true;
    return a == b;
}

// The values a packet column already gave, by their text. A list repeats its codes, names and
// dates on every row: each distinct text is read once and its QString shared by all the rows
// that carry it. A column whose texts turn out mostly distinct (keys) stops remembering them.
class TextCache {
public:
    const QVariant* Find(std::string_view text) {
        if (off_) return nullptr;
        ++lookups_;
        const auto it = values_.find(text);
        return it == values_.end() ? nullptr : &it->second;
    }
    void Keep(std::string_view text, const QVariant& value) {
        if (off_) return;
        values_.emplace(std::string(text), value);
        if (lookups_ >= 256 && values_.size() * 4 > lookups_ * 3) {
            off_ = true;
            values_ = {};
        }
    }

private:
    struct Hash {
        using is_transparent = void;
        size_t operator()(std::string_view text) const { return std::hash<std::string_view>()(text); }
    };
    std::unordered_map<std::string, QVariant, Hash, std::equal_to<>> values_;
    size_t lookups_ = 0;
    bool off_ = false;
};

// One column of a packet being loaded: where it is in the packet, its type on the wire and the
// field it lands in (none when the data set does not keep it: its values are still checked, as
// ParsePacket checks them).
struct ColumnLoad {
    size_t index = 0;
    FieldType wire = FieldType::String;
    const TField* field = nullptr;
    TextCache cache;
    // The text read last and what it became, in the packet's text: a row mostly repeats the one
    // before it, which a comparison finds sooner than the cache's hash.
    std::string_view lastText;
    QVariant lastValue;
    bool hasLast = false;
    QVariant other;  // a value read that is not kept as the last (a number, an escaped text)
};

// A cell read as ValueFromJson reads it, then coerced into its field. Throws what ValueFromJson
// throws; a value its field refuses sets `refused` (the load reports it as it always has).
QVariant Coerce(const ColumnLoad& column, const QVariant& typed, bool& refused) {
    if (!column.field) return typed;
    try {
        return column.field->Coerce(typed);
    } catch (...) {
        refused = true;
        return QVariant();
    }
}

// A text cell as its column's type on the wire reads it: the text, or a date (none when the
// text is not one).
QVariant Typed(const ColumnLoad& column, std::string_view text) {
    const QString decoded = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    if (column.wire == FieldType::String) return decoded;
    const QDateTime dt = DateTimeFromWire(decoded);
    return dt.isValid() ? QVariant(dt) : QVariant();
}

QVariant LoadCell(ColumnLoad& column, const Packet& cell, bool& refused) {
    if (cell.is_null()) return QVariant();
    if (cell.is_string() && column.wire != FieldType::Float) {
        const std::string& text = cell.get_ref<const std::string&>();
        if (const QVariant* known = column.cache.Find(text)) return *known;
        const QVariant typed = Typed(column, text);
        if (!typed.isValid()) ValueFromJson(cell, column.wire);  // says why
        bool wrong = false;
        QVariant value = Coerce(column, typed, wrong);
        if (wrong)
            refused = true;
        else
            column.cache.Keep(text, value);
        return value;
    }
    const bool floatField = !column.field || column.field->DataType() == FieldType::Float;
    if (cell.is_number() && column.wire == FieldType::Float && floatField)
        return QVariant(cell.get<double>());  // what Coerce makes of a double in a float field
    return Coerce(column, ValueFromJson(cell, column.wire), refused);
}

// A cell of a column the data set does not keep: checked as ValueFromJson checks it.
void CheckCell(ColumnLoad& column, const Packet& cell) {
    if (cell.is_null() || (cell.is_number() && column.wire != FieldType::DateTime) ||
        (cell.is_string() && column.wire == FieldType::String))
        return;
    bool refused = false;
    LoadCell(column, cell, refused);
}

// Where each packet column lands, in the data set's order. Without declared fields the packet's
// own become the fields (after the checks): until then stand-ins of them coerce.
struct PacketPlan {
    std::vector<ColumnLoad> columns;
    std::vector<std::unique_ptr<TField>> standIns;
    std::vector<ColumnLoad*> kept;    // per field of the data set; none where no column fills it
    std::vector<ColumnLoad*> unkept;  // columns no field takes
};

void PlanColumns(TDataSet& dataSet, const std::vector<std::unique_ptr<TField>>& fields, bool declared,
                 const std::vector<FieldDef>& defs, PacketPlan& plan) {
    std::vector<ColumnLoad>& columns = plan.columns;
    columns.resize(defs.size());
    for (size_t c = 0; c < defs.size(); ++c) {
        columns[c].index = c;
        columns[c].wire = defs[c].type;
    }
    plan.kept.assign(declared ? fields.size() : defs.size(), nullptr);
    if (declared) {
        // Declared fields take the packet's columns by name; the rest stay null.
        for (size_t i = 0; i < fields.size(); ++i) {
            for (ColumnLoad& column : columns) {
                if (defs[column.index].name.compare(fields[i]->FieldName(), Qt::CaseInsensitive) == 0) {
                    column.field = fields[i].get();
                    plan.kept[i] = &column;
                    break;
                }
            }
        }
    } else {
        for (ColumnLoad& column : columns) {
            plan.standIns.push_back(std::make_unique<TField>(dataSet, static_cast<int>(column.index), defs[column.index]));
            column.field = plan.standIns.back().get();
            plan.kept[column.index] = &column;
        }
    }
    for (ColumnLoad& column : columns)
        if (!column.field) plan.unkept.push_back(&column);
}

const QVariant kNull;

// One value of a packet's text, as LoadCell and CheckCell take the same value from the document:
// where it is kept until the next value of the column (a column no field takes is only checked).
// None where they would not take it as it is: the document then says why.
const QVariant* TextCell(JsonTextReader& in, ColumnLoad& column, std::string& scratch) {
    const bool kept = column.field != nullptr;
    const char c = in.Peek();
    if (c == 'n') return in.Word("null") ? &kNull : nullptr;
    if (c == '"') {
        if (column.wire == FieldType::Float) return nullptr;
        std::string_view text;
        bool ascii = true;
        if (!in.StringView(text, scratch, &ascii)) return nullptr;
        if (!kept)
            return column.wire == FieldType::String && (ascii || JsonTextReader::IsUtf8(text)) ? &kNull : nullptr;
        if (column.hasLast && text == column.lastText) return &column.lastValue;
        // A text decoded from escapes is in `scratch`, which the next one overwrites.
        const bool stable = text.empty() || text.data() != scratch.data();
        QVariant& slot = stable ? column.lastValue : column.other;
        column.hasLast = false;
        if (const QVariant* known = column.cache.Find(text)) {
            slot = *known;
        } else {
            // Met before, the same bytes were checked then.
            if (!ascii && !JsonTextReader::IsUtf8(text)) return nullptr;
            const QVariant typed = Typed(column, text);
            if (!typed.isValid()) return nullptr;
            bool wrong = false;
            slot = Coerce(column, typed, wrong);
            if (wrong) return nullptr;
            column.cache.Keep(text, slot);
        }
        if (stable) {
            column.lastText = text;
            column.hasLast = true;
        }
        return &slot;
    }
    if (c == '-' || (c >= '0' && c <= '9')) {
        nlohmann::json number;
        if (!in.Number(number)) return nullptr;
        if (!kept) return column.wire != FieldType::DateTime ? &kNull : nullptr;
        if (column.wire != FieldType::Float || column.field->DataType() != FieldType::Float) return nullptr;
        column.other = QVariant(number.get<double>());
        return &column.other;
    }
    return nullptr;
}

// The rows of a packet's text from `in` on: their cells, one row after another in the data set's
// field order, and where the text goes on after them.
struct RowsRead {
    bool ok = false;
    std::vector<QVariant> cells;
    size_t count = 0;
    std::vector<QVariant> more;  // the rows after `count`, read on another thread
    const char* end = nullptr;  // after the rows' closing bracket, or at the row stopped at
};

// Reads rows until the array closes or, given `stopAt`, until the next row would start there.
// `reserveFor` is the text whose rows the cells are reserved for, from the size of the first row.
void ReadRowsRange(JsonTextReader& in, std::vector<ColumnLoad>& columns, const std::vector<int>& order,
                   const char* stopAt, std::string_view reserveFor, const std::atomic<bool>* abandon, RowsRead& out) {
    std::vector<QVariant>& cells = out.cells;
    std::string scratch;
    std::vector<const QVariant*> row(columns.size());
    if (in.Take(']')) {
        out.ok = true;
        out.end = in.Position();
        return;
    }
    for (;;) {
        if (in.Peek() != '[') return;
        const char* rowFrom = in.Position();
        if (rowFrom == stopAt) break;
        if (abandon && abandon->load(std::memory_order_relaxed)) return;
        in.Take('[');
        for (size_t c = 0; c < columns.size(); ++c) {
            if (c && !in.Take(',')) return;
            row[c] = TextCell(in, columns[c], scratch);
            if (!row[c]) return;
        }
        if (!in.Take(']')) return;
        // Built in place, in the fields' order: a row's values stay where TextCell keeps them
        // until that column's next value.
        for (const int c : order) cells.emplace_back(c >= 0 ? *row[size_t(c)] : kNull);
        // The first row tells about how many there are: the cells grow once, not by doubling.
        if (++out.count == 1) {
            const auto rowBytes = static_cast<size_t>(in.Position() - rowFrom);
            cells.reserve(order.size() * (reserveFor.size() / std::max<size_t>(rowBytes, 1) * 11 / 10 + 1));
        }
        if (in.Take(',')) continue;
        if (in.Take(']')) break;
        return;
    }
    out.ok = true;
    out.end = in.Position();
}

// A long list is read in two halves at once: the second from the first row that starts after
// the middle of the text, on a thread of its own, while this one reads up to it. Where that
// guess fell inside a text, this thread goes on to the end alone and the other's rows are
// dropped, so the result is always what one reading from the start gives.
RowsRead ReadRowsText(JsonTextReader& in, std::string_view text, std::vector<ColumnLoad>& columns,
                      const std::vector<int>& order) {
    constexpr size_t kSplitBytes = 256 * 1024;
    RowsRead first, second;
    const char* from = in.Position();
    const char* end = text.data() + text.size();
    std::string_view tail;  // from the guessed row on
    if (!order.empty() && size_t(end - from) >= kSplitBytes) {
        const std::string_view rest(from + (end - from) / 2, size_t(end - from) - size_t(end - from) / 2);
        if (const size_t at = rest.find("],["); at != std::string_view::npos) tail = rest.substr(at + 2);
    }
    std::atomic<bool> abandon{false};
    std::vector<ColumnLoad> ownColumns;
    std::thread other;
    if (!tail.empty()) {
        ownColumns = columns;  // nothing read yet: its caches start empty too
        try {
            other = std::thread([&] {
                try {
                    JsonTextReader rest(tail);
                    ReadRowsRange(rest, ownColumns, order, nullptr, tail, &abandon, second);
                } catch (...) {
                    second.ok = false;
                }
            });
        } catch (const std::system_error&) {
            tail = {};  // no thread to be had (the system's limits): read on alone
        }
    }
    if (tail.empty()) {
        ReadRowsRange(in, columns, order, nullptr, text, nullptr, first);
        return first;
    }
    try {
        ReadRowsRange(in, columns, order, tail.data(), text.substr(0, size_t(tail.data() - text.data())), nullptr,
                      first);
    } catch (...) {
        abandon = true;
        other.join();
        throw;
    }
    const bool metSplit = first.ok && first.end == tail.data();
    if (!metSplit) abandon = true;
    other.join();
    if (!metSplit) {
        // The guess was inside a text (this half then read to the end), or the rows failed first.
        DisposeCells(std::move(second.cells));
        return first;
    }
    if (!second.ok) return second;
    first.more = std::move(second.cells);
    first.end = second.end;
    return first;
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
    block_ = {};
    moreBlock_ = {};
    visible_.clear();
    buffer_.clear();
    recNo_ = -1;
    eof_ = bof_ = true;
    modified_ = false;
    SetState(DataSetState::Inactive);
    Notify(DataSetEvent::DataChanged);
}

void TDataSet::LoadRows(std::vector<std::vector<QVariant>> rows) {
    std::vector<QVariant> cells;
    cells.reserve(rows.size() * fields_.size());
    for (auto& values : rows) {
        values.resize(fields_.size());
        std::move(values.begin(), values.end(), std::back_inserter(cells));
    }
    const size_t count = rows.size();
    rows = {};
    LoadCells(std::move(cells), count);
}

void TDataSet::LoadCells(std::vector<QVariant> cells, size_t count, std::vector<QVariant> more) {
    const size_t width = fields_.size();
    cells.resize(count * width);
    const size_t moreCount = width ? more.size() / width : 0;
    std::vector<Row> rows(count + moreCount);
    for (size_t r = 0; r < count; ++r) rows[r].values = cells.data() + r * width;
    for (size_t r = 0; r < moreCount; ++r) rows[count + r].values = more.data() + r * width;
    rows_ = std::move(rows);
    DisposeCells(std::exchange(block_, std::move(cells)));
    DisposeCells(std::exchange(moreBlock_, std::move(more)));
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
    // Each value sought is coerced once, when a row first needs it (a list has thousands).
    std::vector<std::optional<QVariant>> wanted(fields.size());
    auto want = [&](size_t i) -> const QVariant& {
        if (!wanted[i]) wanted[i] = fields[i]->Coerce(values[static_cast<int>(i)]);
        return *wanted[i];
    };
    auto matches = [&](const Row& row) {
        for (size_t i = 0; i < fields.size(); ++i) {
            const QVariant& have = row.values[static_cast<size_t>(fields[i]->Index())];
            const QVariant& w = want(i);
            if (fields[i]->DataType() == FieldType::String && have.isValid() && w.isValid()) {
                const Qt::CaseSensitivity cs = caseInsensitive ? Qt::CaseInsensitive : Qt::CaseSensitive;
                const QString h = have.toString(), text = w.toString();
                if (partial ? !h.startsWith(text, cs) : h.compare(text, cs) != 0) return false;
            } else if (!SameValue(have, w)) {
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
    return Original(row)[static_cast<size_t>(index)];
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
    const Row& row = CurrentRow();
    buffer_.assign(row.values, row.values + fields_.size());
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
        row.own = std::move(buffer_);
        row.values = row.own.data();
        // Unlogged, the new row is as read.
        if (logChanges_) row.status = RowStatus::Inserted;
        int at = insertAt_ < 0 ? static_cast<int>(rows_.size()) : insertAt_;
        rows_.insert(rows_.begin() + at, std::move(row));
        RebuildVisible();
        recNo_ = static_cast<int>(std::find(visible_.begin(), visible_.end(), at) - visible_.begin());
    } else {
        Row& row = CurrentRow();
        if (logChanges_ && row.status == RowStatus::Unmodified) {
            // The row as read is kept from its first change on.
            row.original.assign(std::make_move_iterator(row.values),
                                std::make_move_iterator(row.values + buffer_.size()));
            row.status = RowStatus::Modified;
        } else if (!logChanges_ && row.status == RowStatus::Modified) {
            row.original = buffer_;
        }
        std::copy(buffer_.begin(), buffer_.end(), row.values);
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
    auto toJson = [&](const QVariant* values) {
        nlohmann::json row = nlohmann::json::array();
        for (size_t i = 0; i < defs.size(); ++i) row.push_back(ValueToJson(values[i], defs[i].type));
        return row;
    };
    nlohmann::json changes = nlohmann::json::array();
    for (const Row& row : rows_) {
        if (row.deleted) {
            changes.push_back({{"op", "delete"}, {"old", toJson(Original(row))}});
        } else if (row.status == RowStatus::Inserted) {
            changes.push_back({{"op", "insert"}, {"new", toJson(row.values)}});
        } else if (row.status == RowStatus::Modified) {
            changes.push_back({{"op", "update"}, {"old", toJson(Original(row))}, {"new", toJson(row.values)}});
        }
    }
    return {{"fields", FieldDefsToJson(defs)}, {"changes", changes}};
}

void TDataSet::MergeChangeLog() {
    rows_.erase(std::remove_if(rows_.begin(), rows_.end(), [](const Row& r) { return r.deleted; }), rows_.end());
    for (Row& row : rows_) {
        std::vector<QVariant>().swap(row.original);
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
        if (row.status == RowStatus::Modified) {
            std::move(row.original.begin(), row.original.end(), row.values);
            row.original = {};
        }
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
    for (int index : visible_) {
        const QVariant* values = rows_[static_cast<size_t>(index)].values;
        rows.emplace_back(values, values + fields_.size());
    }
    return MakePacket(FieldDefs(), rows);
}

void TDataSet::SetData(const Packet& packet) { LoadPacket(packet, nullptr); }

void TDataSet::SetData(Packet&& packet) { LoadPacket(packet, &packet); }

// Reads the packet straight into the rows, each cell as ValueFromJson reads it and coerced into
// its field, with the checks, errors and order of events of ParsePacket followed by the load.
void TDataSet::LoadPacket(const Packet& packet, Packet* release) {
    if (IsPacketText(packet)) {
        if (LoadPacketText(PacketTextOf(packet))) return;
        Packet document = ExpandPacketText(packet);
        LoadPacket(document, &document);
        return;
    }
    if (packet.is_null()) {
        if (fields_.empty()) throw EDatabaseError("empty packet and no declared fields");
        LoadRows({});
        return;
    }
    // What ParsePacket refuses, it refuses with its own words.
    auto refuse = [](const Packet& what) {
        ParsePacket(what);
        throw std::invalid_argument("malformed packet");
    };
    if (!packet.is_object() || !packet.contains("fields") || !packet.contains("rows")) refuse(packet);
    const std::vector<FieldDef> defs = FieldDefsFromJson(packet["fields"]);
    if (!packet["rows"].is_array()) refuse(packet);
    const Packet& rowsIn = packet["rows"];
    Packet* rowsToFree = release ? &(*release)["rows"] : nullptr;

    PacketPlan plan;
    PlanColumns(*this, fields_, declaredFields_, defs, plan);
    const std::vector<ColumnLoad*>& kept = plan.kept;
    const std::vector<ColumnLoad*>& unkept = plan.unkept;

    std::vector<QVariant> cells;
    cells.reserve(rowsIn.size() * kept.size());
    size_t refusedRow = rowsIn.size();  // the first row with a value its field refuses
    for (size_t r = 0; r < rowsIn.size(); ++r) {
        const Packet& row = rowsIn[r];
        bool refused = false;
        try {
            if (!row.is_array() || row.size() != defs.size()) throw std::invalid_argument("malformed packet");
            for (ColumnLoad* column : kept)
                cells.push_back(column ? LoadCell(*column, row[column->index], refused) : QVariant());
            for (ColumnLoad* column : unkept) CheckCell(*column, row[column->index]);
        } catch (const std::invalid_argument&) {
            // The first bad value in the packet's own order.
            refuse({{"fields", packet["fields"]}, {"rows", Packet::array({row})}});
        }
        if (refused && refusedRow == rowsIn.size()) refusedRow = r;
    }
    // A given-up packet's rows go (unless one was refused: it is read again below).
    const size_t rowCount = rowsIn.size();
    if (rowsToFree && refusedRow == rowCount) DisposeRows(std::move(rowsToFree->get_ref<Packet::array_t&>()));

    if (state_ == DataSetState::Edit || state_ == DataSetState::Insert) Cancel();
    if (!declaredFields_) SetDynamicFields(defs);
    if (refusedRow < rowCount) {
        // The first field, in the data set's order, that refuses its value says why.
        const Packet& row = rowsIn[refusedRow];
        for (size_t i = 0; i < kept.size(); ++i)
            if (kept[i]) fields_[i]->Coerce(ValueFromJson(row[kept[i]->index], kept[i]->wire));
    }
    LoadCells(std::move(cells), rowCount);
}

// The packet's text read straight into the rows: what LoadPacket makes of its document, without
// the document. Gives up (false, the data set untouched) on anything but a well-formed packet
// that every field takes as it is; the document is then read as always, and says what is wrong.
bool TDataSet::LoadPacketText(std::string_view text) {
    JsonTextReader in(text);
    std::string key;
    if (!in.Take('{') || in.Peek() != '"' || !in.String(key) || key != "fields" || !in.Take(':') || in.Peek() == '\0')
        return false;
    const char* fieldsFrom = in.Position();
    if (!in.SkipValue()) return false;
    std::vector<FieldDef> defs;
    try {
        defs = FieldDefsFromJson(Packet::parse(std::string_view(fieldsFrom, size_t(in.Position() - fieldsFrom))));
    } catch (const std::exception&) {
        return false;
    }
    key.clear();  // String appends
    if (!in.Take(',') || in.Peek() != '"' || !in.String(key) || key != "rows" || !in.Take(':') || !in.Take('['))
        return false;

    PacketPlan plan;
    PlanColumns(*this, fields_, declaredFields_, defs, plan);
    std::vector<int> order(plan.kept.size(), -1);  // the column that fills each field, if any
    for (size_t i = 0; i < plan.kept.size(); ++i)
        if (plan.kept[i]) order[i] = static_cast<int>(plan.kept[i]->index);

    RowsRead read = ReadRowsText(in, text, plan.columns, order);
    if (!read.ok) return false;
    in = JsonTextReader(std::string_view(read.end, size_t(text.data() + text.size() - read.end)));
    if (!in.Take('}')) return false;
    in.SkipSpace();
    if (in.Position() != text.data() + text.size()) return false;

    if (state_ == DataSetState::Edit || state_ == DataSetState::Insert) Cancel();
    if (!declaredFields_) SetDynamicFields(defs);
    LoadCells(std::move(read.cells), read.count, std::move(read.more));
    return true;
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
