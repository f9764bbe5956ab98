#include <gtest/gtest.h>

#include "mailexport/MailDates.h"

using namespace mailexport;

TEST(MailDates, TheFormsMessagesCarry) {
    EXPECT_EQ(ParseMailDate("Tue, 15 Mar 2011 10:22:33 +0100"), 1300180953);
    EXPECT_EQ(ParseMailDate("15 Mar 2011 10:22:33 +0100 (CET)"), 1300180953);
    EXPECT_EQ(ParseMailDate("Tue,15 Mar 2011 09:22:33 GMT"), 1300180953);
    EXPECT_EQ(ParseMailDate("Tue, 15 Mar 11 09:22 UT"), 1300180920);
    EXPECT_EQ(ParseMailDate("Tue, 15 Mar 2011 04:22:33 EST"), 1300180953);
    EXPECT_EQ(ParseMailDate("Sat, 19 Mar 2011 23:59:59 +0530"), 1300559399);
    EXPECT_EQ(ParseMailDate("Tue Mar 15 09:22:33 2011"), 1300180953);  // asctime, as some clients write
    EXPECT_EQ(ParseMailDate("1 Jan 1970 00:00:00 +0100"), -3600);
    EXPECT_EQ(ParseMailDate("29 Feb 2012 12:00:00 +0000"), 1330516800);
    EXPECT_EQ(ParseMailDate("1 jan 99 00:00:00 z"), 915148800);
    for (const char* bad : {"", "yesterday", "30 Feb 2011 10:00:00 +0000", "15 Foo 2011 10:00:00",
                            "15 Mar 2011 25:00:00 +0000", "15 Mar 2011", "15 Mar 2011 10:61 +0000"}) {
        EXPECT_FALSE(ParseMailDate(bad)) << bad;
    }
}

TEST(MailDates, AsctimeInUtcHasItsTwentyFourCharacters) {
    EXPECT_EQ(AsctimeUtc(1300180953), "Tue Mar 15 09:22:33 2011");
    EXPECT_EQ(AsctimeUtc(1296651600), "Wed Feb  2 13:00:00 2011");
    EXPECT_EQ(AsctimeUtc(0), "Thu Jan  1 00:00:00 1970");
    EXPECT_EQ(AsctimeUtc(-1), "Wed Dec 31 23:59:59 1969");
    EXPECT_EQ(AsctimeUtc(951782400), "Tue Feb 29 00:00:00 2000");
    EXPECT_EQ(AsctimeUtc(253402300799), "Fri Dec 31 23:59:59 9999");
    EXPECT_FALSE(AsctimeUtc(253402300800));
    EXPECT_FALSE(AsctimeUtc(-30610224001));  // the last second of year 999
    EXPECT_EQ(ListingDate(1300180953), "2011-03-15 09:22");
}
