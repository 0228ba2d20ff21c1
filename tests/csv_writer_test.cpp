// CSV export: header of the 47 names, one "0.00" line per record, CR LF, ";" after every field.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <string>
#include <vector>

#include "csv_writer.h"

namespace tavro {
namespace {

const std::string kHeader =
    "OPS mode;Boot cnt;Packet cnt;Uptime;Cmd rx;Cmd valid;validity bits;Sat Time;PPT mode;Ch status;"
    "Batt voltage;tot sys curr;Batt temp;SP1 voltage;SP2 voltage;SP3 voltage;Solar curr;X Ant status;X temp;"
    "Temp 1;ADCS status;Mag Delta 1;Mag Delta 2;Mag Delta 3;TX curr;RX curr;RX doppler;RX RSSI;TX refl pow;"
    "TX forw pow;PA temp;Bus voltage;HK log;FullMIPS log;DiffMIPS log;FullSMDH log;DiffSMDH log;Magn log;"
    "Payload stat;MagX sample T;MagX sample;MagY sample;MagZ sample;MIPS diff cnt;MIPS whole;SMDH sample;"
    "SMDH diff cnt;\r\n";

std::string Line(std::vector<std::string> fields) {
    std::string line;
    for (const auto& f : fields) line += f + ";";
    return line + "\r\n";
}

TEST(CsvText, NoRecordsGivesTheHeaderAlone) {
    EXPECT_EQ(CsvText(RecordTable{}, '.'), kHeader);
    EXPECT_EQ(CsvText(RecordTable{}, ','), kHeader);
}

TEST(CsvText, RecordsAsTwoDecimalsWithEitherSeparator) {
    RecordTable table;
    TelemetryRecord* a = table.Append();
    a->TimeText = "09:05:00.000 UTC";  // neither time nor stamps are written
    a->StampValue1 = 17;
    a->Channels[0] = 4;
    a->Channels[1] = 1234567;
    a->Channels[10] = -3.456;
    a->Channels[11] = 2.5;
    a->Channels[12] = 0.125;
    a->Channels[46] = 7;
    TelemetryRecord* b = table.Append();
    b->Channels[21] = std::numeric_limits<double>::quiet_NaN();
    b->Channels[22] = -0.001;

    std::vector<std::string> first(47, "0.00"), second(47, "0.00");
    first[0] = "4.00", first[1] = "1234567.00", first[10] = "-3.46", first[11] = "2.50", first[12] = "0.13";
    first[46] = "7.00";
    second[21] = "NaN";
    EXPECT_EQ(CsvText(table, '.'), kHeader + Line(first) + Line(second));

    for (auto* fields : {&first, &second})
        for (auto& f : *fields)
            if (auto dot = f.find('.'); dot != std::string::npos) f[dot] = ',';
    EXPECT_EQ(CsvText(table, ','), kHeader + Line(first) + Line(second));
}

TEST(CsvText, TenThousandRecordsGiveTenThousandAndOneLines) {
    RecordTable table;
    for (int k = 0; k < RecordTable::kCapacity; ++k) table.Append()->Channels[2] = k;
    const std::string csv = CsvText(table, '.');
    std::size_t lines = 0, fields = 0;
    for (std::size_t start = 0; start < csv.size(); ++lines) {
        const auto end = csv.find("\r\n", start);
        ASSERT_NE(end, std::string::npos);
        const std::string line = csv.substr(start, end - start);
        ASSERT_EQ(line.find('\n'), std::string::npos);
        ASSERT_EQ(line.back(), ';');
        fields += static_cast<std::size_t>(std::count(line.begin(), line.end(), ';'));
        start = end + 2;
    }
    EXPECT_EQ(lines, 10001u);
    EXPECT_EQ(fields, 10001u * 47);
    EXPECT_NE(csv.find("\r\n0.00;0.00;9999.00;0.00;"), std::string::npos);
}

}  // namespace
}  // namespace tavro
