// tavro-cli end to end: files in, exit status, summary and output files out.
#include <atomic>
#include <csignal>
#include <regex>
#include <set>
#include <thread>

#include "cli.h"
#include "cli_help.h"
#include "kiss_server.h"
#include "test_support.h"

namespace fs = std::filesystem;
using namespace tavro;
using namespace tavro::test;
using testing::HasSubstr;

struct CliTest : ::testing::Test {
    std::string Path(const std::string& name) const { return dir_.Path(name); }

    // n housekeeping frames; frame k has OPS mode 4, Boot cnt k+1 and Batt voltage raw 100+k.
    std::string WriteKiss(const std::string& name, int n, const std::string& time = "2026-11-28 10:14:03.250 UTC;1;2;3") {
        Bytes bytes = passgen::KissWrap(passgen::KissTimeStampFrame(time));
        for (int k = 0; k < n; ++k) {
            passgen::KissRaw raw{4, k + 1.0};
            raw[10] = 100 + k;
            bytes = Cat({bytes, passgen::KissWrap(passgen::KissHousekeepingFrame(raw))});
        }
        return dir_.Write(name, Str(bytes));
    }
    int Run(const std::vector<std::string>& args) { err_.str(""); return cli::Main(args, err_); }
    std::vector<std::string> FileLines(const std::string& name) const { return Lines(FileText(Path(name))); }

    const TempDir dir_{"cli"};
    std::ostringstream err_;
};

TEST_F(CliTest, UsageErrorsExitTwo) {
    const std::string kss = WriteKiss("a.kss", 1);
    const std::vector<std::vector<std::string>> cases = {
        {kss}, {"--kiss", "--log", kss}, {"--kiss"}, {"--kiss", "--record", "0", kss}, {"--kiss", "--record", "x", kss},
        {"--kiss", "--decimal-separator", ";", kss}, {"--kiss", "--csv"}, {"--kiss", "--frobnicate", kss},
        {"--kiss", "--tlm", Path("a.tlm"), "--record", "2", kss},  // only one record read
        {"--kiss-tcp", "localhost"}, {"--kiss-tcp", "::1:8001"}, {"--kiss-tcp", "h:0"}, {"--kiss-tcp", "h:8001", kss},
        {"--kiss", "--reconnect", kss}, {"--log", "--record-to", Path("r.kss"), kss}, {"--satnogs", "--kiss", kss},
        {"--kiss-serial"}, {"--kiss-serial", "/dev/ttyUSB0:9601"}, {"--kiss-serial", ":9600"}, {"--kiss-serial", "/dev/ttyUSB0", kss},
        {"--kiss-serial", "/dev/ttyUSB0", "--kiss-tcp", "h:8001"}, {"--kiss", "--kiss-port", "16", kss},
        {"--kiss", "--kiss-port", "-1", kss}, {"--kiss", "--kiss-port", "2x", kss}, {"--kiss", "--kiss-port", "", kss},
        {"--log", "--kiss-port", "2", kss},
        {"--kiss-tcp", "127.0.0.1:9", "--record-to", Path("s.kss"), "--csv", Path("s.kss")},  // two outputs, one file
        {"--kiss-serial", Path("tnc"), "--record-to", Path("tnc")},  // the recording into the TNC it reads
    };
    for (const auto& args : cases) {
        EXPECT_EQ(Run(args), 2) << ::testing::PrintToString(args);
        // One line saying what is wrong, one line saying where to look.
        EXPECT_THAT(err_.str(), testing::MatchesRegex("tavro-cli: [^\n]+\nTry 'tavro-cli --help'\\.\n"));
    }
    std::ostream broken(nullptr);  // a standard output that takes nothing (--help and --version: the installed programs)
    EXPECT_EQ(cli::AnswerHelpOrVersion({"--version"}, broken), 1);
}

TEST_F(CliTest, UnreadableFileBetweenTwoGoodOnes) {
    const std::string a = WriteKiss("a.kss", 3), missing = Path("b.kss"), c = WriteKiss("c.kss", 4);
    EXPECT_EQ(Run({"--kiss", "--dump", Path("d.tsv"), a, missing, c}), 1);
    EXPECT_THAT(err_.str(), HasSubstr("cannot read " + missing + ": No such file or directory"));
    EXPECT_THAT(err_.str(), HasSubstr("7 records decoded, 0 frames not stored (table full), 1 files could not be read"));
    EXPECT_EQ(FileLines("d.tsv").at(4).substr(0, 2), "4\t");  // Boot cnt restarts with the second file
    EXPECT_TRUE(fs::exists(Path("c.csv")));                  // the default CSV goes next to the last file
}

