#include "orv/DataSet.h"
#include "orv/Packet.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace orv;

TEST(Packet, RoundTripKeepsNullsDatesAccentsAndExactFloats) {
    TDataSet ds;
    ds.AddStringField("NMBEM", 40);
    ds.AddFloatField("VRBEM");
    ds.AddDateField("DTOPER");
    ds.CreateDataSet();
    const double awkward = 0.1 + 0.2;  // 0.30000000000000004
    const double tiny = std::nextafter(1.0, 2.0);
    ds.Append();
    ds.FieldByName("NMBEM").SetAsString("Transferência física — São João");
    ds.FieldByName("VRBEM").SetAsFloat(awkward);
    ds.FieldByName("DTOPER").SetAsDateTime(QDateTime(QDate(2026, 11, 15), QTime(13, 45, 10)));
    ds.Post();
    ds.Append();
    ds.FieldByName("NMBEM").SetAsString("");
    ds.FieldByName("VRBEM").SetAsFloat(tiny);
    ds.Post();

    // Through text, as it travels.
    const std::string wire = ds.Data().dump();
    TDataSet back;
    back.SetData(Packet::parse(wire));
    ASSERT_EQ(back.RecordCount(), 2);
    back.First();
    EXPECT_EQ(back.FieldByName("NMBEM").AsString(), "Transferência física — São João");
    EXPECT_EQ(back.FieldByName("VRBEM").AsFloat(), awkward);
    EXPECT_EQ(back.FieldByName("DTOPER").AsDateTime(), QDateTime(QDate(2026, 11, 15), QTime(13, 45, 10)));
    back.Next();
    EXPECT_FALSE(back.FieldByName("NMBEM").IsNull());
    EXPECT_EQ(back.FieldByName("VRBEM").AsFloat(), tiny);
    EXPECT_TRUE(back.FieldByName("DTOPER").IsNull());
    EXPECT_NE(wire.find("\"2026-11-15T13:45:10\""), std::string::npos);
}

TEST(Packet, ReaderAcceptsADateWithoutTime) {
    EXPECT_EQ(ValueFromJson("2026-11-15", FieldType::DateTime).toDateTime(), QDateTime(QDate(2026, 11, 15), QTime(0, 0)));
    EXPECT_THROW(ValueFromJson("15/11/2026", FieldType::DateTime), std::invalid_argument);
}

TEST(Packet, MalformedPacketsAndDeltasAreRejected) {
    EXPECT_THROW(ParsePacket(Packet::parse(R"({"rows":[]})")), std::invalid_argument);
    EXPECT_THROW(ParsePacket(Packet::parse(R"({"fields":[{"name":"A","type":"string"}],"rows":[[1,2]]})")),
                 std::invalid_argument);
    EXPECT_THROW(ParsePacket(Packet::parse(R"({"fields":[{"name":"A","type":"blob"}],"rows":[]})")),
                 std::invalid_argument);
    EXPECT_THROW(ParsePacket(Packet::parse(R"({"fields":[{"name":"A","type":1}],"rows":[]})")), std::invalid_argument);
    EXPECT_THROW(ParseDelta(Packet::parse(R"({"fields":[],"changes":[{"op":"merge"}]})")), std::invalid_argument);
    EXPECT_THROW(ParseDelta(Packet::parse(R"({"fields":[{"name":"V","type":"float"}],"changes":[{"op":"insert","new":["x"]}]})")),
                 std::invalid_argument);
    EXPECT_TRUE(ParseDelta(nullptr).changes.empty());
}

TEST(Packet, FieldListCarriesSizesOfStringsOnly) {
    const auto json = FieldDefsToJson({{"CDEMPRESA", FieldType::String, 2}, {"OBS", FieldType::String, 0},
                                       {"VR", FieldType::Float, 0}});
    EXPECT_EQ(json.dump(),
              R"([{"name":"CDEMPRESA","size":2,"type":"string"},{"name":"OBS","size":20,"type":"string"},{"name":"VR","type":"float"}])");
}
