#include "core/ComponentVersion.h"

#include <gtest/gtest.h>

TEST(ComponentVersion, StoresRevisionAndDateFromKeywords)
{
    RegisterComponentVersion("TestUnitA", "$Revision: 4919 $",
                             "$Date: 2010-11-24 10:12:13 +0100 (Wed, 24 Nov 2010) $");
    EXPECT_EQ(ComponentVersionOf("TestUnitA"), "4919 / 2010-11-24");
    EXPECT_TRUE(ComponentVersionOf("NoSuchUnit").isEmpty());
}

TEST(ComponentVersion, SecondRegistrationRaises)
{
    RegisterComponentVersion("TestUnitB", "$Revision: 1 $", "$Date: 2011-01-02 $");
    try {
        RegisterComponentVersion("TestUnitB", "$Revision: 2 $", "$Date: 2011-01-03 $");
        FAIL() << "no exception";
    } catch (const std::logic_error &e) {
        EXPECT_STREQ(e.what(), "RegisterComponentVersion: component TestUnitB is already registered");
    }
    EXPECT_EQ(ComponentVersionOf("TestUnitB"), "1 / 2011-01-02");
}

TEST(ComponentVersion, NamesStaySorted)
{
    RegisterComponentVersion("ZzUnit", "3", "2012-01-01");
    RegisterComponentVersion("AaUnit", "4", "2012-01-02");
    const QStringList names = RegisteredComponents();
    EXPECT_LT(names.indexOf("AaUnit"), names.indexOf("ZzUnit"));
    EXPECT_EQ(ComponentVersionOf("AaUnit"), "4 / 2012-01-02");
}