TEST_F(CliTest, TlmShowsTheChosenRecordAsTheWindowDoes) {
    ASSERT_EQ(Run({"--kiss", "--tlm", Path("r.tlm"), "--record", "3", "--decimal-separator", ",", WriteKiss("p.kss", 3)}), 0);
    const auto lines = FileLines("r.tlm");
    ASSERT_EQ(lines.size(), 26u);
    EXPECT_EQ(lines[3], "OPS mode            norm                 |  Boot cnt            3                 \r");
    EXPECT_EQ(lines[8].substr(0, 40), "Batt voltage        40,29     V         ");  // 102 * 0.395
    EXPECT_FALSE(fs::exists(Path("p.csv")));  // --tlm alone writes no CSV
    // No records: a CSV of the header line and an empty report.
    ASSERT_EQ(Run({"--kiss", "--csv", Path("e.csv"), "--tlm", Path("e.tlm"), WriteKiss("empty.kss", 0)}), 0);
    EXPECT_EQ(FileLines("e.csv").size(), 1u);
    EXPECT_EQ(FileLines("e.tlm").at(3), "OPS mode                                 |  Boot cnt                              \r");
}

TEST_F(CliTest, DumpEscapesTimeTextsAndKeepsFullPrecision) {
    ASSERT_EQ(Run({"--kiss", "--dump", Path("d.tsv"), WriteKiss("t.kss", 1, "caf\xe9\ttab;0.1;-2e3")}), 0);
    const auto dump = FileLines("d.tsv");
    ASSERT_EQ(dump.size(), 2u);
    EXPECT_THAT(dump[1], testing::StartsWith("1\tcaf\xc3\xa9\\ttab\t0.1\t-2000\t0\t4\t1\t"));
    EXPECT_THAT(dump[1], HasSubstr("\t39.5\t"));
}

// The default CSV of a SatNOGS export would be the export itself: it takes NAME-decoded.csv, and
// -decoded-2.csv while that is read too. Named so explicitly, it is refused.
TEST_F(CliTest, DefaultCsvBesideASatnogsExport) {
    const std::string satnogs = Path("pass_satnogs.csv"), decoded = Path("pass_satnogs-decoded.csv");
    fs::copy_file(TAVRO_SOURCE_DIR "/examples/pass_satnogs.csv", satnogs);
    ProgramRun run = RunProgram({TAVRO_BIN_DIR "/tavro-cli", "--satnogs", satnogs});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err, "tavro-cli: " + decoded + " has been written\n"
                       "tavro-cli: 857 records decoded, 0 frames not stored (table full), 0 files could not be read\n");
    EXPECT_EQ(FileLines("pass_satnogs-decoded.csv").size(), 858u);
    EXPECT_EQ(FileText(satnogs), FileText(TAVRO_SOURCE_DIR "/examples/pass_satnogs.csv"));

    fs::copy_file(satnogs, decoded, fs::copy_options::overwrite_existing);  // now read as well
    run = RunProgram({TAVRO_BIN_DIR "/tavro-cli", "--satnogs", "--dedupe", decoded, satnogs});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_THAT(run.err, HasSubstr("tavro-cli: " + Path("pass_satnogs-decoded-2.csv") + " has been written\n"));
    EXPECT_EQ(FileLines("pass_satnogs-decoded-2.csv").size(), 301u);
    EXPECT_EQ(FileText(decoded), FileText(satnogs));

    run = RunProgram({TAVRO_BIN_DIR "/tavro-cli", "--satnogs", "--csv", satnogs, satnogs});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_THAT(run.err, HasSubstr("tavro-cli: cannot write " + satnogs + ": it is an input file\n"));
}

// A framing report: one row per file and a total, the same counts as the window's.
TEST_F(CliTest, ReportTable) {
    // 36 bytes of time stamp frame, 2 x 113 of housekeeping frame; 4 junk bytes, a frame with a broken escape.
    const std::string a = WriteKiss("a.kss", 2), b = dir_.Write("b.kss", "junk\xC0\xC0\xDB\x41\xC0");
    ASSERT_EQ(Run({"--kiss", "--report", "--csv", Path("r.csv"), a, b}), 0);
    EXPECT_THAT(err_.str(), HasSubstr(
        "file   bytes  frames  housekeeping  stamps text  stamps binary  other  junk  broken escapes  cut  bad  stored  not stored  duplicates\n"
        "a.kss    262       3             2            1              0      0     0               0    0    0       2           0           0\n"
        "b.kss      9       1             0            0              0      1     4               1    0    0       0           0           0\n"
        "total    271       4             2            1              0      1     4               1    0    0       2           0           0\n"));
}

