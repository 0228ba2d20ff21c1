// cmake --install into a temporary DESTDIR: the tree, and the installed
// programs at work there, the window's screenshot through the installed
// converter with none on PATH.
#include "test_support.h"

namespace fs = std::filesystem;
using tavro::test::RunProgram;

struct Installed : ::testing::Test {
    static void SetUpTestSuite() {
        fs::remove_all(root_);
        fs::create_directories(root_);
        fs::copy_file(TAVRO_SOURCE_DIR "/examples/pass.kss", root_ / "pass.kss");
        // Every install rule is in the default component; naming it keeps the build's
        // install_manifest.txt, the list of a real install, as it is.
        const auto run = RunProgram({"/usr/bin/env", "DESTDIR=" + (root_ / "dest").string(), TAVRO_CMAKE_COMMAND,
                                     "--install", TAVRO_BUILD_DIR, "--prefix", "/usr", "--component", "Unspecified"});
        installed_ = run.exitCode == 0;
        if (!installed_) std::cerr << run.out << run.err;
    }
    static void TearDownTestSuite() { fs::remove_all(root_); }
    void SetUp() override { ASSERT_TRUE(installed_) << "cmake --install failed"; }

    static std::string Usr(const std::string& path) { return (root_ / "dest/usr" / path).string(); }
    static std::string Head(const std::string& path, std::size_t n) { return tavro::test::FileText(path).substr(0, n); }

    static inline const fs::path root_ = fs::temp_directory_path() / ("tavro_install_" + std::to_string(::getpid()));
    static inline bool installed_ = false;
};

TEST_F(Installed, Tree) {
    EXPECT_EQ(fs::status(Usr("bin/tavro-cli")).permissions(), fs::perms(0755));
    EXPECT_FALSE(fs::exists(Usr("bin/nconvert")));  // the converter is private: lib/tavro/
    for (const char* path : {"share/man/man1/tavro-cli.1.gz", "share/doc/tavro/changelog.gz"})
        EXPECT_EQ(Head(Usr(path), 2), "\x1f\x8b") << path;
    for (const char* path : {"share/doc/tavro/README.md", "share/doc/tavro/copyright"}) EXPECT_TRUE(fs::is_regular_file(Usr(path))) << path;
    // The Grafana dashboard as in the source, readable by all.
    const std::string dashboard = Usr("share/tavro-decoder/grafana/tavro-dashboard.json");
    EXPECT_EQ(tavro::test::FileText(dashboard), tavro::test::FileText(TAVRO_SOURCE_DIR "/packaging/grafana/tavro-dashboard.json"));
    EXPECT_EQ(fs::status(dashboard).permissions(), fs::perms(0644));
    if (!fs::exists(Usr("bin/tavro-decoder"))) GTEST_SKIP() << "built without the window";
    EXPECT_EQ(fs::status(Usr("lib/tavro/nconvert")).permissions(), fs::perms(0755));
    for (const char* path : {"share/applications/example.tavro.decoder.desktop", "share/man/man1/tavro-decoder.1.gz",
                             "share/metainfo/example.tavro.decoder.metainfo.xml",
                             "share/icons/hicolor/scalable/apps/tavro-decoder.svg"})
        EXPECT_TRUE(fs::is_regular_file(Usr(path))) << path;
    // Each PNG icon is as large as its folder says: width and height (32 bits, big-endian) in its IHDR chunk.
    for (const unsigned side : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const std::string folder = std::to_string(side) + "x" + std::to_string(side);
        const std::string png = Head(Usr("share/icons/hicolor/" + folder + "/apps/tavro-decoder.png"), 24);
        const std::string size = {'\0', '\0', static_cast<char>(side >> 8), static_cast<char>(side & 0xFF)};
        EXPECT_EQ(png.substr(0, 4) + png.substr(16, 8), "\x89PNG" + size + size) << folder;
    }
}

