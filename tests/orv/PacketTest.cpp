#include "orv/DataSet.h"
#include "orv/JsonText.h"
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

namespace {

// Every value of a data set, with its type, for comparing two loads of the same packet.
QStringList Cells(const TDataSet& ds) {
    QStringList out;
    for (int r = 0; r < ds.RecordCount(); ++r)
        for (int f = 0; f < ds.FieldCount(); ++f) {
            const QVariant v = ds.ValueAt(r, f);
            out << QStringLiteral("%1:%2").arg(v.typeName() ? v.typeName() : "null", v.toString());
        }
    return out;
}

// A data set declaring fields of its own (other order, a float taken as text, one the packet lacks).
void Declare(TDataSet& ds) {
    ds.AddFloatField("VRBEM");
    ds.AddStringField("NMBEM", 12);
    ds.AddDateField("DTOPER");
    ds.AddStringField("CDFALTA", 4);
}

}  // namespace

TEST(Packet, APacketKeptAsTextLoadsAsItsDocumentDoes) {
    const std::string fields = R"({"fields":[{"name":"NMBEM","type":"string","size":40},{"name":"VRBEM","type":"float"},)"
                               R"({"name":"DTOPER","type":"date"},{"name":"EXTRA","type":"string","size":5}],)";
    std::vector<std::string> texts = {
        // Escapes, raw and escaped accents, a surrogate pair, numbers of every shape, both date forms,
        // nulls, spaces between tokens, a name longer than the declared field.
        fields + R"("rows":[["Sala \"A\"\\ \u00e9 ção \ud83d\ude00",-0,"2026-11-15","x"],)"
                 R"( [ "Sala \"A\"\\ \u00e9 ção \ud83d\ude00" , 1e2 , "2026-11-15T10:30:00" , null ] ,)"
                 R"(["Computador portátil",9007199254740993,null,"y"],[null,0.1,"2026-11-15","x"]]})",
        fields + R"("rows":[]})",
        // What only the document reads: keys in the other order, a number where text goes, a
        // date its field refuses, a truncated text.
        R"({"rows":[["a",1,null,"b"]],)" + fields.substr(1, fields.size() - 2) + "}",
        fields + R"("rows":[[12.50,1,null,"b"]]})",
        fields + R"("rows":[["a",1,"2026-13-01","b"]]})",
        fields + R"("rows":[["a",1,null,"b"])",
        // Bytes that are not UTF-8, in a column kept and in one only the open data set keeps.
        fields + "\"rows\":[[\"S\xc3\x28o\",1,null,\"b\"]]}",
        fields + "\"rows\":[[\"a\",1,null,\"b\xff\"]]}",
    };
    // Lists long enough to be read in two halves at once: a plain one, one whose middle falls in a
    // long text that looks like rows, one whose second half holds a date its field refuses.
    auto list = [&](int rows, const std::string& middle, const std::string& last) {
        std::string t = fields + R"("rows":[)";
        for (int r = 0; r < rows; ++r) {
            if (r == rows / 2) t += middle;
            t += R"(["Sala )" + std::to_string(r % 7) + R"(",)" + std::to_string(r) + R"(.5,"2026-11-)" +
                 std::to_string(10 + r % 9) + R"(","x"],)";
        }
        return t + last + "]}";
    };
    std::string rowsInText;
    for (int i = 0; i < 150000; ++i) rowsInText += "],[";
    texts.push_back(list(8000, "", R"(["fim",1,null,"y"])"));
    texts.push_back(list(4000, R"([")" + rowsInText + R"(",1,null,"z"],)", R"(["fim",1,null,"y"])"));
    texts.push_back(list(8000, "", R"(["fim",1,"2026-13-01","y"])"));
    for (const std::string& text : texts) {
        SCOPED_TRACE(text.substr(0, 300));
        for (const bool declared : {false, true}) {
            TDataSet asText, asDocument;
            if (declared) {
                Declare(asText);
                Declare(asDocument);
            }
            std::string textError = "-", documentError = "-";
            try {
                asDocument.SetData(Packet::parse(text));
            } catch (const std::exception& e) {
                documentError = typeid(e).name();
            }
            try {
                asText.SetData(PacketFromText(text));
            } catch (const std::exception& e) {
                textError = typeid(e).name();
            }
            if (documentError == typeid(Packet::parse_error).name()) documentError = typeid(std::invalid_argument).name();
            EXPECT_EQ(textError, documentError);
            EXPECT_EQ(Cells(asText), Cells(asDocument));
            EXPECT_EQ(asText.FieldCount(), asDocument.FieldCount());
        }
    }
    // ParsePacket takes the text as well.
    EXPECT_EQ(ParsePacket(PacketFromText(texts[0])).rows.size(), 4u);

    // An answer keeps its packet as text, wherever "value" stands among the members; what is not
    // a packet is read as always.
    auto answer = [](const std::string& text) {
        return ParseJsonText(std::vector<std::uint8_t>(text.begin(), text.end()), true);
    };
    const Packet kept = answer(R"({"id":1,"result":{"value":)" + texts[1] + R"(,"refs":["0001"]},"jsonrpc":"2.0"})");
    ASSERT_TRUE(IsPacketText(kept["result"]["value"]));
    EXPECT_EQ(PacketTextOf(kept["result"]["value"]), texts[1]);
    EXPECT_EQ(kept["result"]["refs"][0], "0001");
    EXPECT_EQ(answer(R"({"result":{"value":"0000000012"}})")["result"]["value"], "0000000012");
    EXPECT_FALSE(IsPacketText(answer(R"({"value":{"fields":[],"rows":[]}})")["value"]));
}
