#pragma once

#include "orv/Field.h"
#include "orv/Packet.h"

#include <QStringList>
#include <QVariantList>

#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace orv {

enum class DataSetState { Inactive, Browse, Edit, Insert };

// A programming or data error of the data set (writing while browsing, unknown field, ...).
class EDatabaseError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum LocateOption { loCaseInsensitive = 1, loPartialKey = 2 };

// What a listener (a data source, a grid model) is told about.
struct DataSetEvent {
    enum Kind {
        StateChanged,    // State() changed
        FieldChanged,    // one field of the current record/buffer changed (field index)
        RecordChanged,   // the current record was replaced as a whole (post, cancel)
        Scrolled,        // the cursor moved
        DataChanged,     // rows were added, removed or reloaded
    };
    Kind kind;
    int field = -1;
};

// In-memory data set with a cursor, edit states, Delphi-style events and a change log.
// Event handlers may throw (an abort in BeforePost abandons the post and keeps the state).
class TDataSet {
public:
    using Handler = std::function<void(TDataSet&)>;
    using Listener = std::function<void(TDataSet&, const DataSetEvent&)>;

    explicit TDataSet(QString name = {});
    virtual ~TDataSet();
    TDataSet(const TDataSet&) = delete;
    TDataSet& operator=(const TDataSet&) = delete;

    const QString& Name() const { return name_; }

    // --- fields -------------------------------------------------------------------------------
    // Declares a persistent field; only while inactive. Declared fields keep their definitions,
    // flags and events across loads.
    TField& AddField(const FieldDef& def);
    TField& AddStringField(const QString& name, int size, const QString& label = {}, bool visible = true);
    TField& AddFloatField(const QString& name, const QString& label = {}, bool visible = true);
    TField& AddDateField(const QString& name, const QString& label = {}, bool visible = true);
    int FieldCount() const { return static_cast<int>(fields_.size()); }
    TField& Fields(int index) const { return *fields_.at(static_cast<size_t>(index)); }
    TField* FindField(const QString& name) const;
    TField& FieldByName(const QString& name) const;
    std::vector<FieldDef> FieldDefs() const;
    bool HasDeclaredFields() const { return declaredFields_; }

    // --- lifecycle ----------------------------------------------------------------------------
    DataSetState State() const { return state_; }
    bool Active() const { return state_ != DataSetState::Inactive; }
    void CreateDataSet();    // opens empty with the declared fields
    void EmptyDataSet();     // removes every row and the change log; stays open
    void Close();            // drops rows and change log; becomes inactive
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }

    // --- cursor -------------------------------------------------------------------------------
    int RecordCount() const { return static_cast<int>(visible_.size()); }
    bool IsEmpty() const { return visible_.empty(); }
    int RecNo() const { return recNo_ + 1; }  // 1-based; 0 when empty
    void SetRecNo(int recNo);
    void First();
    void Last();
    void Next();
    void Prior();
    bool Eof() const { return eof_; }
    bool Bof() const { return bof_; }
    bool Locate(const QString& fieldNames, const QVariantList& values, int options = 0);
    bool Locate(const QString& fieldName, const QVariant& value, int options = 0) {
        return Locate(fieldName, QVariantList{value}, options);
    }

    // --- editing ------------------------------------------------------------------------------
    void Insert();  // new record before the current one
    void Append();  // new record at the end
    void Edit();    // on an empty data set this inserts, as a form would
    void Post();
    void Cancel();
    void Delete();
    bool Modified() const { return modified_; }
    // Posts a pending edit or insert that was modified; cancels an untouched insert.
    void CheckBrowseMode();

    // --- change log ---------------------------------------------------------------------------
    int ChangeCount() const;
    bool LogChanges() const { return logChanges_; }
    void SetLogChanges(bool log) { logChanges_ = log; }
    Packet Delta() const;        // null when there is nothing pending
    void MergeChangeLog();       // pending changes become the base data
    void CancelUpdates();        // pending changes are undone

    // --- packets ------------------------------------------------------------------------------
    Packet Data() const;                 // all current rows, as a packet
    void SetData(const Packet& packet);  // replaces all rows; the change log starts empty
    void SetData(Packet&& packet);       // the same; the packet's rows are freed once read

    // --- events -------------------------------------------------------------------------------
    Handler BeforeInsert, AfterInsert, BeforeEdit, AfterEdit, BeforePost, AfterPost;
    Handler BeforeCancel, AfterCancel, BeforeDelete, AfterDelete, BeforeScroll, AfterScroll;
    Handler OnNewRecord;

    int AddListener(Listener listener);
    void RemoveListener(int id);
    // Expires when the data set is destroyed: a screen's data set may go before its sources.
    std::weak_ptr<const void> Lifetime() const { return lifetime_; }

    // --- read access for views (a grid) -------------------------------------------------------
    // A field's value in a row (0-based among the rows shown) without moving the cursor.
    QVariant ValueAt(int row, int field) const;
    // Where the record being inserted shows among the rows (0-based); -1 when not inserting.
    int InsertPosition() const;
    // While it lives the fields read the given row (0-based among the rows shown) instead of the
    // current record, with no scroll and no event: a grid takes the texts of other rows through
    // it, get-text handlers included, as a Delphi grid does by moving its active buffer.
    class RowPeek {
    public:
        RowPeek(const TDataSet& dataSet, int row);
        ~RowPeek();
        RowPeek(const RowPeek&) = delete;
        RowPeek& operator=(const RowPeek&) = delete;

    private:
        const TDataSet& dataSet_;
        int saved_;
    };
    // The display text of a field in a row, through its get-text handler.
    QString DisplayTextAt(int row, int field) const;

    // --- used by TField -----------------------------------------------------------------------
    QVariant FieldValue(int index) const;
    void SetFieldValue(int index, const QVariant& value);
    QVariant FieldOldValue(int index) const;

