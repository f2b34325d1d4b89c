#include "orv/DataSet.h"
#include "orv/Routines.h"

#include <gtest/gtest.h>

using namespace orv;

namespace {

// A small transfer-like data set: code, name, value, date.
struct Fixture {
    TDataSet ds{QStringLiteral("cdsTeste")};
    QStringList events;

    Fixture() {
        ds.AddStringField(QStringLiteral("CDEMPRESA"), 2);
        ds.AddStringField(QStringLiteral("NMBEM"), 10, QStringLiteral("Nome"));
        ds.AddFloatField(QStringLiteral("VRBEM"));
        ds.AddDateField(QStringLiteral("DTOPER"));
        auto log = [this](const char* name) { return [this, name](TDataSet&) { events << QString::fromLatin1(name); }; };
        ds.BeforeInsert = log("BeforeInsert");
        ds.AfterInsert = log("AfterInsert");
        ds.BeforePost = log("BeforePost");
        ds.AfterPost = log("AfterPost");
        ds.BeforeDelete = log("BeforeDelete");
        ds.AfterDelete = log("AfterDelete");
        ds.BeforeCancel = log("BeforeCancel");
        ds.AfterCancel = log("AfterCancel");
        ds.BeforeScroll = log("BeforeScroll");
        ds.AfterScroll = log("AfterScroll");
        ds.AddListener([this](TDataSet& d, const DataSetEvent& e) {
            if (e.kind == DataSetEvent::StateChanged) events << QStringLiteral("State:%1").arg(int(d.State()));
        });
    }

    void Load(std::initializer_list<std::pair<const char*, const char*>> rows) {
        std::vector<PacketRow> packetRows;
        for (const auto& [code, name] : rows)
            packetRows.push_back({QString::fromLatin1(code), QString::fromUtf8(name), 10.0, QVariant()});
        ds.SetData(MakePacket(ds.FieldDefs(), packetRows));
        events.clear();
    }

    void AddRow(const QString& code, const QString& name) {
        ds.Append();
        ds.FieldByName(QStringLiteral("CDEMPRESA")).SetAsString(code);
        ds.FieldByName(QStringLiteral("NMBEM")).SetAsString(name);
        ds.Post();
    }
};

}  // namespace

TEST(DataSet, StatesAndEventOrderThroughInsertPostEditCancelDelete) {
    Fixture f;
    EXPECT_EQ(f.ds.State(), DataSetState::Inactive);
    f.ds.CreateDataSet();
    EXPECT_EQ(f.ds.State(), DataSetState::Browse);
    f.events.clear();

    f.ds.Append();
    EXPECT_EQ(f.ds.State(), DataSetState::Insert);
    f.ds.FieldByName("CDEMPRESA").SetAsString("01");
    f.ds.Post();
    EXPECT_EQ(f.events, QStringList({"BeforeInsert", "BeforeScroll", "State:3", "AfterInsert", "AfterScroll",
                                     "BeforePost", "State:1", "AfterPost"}));

    f.events.clear();
    f.ds.Edit();
    EXPECT_EQ(f.ds.State(), DataSetState::Edit);
    f.ds.Cancel();
    EXPECT_EQ(f.events, QStringList({"State:2", "BeforeCancel", "State:1", "AfterCancel"}));

    f.events.clear();
    f.ds.Delete();
    EXPECT_EQ(f.events, QStringList({"BeforeDelete", "BeforeScroll", "AfterDelete", "AfterScroll"}));
    EXPECT_TRUE(f.ds.IsEmpty());

    f.ds.Close();
    EXPECT_EQ(f.ds.State(), DataSetState::Inactive);
}

TEST(DataSet, EditOnEmptyDataSetInsertsAndCancelOfInsertScrolls) {
    Fixture f;
    f.ds.CreateDataSet();
    f.events.clear();
    f.ds.Edit();
    EXPECT_EQ(f.ds.State(), DataSetState::Insert);
    f.events.clear();
    f.ds.Cancel();
    EXPECT_EQ(f.events, QStringList({"BeforeCancel", "BeforeScroll", "State:1", "AfterCancel", "AfterScroll"}));
    EXPECT_TRUE(f.ds.IsEmpty());
}

