#include "platform/core/DateUtils.h"

#include <gtest/gtest.h>

TEST(DateTime, EncodesAndDecodesDays) {
    struct Case {
        int y, m, d;
        double value;
    } cases[] = {
        {1899, 12, 30, 0}, {1899, 12, 31, 1},  {1900, 1, 1, 2},  {1970, 1, 1, 25569},
        {2000, 2, 29, 36585}, {1899, 12, 29, -1}, {1, 1, 1, -693593}, {9999, 12, 31, 2958465},
    };
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(EncodeDate(c.y, c.m, c.d), c.value) << c.y << "-" << c.m << "-" << c.d;
        Word y, m, d;
        DecodeDate(c.value, y, m, d);
        EXPECT_EQ(y, c.y);
        EXPECT_EQ(m, c.m);
        EXPECT_EQ(d, c.d);
    }
    for (auto bad : {std::array<int, 3>{2001, 2, 29}, {2000, 13, 1}, {2000, 1, 0}, {0, 1, 1}, {10000, 1, 1}}) {
        try {
            EncodeDate(bad[0], bad[1], bad[2]);
            ADD_FAILURE();
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message(), "Invalid argument to date encode");
        }
    }
    EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);
    EXPECT_EQ(DayOfWeek(EncodeDate(2024, 1, 7)), 1);  // a Sunday
    EXPECT_EQ(DayOfWeek(EncodeDate(1899, 12, 30)), 7);
}

TEST(DateTime, TimesRoundToTheMillisecond) {
    TDateTime t = EncodeDate(2024, 5, 17) + EncodeTime(13, 45, 30, 250);
    Word h, n, s, ms;
    DecodeTime(t, h, n, s, ms);
    EXPECT_EQ(h, 13);
    EXPECT_EQ(n, 45);
    EXPECT_EQ(s, 30);
    EXPECT_EQ(ms, 250);
    // a hair before midnight rounds into the next day, whole
    Word y, m, d;
    DecodeDateTime(EncodeDate(2024, 12, 31) + (MSecsPerDay - 0.2) / MSecsPerDay, y, m, d, h, n, s, ms);
    EXPECT_EQ(y, 2025);
    EXPECT_EQ(m, 1);
    EXPECT_EQ(d, 1);
    EXPECT_EQ(h, 0);
    // before 1899-12-30 the time is the absolute fraction
    TDateTime old = EncodeDateTime(1899, 12, 29, 18, 0, 0, 0);
    EXPECT_DOUBLE_EQ(old, -1.75);
    DecodeDateTime(old, y, m, d, h, n, s, ms);
    EXPECT_EQ(d, 29);
    EXPECT_EQ(h, 18);
}

TEST(DateTime, DosDateBothWays) {
    TDateTime t = EncodeDate(2024, 5, 17) + EncodeTime(13, 45, 31, 0);
    int dos = DateTimeToFileDate(t);
    EXPECT_EQ(dos, (44 << 25) | (5 << 21) | (17 << 16) | (13 << 11) | (45 << 5) | 15);
    EXPECT_DOUBLE_EQ(FileDateToDateTime(dos), EncodeDate(2024, 5, 17) + EncodeTime(13, 45, 30, 0));
    EXPECT_EQ(DateTimeToFileDate(EncodeDate(1979, 12, 31)), 0);
    EXPECT_EQ(DateTimeToFileDate(EncodeDate(2108, 1, 1)), 0);
    EXPECT_NE(DateTimeToFileDate(EncodeDate(2107, 12, 31)), 0);
    EXPECT_THROW(FileDateToDateTime((44 << 25) | (13 << 21) | (1 << 16)), EConvertError);  // month 13
    EXPECT_THROW(FileDateToDateTime(0), EConvertError);                                    // day 0
}

TEST(DateTime, UnixSeconds) {
    EXPECT_EQ(DateTimeToUnix(UnixDateDelta), 0);
    EXPECT_EQ(DateTimeToUnix(EncodeDate(2001, 9, 9) + EncodeTime(1, 46, 40, 0)), 1000000000);
    EXPECT_DOUBLE_EQ(UnixToDateTime(86400), UnixDateDelta + 1);
    std::time_t t = 1700000000;
    EXPECT_EQ(core::local_datetime_to_unix(core::unix_to_local_datetime(t)), t);
}

TEST(DateTime, InjectableClock) {
    {
        core::ScopedService clock(core::clock_slot, [] { return EncodeDate(2020, 2, 29) + EncodeTime(23, 0, 0, 0); });
        EXPECT_DOUBLE_EQ(Date(), EncodeDate(2020, 2, 29));
        EXPECT_NEAR(Time(), EncodeTime(23, 0, 0, 0), 1e-9);
    }
    Word y, m, d;
    DecodeDate(Now(), y, m, d);
    EXPECT_GE(y, 2024);
}

TEST(DateTime, FormatsAndParses) {
    TDateTime t = EncodeDate(2024, 3, 5) + EncodeTime(14, 7, 9, 45);
    struct Case {
        const char* fmt;
        const char* want;
    } cases[] = {
        {"dd/mm/yyyy", "05/03/2024"}, {"d/m/yy", "5/3/24"},        {"yyyymmdd", "20240305"},
        {"hh:nn:ss", "14:07:09"},     {"h:mm", "14:07"},           {"hh:nn:ss.zzz", "14:07:09.045"},
        {"dddd, mmmm d", "Tuesday, March 5"}, {"ddd mmm", "Tue Mar"}, {"h:nn am/pm", "2:07 pm"},
        {"\"day\" d", "day 5"},       {"c", "05/03/2024 14:07:09"}, {"ddddd", "05/03/2024"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatDateTime(c.fmt, t), c.want) << c.fmt;
    EXPECT_EQ(DateToStr(t), "05/03/2024");
    EXPECT_EQ(TimeToStr(t), "14:07:09");
    EXPECT_EQ(DateTimeToStr(EncodeDate(2024, 3, 5)), "05/03/2024");

    core::ScopedService clock(core::clock_slot, [] { return EncodeDate(2024, 6, 1); });
    EXPECT_DOUBLE_EQ(StrToDate("05/03/2024"), EncodeDate(2024, 3, 5));
    EXPECT_DOUBLE_EQ(StrToDate(" 5/3/24 "), EncodeDate(2024, 3, 5));
    EXPECT_DOUBLE_EQ(StrToDate("5/3/80"), EncodeDate(1980, 3, 5));
    EXPECT_DOUBLE_EQ(StrToDate("5/3"), EncodeDate(2024, 3, 5));
    TFormatSettings us;
    us.ShortDateFormat = "m/d/yyyy";
    EXPECT_DOUBLE_EQ(StrToDate("3/5/2024", us), EncodeDate(2024, 3, 5));
    EXPECT_DOUBLE_EQ(StrToTime("14:07"), EncodeTime(14, 7, 0, 0));
    EXPECT_DOUBLE_EQ(StrToTime("2:07:09 PM"), EncodeTime(14, 7, 9, 0));
    EXPECT_DOUBLE_EQ(StrToDateTime("05/03/2024 14:07:09"), EncodeDate(2024, 3, 5) + EncodeTime(14, 7, 9, 0));
    for (const char* bad : {"", "31/02/2024", "5-3-2024", "a/b/c", "1/2/3/4"}) {
        try {
            StrToDate(bad);
            ADD_FAILURE() << bad;
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message(), std::string("'") + bad + "' is not a valid date");
        }
    }
    EXPECT_THROW(StrToTime("25:00"), EConvertError);
    EXPECT_THROW(StrToDateTime("05/03/2024 xx"), EConvertError);
}
