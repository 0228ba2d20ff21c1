// The safety rules every export follows, as one table that both front ends
// must pass: tavro-cli as a process and the window through its commands.
// Each case prepares a folder, has the front end read `inputs` as one
// selection and export its CSV to `target` (the last input's name with
// ".csv", the name the window gives it), and checks what is left. Each fails
// when its rule is taken out of the engine.
#pragma once

#include <sys/inotify.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <thread>

#include "test_support.h"

namespace tavro::test {

// failWrite: the front end makes the write fail midway (a full disk); message: the front end's report.
struct ExportCall { std::vector<std::string> inputs; std::string target; bool failWrite = false; };
struct ExportOutcome { bool ok = false; std::string message; };
using Exporter = std::function<ExportOutcome(const ExportCall&)>;

// An export that reaches a file of the selection by another name is
// refused, and the file and the name stay as they were: a link to it, a
// hard link, a path through "..", a path through a linked folder.
inline void CheckExportsThroughLinks(const std::filesystem::path& dir, const Exporter& exportCsv, const std::string& capture) {
    namespace fs = std::filesystem;
    const fs::path kss = dir / "pass.kss", csv = dir / "pass.csv", sub = dir / "sub", linked = dir / "linked";
    fs::create_directory(sub);
    fs::create_directory_symlink(dir, linked);
    std::ofstream(csv, std::ios::binary) << capture;  // a capture named pass.csv, read in the same selection
    const struct { const char* name; std::function<void()> prepare; std::vector<std::string> inputs; fs::path target; } cases[] = {
        {"a link to an input", [&] { fs::remove(csv), fs::create_symlink("pass.kss", csv); }, {kss.string()}, csv},
        {"a hard link to an input", [&] { fs::remove(csv), fs::create_hard_link(kss, csv); }, {kss.string()}, csv},
        {"through ..", [] {}, {csv.string(), (sub / ".." / "pass.kss").string()}, sub / ".." / "pass.csv"},
        {"through a linked folder", [] {}, {csv.string(), (linked / "pass.kss").string()}, linked / "pass.csv"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        c.prepare();
        const bool link = fs::is_symlink(csv);
        const std::string before = FileText(csv);
        const ExportOutcome r = exportCsv({c.inputs, c.target.string()});
        EXPECT_FALSE(r.ok);
        EXPECT_NE(r.message.find("it is an input file"), std::string::npos) << r.message;
        EXPECT_EQ(FileText(csv), before);
        EXPECT_EQ(FileText(kss), capture);
        EXPECT_EQ(fs::is_symlink(csv), link);
        if (!link) { EXPECT_EQ(fs::hard_link_count(kss), std::string(c.name) == "a hard link to an input" ? 2u : 1u); }
        fs::remove(csv);
        std::ofstream(csv, std::ios::binary) << capture;
    }
    fs::remove(csv), fs::remove(linked), fs::remove(sub);
}

// An output on another filesystem, in a folder of its own (a tmpfs mounted
// here, or /dev/shm where mounting is not allowed): the temporary file is
// made in that folder and renamed there, as a rename cannot cross filesystems.
inline void CheckExportToAnotherFilesystem(const std::filesystem::path& dir, const Exporter& exportCsv, const std::string& capture) {
    namespace fs = std::filesystem;
    struct Folder {  // unmounted and removed whatever the checks found
        fs::path path;
        bool mounted = false;
        ~Folder() {
            if (mounted) ::umount2(path.c_str(), MNT_DETACH);
            std::error_code ignored;
            fs::remove_all(path, ignored);
        }
    } other{dir / "other"};
    fs::create_directory(other.path);
    other.mounted = ::mount("tavro-test", other.path.c_str(), "tmpfs", 0, "size=4m") == 0;
    if (!other.mounted) {
        fs::remove(other.path);
        other.path = fs::path("/dev/shm") / ("tavro-export-" + std::to_string(::getpid()));
        fs::create_directories(other.path);
    }
    struct stat here {}, there {};
    ::stat(dir.c_str(), &here), ::stat(other.path.c_str(), &there);
    if (here.st_dev == there.st_dev) return ADD_FAILURE() << "no folder on another filesystem than " << dir;
    const fs::path kss = other.path / "pass.kss", csv = other.path / "pass.csv";
    std::ofstream(kss, std::ios::binary) << capture;
    const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ::inotify_add_watch(watch, other.path.c_str(), IN_CREATE | IN_MOVED_TO);
    const ExportOutcome r = exportCsv({{(dir / "pass.kss").string(), kss.string()}, csv.string()});
    EXPECT_TRUE(r.ok) << r.message;
    EXPECT_EQ(FileText(csv).substr(0, 9), "OPS mode;");
    // What happened in the folder: ".pass.csv.XXXXXX" made, then renamed to pass.csv.
    std::vector<std::string> events;
    alignas(inotify_event) char buffer[4096];
    for (ssize_t n; (n = ::read(watch, buffer, sizeof buffer)) > 0;)
        for (char* at = buffer; at < buffer + n;) {
            const auto* e = reinterpret_cast<const inotify_event*>(at);
            std::string name = e->name;
            if (name.rfind(".pass.csv.", 0) == 0 && name.size() == 16) name = ".pass.csv.XXXXXX";
            events.push_back((e->mask & IN_CREATE ? "made " : "renamed to ") + name);
            at += sizeof(inotify_event) + e->len;
        }
    ::close(watch);
    EXPECT_EQ(events, (std::vector<std::string>{"made .pass.csv.XXXXXX", "renamed to pass.csv"}));
}

inline void CheckExportSafety(const std::filesystem::path& dir, const Exporter& exportCsv) {
    namespace fs = std::filesystem;
    std::string capture;  // 40 records: a CSV of some 12 KB
    for (int k = 0; k < 40; ++k) capture += Str(passgen::KissWrap(passgen::KissHousekeepingFrame({4, 1.0 * k})));
    const fs::path kss = dir / "pass.kss", csv = dir / "pass.csv", real = dir / "real.csv";
    const auto mode = [](const fs::path& p) { struct stat st {}; return ::lstat(p.c_str(), &st) == 0 ? st.st_mode & 07777 : 0u; };
    const auto entries = [&] { return std::distance(fs::directory_iterator(dir), {}); };
    const mode_t umaskBefore = ::umask(022);

    {  // An export onto a file of the selection (named pass.csv, read as a capture) is refused.
        std::ofstream(csv, std::ios::binary) << capture;
        const ExportOutcome r = exportCsv({{csv.string()}, csv.string()});
        EXPECT_FALSE(r.ok);
        EXPECT_NE(r.message.find("it is an input file"), std::string::npos) << r.message;
        EXPECT_EQ(FileText(csv), capture);
        fs::remove(csv);
    }
    std::ofstream(kss, std::ios::binary) << capture;
    {  // A write that fails midway keeps the earlier file and leaves no temporary file.
        std::ofstream(csv, std::ios::binary) << "earlier\r\n";
        const ExportOutcome r = exportCsv({{kss.string()}, csv.string(), true});
        EXPECT_FALSE(r.ok) << r.message;
        EXPECT_EQ(FileText(csv), "earlier\r\n");
        EXPECT_EQ(entries(), 2);
        fs::remove(csv);
    }
    {  // A new file gets 0666 & ~umask.
        ::umask(027);
        const ExportOutcome r = exportCsv({{kss.string()}, csv.string()});
        ::umask(022);
        EXPECT_TRUE(r.ok) << r.message;
        EXPECT_EQ(mode(csv), 0640u);
        EXPECT_EQ(FileText(csv).substr(0, 9), "OPS mode;");
    }
    {  // A replaced file keeps its mode.
        fs::permissions(csv, fs::perms(0604));
        EXPECT_TRUE(exportCsv({{kss.string()}, csv.string()}).ok);
        EXPECT_EQ(mode(csv), 0604u);
        fs::remove(csv);
    }
    {  // A link is followed: the file it names is replaced, the link stays.
        std::ofstream(real, std::ios::binary) << "earlier\r\n";
        fs::create_symlink("real.csv", csv);
        EXPECT_TRUE(exportCsv({{kss.string()}, csv.string()}).ok);
        EXPECT_TRUE(fs::is_symlink(csv));
        EXPECT_EQ(FileText(real).substr(0, 9), "OPS mode;");
        fs::remove(csv);
        fs::remove(real);
    }
    {  // A FIFO is written into, never replaced by a file.
        ASSERT_EQ(::mkfifo(csv.c_str(), 0600), 0);
        std::string received;
        std::thread reader([&] { received = FileText(csv); });
        const ExportOutcome r = exportCsv({{kss.string()}, csv.string()});
        reader.join();
        EXPECT_TRUE(r.ok) << r.message;
        EXPECT_EQ(received.substr(0, 9), "OPS mode;");
        EXPECT_EQ(std::count(received.begin(), received.end(), '\n'), 41);
        EXPECT_TRUE(fs::is_fifo(csv));
        fs::remove(csv);
    }
    CheckExportsThroughLinks(dir, exportCsv, capture);
    CheckExportToAnotherFilesystem(dir, exportCsv, capture);
    ::umask(umaskBefore);
}

}  // namespace tavro::test
