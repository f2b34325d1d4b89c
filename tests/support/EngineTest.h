#pragma once

// Runs one test body on SQLite and on PostgreSQL:
//
//   class MyTest : public erptest::EngineTest {};
//   TEST_P(MyTest, Something) { QSqlDatabase d = db(); ... }
//   ERP_INSTANTIATE_ON_ENGINES(MyTest);
//
// The postgresql variant is skipped when ERP_TEST_PG_URL is not set. A derived SetUp must
// call EngineTest::SetUp() first and return when IsSkipped().

#include "tests/support/Printers.h"
#include "tests/support/TestDatabase.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace erptest {

class EngineTest : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override;
    void TearDown() override;

    // Override to start from an empty database instead of a migrated one.
    virtual TestDatabase::Init initialSchema() const { return TestDatabase::Init::Migrate; }

    TestDatabase& database() { return *database_; }
    QSqlDatabase db() const { return database_->db(); }
    bool isPostgres() const { return GetParam() == "postgresql"; }

private:
    std::optional<TestDatabase> database_;
};

std::string EngineName(const ::testing::TestParamInfo<std::string>& info);

}  // namespace erptest

#define ERP_INSTANTIATE_ON_ENGINES(Suite)                                                                   \
    INSTANTIATE_TEST_SUITE_P(Engines, Suite, ::testing::Values(std::string("sqlite"), std::string("postgresql")), \
                             ::erptest::EngineName)
