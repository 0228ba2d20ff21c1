// Atomic writes: a failed export leaves neither half a file nor a lost earlier file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "atomic_file.h"

namespace tavro {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> Names(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class AtomicFile : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "tavro-atomic-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override {
        SetWriteFaultForTesting(nullptr);
        fs::permissions(dir_, fs::perms::owner_all);
        fs::remove_all(dir_);
    }
    std::string PathOf(const char* name) const { return (dir_ / name).string(); }
    fs::path dir_;
};

TEST_F(AtomicFile, WritesAndReplaces) {
    const std::string target = PathOf("pass1.csv");
    ASSERT_TRUE(WriteFileAtomically(target, "first\r\n").ok);
    EXPECT_EQ(ReadAll(target), "first\r\n");
    const WriteResult second = WriteFileAtomically(target, "second, longer\r\n");
    EXPECT_TRUE(second.ok);
    EXPECT_EQ(second.error, "");
    EXPECT_EQ(ReadAll(target), "second, longer\r\n");
    ASSERT_TRUE(WriteFileAtomically(target, "").ok);
    EXPECT_EQ(ReadAll(target), "");
    EXPECT_EQ(Names(dir_), std::vector<std::string>{"pass1.csv"});  // no temporary file left
}

TEST_F(AtomicFile, TargetIsAFolder) {
    fs::create_directory(dir_ / "pass1.csv");
    const WriteResult r = WriteFileAtomically(PathOf("pass1.csv"), "x");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, "Is a directory");
    EXPECT_TRUE(fs::is_directory(dir_ / "pass1.csv"));
    EXPECT_TRUE(fs::is_empty(dir_ / "pass1.csv"));
    EXPECT_EQ(Names(dir_), std::vector<std::string>{"pass1.csv"});
}

TEST_F(AtomicFile, MissingFolder) {
    const WriteResult r = WriteFileAtomically(PathOf("no-such-folder/pass1.csv"), "x");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, "No such file or directory");
}

// Root may write into any folder, so as root the write runs in a child
// process that has become "nobody".
WriteResult WriteAsUnprivileged(const std::string& path, const std::string& contents) {
    if (::geteuid() != 0) return WriteFileAtomically(path, contents);
    int fds[2];
    if (::pipe(fds) != 0) return {false, "pipe"};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(3);
        const WriteResult r = WriteFileAtomically(path, contents);
        if (::write(fds[1], r.error.data(), r.error.size()) < 0) ::_exit(4);
        ::_exit(r.ok ? 0 : 1);
    }
    ::close(fds[1]);
    std::string error;
    char buf[256];
    for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;) error.append(buf, static_cast<std::size_t>(n));
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 3) return {false, "cannot drop root"};
    if (!WIFEXITED(status) || WEXITSTATUS(status) > 1) return {false, "child failed"};
    return {WEXITSTATUS(status) == 0, error};
}

TEST_F(AtomicFile, ReadOnlyFolderKeepsTheEarlierFile) {
    const std::string target = PathOf("pass1.tlm");
    ASSERT_TRUE(WriteFileAtomically(target, "earlier report\r\n").ok);
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                                fs::perms::others_read);
    fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                              fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    const WriteResult r = WriteAsUnprivileged(target, "new report\r\n");
    if (r.error == "cannot drop root") GTEST_SKIP() << "root without the right to become nobody";
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, "Permission denied");
    EXPECT_EQ(ReadAll(target), "earlier report\r\n");
    EXPECT_EQ(Names(dir_), std::vector<std::string>{"pass1.tlm"});
}

TEST_F(AtomicFile, FailureMidwayKeepsTheEarlierFileAndLeavesNoTemporary) {
    const std::string target = PathOf("pass1.csv");
    ASSERT_TRUE(WriteFileAtomically(target, "earlier\r\n").ok);
    std::string faultPath;
    SetWriteFaultForTesting([&](const std::string& p) {
        faultPath = p;
        return ENOSPC;  // a full disk
    });
    const WriteResult r = WriteFileAtomically(target, std::string(1 << 20, 'x'));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, "No space left on device");
    EXPECT_EQ(faultPath, target);
    EXPECT_EQ(ReadAll(target), "earlier\r\n");
    EXPECT_EQ(Names(dir_), std::vector<std::string>{"pass1.csv"});

    // A new target that fails is not created at all.
    EXPECT_FALSE(WriteFileAtomically(PathOf("new.csv"), "x").ok);
    EXPECT_EQ(Names(dir_), std::vector<std::string>{"pass1.csv"});

    SetWriteFaultForTesting(nullptr);
    EXPECT_TRUE(WriteFileAtomically(target, "later\r\n").ok);
    EXPECT_EQ(ReadAll(target), "later\r\n");
}

TEST_F(AtomicFile, NewFileGetsTheUsualPermissions) {
    const mode_t old = ::umask(022);
    const std::string target = PathOf("pass1.csv");
    ASSERT_TRUE(WriteFileAtomically(target, "x").ok);
    ::umask(old);
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read);
}

TEST(AtomicFileStdout, DashWritesToStandardOutput) {
    ::testing::internal::CaptureStdout();
    const WriteResult r = WriteFileAtomically("-", "OPS mode;\r\n4.00;\r\n");
    const std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(out, "OPS mode;\r\n4.00;\r\n");
    EXPECT_FALSE(fs::exists("-"));
}

}  // namespace
}  // namespace tavro
