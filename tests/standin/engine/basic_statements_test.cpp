#include "EngineTestSupport.h"

namespace standin::test {
namespace {

using BasicStatements = EngineTest;

TEST_F(BasicStatements, InsertedRowsComeBackFromSelect)
{
    ok("CREATE TABLE Jobs (Estado int NULL, RespFT nvarchar(30) NULL)");
    EXPECT_EQ(ok("INSERT INTO Jobs (Estado, RespFT) VALUES (0, 'ana')").rowCount, 1);
    auto r = rows("SELECT     Jobs.*\r\nFROM         Jobs");
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0], (QStringList{"0", "ana"}));
}

}  // namespace
}  // namespace standin::test
