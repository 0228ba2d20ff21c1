// A record's UTC time, read from its time text, for the archive and for
// sharing frames: only texts that name one instant without doubt count.
//
//   "2026-12-06 10:17:04.123 UTC"     -> 1796552224123
//   "2026-12-06T10:17:04Z"            -> 1796552224000
//   "2026-12-06 10:17:04.123456789"   -> 1796552224123  (digits past the third dropped, not rounded)
//   "10:17:04", "2026-02-30 10:17:04", "2026-12-06 24:00:00", "2026-12-06 10:17:04 CET" -> none
//
// Form: YYYY-MM-DD, a blank or "T", hh:mm:ss, optionally "." and 1 to 9
// digits, optionally " UTC" or "Z", and nothing else; a real date, a time
// from 00:00:00 to 23:59:59.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tavro {

std::optional<std::int64_t> UtcMillisecondsOf(std::string_view timeText);

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar; the
// date is not checked (2026-12-06 -> 20793).
std::int64_t DaysFromCivil(std::int64_t year, int month, int day);

// 1796552224123 -> "2026-12-06 10:17:04.123", the archive's time text.
std::string UtcText(std::int64_t ms);
// 1796552224123 -> "2026-12-06T10:17:04.123Z", as SatNOGS and SiDS write it.
std::string UtcIsoText(std::int64_t ms);

}  // namespace tavro