TEST(DataSet, AbortInBeforePostKeepsTheRecordInInsertOrEditWithItsValues) {
    Fixture f;
    f.Load({{"01", "Mesa"}});
    f.ds.BeforePost = [](TDataSet& d) {
        if (d.FieldByName("NMBEM").AsString() == "Cadeira") Abort();
    };

    f.ds.Append();
    f.ds.FieldByName("CDEMPRESA").SetAsString("02");
    f.ds.FieldByName("NMBEM").SetAsString("Cadeira");
    EXPECT_THROW(f.ds.Post(), EAbort);
    EXPECT_EQ(f.ds.State(), DataSetState::Insert);
    EXPECT_EQ(f.ds.FieldByName("CDEMPRESA").AsString(), "02");
    EXPECT_EQ(f.ds.RecordCount(), 1);

    f.ds.Cancel();
    f.ds.Edit();
    f.ds.FieldByName("NMBEM").SetAsString("Cadeira");
    EXPECT_THROW(f.ds.Post(), EAbort);
    EXPECT_EQ(f.ds.State(), DataSetState::Edit);
    EXPECT_EQ(f.ds.FieldByName("NMBEM").AsString(), "Cadeira");
    EXPECT_EQ(f.ds.ChangeCount(), 0);
}

TEST(DataSet, NullIsDistinctFromEmptyAndStringsAreCutToTheirSize) {
    Fixture f;
    f.ds.CreateDataSet();
    f.ds.Append();
    TField& name = f.ds.FieldByName("NMBEM");
    EXPECT_TRUE(name.IsNull());
    name.SetAsString("");
    EXPECT_FALSE(name.IsNull());
    EXPECT_EQ(name.AsString(), "");
    name.SetAsString("Empilhadeira elétrica");
    EXPECT_EQ(name.AsString(), "Empilhadei");
}

TEST(DataSet, LocateIgnoresCaseOnlyWhenAsked) {
    Fixture f;
    f.Load({{"01", "Mesa"}, {"02", "Cadeira"}, {"03", "Notebook"}});
    EXPECT_FALSE(f.ds.Locate("NMBEM", "cadeira"));
    EXPECT_EQ(f.ds.RecNo(), 1);
    EXPECT_TRUE(f.ds.Locate("NMBEM", "cadeira", loCaseInsensitive));
    EXPECT_EQ(f.ds.RecNo(), 2);
    EXPECT_TRUE(f.ds.Locate("CDEMPRESA;NMBEM", QVariantList{"03", "NOTE"}, loCaseInsensitive | loPartialKey));
    EXPECT_EQ(f.ds.FieldByName("CDEMPRESA").AsString(), "03");
}

TEST(DataSet, CursorWalksFirstToEof) {
    Fixture f;
    f.Load({{"01", "a"}, {"02", "b"}, {"03", "c"}});
    QStringList seen;
    f.ds.First();
    while (!f.ds.Eof()) {
        seen << f.ds.FieldByName("CDEMPRESA").AsString();
        f.ds.Next();
    }
    EXPECT_EQ(seen, QStringList({"01", "02", "03"}));
    f.ds.Prior();
    f.ds.Prior();
    EXPECT_EQ(f.ds.FieldByName("CDEMPRESA").AsString(), "01");
    f.ds.Prior();
    EXPECT_TRUE(f.ds.Bof());
}

TEST(DataSet, OldValueIsTheValueAsReadUntilMerged) {
    Fixture f;
    f.Load({{"01", "Mesa"}});
    f.ds.Edit();
    f.ds.FieldByName("NMBEM").SetAsString("Cadeira");
    EXPECT_EQ(f.ds.FieldByName("NMBEM").OldValue().toString(), "Mesa");
    f.ds.Post();
    f.ds.Edit();
    f.ds.FieldByName("NMBEM").SetAsString("Sofá");
    f.ds.Post();
    EXPECT_EQ(f.ds.FieldByName("NMBEM").OldValue().toString(), "Mesa");
    f.ds.MergeChangeLog();
    EXPECT_EQ(f.ds.FieldByName("NMBEM").OldValue().toString(), "Sofá");

    f.ds.Append();
    EXPECT_FALSE(f.ds.FieldByName("NMBEM").OldValue().isValid());
}

