// tavro-passgen: writes a sample pass as a KISS capture and / or a log file.
//
//   tavro-passgen --kiss pass.kss --log pass.log              the sample pass (300 frames)
//   tavro-passgen --satnogs pass_satnogs.csv                  the same as a SatNOGS export, three stations
//   tavro-passgen --kiss big.kss --frames 1000000 --seed 7    1000000 housekeeping frames
//   tavro-passgen --kiss noisy.kss --random-fields             field bytes at random
//
// The output depends on the options only (no clock, no system randomness),
// and is written as it is generated, so any size fits in little memory.
#include <charconv>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "pass_generator.h"
#include "satnogs_export.h"

namespace {

constexpr const char* kUsage =
    "usage: tavro-passgen [--kiss PATH] [--log PATH] [--satnogs PATH] [--frames N] [--seed S] [--random-fields]\n"
    "  writes a deterministic sample pass; at least one of --kiss, --log and --satnogs;\n"
    "  --random-fields draws the housekeeping field bytes at random\n";

template <typename T>
bool ParseWhole(std::string_view text, T& value) {
    const auto res = std::from_chars(text.data(), text.data() + text.size(), value);
    return res.ec == std::errc() && res.ptr == text.data() + text.size();
}

// An output file with a large buffer; nullptr when it cannot be created.
struct Output {
    std::vector<char> buffer = std::vector<char>(1 << 20);
    std::ofstream stream;
    bool Open(const std::string& path) {
        stream.rdbuf()->pubsetbuf(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        stream.open(path, std::ios::binary | std::ios::trunc);
        return stream.is_open();
    }
};

}  // namespace

int main(int argc, char** argv) {
    std::string kissPath, logPath, satnogsPath;
    tavro::passgen::PassOptions options;
    for (int a = 1; a < argc; ++a) {
        const std::string_view arg = argv[a];
        const bool hasValue = a + 1 < argc;
        if (arg == "--help" || arg == "-h") {
            std::cout << kUsage;
            return 0;
        } else if (arg == "--kiss" && hasValue) {
            kissPath = argv[++a];
        } else if (arg == "--log" && hasValue) {
            logPath = argv[++a];
        } else if (arg == "--satnogs" && hasValue) {
            satnogsPath = argv[++a];
        } else if (arg == "--frames" && hasValue && ParseWhole(argv[a + 1], options.frames) && options.frames >= 0) {
            ++a;
        } else if (arg == "--seed" && hasValue && ParseWhole(argv[a + 1], options.seed)) {
            ++a;
        } else if (arg == "--random-fields") {
            options.randomFields = true;
        } else {
            std::cerr << "tavro-passgen: bad argument " << arg << "\n" << kUsage;
            return 2;
        }
    }
    if (kissPath.empty() && logPath.empty() && satnogsPath.empty()) {
        std::cerr << kUsage;
        return 2;
    }
    if (!satnogsPath.empty()) {  // made from the capture, in memory
        std::ostringstream capture, csv;
        tavro::passgen::WritePass(options, &capture, nullptr);
        const std::string bytes = capture.str();
        const long long lines = tavro::passgen::WriteSatnogsCsv(
            {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()}, csv);
        std::ofstream out(satnogsPath, std::ios::binary | std::ios::trunc);
        if (!(out << csv.str()) || (out.close(), !out)) {
            std::cerr << "tavro-passgen: cannot write " << satnogsPath << "\n";
            return 1;
        }
        std::cerr << lines << " SatNOGS entries\n";
        if (kissPath.empty() && logPath.empty()) return 0;
    }

    Output kiss, log;
    for (auto [path, out] : {std::pair{&kissPath, &kiss}, std::pair{&logPath, &log}}) {
        if (!path->empty() && !out->Open(*path)) {
            std::cerr << "tavro-passgen: cannot write " << *path << ": " << std::strerror(errno) << "\n";
            return 1;
        }
    }
    const auto counts = tavro::passgen::WritePass(options, kissPath.empty() ? nullptr : &kiss.stream,
                                                  logPath.empty() ? nullptr : &log.stream);
    for (auto [path, out] : {std::pair{&kissPath, &kiss}, std::pair{&logPath, &log}}) {
        if (path->empty()) continue;
        out->stream.close();
        if (!out->stream) {
            std::cerr << "tavro-passgen: cannot write " << *path << "\n";
            return 1;
        }
    }
    std::cerr << counts.housekeeping << " housekeeping frames, " << counts.timeStamps << " time stamp frames, "
              << counts.otherFrames << " other frames, " << counts.otherLines << " other log lines\n";
    return 0;
}