// --kiss-port applies to files: that port's data frames only; the recording of a
// multi-port TNC reads back with the same setting.
TEST_F(CliTest, TncPortOfAFile) {
    const std::string rec = dir_.Write("rec.kss", Str(Cat({HkOnPort(0, 1), HkOnPort(2, 2), HkOnPort(2, 3), HkOnPort(1, 4)})));
    const struct { std::vector<std::string> port; std::vector<std::string> packets; } cases[] = {
        {{}, {"1"}}, {{"--kiss-port", "2"}, {"2", "3"}}, {{"--kiss-port=1"}, {"4"}}, {{"--kiss-port", "9"}, {}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"--kiss", "--dump", Path("d.tsv")};
        args.insert(args.end(), c.port.begin(), c.port.end());
        args.push_back(rec);
        ASSERT_EQ(Run(args), 0) << err_.str();
        std::vector<std::string> packets;  // the dump's Packet cnt, behind row, time, 3 stamp values, OPS mode and Boot cnt
        for (std::string line : FileLines("d.tsv")) {
            for (int field = 0; field < 7; ++field) line.erase(0, line.find('\t') + 1);
            packets.push_back(line.substr(0, line.find('\t')));
        }
        packets.erase(packets.begin());  // the header's
        EXPECT_EQ(packets, c.packets) << testing::PrintToString(c.port);
    }
}

