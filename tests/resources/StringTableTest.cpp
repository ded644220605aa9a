#include "StringTable.h"

#include <gtest/gtest.h>

TEST(StringTable, UnescapeTurnsBackslashNIntoLineBreaksOnly)
{
    EXPECT_EQ(UnescapeResString(u"a\\nb"), QStringLiteral("a\nb"));
    EXPECT_EQ(UnescapeResString(u"Setup\\"), QStringLiteral("Setup\\"));
    EXPECT_EQ(UnescapeResString(u"x\\ty"), QStringLiteral("x\\ty"));
    EXPECT_EQ(UnescapeResString(u"end\\n"), QStringLiteral("end\n"));
}

TEST(StringTable, UnknownIdsAreEmpty)
{
    EXPECT_TRUE(LoadResString(0).isEmpty());
    EXPECT_TRUE(LoadResString(-5).isEmpty());
    EXPECT_FALSE(HasResString(999999));
}

TEST(StringTable, HoldsKoreanTextsExactly)
{
    EXPECT_EQ(LoadResString(101), QStringLiteral("RX-9 Vantora PC Player 정보(&A)..."));
}