protected:
    // Loads rows without any change log (a query's result, a packet).
    void LoadRows(std::vector<std::vector<QVariant>> rows);
    // The same for `count` rows whose values come one row after another, a value per field, and
    // after them the rows of `more`, read apart.
    void LoadCells(std::vector<QVariant> cells, size_t count, std::vector<QVariant> more = {});
    // Replaces the field list of a data set without declared fields.
    void SetDynamicFields(const std::vector<FieldDef>& defs);
    void Notify(DataSetEvent::Kind kind, int field = -1);

private:
    enum class RowStatus { Unmodified, Inserted, Modified };
    struct Row {
        Row() = default;
        Row(Row&&) noexcept = default;
        Row& operator=(Row&&) noexcept = default;

        // One value per field: in the block of the load that read the row, or in `own` for a row
        // added afterwards (a list of ten thousand rows is then one allocation, not ten thousand).
        QVariant* values = nullptr;
        std::vector<QVariant> own;
        // As read, kept only once the row is modified: until then the values are the row as read
        // (a list would otherwise be held twice). Empty for inserted rows.
        std::vector<QVariant> original;
        RowStatus status = RowStatus::Unmodified;
        bool deleted = false;
    };
    static const QVariant* Original(const Row& row) {
        return row.status == RowStatus::Modified ? row.original.data() : row.values;
    }

    void SetState(DataSetState state);
    void LoadPacket(const Packet& packet, Packet* release);
    bool LoadPacketText(std::string_view text);
    void RebuildVisible();
    void RequireActive() const;
    void RequireEditing() const;
    void RequireWritable() const;
    void StartInsert(bool append);
    void MoveTo(int index, bool forceScrollEvents);
    Row& CurrentRow();
    const Row& CurrentRow() const;
    void Fire(const Handler& handler) { if (handler) handler(*this); }

    QString name_;
    std::vector<std::unique_ptr<TField>> fields_;
    std::map<QString, int> fieldIndex_;  // upper-case name -> index
    bool declaredFields_ = false;

    std::vector<Row> rows_;
    std::vector<QVariant> block_, moreBlock_;  // the values of the rows loaded, row after row
    std::vector<int> visible_;  // indexes into rows_ of the rows not deleted
    int recNo_ = -1;            // index into visible_
    bool eof_ = true;
    bool bof_ = true;

    DataSetState state_ = DataSetState::Inactive;
    std::vector<QVariant> buffer_;  // the record being edited or inserted
    int insertAt_ = -1;             // rows_ index where an insert goes (-1 = end)
    bool modified_ = false;
    bool readOnly_ = false;
    bool logChanges_ = true;

    std::map<int, Listener> listeners_;
    int nextListener_ = 1;
    mutable int peekRow_ = -1;  // index into visible_ while a RowPeek lives
    std::shared_ptr<const void> lifetime_ = std::make_shared<char>(0);
};

// Points controls at a data set; can be re-pointed. Tells its listeners about state changes
// and data changes of whichever data set it points at.
class TDataSource {
public:
    using StateHandler = std::function<void(TDataSource&)>;
    using DataListener = std::function<void(TDataSource&, const DataSetEvent&)>;

    explicit TDataSource(QString name = {}, TDataSet* dataSet = nullptr);
    ~TDataSource();
    TDataSource(const TDataSource&) = delete;
    TDataSource& operator=(const TDataSource&) = delete;

    const QString& Name() const { return name_; }
    TDataSet* DataSet() const { return dataSet_; }
    void SetDataSet(TDataSet* dataSet);
    DataSetState State() const { return dataSet_ ? dataSet_->State() : DataSetState::Inactive; }

    // Typing into a bound control while browsing puts the data set into edit, as in a form.
    bool AutoEdit = true;

    StateHandler OnStateChange;
    int AddListener(DataListener listener);
    void RemoveListener(int id);
    // Expires when the source is destroyed: a control bound to it must not unsubscribe from a
    // source that its screen destroyed first.
    std::weak_ptr<const void> Lifetime() const { return lifetime_; }

private:
    void Forward(const DataSetEvent& event);

    std::shared_ptr<const void> lifetime_ = std::make_shared<char>(0);
    QString name_;
    TDataSet* dataSet_ = nullptr;
    std::weak_ptr<const void> dataSetLifetime_;
    int subscription_ = 0;
    std::map<int, DataListener> listeners_;
    int nextListener_ = 1;
};

}  // namespace orv