TEST(DataSet, DeltaHoldsOneChangePerRow) {
    Fixture f;
    f.Load({{"01", "Mesa"}, {"02", "Cadeira"}, {"03", "Sofá"}});
    EXPECT_TRUE(f.ds.Delta().is_null());

    // Two edits of a read row: one update whose old is the row as read.
    f.ds.First();
    f.ds.Edit();
    f.ds.FieldByName("NMBEM").SetAsString("Mesa 2");
    f.ds.Post();
    f.ds.Edit();
    f.ds.FieldByName("NMBEM").SetAsString("Mesa 3");
    f.ds.Post();
    // An insert then edited: one insert with the latest values.
    f.AddRow("04", "Novo");
    f.ds.Edit();
    f.ds.FieldByName("NMBEM").SetAsString("Novo 2");
    f.ds.Post();
    // An insert then deleted: nothing.
    f.AddRow("05", "Efêmero");
    f.ds.Delete();
    // A read row edited then deleted: one delete with the row as read.
    f.ds.Locate("CDEMPRESA", "02");
    f.ds.Edit();
    f.ds.FieldByName("NMBEM").SetAsString("Trocada");
    f.ds.Post();
    f.ds.Delete();

    const Packet delta = f.ds.Delta();
    ASSERT_TRUE(delta.is_object());
    const ParsedDelta parsed = ParseDelta(delta);
    ASSERT_EQ(parsed.changes.size(), 3u);
    EXPECT_EQ(parsed.changes[0].op, DeltaChange::Update);
    EXPECT_EQ(parsed.changes[0].oldRow[1].toString(), "Mesa");
    EXPECT_EQ(parsed.changes[0].newRow[1].toString(), "Mesa 3");
    EXPECT_EQ(parsed.changes[1].op, DeltaChange::Delete);
    EXPECT_EQ(parsed.changes[1].oldRow[1].toString(), "Cadeira");
    EXPECT_EQ(parsed.changes[2].op, DeltaChange::Insert);
    EXPECT_EQ(parsed.changes[2].newRow[0].toString(), "04");
    EXPECT_EQ(parsed.changes[2].newRow[1].toString(), "Novo 2");
    EXPECT_EQ(f.ds.ChangeCount(), 3);
}

TEST(DataSet, MergeMakesChangesTheBaseAndCancelUpdatesUndoesThem) {
    Fixture f;
    f.Load({{"01", "Mesa"}, {"02", "Cadeira"}});
    f.AddRow("03", "Sofá");
    f.ds.Locate("CDEMPRESA", "02");
    f.ds.Edit();
    f.ds.FieldByName("NMBEM").SetAsString("Banco");
    f.ds.Post();
    f.ds.First();
    f.ds.Delete();
    EXPECT_EQ(f.ds.RecordCount(), 2);

    f.ds.CancelUpdates();
    EXPECT_EQ(f.ds.RecordCount(), 2);
    EXPECT_EQ(f.ds.ChangeCount(), 0);
    f.ds.First();
    EXPECT_EQ(f.ds.FieldByName("NMBEM").AsString(), "Mesa");
    f.ds.Next();
    EXPECT_EQ(f.ds.FieldByName("NMBEM").AsString(), "Cadeira");

    f.AddRow("03", "Sofá");
    f.ds.First();
    f.ds.Delete();
    f.ds.MergeChangeLog();
    EXPECT_EQ(f.ds.ChangeCount(), 0);
    EXPECT_TRUE(f.ds.Delta().is_null());
    EXPECT_EQ(f.ds.RecordCount(), 2);
    EXPECT_EQ(f.ds.Data()["rows"].size(), 2u);
}

TEST(DataSet, WithoutChangeLogNothingIsPending) {
    Fixture f;
    f.ds.CreateDataSet();
    f.ds.SetLogChanges(false);
    f.AddRow("01", "Mesa");
    EXPECT_EQ(f.ds.ChangeCount(), 0);
    EXPECT_TRUE(f.ds.Delta().is_null());
}

