// Shared by the engine tests: bytes from hex text, housekeeping frames, streams
// read into a session whole, cut in two at every position and byte by byte,
// files read back, a temporary folder, and programs run as processes.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <span>
#include <sstream>

#include "dump_writer.h"
#include "frame_encoder.h"
#include "session.h"

namespace tavro::test {

using Bytes = std::vector<std::uint8_t>;

// "C0 09 3A" -> {0xC0, 0x09, 0x3A}: pairs of hex digits between blanks.
inline Bytes Hex(std::string_view text) {
    Bytes out;
    std::istringstream in{std::string(text)};
    for (unsigned byte = 0; in >> std::hex >> byte;) out.push_back(static_cast<std::uint8_t>(byte));
    return out;
}

inline std::span<const std::uint8_t> AsBytes(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}
inline std::string Str(const Bytes& bytes) { return {bytes.begin(), bytes.end()}; }

inline Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

// size bytes of noise, the same for the same seed.
inline std::string Noise(std::uint64_t x, std::size_t size) {
    std::string s(size, '\0');
    for (char& c : s) c = static_cast<char>((x = x * 6364136223846793005u + 1442695040888963407u) >> 56);
    return s;
}

// An unescaped housekeeping frame, every field 0 but Packet cnt (channel 2).
inline Bytes HkFrame(int packet, std::uint8_t callsign = 0x62) {
    passgen::KissRaw raw{};
    raw[2] = packet;
    return passgen::KissHousekeepingFrame(raw, callsign);
}
// The same, escaped between two FENDs.
inline Bytes Hk(int packet) { return passgen::KissWrap(HkFrame(packet)); }

// The same as SatNOGS gives it: the AX.25 frame without the KISS command byte, in hex.
inline std::string SatnogsHex(int packet, bool lowerCase = false) {
    const char* digits = lowerCase ? "0123456789abcdef" : "0123456789ABCDEF";
    std::string hex;
    for (std::uint8_t b : HkFrame(packet)) hex += {digits[b >> 4], digits[b & 15]};
    return hex.substr(2);
}

// The same on TNC port port: command byte port x 16 (port 2: 20).
inline Bytes HkOnPort(int port, int packet) {
    Bytes frame = HkFrame(packet);
    frame[0] = static_cast<std::uint8_t>(port * 16);
    return passgen::KissWrap(frame);
}

// Packet cnt of every record.
inline std::vector<double> Packets(const Session& s) {
    std::vector<double> packets;
    for (const TelemetryRecord& r : s.Records().Records()) packets.push_back(r.Channels[2]);
    return packets;
}

inline std::string FileText(const std::filesystem::path& path) {
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}
inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// A folder of its own under /tmp, removed with what it holds.
struct TempDir : std::filesystem::path {
    explicit TempDir(const std::string& name)
        : path(std::filesystem::temp_directory_path() / ("tavro-" + name + "-" + std::to_string(::getpid()))) {
        std::filesystem::remove_all(*this);
        std::filesystem::create_directories(*this);
    }
    ~TempDir() { std::filesystem::remove_all(*this); }
    std::string Path(const std::string& name) const { return (*this / name).string(); }
    std::string Write(const std::string& name, std::string_view bytes) const {
        std::ofstream(Path(name), std::ios::binary) << bytes;
        return Path(name);
    }
};

// Runs a program (arguments without single quotes) and tells how it ended and what it wrote:
//   ProgramRun r = RunProgram({TAVRO_BIN_DIR "/tavro-cli", "--kiss", path});
// shell: commands run first, in the shell that becomes the program ("ulimit -f 2;").
struct ProgramRun { bool signaled = false; int signal = 0, exitCode = -1; std::string out, err; };

inline std::string TakeFile(const std::string& path) {
    const std::string text = FileText(path);
    return ::unlink(path.c_str()), text;
}

inline ProgramRun RunProgram(const std::vector<std::string>& args, const std::string& shell = "") {
    const std::string stem = "/tmp/tavro-run-" + std::to_string(::getpid());
    std::string command = shell + "exec";  // the shell becomes the program: its status is the program's
    for (const std::string& a : args) command += " '" + a + "'";
    const int s = std::system((command + " >" + stem + ".out 2>" + stem + ".err").c_str());
    return {WIFSIGNALED(s), WIFSIGNALED(s) ? WTERMSIG(s) : 0, WIFEXITED(s) ? WEXITSTATUS(s) : -1, TakeFile(stem + ".out"),
            TakeFile(stem + ".err")};
}

// One SQL answer of a SQLite file as text: rows by "\n", columns by "|",
// NULL as "NULL"; "cannot open" or "error: ..." when it cannot be asked.
//   Sql(archive, "SELECT count(*), max(packet_cnt) FROM beacons") -> "300|299.0\n"
inline std::string Sql(const std::string& path, const std::string& query) {
    sqlite3* db = nullptr;
    std::string out;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return "cannot open";
    }
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, query.c_str(), -1, &st, nullptr) != SQLITE_OK) {
        out = std::string("error: ") + sqlite3_errmsg(db);
    } else {
        while (sqlite3_step(st) == SQLITE_ROW) {
            for (int i = 0; i < sqlite3_column_count(st); ++i) {
                if (i) out += '|';
                const unsigned char* t = sqlite3_column_text(st, i);
                out += t ? reinterpret_cast<const char*>(t) : "NULL";
            }
            out += '\n';
        }
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return out;
}

// One selection of one file of kind, fed in slices that end at cuts.
inline std::unique_ptr<Session> Read(InputKind kind, std::span<const std::uint8_t> stream,
                                     const std::vector<std::size_t>& cuts = {}, bool mergeDuplicates = false) {
    auto session = std::make_unique<Session>();
    session->SetMergeDuplicates(mergeDuplicates);
    session->BeginSelection();
    session->BeginFile("capture", kind);
    std::size_t from = 0;
    for (std::size_t cut : cuts) session->Feed(stream.subspan(from, cut - from)), from = cut;
    session->Feed(stream.subspan(from));
    session->EndFile();
    session->EndSelection();
    return session;
}

// Everything read: the time text left, then every record at full precision.
inline std::string Seen(const Session& s) { return s.CurrentTimeText() + "\n" + DumpText(s.Records()); }

// Reads stream whole, cut in two at every position and byte by byte: all must agree.
inline std::unique_ptr<Session> ReadAllWays(InputKind kind, std::span<const std::uint8_t> stream) {
    auto whole = Read(kind, stream);
    std::vector<std::size_t> everyByte;
    for (std::size_t k = 1; k < stream.size(); ++k) {
        everyByte.push_back(k);
        EXPECT_EQ(Seen(*Read(kind, stream, {k})), Seen(*whole)) << "cut at " << k;
    }
    EXPECT_EQ(Seen(*Read(kind, stream, everyByte)), Seen(*whole)) << "byte by byte";
    return whole;
}

}  // namespace tavro::test
