#include "sqlite_minutes.h"

#include "archive_columns.h"
#include "history_minutes.h"

namespace tavro::sqlite_minutes {

std::string TableSql(const Summary& s) {
    std::string sql = std::string("CREATE TABLE ") + s.table + " (\n  " + s.key + " INTEGER PRIMARY KEY,\n" +
        "  first_ms INTEGER NOT NULL,\n"
        "  last_ms INTEGER NOT NULL,\n"
        "  beacons INTEGER NOT NULL,\n"
        "  receptions INTEGER NOT NULL";
    for (int c = 0; c < kChannelCount; ++c) sql += ",\n  " + MinColumn(c) + " REAL,\n  " + MaxColumn(c) + " REAL";
    return sql + ");\n";
}

std::string FillSql(const Summary& s, const std::string& condition) {
    // Floor division, also before 1970; NaN is NULL in a REAL column, and
    // +-Inf lie outside the finite range.
    const std::string unit = std::to_string(s.unitMs);
    std::string sql = std::string("INSERT INTO ") + s.table + " SELECT (time_ms - ((time_ms % " + unit + ") + " + unit + ") % " + unit +
                      ") / " + unit + " AS m, min(time_ms), max(time_ms), count(*), sum(receptions)";
    for (const std::string& c : ChannelColumns()) {
        const std::string finite = "CASE WHEN " + c + " BETWEEN -1.7976931348623157e308 AND 1.7976931348623157e308 THEN " + c + " END";
        sql += ", min(" + finite + "), max(" + finite + ")";
    }
    return sql + " FROM beacon WHERE time_ms IS NOT NULL " + condition + " GROUP BY m";
}

}  // namespace tavro::sqlite_minutes
