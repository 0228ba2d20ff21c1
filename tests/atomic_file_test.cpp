// Atomic writes where the target cannot be written. (The rules every export
// follows, through both front ends: export_safety.h.)
#include "atomic_file.h"
#include "test_support.h"

using namespace tavro;
namespace fs = std::filesystem;

struct AtomicFile : ::testing::Test {
    ~AtomicFile() override { fs::permissions(dir_, fs::perms::owner_all); }
    std::string Write(std::string_view contents) const {
        const WriteResult r = WriteFileAtomically(target_, contents);
        return r.ok ? "ok" : r.error;
    }
    int Entries() const { return static_cast<int>(std::distance(fs::directory_iterator(dir_), fs::directory_iterator())); }
    const test::TempDir dir_{"atomic"};
    const std::string target_ = dir_.Path("pass1.csv");
};

TEST_F(AtomicFile, TargetIsAFolder) {
    fs::create_directory(target_);
    EXPECT_EQ(Write("x"), "Is a directory");
    EXPECT_TRUE(fs::is_directory(target_) && fs::is_empty(target_));
    EXPECT_EQ(Entries(), 1);
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
    EXPECT_EQ(test::FileText(target_), "earlier\r\n");
    EXPECT_EQ(Entries(), 1);  // no temporary file left
}
