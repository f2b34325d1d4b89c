#include "tests/support/EngineTest.h"

namespace erptest {

void EngineTest::SetUp() {
    if (isPostgres() && !PostgresAvailable())
        GTEST_SKIP() << "PostgreSQL não configurado: defina ERP_TEST_PG_URL "
                        "(ERP_TEST_PG_URL=$(scripts/pg-cluster start DIR)).";
    database_.emplace(TestDatabase::ForEngine(QString::fromStdString(GetParam()), initialSchema()));
}

void EngineTest::TearDown() { database_.reset(); }

std::string EngineName(const ::testing::TestParamInfo<std::string>& info) { return info.param; }

}  // namespace erptest
