// CSV export: header of the 47 names, one "0.00" line per record, CR LF, ";" after every field.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>

#include "csv_writer.h"

using namespace tavro;

// 47 fields of "0.00" but those given.
static std::string Line(const std::map<int, const char*>& fields) {
    std::string line;
    for (int i = 0; i < kChannelCount; ++i) line += (fields.contains(i) ? fields.at(i) : std::string("0.00")) + ";";
    return line + "\r\n";
}

TEST(CsvText, HeaderAndRecordsWithEitherSeparator) {
    const std::string header =
        "OPS mode;Boot cnt;Packet cnt;Uptime;Cmd rx;Cmd valid;validity bits;Sat Time;PPT mode;Ch status;"
        "Batt voltage;tot sys curr;Batt temp;SP1 voltage;SP2 voltage;SP3 voltage;Solar curr;X Ant status;X temp;"
        "Temp 1;ADCS status;Mag Delta 1;Mag Delta 2;Mag Delta 3;TX curr;RX curr;RX doppler;RX RSSI;TX refl pow;"
        "TX forw pow;PA temp;Bus voltage;HK log;FullMIPS log;DiffMIPS log;FullSMDH log;DiffSMDH log;Magn log;"
        "Payload stat;MagX sample T;MagX sample;MagY sample;MagZ sample;MIPS diff cnt;MIPS whole;SMDH sample;"
        "SMDH diff cnt;\r\n";
    RecordTable table;
    EXPECT_EQ(CsvText(table, ','), header);
    TelemetryRecord* a = table.Append();
    a->TimeText = "09:05:00.000 UTC", a->StampValue1 = 17;  // neither time nor stamps are written
    a->Channels = {4, 1234567, 0, 0, 0, 0, 0, 0, 0, 0, -3.456, 2.5, 0.125};
    a->Channels[46] = 7;
    table.Append()->Channels[21] = NAN;
    table.Append()->Channels[22] = -0.001;
    std::string expected = header + Line({{0, "4.00"}, {1, "1234567.00"}, {10, "-3.46"}, {11, "2.50"}, {12, "0.13"},
                                          {46, "7.00"}}) + Line({{21, "NaN"}}) + Line({});
    EXPECT_EQ(CsvText(table, '.'), expected);
    std::replace(expected.begin(), expected.end(), '.', ',');
    EXPECT_EQ(CsvText(table, ','), expected);
}
