#include <gtest/gtest.h>

#include "config/OperationTime.h"
#include "support/TestSupport.h"

using config::DateTime;
using config::IsoText;
using config::ParseIsoText;

// The run record's time stamps: written with their own offset, read back
// to the same moment, whatever the offset; texts that name no moment give none.
TEST(OperationTime, IsoTextsRoundTripAtEveryOffsetAndRefuseWhatIsNoMoment) {
    const DateTime plusOne = DateTime::fromFields({2026, 12, 5, 21, 30, 0}, 3600);
    EXPECT_EQ(IsoText(plusOne), "2026-12-05T21:30:00+01:00");
    EXPECT_EQ(IsoText(DateTime::fromFields({2026, 3, 1, 0, 0, 9}, 0)), "2026-03-01T00:00:09Z");
    EXPECT_EQ(IsoText(DateTime::fromFields({1999, 12, 31, 23, 59, 59}, -(9 * 3600 + 30 * 60))),
              "1999-12-31T23:59:59-09:30");
    for (const char* text : {"2026-12-05T21:30:00+01:00", "2026-03-01T00:00:09Z", "2024-02-29T12:00:00-05:00"}) {
        EXPECT_EQ(IsoText(ParseIsoText(text)), text);
    }
    // The same moment seen from two offsets is one moment.
    EXPECT_EQ(ParseIsoText("2026-12-05T20:30:00Z"), plusOne);
    EXPECT_EQ(plusOne.secondsTo(ParseIsoText("2026-12-06T21:30:00+01:00")), 86400);
    EXPECT_EQ(plusOne.addDays(1), ParseIsoText("2026-12-06T20:30:00Z"));
    EXPECT_EQ(plusOne.addDays(-400).fields(), (platform::CivilTime{2025, 10, 31, 21, 30, 0}));
    for (const char* none : {"", "2026-13-01T00:00:00Z", "2026-11-31T00:00:00Z", "2026-12-05 21:30:00Z",
                             "2026-12-05T21:30:00+1", "2026-12-05T21:30:00Zx", "yesterday"}) {
        EXPECT_FALSE(ParseIsoText(none).isValid()) << none;
    }
    EXPECT_EQ(IsoText(DateTime()), "");
    EXPECT_LT(DateTime(), plusOne);  // no moment sorts first
}

// A local date and time is the machine's: written at the local offset,
// and read back, without an offset, as local time again.
TEST(OperationTime, LocalTimesKeepTheirFieldsInAnyZone) {
    for (const char* zone : {"UTC", "Europe/Berlin", "America/St_Johns", "Australia/Lord_Howe"}) {
        testing_support::ScopedEnv tz("TZ", zone);
        tzset();
        for (const platform::CivilTime& f : {platform::CivilTime{2026, 1, 15, 9, 5, 7},
                                            platform::CivilTime{2026, 7, 15, 23, 59, 59}}) {
            const DateTime local = DateTime::fromLocalFields(f);
            ASSERT_TRUE(local.isValid()) << zone;
            EXPECT_EQ(local.fields(), f) << zone;
            EXPECT_EQ(local.toLocal().fields(), f) << zone;
            EXPECT_EQ(ParseIsoText(IsoText(local)), local) << zone;
            const std::string text = IsoText(local);
            EXPECT_EQ(ParseIsoText(text.substr(0, 19)), local) << zone;  // no offset: local time
        }
        EXPECT_EQ(config::GeneralDateText(DateTime::fromLocalFields({2026, 12, 5, 21, 30, 0})), "12/5/2026 9:30:00 PM");
        EXPECT_EQ(config::GeneralDateText(DateTime::fromLocalFields({2026, 1, 9, 0, 4, 5})), "1/9/2026 12:04:05 AM");
    }
    tzset();
}