// Live: a server inside the test sends two frames; the CSV streams to standard output.
TEST_F(CliTest, LiveFromAKissServer) {
    const std::string capture = FileText(WriteKiss("p.kss", 2));
    KissServer server([&](int socket, int) { SendInSlices(socket, AsBytes(capture), 5); });
    const std::string at = "127.0.0.1:" + std::to_string(server.Port());
    auto run = RunProgram({TAVRO_BIN_DIR "/tavro-cli", "--kiss-tcp", at, "--record-to", Path("rec.kss"), "--csv", "-",
                           "--decimal-separator", ","});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    ASSERT_EQ(Run({"--kiss", "--decimal-separator", ",", "--csv", Path("file.csv"), Path("p.kss")}), 0);
    EXPECT_EQ(run.out, TakeFile(Path("file.csv")));
    EXPECT_THAT(run.out, HasSubstr("\r\n4,00;1,00;"));  // written to standard output, with the separator asked for
    ASSERT_EQ(Run({"--kiss", "--csv", Path("rec.csv"), Path("rec.kss")}), 0);  // the recording reads back
    EXPECT_EQ(FileLines("rec.csv").size(), 3u);
    // With --reconnect it ends on SIGTERM, its outputs complete; the server keeps the connection open till then.
    std::atomic<bool> ended{false};
    KissServer quiet([&](int socket, int) {
        ::send(socket, capture.data(), capture.size(), MSG_NOSIGNAL);
        while (!ended) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    });
    const std::string quietAt = "127.0.0.1:" + std::to_string(quiet.Port());
    // Signalled once both rows are in the live CSV.
    std::thread program([&] {
        run = RunProgram({TAVRO_BIN_DIR "/tavro-cli", "--kiss-tcp", quietAt, "--reconnect", "--record-to", Path("rec2.kss"),
                          "--tlm", Path("live.tlm"), "--csv", Path("live.csv"), "--decimal-separator", "."}, "echo $$ >'" + Path("pid") + "'; ");
    });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (FileLines("live.csv").size() < 3 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(FileLines("live.csv").size(), 3u);
    ::kill(std::stoi(FileText(Path("pid"))), SIGTERM);
    program.join();
    ended = true;
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_THAT(run.err, HasSubstr("2 records decoded"));
    EXPECT_EQ(FileLines("live.tlm").size(), 26u);
    ASSERT_EQ(Run({"--kiss", "--decimal-separator", ".", "--csv", Path("file.csv"), Path("p.kss")}), 0);
    EXPECT_EQ(FileText(Path("live.csv")), FileText(Path("file.csv")));
    quiet.Stop();
    // A server that cannot be reached at the start.
    run = RunProgram({TAVRO_BIN_DIR "/tavro-cli", "--kiss-tcp", quietAt, "--reconnect"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_THAT(run.err, HasSubstr("cannot connect to " + quietAt + ": Connection refused"));
}

// The files of a live session never write into each other: two of them
// naming one file, by name, link, hard link, ".." or a linked folder, are
// refused before the server is asked, and the file that was there stays.
TEST_F(CliTest, LiveOutputsThatAreOneFile) {
    std::atomic<int> connections{0};
    KissServer server([&](int, int) { ++connections; });
    const std::string at = "127.0.0.1:" + std::to_string(server.Port());
    const std::string rec = Path("rec.kss"), earlier = "earlier bytes";
    fs::create_directories(Path("sub/deep"));
    fs::create_directory_symlink(dir_.string(), Path("linked"));
    fs::create_directory_symlink("sub/deep", Path("deeplink"));  // deeplink/.. is sub
    // clash: what the message says; "": "ARG1 ARG2 and ARG3 ARG4 are one file"
    const struct { const char* name; std::function<void()> prepare; std::vector<std::string> args; std::string clash; } cases[] = {
        {"one name", [] {}, {"--record-to", rec, "--csv", rec}, ""},
        {"a link to the recording", [&] { fs::create_symlink("rec.kss", Path("link.csv")); }, {"--record-to", rec, "--csv", Path("link.csv")}, ""},
        {"a link to a recording not there yet", [&] { fs::remove(rec), fs::create_symlink("rec.kss", Path("link.csv")); },
         {"--csv", Path("link.csv"), "--record-to", rec}, "--record-to " + rec + " and --csv " + Path("link.csv") + " are one file"},
        {"a hard link", [&] { fs::create_hard_link(rec, Path("hard.tsv")); }, {"--record-to", rec, "--dump", Path("hard.tsv")}, ""},
        {"..", [] {}, {"--record-to", Path("sub/../rec.kss"), "--tlm", rec}, ""},
        {"a linked folder", [] {}, {"--record-to", rec, "--csv", Path("linked/rec.kss")}, ""},
        {".. after a linked folder", [] {}, {"--record-to", Path("sub/new.kss"), "--csv", Path("deeplink/../new.kss")}, ""},
        {"the CSV named after the recording", [] {}, {"--record-to", Path("rec.csv"), "--dump", Path("rec.tsv")},
         "--record-to " + Path("rec.csv") + " and the CSV " + Path("rec.csv") + " are one file"},
        {"the TLM and the dump", [] {}, {"--record-to", rec, "--tlm", Path("out.txt"), "--dump", Path("sub/../out.txt")},
         "--tlm " + Path("out.txt") + " and --dump " + Path("sub/../out.txt") + " are one file"},
        {"standard output twice", [] {}, {"--record-to", "-", "--csv", "-"}, "--record-to - and --csv - both write to standard output"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::ofstream(rec, std::ios::binary) << earlier;
        c.prepare();
        std::vector<std::string> args{"--kiss-tcp", at};
        args.insert(args.end(), c.args.begin(), c.args.end());
        EXPECT_EQ(Run(args), 2);
        const std::string clash = c.clash.empty() ? c.args[0] + " " + c.args[1] + " and " + c.args[2] + " " + c.args[3] + " are one file" : c.clash;
        EXPECT_EQ(err_.str(), "tavro-cli: " + clash + "\n" + cli::kUsage);
        if (fs::exists(rec)) { EXPECT_EQ(FileText(rec), earlier); }
        fs::remove(Path("link.csv")), fs::remove(Path("hard.tsv"));
    }
    EXPECT_EQ(connections, 0);
    EXPECT_FALSE(fs::exists(Path("rec.csv")) || fs::exists(Path("out.txt")));
}

// Every option --help names has an entry (a ".TP" item whose head names it)
// in the program's man page.
TEST(ManPages, DescribeEveryOptionOfTheHelp) {
    const struct { std::string program, man; } pages[] = {
        {TAVRO_BIN_DIR "/tavro-cli", TAVRO_SOURCE_DIR "/packaging/man/tavro-cli.1.in"},
        {TAVRO_BIN_DIR "/tavro-decoder", TAVRO_SOURCE_DIR "/packaging/man/tavro-decoder.1.in"},
    };
    for (const auto& page : pages) {
        if (!fs::exists(page.program)) continue;  // built without the window
        const ProgramRun help = RunProgram({page.program, "--help"});
        ASSERT_EQ(help.exitCode, 0) << page.program;
        // The heads: the line after each ".TP", "\-\-kiss\-port" read as "--kiss-port".
        std::string heads;
        const std::vector<std::string> man = Lines(FileText(page.man));
        for (std::size_t i = 0; i + 1 < man.size(); ++i)
            if (man[i] == ".TP") heads += std::regex_replace(man[i + 1], std::regex(R"(\\-)"), "-") + "\n";
        std::set<std::string> options;
        const std::string& text = help.out;
        const std::regex option(R"((^|[ ,(\[|])(--[a-z][a-z-]*[a-z]))");
        for (auto it = std::sregex_iterator(text.begin(), text.end(), option); it != std::sregex_iterator(); ++it)
            options.insert((*it)[2]);
        EXPECT_GE(options.size(), 3u) << page.program;
        for (const std::string& o : options)
            EXPECT_TRUE(std::regex_search(heads, std::regex("(^|[ \"])" + o + "([ \"=]|$)", std::regex::multiline)))
                << page.man << " has no entry for " << o;
    }
}
