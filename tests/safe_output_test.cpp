// Exports never lose the file that was there: a write that fails leaves the
// earlier file as it was and no temporary file behind, and is reported with
// the path and the reason, by WriteFileAtomically and by tavro-cli.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "atomic_file.h"
#include "cli.h"
#include "frame_encoder.h"
#include "run_program.h"

namespace tavro {
namespace {

namespace fs = std::filesystem;
using testing_support::RunProgram;

const std::string kCli = std::string(TAVRO_BIN_DIR) + "/tavro-cli";

std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteText(const fs::path& p, const std::string& text) { std::ofstream(p, std::ios::binary) << text; }

std::vector<std::string> Names(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class SafeOutputBase {
protected:
    void MakeFolder() {
        std::string pattern = (fs::temp_directory_path() / "tavro-safe-output-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        fs::permissions(dir_, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                  fs::perms::others_read | fs::perms::others_exec);
    }
    void RemoveFolder() {
        SetWriteFaultForTesting(nullptr);
        for (const auto& e : fs::recursive_directory_iterator(dir_))
            if (e.is_directory()) fs::permissions(e.path(), fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(dir_);
    }
    // A capture of three housekeeping frames.
    std::string WriteCapture() {
        std::vector<std::uint8_t> bytes;
        for (int k = 0; k < 3; ++k) {
            passgen::KissRaw raw{};
            raw[1] = k + 1;
            const auto frame = passgen::KissWrap(passgen::KissHousekeepingFrame(raw));
            bytes.insert(bytes.end(), frame.begin(), frame.end());
        }
        const fs::path path = dir_ / "pass.kss";
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return path.string();
    }
    fs::path dir_;
};

// ---- tavro-cli: every kind of failed write, for every output option --------

enum class Failure { ReadOnlyFolder, TargetIsAFolder, MissingFolder, DiskFullMidway, IoErrorMidway };

struct CliCase {
    const char* name;
    Failure failure;
    const char* option;  // the output that fails
    const char* reason;  // as the message gives it
};

const CliCase kCliCases[] = {
    {"ReadOnlyFolderCsv", Failure::ReadOnlyFolder, "--csv", "Permission denied"},
    {"ReadOnlyFolderTlm", Failure::ReadOnlyFolder, "--tlm", "Permission denied"},
    {"ReadOnlyFolderDump", Failure::ReadOnlyFolder, "--dump", "Permission denied"},
    {"TargetIsAFolderCsv", Failure::TargetIsAFolder, "--csv", "Is a directory"},
    {"TargetIsAFolderTlm", Failure::TargetIsAFolder, "--tlm", "Is a directory"},
    {"MissingFolderTlm", Failure::MissingFolder, "--tlm", "No such file or directory"},
    {"DiskFullMidwayCsv", Failure::DiskFullMidway, "--csv", "No space left on device"},
    {"DiskFullMidwayTlm", Failure::DiskFullMidway, "--tlm", "No space left on device"},
    {"IoErrorMidwayDump", Failure::IoErrorMidway, "--dump", "Input/output error"},
};

class FailedExport : public SafeOutputBase, public ::testing::TestWithParam<CliCase> {
protected:
    void SetUp() override { MakeFolder(); }
    void TearDown() override { RemoveFolder(); }
};

TEST_P(FailedExport, KeepsTheEarlierFileAndReportsPathAndReason) {
    const CliCase& c = GetParam();
    const std::string input = WriteCapture();
    const fs::path out = dir_ / "out";
    fs::create_directory(out);
    fs::path target = out / "pass.out";
    WriteText(target, "earlier file\r\n");
    if (c.failure == Failure::TargetIsAFolder) {
        target = out / "shots";
        fs::create_directory(target);
        WriteText(target / "keep.bmp", "picture");
    }
    if (c.failure == Failure::MissingFolder) target = out / "missing" / "pass.out";
    // A second output of the same run is still written.
    const fs::path other = dir_ / "other.out";
    const std::string otherOption = std::string(c.option) == "--dump" ? "--csv" : "--dump";
    const std::vector<std::string> args = {"--kiss", c.option, target.string(), otherOption, other.string(), input};

    const std::vector<std::string> before = Names(out);
    int exitCode = -1;
    std::string err;
    if (c.failure == Failure::DiskFullMidway || c.failure == Failure::IoErrorMidway) {
        // The write fails after the temporary file was opened, as a full disk does.
        const int code = c.failure == Failure::DiskFullMidway ? ENOSPC : EIO;
        SetWriteFaultForTesting([&](const std::string& p) { return p == target.string() ? code : 0; });
        std::ostringstream errStream;
        exitCode = cli::Main(args, errStream);
        err = errStream.str();
    } else {
        const bool readOnly = c.failure == Failure::ReadOnlyFolder;
        if (readOnly) {
            // As root the program runs as nobody, who may write other.out but nothing in out/.
            fs::permissions(out, fs::perms::owner_write, fs::perm_options::remove);
            fs::permissions(dir_, fs::perms::others_write, fs::perm_options::add);
        }
        std::vector<std::string> argv{kCli};
        argv.insert(argv.end(), args.begin(), args.end());
        const auto run = RunProgram(argv, readOnly);
        if (run.cannotDropRoot) GTEST_SKIP() << "root cannot become nobody here";
        ASSERT_FALSE(run.signaled) << "signal " << run.signal;
        exitCode = run.exitCode;
        err = run.err;
    }

    EXPECT_EQ(exitCode, 1);
    EXPECT_NE(err.find("tavro-cli: cannot write " + target.string() + ": " + c.reason + "\n"), std::string::npos) << err;
    EXPECT_NE(err.find("3 records decoded"), std::string::npos) << err;
    EXPECT_EQ(Names(out), before);  // no temporary file left
    if (c.failure == Failure::TargetIsAFolder) EXPECT_EQ(ReadAll(target / "keep.bmp"), "picture");
    else EXPECT_EQ(ReadAll(out / "pass.out"), "earlier file\r\n");
    EXPECT_TRUE(fs::is_regular_file(other)) << "the other output was not written";
}

INSTANTIATE_TEST_SUITE_P(Cases, FailedExport, ::testing::ValuesIn(kCliCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- WriteFileAtomically: what a write keeps and what it leaves behind -----

class AtomicTarget : public SafeOutputBase, public ::testing::Test {
protected:
    void SetUp() override { MakeFolder(); }
    void TearDown() override { RemoveFolder(); }
};

TEST_F(AtomicTarget, AnInterruptedWriteRemovesItsTemporaryFile) {
    const fs::path target = dir_ / "pass.csv";
    WriteText(target, "earlier\r\n");
    std::vector<std::string> during;
    SetWriteFaultForTesting([&](const std::string&) {
        during = Names(dir_);
        return ENOSPC;
    });
    const WriteResult r = WriteFileAtomically(target.string(), std::string(1 << 20, ';'));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, "No space left on device");
    ASSERT_EQ(during.size(), 2u) << "the temporary file sits next to the target while it is written";
    EXPECT_EQ(during[1], "pass.csv");
    EXPECT_EQ(Names(dir_), std::vector<std::string>{"pass.csv"});
    EXPECT_EQ(ReadAll(target), "earlier\r\n");
}

TEST_F(AtomicTarget, AReplacedFileKeepsItsPermissions) {
    const fs::path target = dir_ / "pass.tlm";
    WriteText(target, "earlier\r\n");
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_TRUE(WriteFileAtomically(target.string(), "later\r\n").ok);
    EXPECT_EQ(ReadAll(target), "later\r\n");
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(AtomicTarget, ANameWithoutAFolderIsWrittenInTheCurrentFolder) {
    const fs::path old = fs::current_path();
    fs::current_path(dir_);
    const WriteResult r = WriteFileAtomically("pass.csv", "OPS mode;\r\n");
    fs::current_path(old);
    EXPECT_TRUE(r.ok) << r.error;
    EXPECT_EQ(Names(dir_), std::vector<std::string>{"pass.csv"});
    EXPECT_EQ(ReadAll(dir_ / "pass.csv"), "OPS mode;\r\n");
}

// A link is followed: the file it names gets the text, the link stays.
TEST_F(AtomicTarget, ALinkStaysAndItsFileIsReplaced) {
    fs::create_directory(dir_ / "data");
    WriteText(dir_ / "data" / "real.csv", "earlier\r\n");
    fs::create_symlink("data/real.csv", dir_ / "pass.csv");
    const WriteResult r = WriteFileAtomically((dir_ / "pass.csv").string(), "later\r\n");
    EXPECT_TRUE(r.ok) << r.error;
    EXPECT_TRUE(fs::is_symlink(dir_ / "pass.csv"));
    EXPECT_EQ(ReadAll(dir_ / "data" / "real.csv"), "later\r\n");
    EXPECT_EQ(Names(dir_ / "data"), std::vector<std::string>{"real.csv"});
}

// A named pipe (like /dev/stdout or /dev/null) cannot be replaced by a file:
// the text goes into it.
TEST_F(AtomicTarget, APipeGetsTheTextAndStaysAPipe) {
    const fs::path fifo = dir_ / "pass.csv";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    const WriteResult r = WriteFileAtomically(fifo.string(), "OPS mode;\r\n4.00;\r\n");
    char buf[64] = {};
    const ssize_t n = ::read(reader, buf, sizeof buf);
    ::close(reader);
    EXPECT_TRUE(r.ok) << r.error;
    EXPECT_EQ(std::string(buf, n > 0 ? static_cast<std::size_t>(n) : 0), "OPS mode;\r\n4.00;\r\n");
    EXPECT_TRUE(fs::is_fifo(fs::symlink_status(fifo)));
    EXPECT_EQ(Names(dir_), std::vector<std::string>{"pass.csv"});
}

}  // namespace
}  // namespace tavro