TEST(DataSet, GetAndSetTextEventsConvertBetweenStoredAndShown) {
    Fixture f;
    TField& code = f.ds.FieldByName("CDEMPRESA");
    code.OnGetText = [](TField& field, QString& text, bool) { text = field.AsString() == "03" ? "TRANSFERÊNCIA" : ""; };
    code.OnSetText = [](TField& field, const QString& text) {
        if (text == "TRANSFERÊNCIA") field.SetAsString("03");
    };
    f.ds.CreateDataSet();
    f.ds.Append();
    code.SetText("TRANSFERÊNCIA");
    EXPECT_EQ(code.AsString(), "03");
    EXPECT_EQ(code.DisplayText(), "TRANSFERÊNCIA");
    code.SetText("");
    EXPECT_EQ(code.AsString(), "03");

    TField& value = f.ds.FieldByName("VRBEM");
    value.SetDisplayFormat("#,##0.00%");
    value.SetText("25");
    EXPECT_EQ(value.DisplayText(), "25,00%");
    EXPECT_EQ(value.Text(), "25");
    TField& date = f.ds.FieldByName("DTOPER");
    date.SetText("15/11/2026");
    EXPECT_EQ(date.AsDateTime(), QDateTime(QDate(2026, 11, 15), QTime(0, 0)));
    EXPECT_EQ(date.DisplayText(), "15/11/2026");
}

TEST(DataSet, LoadingAPacketKeepsDeclaredFieldsAndTakesColumnsByName) {
    Fixture f;
    f.ds.FieldByName("NMBEM").SetVisible(false);
    bool scrolled = false;
    f.ds.AfterScroll = [&](TDataSet&) { scrolled = true; };
    // Packet with other column order, a lower-case name, an unknown column and no VRBEM.
    const Packet p = {{"fields", {{{"name", "nmbem"}, {"type", "string"}, {"size", 40}},
                                  {{"name", "EXTRA"}, {"type", "float"}},
                                  {{"name", "CDEMPRESA"}, {"type", "string"}, {"size", 2}}}},
                      {"rows", {{"Notebook Dell Latitude", 1.5, "01"}}}};
    f.ds.SetData(p);
    EXPECT_TRUE(scrolled);
    EXPECT_EQ(f.ds.FieldCount(), 4);
    EXPECT_FALSE(f.ds.FieldByName("NMBEM").Visible());
    EXPECT_EQ(f.ds.FieldByName("NMBEM").AsString(), "Notebook D");
    EXPECT_EQ(f.ds.FieldByName("CDEMPRESA").AsString(), "01");
    EXPECT_TRUE(f.ds.FieldByName("VRBEM").IsNull());
    EXPECT_EQ(f.ds.FindField("EXTRA"), nullptr);

    TDataSet dynamic;
    dynamic.SetData(p);
    EXPECT_EQ(dynamic.FieldCount(), 3);
    EXPECT_EQ(dynamic.FieldByName("EXTRA").AsFloat(), 1.5);
}

TEST(DataSet, WritingWhileBrowsingIsRefused) {
    Fixture f;
    f.Load({{"01", "Mesa"}});
    EXPECT_THROW(f.ds.FieldByName("NMBEM").SetAsString("x"), EDatabaseError);
    EXPECT_THROW(f.ds.FieldByName("NAOEXISTE"), EDatabaseError);
}

TEST(DataSource, FollowsItsDataSetAndCanBeRepointed) {
    Fixture a, b;
    a.ds.CreateDataSet();
    TDataSource src("dtsPadrao", &a.ds);
    int stateChanges = 0;
    src.OnStateChange = [&](TDataSource&) { ++stateChanges; };
    a.ds.Append();
    EXPECT_EQ(src.State(), DataSetState::Insert);
    EXPECT_EQ(stateChanges, 1);
    src.SetDataSet(&b.ds);  // inactive: the state the source exposes changed
    EXPECT_EQ(src.State(), DataSetState::Inactive);
    EXPECT_EQ(stateChanges, 2);
    a.ds.Cancel();  // no longer followed
    EXPECT_EQ(stateChanges, 2);
}
