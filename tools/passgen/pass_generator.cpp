#include "pass_generator.h"

#include <cmath>
#include <cstdio>
#include <numbers>
#include <string>
#include <vector>

#include "frame_encoder.h"
#include "time_stamp.h"

namespace tavro::passgen {
namespace {

constexpr std::int64_t kPassStartMs = 1795860840000;  // 2026-11-28 10:14:00 UTC
constexpr long long kFramesPerPass = 300;             // one beacon every 2 s, 10 minutes
constexpr std::int64_t kOrbitMs = 95LL * 60 * 1000;   // the next pass one orbit later

// splitmix64: tiny, and the same numbers on every platform.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t Next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    // Uniform in [-1, 1).
    double Unit() { return static_cast<double>(Next() >> 11) * 0x1.0p-52 - 1.0; }
    std::uint8_t Byte() { return static_cast<std::uint8_t>(Next() >> 56); }

private:
    std::uint64_t state_;
};

// The state of the satellite at housekeeping frame i.
struct Moment {
    long long i;
    std::int64_t ms;     // reception time
    double phase;        // 0 at the start of a pass, 1 at its end
    double elapsed;      // seconds since the first frame
    double Wave(double periodFrames, double shift = 0) const {
        return std::sin(2 * std::numbers::pi * (static_cast<double>(i) / periodFrames + shift));
    }
};

Moment MomentOf(long long i, Random& random) {
    const long long pass = i / kFramesPerPass, inPass = i % kFramesPerPass;
    Moment m{};
    m.i = i;
    m.ms = kPassStartMs + pass * kOrbitMs + inPass * 2000 + static_cast<std::int64_t>(random.Next() % 400);
    m.phase = static_cast<double>(inPass) / static_cast<double>(kFramesPerPass - 1);
    m.elapsed = static_cast<double>(m.ms - kPassStartMs) / 1000.0;
    return m;
}

double Wrap16(long long v) { return static_cast<double>(v & 0xFFFF); }
double WrapS16(long long v) { return static_cast<double>(static_cast<std::int16_t>(static_cast<std::uint16_t>(v & 0xFFFF))); }
double OpsMode(long long i) { return i % kFramesPerPass >= 120 && i % kFramesPerPass < 128 ? 2 : 4; }  // safe, norm
double PptMode(long long i) { return static_cast<double>(i / 50 % 3); }
// Alternates C0 DB and FF 00: bytes that need escaping in every third frame.
double ValidityBits(long long i) { return i % 3 == 0 ? 0xC0DB : 0x00FF; }

// Raw KISS fields (before scaling, see kiss_decoder.h).
KissRaw KissFields(const Moment& m, Random& r) {
    const long long i = m.i;
    KissRaw x{};
    x[0] = OpsMode(i);
    x[1] = 173;
    x[2] = Wrap16(41200 + i);
    x[3] = static_cast<double>((17 + static_cast<long long>(m.elapsed)) & 0xFF);
    x[4] = static_cast<double>((12 + i / 40) & 0xFF);
    x[5] = Wrap16(11 + i / 45);
    x[6] = ValidityBits(i);
    x[7] = Wrap16(4200 + static_cast<long long>(m.elapsed));
    x[8] = PptMode(i);
    x[9] = i % 2 ? 31 : 63;
    // Values a 1U CubeSat gives, where the layout's scale allows them (both
    // noise draws stay, so the log's noise is the same).
    x[10] = std::round(20 + 0.9 * m.Wave(400) + 0.3 * r.Unit());            // 19..21: 7.51..8.30 V
    x[11] = std::round(1.2 + 0.5 * m.Wave(250, 0.3) + 0.05 * r.Unit());     // 1..2: 0.40 or 0.79 A
    x[12] = std::round(575 - 15 * m.Wave(600));
    x[13] = std::round(250 + 60 * m.Wave(300));
    x[14] = std::round(4800 + 300 * m.Wave(300, 0.1));
    x[15] = std::round(580 - 10 * m.Wave(500));
    x[16] = std::round(180 + 120 * m.Wave(300));
    x[17] = std::round(600 + 3 * r.Unit());
    x[18] = std::round(22 + 3 * m.Wave(700));
    x[19] = std::round(19 + 2 * m.Wave(650));
    x[20] = 3;
    for (int k = 0; k < 3; ++k) x[21 + k] = std::round(1200 + 300 * m.Wave(180, k / 3.0));
    x[24] = std::round(440 + 10 * r.Unit());
    x[25] = std::round(62 + 2 * r.Unit());
    x[26] = std::round(2 + std::cos(std::numbers::pi * m.phase));                      // 1..3 V
    x[27] = std::round(1 + 1.5 * std::sin(std::numbers::pi * m.phase) + 0.04 * r.Unit());  // 1..3 V
    x[28] = std::round(20 + r.Unit());
    x[29] = std::round(500 + 5 * r.Unit());
    x[30] = std::round(28 + 8 * m.phase);
    x[31] = 5;  // V
    x[32] = Wrap16(1000 + i / 10);
    x[33] = WrapS16(250 + i / 20);
    x[34] = static_cast<double>(i % 7 - 3);
    x[35] = 40;
    x[36] = -1;
    x[37] = static_cast<double>((i / 8) & 0xFF);
    x[38] = i % 5 == 0 ? 0xC0 : 0x80;
    x[39] = static_cast<double>((2 * i + 5) & 0xFF);
    x[40] = std::round(128 + 60 * m.Wave(120));
    x[41] = std::round(-1500 + 1200 * m.Wave(160));  // 1/64 nT, mostly negative
    x[42] = std::round(-800 + 900 * m.Wave(160, 0.25));
    x[43] = static_cast<double>(64 * (i % 40) - 640);
    x[44] = WrapS16(64 * (i / 10));
    x[45] = static_cast<double>((i * 37) % 4096 - 2048);
    return x;
}

// Raw log fields (before scaling, see log_decoder.h).
LogRaw LogFields(const Moment& m, Random& r) {
    const long long i = m.i;
    const auto seconds = static_cast<long long>(m.elapsed);
    LogRaw x{};
    x[0] = OpsMode(i);
    x[1] = 173;
    x[2] = Wrap16(41200 + i);
    x[3] = static_cast<double>(1234567 + seconds);
    x[4] = static_cast<double>((12 + i / 40) & 0xFF);
    x[5] = static_cast<double>((11 + i / 45) & 0xFF);
    x[6] = ValidityBits(i);
    x[7] = static_cast<double>(kPassStartMs / 1000 + seconds);
    x[8] = PptMode(i);
    x[9] = i % 2 ? 31 : 63;
    x[10] = std::round(8200 + 150 * m.Wave(400) + 3 * r.Unit());       // 8.2 V
    x[11] = std::round(9000 + 900 * m.Wave(250, 0.3) + 20 * r.Unit());  // 0.47 A
    x[12] = std::round(20 + 3 * m.Wave(600));
    for (int k = 0; k < 3; ++k) x[13 + k] = std::round(9000 + 600 * m.Wave(300, k / 3.0));  // 4.5 V
    x[16] = std::round(180 + 120 * m.Wave(300));
    x[17] = std::round(600 + 3 * r.Unit());
    x[18] = std::round(6830 + 300 * m.Wave(700));  // 22 C
    x[19] = std::round(1147 + 20 * m.Wave(650));  // 20 C
    x[20] = 3;
    for (int k = 0; k < 3; ++k) x[21 + k] = 400 * m.Wave(180, k / 3.0) + r.Unit();  // +-3000 nT
    x[24] = std::round(1139 + 10 * r.Unit());  // 450 mA
    x[25] = std::round(152 + 3 * r.Unit());
    x[26] = std::round(512 + 200 * std::cos(std::numbers::pi * m.phase));
    x[27] = std::round(300 + 100 * std::sin(std::numbers::pi * m.phase) + 4 * r.Unit());
    x[28] = std::round(289 + 5 * r.Unit());   // 20 mW
    x[29] = std::round(1446 + 8 * r.Unit());  // 500 mW
    x[30] = std::round(248 + 20 * m.phase);   // 30 C
    x[31] = std::round(310 + 2 * r.Unit());   // 5 V
    x[32] = WrapS16(1000 + i / 10);
    x[33] = WrapS16(250 + i / 20);
    x[34] = static_cast<double>(i % 7 - 3);
    x[35] = 40;
    x[36] = -1;
    x[37] = static_cast<double>(70000 + i);
    x[38] = i % 5 == 0 ? 0xC0 : 0x80;
    x[39] = static_cast<double>((2 * i + 5) & 0xFF);
    x[40] = std::round(-12000 + 3000 * m.Wave(160));
    x[41] = std::round(-1500 + 1200 * m.Wave(160, 0.1));
    x[42] = std::round(-800 + 900 * m.Wave(160, 0.25));
    x[43] = static_cast<double>(i % 40);
    x[44] = Wrap16(i / 10);
    x[45] = static_cast<double>((i * 37) & 0xFF);
    x[46] = static_cast<double>(i % 1000);
    return x;
}

// AX.25 address field: six shifted callsign characters and the SSID byte.
void PutAddress(std::vector<std::uint8_t>& frame, const char* call, int ssid, bool last) {
    for (int k = 0; k < 6; ++k) frame.push_back(static_cast<std::uint8_t>((call[k] ? call[k] : ' ') << 1));
    frame.push_back(static_cast<std::uint8_t>(0x60 | ssid << 1 | (last ? 1 : 0)));
}

// A UI frame of another station: an APRS position, or a binary beacon.
std::vector<std::uint8_t> OtherStationFrame(long long i, Random& r) {
    std::vector<std::uint8_t> frame{0x00};
    if (i / 10 % 2 == 0) {
        PutAddress(frame, "APRS  ", 0, false);
        PutAddress(frame, "DK3XY ", 9, true);
        frame.insert(frame.end(), {0x03, 0xF0});
        const std::string text = "!4807.23N/01134.56E>ground station " + std::to_string(i % 100);
        frame.insert(frame.end(), text.begin(), text.end());
    } else {
        PutAddress(frame, "CQ    ", 0, false);
        PutAddress(frame, "OK2XYZ", 1, true);
        frame.insert(frame.end(), {0x03, 0xF0, 0x00, 0x00, 0x01, 0x00});  // looks like type 1, other header
        for (int k = 0; k < 40; ++k) frame.push_back(r.Byte());
    }
    return frame;
}

// Our satellite, frame type 2 (not housekeeping), random payload.
std::vector<std::uint8_t> TypeTwoBytes(Random& r) {
    std::vector<std::uint8_t> bytes{0x02};
    for (int k = 0; k < 60; ++k) bytes.push_back(r.Byte());
    return bytes;
}

// "215.3;12.7;435839210": azimuth, elevation, corrected downlink frequency.
std::string PointingText(const Moment& m) {
    const double az = std::fmod(215.0 - 190.0 * m.phase + 360.0, 360.0);
    const double el = 62.0 * std::sin(std::numbers::pi * m.phase);
    const auto hz = static_cast<long long>(std::llround(435825000.0 + 10000.0 * std::cos(std::numbers::pi * m.phase)));
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.1f;%.1f;%lld", az, el, hz);
    return buf;
}

// Field bytes from position first on, at random.
void Scramble(std::vector<std::uint8_t>& frame, std::size_t first, Random& r) {
    for (std::size_t k = first - 1; k < frame.size(); ++k) frame[k] = r.Byte();
}

void Write(std::ostream* out, const std::vector<std::uint8_t>& frame) {
    if (!out) return;
    const auto bytes = KissWrap(frame);
    out->write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void WriteLine(std::ostream* out, const std::string& line) {
    if (out) *out << line << '\n';
}

}  // namespace

PassCounts WritePass(const PassOptions& options, std::ostream* kiss, std::ostream* log) {
    Random random(options.seed);
    PassCounts counts;
    std::string clock = "10:14:00";
    for (long long i = 0; i < options.frames; ++i) {
        const Moment m = MomentOf(i, random);
        const std::string timeText = MillisecondsToTimeText(m.ms);
        clock = timeText.substr(11, 8);
        if (i % kFramesPerPass == 0) {
            WriteLine(log, clock + " AOS");  // no hex part: not a record
            ++counts.otherLines;
        }
        if (i % 4 == 0) {
            Write(kiss, KissTimeStampFrame(timeText + ";" + PointingText(m)));
            ++counts.timeStamps;
        }
        if (i % 10 == 7) {
            Write(kiss, OtherStationFrame(i, random));
            ++counts.otherFrames;
        }
        // Both layouts draw their noise from one stream, so the KISS file is
        // the same whether or not the log is written.
        const KissRaw kissRaw = KissFields(m, random);
        const LogRaw logRaw = LogFields(m, random);
        auto kissFrame = KissHousekeepingFrame(kissRaw, i % 9 == 5 ? 0x64 : 0x62);
        auto logBytes = LogHousekeepingBytes(logRaw);  // from the frame type at position 18
        if (options.randomFields) {
            Scramble(kissFrame, kKissFrameTypePosition + 1, random);
            Scramble(logBytes, 2, random);
        }
        Write(kiss, kissFrame);
        if (log) WriteLine(log, LogLine(clock, logBytes));
        ++counts.housekeeping;
        if (i % 37 == 20) {
            const auto payload = TypeTwoBytes(random);
            std::vector<std::uint8_t> frame(kKissHeader62.begin(), kKissHeader62.end());
            frame.insert(frame.end(), {0x00, 0x00});  // bytes 18, 19; frame type at 20
            frame.insert(frame.end(), payload.begin(), payload.end());
            Write(kiss, frame);
            ++counts.otherFrames;
            WriteLine(log, LogLine(clock, payload));
            ++counts.otherLines;
        }
    }
    WriteLine(log, clock + " LOS");
    ++counts.otherLines;
    return counts;
}

}  // namespace tavro::passgen
