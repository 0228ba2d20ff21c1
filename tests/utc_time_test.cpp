// Time texts -> UTC milliseconds: only texts that name one instant count.
#include <gtest/gtest.h>

#include "utc_time.h"

using namespace tavro;

TEST(UtcTime, FormsThatNameAnInstantAndThoseThatDoNot) {
    const std::optional<std::int64_t> none;
    const struct { const char* text; std::optional<std::int64_t> ms; } cases[] = {
        {"2026-12-06 10:17:04.123 UTC", 1796552224123},
        {"2026-12-06 10:17:04", 1796552224000},
        {"2026-12-06T10:17:04Z", 1796552224000},
        {"2026-12-06T10:17:04.5Z", 1796552224500},
        {"2026-12-06 10:17:04.123456789", 1796552224123},  // dropped, not rounded
        {"2026-12-06 10:17:04.999999999 UTC", 1796552224999},
        {"1970-01-01 00:00:00.000 UTC", 0},
        {"2024-02-29 23:59:59", 1709251199000},
        {"2000-02-29 00:00:00", 951782400000},
        {"10:17:04", none},                                 // a log line's time: no date
        {"2026-12-06 10:17:04.1234567890", none},           // ten digits
        {"2026-12-06 10:17:04.", none},
        {"2026-12-06 10:17:04 CET", none},
        {"2026-12-06 10:17:04UTC", none},
        {"2026-12-06 10:17:04 UTC ", none},
        {"2026-02-29 10:17:04", none},  {"1900-02-29 10:17:04", none},  {"2026-04-31 10:17:04", none},
        {"2026-12-06 24:00:00", none},  {"2026-12-06 23:60:00", none},  {"2026-12-06 23:59:60", none},
        {"2026-13-06 10:17:04", none},  {"2026-00-06 10:17:04", none},  {"2026-12-00 10:17:04", none},
        {"2026/12/06 10:17:04", none},  {"2026-12-06_10:17:04", none},  {"+026-12-06 10:17:04", none},
        {"", none},
    };
    for (const auto& c : cases) EXPECT_EQ(UtcMillisecondsOf(c.text), c.ms) << c.text;
}

TEST(UtcTime, Texts) {
    EXPECT_EQ(UtcText(1796552224123), "2026-12-06 10:17:04.123");
    EXPECT_EQ(UtcIsoText(1796552224005), "2026-12-06T10:17:04.005Z");
    EXPECT_EQ(DaysFromCivil(2026, 12, 6), 20793);
}
