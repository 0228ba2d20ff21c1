// Worked examples: real-looking frames written out in hex, their values
// worked out by hand from the frame layouts, and the CSV rows and TLM lines
// the program must write for them. A wrong position, byte order or formula
// in either decoder shows here as a wrong text.
#include "test_support.h"

namespace tavro {
namespace {

using test::Hex;

// A text time stamp "2026-12-06 10:14:03.250 UTC;12.5;40;145.825"; housekeeping
// frame A (callsign byte 62; positions 31-35, 18, 19 and 21 hold bytes no channel
// reads; Mag Delta 2 = 00C0 and MagY = FFC0 carry C0 escaped as DB DC); a binary
// time stamp, 2026-12-06 10:16:03.500; frame B (callsign byte 64, DB escaped as DB DD).
const char* const kCapture =
    "C0 09 32 30 32 36 2D 31 32 2D 30 36 20 31 30 3A 31 34 3A 30 33 2E 32 35 30 20 55 54 43 3B 31 32 "
    "2E 35 3B 34 30 3B 31 34 35 2E 38 32 35 C0 C0 00 A2 84 6A 60 A0 62 00 A2 84 6A 60 A0 62 00 03 F0 "
    "33 44 01 55 04 2A 00 34 12 5A 07 05 00 FF FF FF FF FF 1F 00 8B 0E 01 00 64 00 15 00 03 00 F4 01 "
    "36 01 A0 0F 58 02 D7 00 8C 02 17 00 15 00 02 00 90 01 DB DC 00 05 00 96 00 32 00 00 02 00 01 03 "
    "00 E8 03 1E 00 08 00 88 13 FE FF 10 00 00 80 FF 00 0C 01 0A 80 DB DC FF 80 02 00 FF 20 00 50 00 "
    "C0 C0 09 00 00 01 A2 4A DA 80 AC C0 C0 00 A2 84 6A 60 A0 64 00 A2 84 6A 60 A0 64 00 03 F0 00 00 "
    "01 00 08 2B 00 35 12 8C 00 00 00 00 00 00 00 00 01 80 FF FF 00 00 02 00 16 00 00 00 E0 01 40 01 "
    "87 0F 30 02 00 00 00 00 18 00 16 00 00 00 00 00 DB DD 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
    "00 1F 00 09 00 89 13 00 00 00 00 00 00 00 00 00 00 00 00 01 00 02 00 03 00 FF FF DB DD DB DD C0 "
;

// Two log lines: L1 with U32, F64 and signed fields; L2 with a NaN and a -0.0
// Mag Delta, PPT mode 3 and the largest U16 values.
const char* const kLog[] = {
    "10:14:03 01 04 2A 00 34 12 78 56 34 12 07 05 1F 00 CD 5F 01 00 01 02 C2 1F 20 4E 17 00 40 1F 36 1F 4A 1F D7 00 36 01"
    " 2C 01 00 08 02 00 00 00 00 00 00 F4 BF 00 00 00 00 00 00 E0 3F 58 39 B4 C8 D6 1C C8 40 96 00 32 00 00 02 FF"
    " 01 64 00 E8 03 FF 03 E8 03 FF FF 10 00 FE FF 2C 01 D4 FE 00 00 00 80 01 0A 00 80 64 00 9C FF 05 D2 04 06 07"
    " 00",
    "10:14:43 01 08 2B 00 35 12 B4 56 34 12 00 00 01 80 00 00 00 00 03 00 C3 1F 00 00 16 00 00 00 00 00 00 00 00 00 00 00"
    " 00 00 00 00 00 00 00 00 00 00 00 F8 7F 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 80 00 00 00 00 00 00 00"
    " 00 FF FF 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 FF"
    " FF",
};

struct WorkedExample : testing::Test {
    std::vector<std::string> Written(const ExportResult& r) {
        EXPECT_TRUE(r.ok) << r.StatusText();
        return test::Lines(test::FileText(r.path));
    }
    std::string Path(const char* name) const { return dir.Path(name); }
    const test::TempDir dir{"worked"};
};

TEST_F(WorkedExample, KissFrames) {
    const auto s = test::ReadAllWays(InputKind::Kiss, Hex(kCapture));
    ASSERT_EQ(s->RecordCount(), 2);
    EXPECT_EQ(s->TimeText(0), "2026-12-06 10:14:03.250 UTC");
    EXPECT_EQ(s->TimeText(1), "2026-12-06 10:16:03.500 UTC");
    const TelemetryRecord &a = s->Records()[0], &b = s->Records()[1];
    EXPECT_EQ((std::array{a.StampValue1, a.StampValue2, a.StampValue3}), (std::array{12.5, 40.0, 145.825}));
    EXPECT_EQ(b.StampValue3, 145.825);  // a binary stamp leaves the numbers

    const std::vector<std::string> csv = Written(s->ExportCsv(Path("p.csv")));
    ASSERT_EQ(csv.size(), 3u);
    EXPECT_EQ(csv[0],
              "OPS mode;Boot cnt;Packet cnt;Uptime;Cmd rx;Cmd valid;validity bits;Sat Time;PPT mode;Ch status;"
              "Batt voltage;tot sys curr;Batt temp;SP1 voltage;SP2 voltage;SP3 voltage;Solar curr;X Ant status;X temp;"
              "Temp 1;ADCS status;Mag Delta 1;Mag Delta 2;Mag Delta 3;TX curr;RX curr;RX doppler;RX RSSI;TX refl pow;"
              "TX forw pow;PA temp;Bus voltage;HK log;FullMIPS log;DiffMIPS log;FullSMDH log;DiffSMDH log;Magn log;"
              "Payload stat;MagX sample T;MagX sample;MagY sample;MagZ sample;MIPS diff cnt;MIPS whole;SMDH sample;"
              "SMDH diff cnt;\r");
    EXPECT_EQ(csv[1], "4.00;42.00;4660.00;90.00;7.00;5.00;31.00;3723.00;0.00;2.39;8.30;1.19;42.05;5.00;4000.00;15.33;215.00;0.14;23.00;21.00;2.00;400.00;192.00;5.00;150.00;50.00;512.00;256.00;3.00;1000.00;30.00;8.00;5000.00;-2.00;16.00;-32768.00;255.00;12.00;1.00;10.00;128.00;-1.00;10.00;-4.00;0.50;1.25;0.00;\r");
    EXPECT_EQ(csv[2], "8.00;43.00;4661.00;140.00;0.00;0.00;32769.00;65535.00;0.00;0.00;8.69;0.00;47.97;5.16;3975.00;27.02;0.00;190.65;24.00;22.00;0.00;0.00;219.00;0.00;0.00;0.00;0.00;0.00;0.00;0.00;31.00;9.00;5001.00;0.00;0.00;0.00;0.00;0.00;0.00;0.00;0.00;0.02;0.03;0.05;-0.02;-144.58;0.00;\r");
    const std::vector<std::string> tlmA = {
        "TAVRO Telemetry Decoder (QX0QX)\r",
        "====================================================\r",
        "\r",
        "OPS mode            norm                 |  Boot cnt            42                \r",
        "Packet cnt          4660                 |  Uptime              90        s       \r",
        "Cmd rx              7                    |  Cmd valid           5                 \r",
        "validity bits       &H1F                 |  Sat Time            0d 01:02:03s       \r",
        "PPT mode            0.000239             |  Ch status           &H2               \r",
        "Batt voltage        8.30      V          |  tot sys curr        1.19      A       \r",
        "Batt temp           42        C          |  SP1 voltage         5.00      mV      \r",
        "SP2 voltage         4000.00   mV         |  SP3 voltage         15.33     mV      \r",
        "Solar curr          215       mA         |  X Ant status        0                 \r",
        "X temp              23        C          |  Temp 1              21        C       \r",
        "ADCS status         2                    |  Mag Delta 1         400.00    nT      \r",
        "Mag Delta 2         192.00    nT         |  Mag Delta 3         5.00      nT      \r",
        "TX curr             150.00    mA         |  RX curr             50.00     mA      \r",
        "RX doppler          512.00    V          |  RX RSSI             256.00    V       \r",
        "TX refl pow         3.00      mW         |  TX forw pow         1000.00   mW      \r",
        "PA temp             30.00     C          |  Bus voltage         8.00      V       \r",
        "HK log              5000                 |  FullMIPS log        -2                \r",
        "DiffMIPS log        16                   |  FullSMDH log        -32768            \r",
        "DiffSMDH log        255                  |  Magn log            12                \r",
        "Payload stat        1                    |  MagX sample T       10        s       \r",
        "MagX sample         128       nT         |  MagY sample         -1        nT      \r",
        "MagZ sample         10        nT         |  MIPS diff cnt       -4        m       \r",
        "MIPS whole          0                    |  SMDH sample         1         m       \r",
    };
    EXPECT_EQ(Written(s->ExportTlm(0, Path("a.tlm"))), tlmA);
    const std::array<std::string, kChannelCount> textsB = {
        "detumb", "43", "4661", "140", "0", "0", "&H8001", "0d 18:12:15", "hardware", "&H0", "8.69", "0.00",
        "48", "5.16", "3975.00", "27.02", "0", "191", "24", "22", "0", "0.00", "219.00", "0.00", "0.00",
        "0.00", "0.00", "0.00", "0.00", "0.00", "31.00", "9.00", "5001", "0", "0", "0", "0", "0", "0", "0",
        "0", "0", "0", "0", "0", "-145", "0",
    };
    EXPECT_EQ(s->DisplayTexts(1), textsB);
}

TEST_F(WorkedExample, LogLines) {
    const std::string log = std::string(kLog[0]) + "\n" + kLog[1] + "\n";
    const auto s = test::ReadAllWays(InputKind::Log, test::AsBytes(log));
    ASSERT_EQ(s->RecordCount(), 2);
    EXPECT_EQ(s->TimeText(1), "10:14:43.000 UTC");
    const std::vector<std::string> csv = Written(s->ExportCsv(Path("l.csv")));
    ASSERT_EQ(csv.size(), 3u);
    EXPECT_EQ(csv[1], "4.00;42.00;4660.00;305419896.00;7.00;5.00;31.00;90061.00;1.00;2.00;8.13;1.04;23.00;4000.00;3995.00;4005.00;215.00;1.00;0.97;75.00;2.00;-9.38;3.75;92592.59;59.25;19.75;1.65;1.65;2.39;239.00;280.00;16.13;-1.00;16.00;-2.00;300.00;-300.00;2147483648.00;1.00;10.00;-32768.00;100.00;-100.00;5.00;1234.00;6.00;7.00;\r");
    EXPECT_EQ(csv[2], "8.00;43.00;4661.00;305419956.00;0.00;0.00;32769.00;0.00;3.00;0.00;8.13;0.00;22.00;0.00;0.00;0.00;0.00;0.00;0.00;-50.00;0.00;NaN;0.00;0.00;0.00;0.00;0.00;0.00;1026465.86;0.00;-50.00;0.00;0.00;0.00;0.00;0.00;0.00;0.00;0.00;0.00;0.00;0.00;0.00;0.00;0.00;0.00;65535.00;\r");
}

}  // namespace
}  // namespace tavro
