// A serial TNC at 115200 baud, full speed, for 10 s: tavro-cli reads a
// pseudo-terminal while this process plays the TNC on its other side,
// pacing KISS housekeeping frames at the line's rate (11520 bytes a second,
// 8N1). Figures: the bytes tavro-cli read against the bytes sent (none may
// be lost), and the CPU tavro-cli used over the stream (share of one core).
//
//   tavro_serial_bench --cli build/bin/tavro-cli --out /tmp/folder
#include <sys/resource.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <algorithm>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "budget_rows.h"
#include "frame_encoder.h"
#include "serial_pty.h"  // the tests' pseudo-terminal

namespace {

using Clock = std::chrono::steady_clock;
constexpr double kBytesPerSecond = 115200 / 10.0;  // a start bit, 8 data bits, a stop bit
constexpr auto kStream = std::chrono::seconds(10);

std::string FileText(const std::string& path) {
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

// Waits up to timeout for ready(), looking every 10 ms.
bool Until(const std::function<bool()>& ready, std::chrono::seconds timeout) {
    for (const auto end = Clock::now() + timeout; Clock::now() < end;) {
        if (ready()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return ready();
}

long long CountLines(const std::string& path) {
    const std::string text = FileText(path);
    return static_cast<long long>(std::count(text.begin(), text.end(), '\n'));
}

// The "total" row's bytes in the framing report tavro-cli wrote to standard error.
long long ReportedBytes(const std::string& err) {
    const auto at = err.find("\ntotal ");
    return at == std::string::npos ? -1 : std::atoll(err.c_str() + at + 7);
}

}  // namespace

int main(int argc, char** argv) {
    using namespace tavro::bench;
    std::string cli, out;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--cli") == 0) cli = argv[i + 1];
        if (std::strcmp(argv[i], "--out") == 0) out = argv[i + 1];
    }
    if (cli.empty() || out.empty()) {
        std::fprintf(stderr, "usage: tavro_serial_bench --cli PATH --out FOLDER\n");
        return 2;
    }
    tavro::test::Pty tnc;
    if (!tnc.Ok()) {
        std::fprintf(stderr, "tavro_serial_bench: no pseudo-terminal\n");
        return 2;
    }
    const std::string err = out + "/serial-err.txt", csv = out + "/serial.csv", rec = out + "/serial.kss";
    const pid_t pid = ::fork();
    if (pid == 0) {
        for (int fd = 3; fd < 1024; ++fd) ::close(fd);  // the TNC's side stays with the TNC: closing it unplugs
        std::freopen(err.c_str(), "w", stderr);
        std::freopen("/dev/null", "w", stdout);
        ::execl(cli.c_str(), cli.c_str(), "--kiss-serial", (tnc.SlavePath() + ":115200").c_str(), "--record-to",
                rec.c_str(), "--csv", csv.c_str(), "--report", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    if (!Until([&] { return FileText(err).find(" opened ") != std::string::npos; }, std::chrono::seconds(10))) {
        std::fprintf(stderr, "tavro_serial_bench: tavro-cli did not open the line: %s\n", FileText(err).c_str());
        return 2;
    }

    // Frames one after the other, each sent when the line would have carried it.
    long long sent = 0;
    int frames = 0;
    const auto start = Clock::now();
    while (Clock::now() - start < kStream) {
        tavro::passgen::KissRaw raw{};
        raw[2] = ++frames % 65536;
        const std::vector<std::uint8_t> frame = tavro::passgen::KissWrap(tavro::passgen::KissHousekeepingFrame(raw));
        for (std::size_t done = 0; done < frame.size();) {
            const double due = std::chrono::duration<double>(Clock::now() - start).count() * kBytesPerSecond - sent;
            const std::size_t n = std::min(frame.size() - done, static_cast<std::size_t>(std::max(due, 0.0)));
            if (n == 0) {
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
                continue;
            }
            tnc.Write({frame.data() + done, n});
            done += n, sent += static_cast<long long>(n);
        }
    }
    const double streamSeconds = std::chrono::duration<double>(Clock::now() - start).count();
    const bool allRows = Until([&] { return CountLines(csv) == frames + 1; }, std::chrono::seconds(10));
    tnc.Close();  // unplugged: tavro-cli ends
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    const double cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                       static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    const long long read = ReportedBytes(FileText(err));
    const long long lost = sent - read;

    PrintRow({"serial: 115200 baud KISS stream for 10 s through tavro-cli, bytes lost (of " + std::to_string(sent) +
                  " sent, " + std::to_string(frames) + " frames" + (allRows ? "" : ", CSV rows missing") + ")",
              std::to_string(lost), "0", "", "", lost == 0 && allRows});
    PrintRow({"serial: CPU of tavro-cli over that stream (share of one core)", Fixed(100 * cpu / streamSeconds, 2) + " %",
              "< 5 %", "", "", cpu / streamSeconds < 0.05});
    return 0;
}
