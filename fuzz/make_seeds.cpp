// Writes the small seed inputs of fuzz/corpus/<target>/ (run once; the files
// are kept in the repository):  fuzz_make_seeds fuzz/corpus
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "frame_encoder.h"

namespace fs = std::filesystem;
using namespace tavro;

namespace {

void Write(const fs::path& dir, const std::string& name, const std::vector<std::uint8_t>& bytes) {
    fs::create_directories(dir);
    std::ofstream(dir / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void Write(const fs::path& dir, const std::string& name, const std::string& text) {
    Write(dir, name, std::vector<std::uint8_t>(text.begin(), text.end()));
}

void Append(std::vector<std::uint8_t>& out, const std::vector<std::uint8_t>& bytes) {
    out.insert(out.end(), bytes.begin(), bytes.end());
}

passgen::KissRaw KissValues(int k) {
    passgen::KissRaw raw{};
    for (std::size_t i = 0; i < raw.size(); ++i) raw[i] = static_cast<double>((k * 37 + static_cast<int>(i) * 11) % 200);
    raw[0] = 4;
    raw[41] = -64;
    raw[12] = 0xC0DB;  // bytes that need escaping
    return raw;
}

passgen::LogRaw LogValues(int k) {
    passgen::LogRaw raw{};
    for (std::size_t i = 0; i < raw.size(); ++i) raw[i] = static_cast<double>((k * 29 + static_cast<int>(i) * 7) % 250);
    raw[21] = 1.25;  // an F64 Mag Delta
    return raw;
}

}  // namespace

int main(int argc, char** argv) {
    const fs::path root = argc > 1 ? argv[1] : "fuzz/corpus";

    // KISS: a short pass, both headers, text and binary time stamps, junk, a cut-off frame.
    std::vector<std::uint8_t> pass{0x11, 0x22};
    Append(pass, passgen::KissWrap(passgen::KissTimeStampFrame("2026-11-28 10:14:03.250 UTC;1;2.5;-3e2")));
    Append(pass, passgen::KissWrap(passgen::KissHousekeepingFrame(KissValues(0))));
    Append(pass, passgen::KissWrap(passgen::KissHousekeepingFrame(KissValues(1), 0x64)));
    Append(pass, passgen::KissWrap(passgen::KissBinaryTimeStampFrame(1796294883250)));
    Append(pass, passgen::KissWrap(std::vector<std::uint8_t>{0x00, 0x96, 0x88, 0x6E, 0x40, 0x40, 0x40}));
    Append(pass, passgen::KissWrap(passgen::KissHousekeepingFrame(KissValues(2))));
    Write(root / "fuzz_kiss_reader", "pass.kss", pass);
    const auto frame = passgen::KissHousekeepingFrame(KissValues(3));
    std::vector<std::uint8_t> shared{0xC0};  // frames sharing one FEND, the last one cut off
    for (int k = 0; k < 2; ++k) {
        Append(shared, passgen::KissEscape(frame));
        shared.push_back(0xC0);
    }
    Append(shared, std::vector<std::uint8_t>(frame.begin(), frame.begin() + 40));
    Write(root / "fuzz_kiss_reader", "shared_fend.kss", shared);
    Write(root / "fuzz_kiss_reader", "escapes.kss",
          std::vector<std::uint8_t>{0xC0, 0x09, 0xDB, 0xDC, 0xDB, 0xDD, 0xDB, 0xDD, 0xDC, 0xDB, 0x41, 0xDB, 0xC0, 0xC0});

    // Log: LF, CR LF and lone CR line ends, lower-case hex, a short line.
    std::string log = passgen::LogHousekeepingLine("10:15:00", LogValues(0)) + "\n";
    log += passgen::LogHousekeepingLine("10:15:01", LogValues(1)) + "\r\n";
    std::string lower = passgen::LogHousekeepingLine("10:15:02", LogValues(2));
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    log += lower + "\r";
    log += "10:15:03 02 05\n00:00:01 01 05 1G zz\n";
    Write(root / "fuzz_log_reader", "pass.log", log);

    Write(root / "fuzz_conf_ini", "conf.ini", "# screenshots\r\nIMAGE_PATH = /home/me/Shots\r\nScreenshot=yes\r\n");
    Write(root / "fuzz_conf_ini", "odd.ini", " #x=1\nimage_path = a=b\nSCREENSHOT=\nIMAGE_PATH=\n\tSCREENSHOT = NO\n");

    int n = 0;
    for (const char* text : {"A2", "a2", "0xff", "&h10", "zz", "1G", "FFFF", "10000", "FFFFFFFF", "100000000"})
        Write(root / "fuzz_parse_number", "n" + std::to_string(n++), text);

    Write(root / "fuzz_time_stamp", "text", "2026-11-28 10:14:03.250 UTC;1;2.5;-3e2;9");
    Write(root / "fuzz_time_stamp", "numbers", "  -1.5e3xyz;.5;1e400;-1e-400");
    const auto binary = passgen::KissBinaryTimeStampFrame(1796294883250);
    Write(root / "fuzz_time_stamp", "binary", std::vector<std::uint8_t>(binary.begin() + 1, binary.end()));

    std::vector<std::uint8_t> doubles;
    for (double v : {2.675, 1.005, 0.125, -0.001, 1e20, 12.5, -0.4, 3000000000.0, 93784.0, -1.0, 1e300})
        Append(doubles, std::vector<std::uint8_t>(reinterpret_cast<const std::uint8_t*>(&v),
                                                  reinterpret_cast<const std::uint8_t*>(&v) + sizeof v));
    Write(root / "fuzz_value_text", "doubles", doubles);

    const auto args = [](std::initializer_list<std::string> list) {
        std::string s;
        for (const std::string& a : list) s += a + '\0';
        s.pop_back();
        return s;
    };
    Write(root / "fuzz_cli_arguments", "kiss", args({"--kiss", "--csv", "out.csv", "--tlm=-", "--record", "3", "a.kss"}));
    Write(root / "fuzz_cli_arguments", "log",
          args({"--log", "--dump", "d.tsv", "--decimal-separator", ",", "--", "-x.log", "b.log"}));
    return 0;
}
