#pragma once

#include "orv/DataSet.h"
#include "orv/Host.h"
#include "orv/ScriptedHost.h"

#include <QApplication>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <ostream>

QT_BEGIN_NAMESPACE
// Readable failures.
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }
inline void PrintTo(const QStringList& list, std::ostream* os) {
    *os << '{' << list.join(QStringLiteral(", ")).toStdString() << '}';
}
QT_END_NAMESPACE

namespace widgets_test {

// Every test runs against a scripted host: messages are recorded, questions answered from a queue.
struct HostTest : ::testing::Test {
    orv::ScriptedHost host;
    void SetUp() override { orv::InstallHost(&host); }
    void TearDown() override { orv::InstallHost(nullptr); }
};

// Shows and activates a window: only in an active window does setFocus() report focus changes
// at once.
inline bool Activate(QWidget& window) {
    window.show();
    QApplication::setActiveWindow(&window);
    return QTest::qWaitForWindowActive(&window);
}

// Code / name / value / date rows, as a transfer's list shows them.
inline void DeclareItems(orv::TDataSet& ds) {
    ds.AddStringField(QStringLiteral("CDBEM"), 6, QStringLiteral("Bem"));
    ds.AddStringField(QStringLiteral("NMBEM"), 20, QStringLiteral("Descrição"));
    ds.AddFloatField(QStringLiteral("PCBAIXA"), QStringLiteral("% Baixa")).SetDisplayFormat(QStringLiteral("#,##0.00%"));
    ds.AddDateField(QStringLiteral("DTOPER"), QStringLiteral("Data"));
}

inline void LoadItems(orv::TDataSet& ds, int count = 3) {
    std::vector<orv::PacketRow> rows;
    for (int i = 1; i <= count; ++i)
        rows.push_back({QStringLiteral("%1").arg(i, 6, 10, QLatin1Char('0')), QStringLiteral("Bem %1").arg(i),
                        25.0 * i, QDateTime(QDate(2024, 2, i % 28 + 1), QTime(0, 0))});
    ds.SetData(orv::MakePacket(ds.FieldDefs(), rows));
}

}  // namespace widgets_test
