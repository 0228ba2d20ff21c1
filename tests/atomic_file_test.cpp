// Atomic writes where the target cannot be written. (The rules every export
// follows, through both front ends: export_safety.h.)
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>
#include <unistd.h>

#include "atomic_file.h"

using namespace tavro;
namespace fs = std::filesystem;

struct AtomicFile : ::testing::Test {
    AtomicFile() { fs::create_directories(dir_); }
    ~AtomicFile() override {
        SetWriteFaultForTesting(nullptr);
        fs::permissions(dir_, fs::perms::owner_all);
        fs::remove_all(dir_);
    }
    std::string Write(std::string_view contents) const {
        const WriteResult r = WriteFileAtomically(target_, contents);
        return r.ok ? "ok" : r.error;
    }
    // The target's contents, and that it is the only entry (no temporary file left).
    std::string OnlyFileHolds() const {
        EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
        std::ifstream in(target_, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    const fs::path dir_ = fs::temp_directory_path() / ("tavro-atomic-" + std::to_string(::getpid()));
    const std::string target_ = (dir_ / "pass1.csv").string();
};

TEST_F(AtomicFile, TargetIsAFolder) {
    fs::create_directory(target_);
    EXPECT_EQ(Write("x"), "Is a directory");
    EXPECT_TRUE(fs::is_directory(target_) && fs::is_empty(target_));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

// Root may write into any folder, so the write runs in a child that has become "nobody".
TEST_F(AtomicFile, ReadOnlyFolderKeepsTheEarlierFile) {
    ASSERT_EQ(Write("earlier\r\n"), "ok");
    fs::permissions(target_, fs::perms(0644));
    fs::permissions(dir_, fs::perms(0555));
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(3);
        ::_exit(Write("new\r\n") == "Permission denied" ? 0 : 1);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 3) GTEST_SKIP() << "root cannot become nobody here";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child status " << status;
    EXPECT_EQ(OnlyFileHolds(), "earlier\r\n");
}
