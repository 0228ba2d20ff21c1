// Tab-separated table of every record for inspection, lines ended by LF:
//   record  time  stamp1  stamp2  stamp3  OPS mode  ...  SMDH diff cnt
//   1       2026-11-28 10:14:03.250 UTC  12.5  40  145.825  4  ...
// Time texts are written as UTF-8 (their bytes are Latin-1) with \\ \t \r \n
// escaped; numbers as the shortest text that reads back to the same double
// ("nan", "inf", "-inf").
#pragma once

#include <string>
#include <string_view>

#include "record_table.h"

namespace tavro {

std::string DumpText(const RecordTable& table);

// v as the shortest text that reads back to it: "0.1", "-0", "nan", "-inf".
void AppendShortest(std::string& out, double v);

// Latin-1 bytes -> UTF-8, with backslash, tab, CR and LF escaped.
std::string EscapedUtf8(std::string_view latin1);

}  // namespace tavro
