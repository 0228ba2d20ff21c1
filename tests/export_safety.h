// The safety rules every export follows, as one table that both front ends
// must pass: tavro-cli as a process and the window through its commands.
// Each case prepares a folder, has the front end export the CSV of `input`
// to `target` (pass.csv, the name the window gives it), and checks what is
// left. Each fails when its rule is taken out of the engine.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <thread>

#include "test_support.h"

namespace tavro::test {

// failWrite: the front end makes the write fail midway (a full disk); message: the front end's report.
struct ExportCall { std::string input, target; bool failWrite = false; };
struct ExportOutcome { bool ok = false; std::string message; };
using Exporter = std::function<ExportOutcome(const ExportCall&)>;

// namesItsFile: the front end names the target itself (tavro-cli's --csv); the
// window takes the name the session gives next to the input.
inline void CheckExportSafety(const std::filesystem::path& dir, const Exporter& exportCsv, bool namesItsFile = true) {
    namespace fs = std::filesystem;
    std::string capture;  // 40 records: a CSV of some 12 KB
    for (int k = 0; k < 40; ++k) capture += Str(passgen::KissWrap(passgen::KissHousekeepingFrame({4, 1.0 * k})));
    const fs::path kss = dir / "pass.kss", csv = dir / "pass.csv", real = dir / "real.csv";
    const auto mode = [](const fs::path& p) { struct stat st {}; return ::lstat(p.c_str(), &st) == 0 ? st.st_mode & 07777 : 0u; };
    const auto entries = [&] { return std::distance(fs::directory_iterator(dir), {}); };
    const mode_t umaskBefore = ::umask(022);

    {  // An export named after a file of the selection (pass.csv, read as a capture) is refused; the
       // name taken by default moves aside to pass-decoded.csv.
        std::ofstream(csv, std::ios::binary) << capture;
        const ExportOutcome r = exportCsv({csv.string(), csv.string()});
        const fs::path decoded = dir / "pass-decoded.csv";
        EXPECT_EQ(r.ok, !namesItsFile) << r.message;
        EXPECT_NE(r.message.find(namesItsFile ? "it is an input file" : decoded.string() + " has been written"),
                  std::string::npos) << r.message;
        EXPECT_EQ(FileText(csv), capture);
        EXPECT_EQ(fs::exists(decoded), !namesItsFile);
        fs::remove(csv), fs::remove(decoded);
    }
    std::ofstream(kss, std::ios::binary) << capture;
    {  // A write that fails midway keeps the earlier file and leaves no temporary file.
        std::ofstream(csv, std::ios::binary) << "earlier\r\n";
        const ExportOutcome r = exportCsv({kss.string(), csv.string(), true});
        EXPECT_FALSE(r.ok) << r.message;
        EXPECT_EQ(FileText(csv), "earlier\r\n");
        EXPECT_EQ(entries(), 2);
        fs::remove(csv);
    }
    {  // A new file gets 0666 & ~umask.
        ::umask(027);
        const ExportOutcome r = exportCsv({kss.string(), csv.string()});
        ::umask(022);
        EXPECT_TRUE(r.ok) << r.message;
        EXPECT_EQ(mode(csv), 0640u);
        EXPECT_EQ(FileText(csv).substr(0, 9), "OPS mode;");
    }
    {  // A replaced file keeps its mode.
        fs::permissions(csv, fs::perms(0604));
        EXPECT_TRUE(exportCsv({kss.string(), csv.string()}).ok);
        EXPECT_EQ(mode(csv), 0604u);
        fs::remove(csv);
    }
    {  // A link is followed: the file it names is replaced, the link stays.
        std::ofstream(real, std::ios::binary) << "earlier\r\n";
        fs::create_symlink("real.csv", csv);
        EXPECT_TRUE(exportCsv({kss.string(), csv.string()}).ok);
        EXPECT_TRUE(fs::is_symlink(csv));
        EXPECT_EQ(FileText(real).substr(0, 9), "OPS mode;");
        fs::remove(csv);
        fs::remove(real);
    }
    {  // A FIFO is written into, never replaced by a file.
        ASSERT_EQ(::mkfifo(csv.c_str(), 0600), 0);
        std::string received;
        std::thread reader([&] { received = FileText(csv); });
        const ExportOutcome r = exportCsv({kss.string(), csv.string()});
        reader.join();
        EXPECT_TRUE(r.ok) << r.message;
        EXPECT_EQ(received.substr(0, 9), "OPS mode;");
        EXPECT_EQ(std::count(received.begin(), received.end(), '\n'), 41);
        EXPECT_TRUE(fs::is_fifo(csv));
    }
    ::umask(umaskBefore);
}

}  // namespace tavro::test