// The installed programs: answers on standard output, errors on standard error; the CLI reads the sample pass.
TEST_F(Installed, ProgramsAnswer) {
    const std::string pass = (root_ / "pass.kss").string();
    const std::string cliUsage = "Usage: tavro-cli (--kiss | --log | --satnogs) [OPTIONS] FILE...\n";
    const std::string usage = "Usage: tavro-decoder [--screenshot] [FILE...]\n";
    const struct { const char* program; std::vector<std::string> args; int exit; std::string outStart, err; } cases[] = {
        {"tavro-cli", {"--kiss", "--csv", "-", pass}, 0, "OPS mode;Boot cnt;",
         "tavro-cli: 300 records decoded, 0 frames not stored (table full), 0 files could not be read\n"},
        {"tavro-cli", {"--version"}, 0, "tavro-cli 0.3\n", ""},
        {"tavro-cli", {"--kiss", pass, "-h"}, 0, cliUsage, ""},  // anywhere, and nothing is read or written
        {"tavro-cli", {"--frobnicate", "--help"}, 0, cliUsage, ""},
        {"tavro-cli", {"--frobnicate"}, 2, "", "tavro-cli: unknown option --frobnicate\nTry 'tavro-cli --help'.\n"},
        {"tavro-cli", {"--kiss", "--csv", "-", "--", "--version"}, 1, "", "tavro-cli: cannot read --version: No such file or directory\n"},
        {"tavro-decoder", {"--version"}, 0, "tavro-decoder 0.3\n", ""},
        {"tavro-decoder", {"-platform", "offscreen", "--help"}, 0, usage, ""},  // Qt's options are no error
        {"tavro-decoder", {"-h", "--bogus"}, 0, usage, ""},
        {"tavro-decoder", {"--bogus", "x.kss"}, 2, "", "tavro-decoder: Unknown option 'bogus'.\nTry 'tavro-decoder --help'.\n"},
        {"tavro-decoder", {"--screenshot=yes"}, 2, "", "tavro-decoder: Unexpected value after '--screenshot'.\nTry 'tavro-decoder --help'.\n"},
    };
    for (const auto& c : cases) {
        if (!fs::exists(Usr(std::string("bin/") + c.program))) GTEST_SKIP() << "built without the window";
        std::vector<std::string> command{"/usr/bin/env", "QT_QPA_PLATFORM=offscreen", Usr(std::string("bin/") + c.program)};
        command.insert(command.end(), c.args.begin(), c.args.end());
        const auto run = RunProgram(command);
        SCOPED_TRACE(::testing::PrintToString(c.args));
        EXPECT_EQ(run.exitCode, c.exit);
        EXPECT_EQ(run.out.substr(0, c.outStart.size()), c.outStart);
        EXPECT_EQ(c.outStart == usage || c.outStart == cliUsage, run.out.find("\nExit status:\n") != std::string::npos);
        EXPECT_THAT(run.err, testing::HasSubstr(c.err));  // Qt may warn before
    }
    EXPECT_FALSE(fs::exists(root_ / "pass.csv"));
}

// The program folder is read-only, as /usr/bin is for a user: without a conf.ini the PNG
// lands in ~/Pictures. (Which conf.ini wins: the window's UserFolders test.)
TEST_F(Installed, WindowScreenshotWithThePrivateConverter) {
    if (!fs::exists(Usr("bin/tavro-decoder"))) GTEST_SKIP() << "built without the window";
    const fs::path home = root_ / "home", empty = root_ / "empty";
    fs::create_directories(empty);  // PATH: nothing called nconvert there
    fs::permissions(Usr("bin"), fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write, fs::perm_options::remove);
    std::vector<std::string> command{"/usr/bin/env", "-i", "HOME=" + home.string(), "PATH=" + empty.string(), "QT_QPA_PLATFORM=offscreen"};
    for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS"})  // as scripts/sanitize asks
        if (const char* value = std::getenv(name)) command.push_back(std::string(name) + "=" + value);
    command.insert(command.end(), {Usr("bin/tavro-decoder"), "--screenshot", (root_ / "pass.kss").string()});
    const auto run = RunProgram(command);
    fs::permissions(Usr("bin"), fs::perms::owner_write, fs::perm_options::add);
    const std::string png = (home / "Pictures/tavro_pass.png").string();
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, png + "\n");
    EXPECT_EQ(Head(png, 8), "\x89PNG\r\n\x1a\n");
    EXPECT_FALSE(fs::exists(home / "Pictures/tavro_pass.bmp"));  // the converter deletes it when done
}
