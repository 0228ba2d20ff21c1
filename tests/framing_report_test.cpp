// What the framing report counts, on streams built to hold a known number of
// each event, duplicates merged and the table full; and why a file gave no records.
#include "test_support.h"

using namespace tavro;
using namespace tavro::test;

static std::string Counts(const FramingReport& r) {
    return std::to_string(r.frames) + " frames: " + std::to_string(r.housekeeping) + " hk " + std::to_string(r.stampsText) +
           "+" + std::to_string(r.stampsBinary) + " stamps " + std::to_string(r.other) + " other; junk " +
           std::to_string(r.junkBytes) + " esc " + std::to_string(r.brokenEscapes) + " cut " + std::to_string(r.cutFrames) +
           " bad " + std::to_string(r.badEntries) + "; " + std::to_string(r.stored) + " stored " +
           std::to_string(r.notStored) + " not " + std::to_string(r.duplicates) + " dup";
}
TEST(FramingReport, KissEvents) {
    const Bytes stream = Cat({{'x', 'y', 'z'}, Hk(1), Hk(1), Hk(2),                    // 3 junk bytes; a duplicate
                              passgen::KissWrap(passgen::KissTimeStampFrame("T;1")),   // a text stamp
                              passgen::KissWrap(passgen::KissBinaryTimeStampFrame(5)),  // a binary stamp
                              {0xC0, 0x00, 0x41, 0xDB, 0x41, 0xDB, 0xC0},             // 2 broken escapes
                              Cat({{0xC0}, Bytes(600, 0x42), {0xC0, 0xC0}})});        // cut at 512
    const FramingReport report = Read(InputKind::Kiss, stream, {}, true)->Summary().files.at(0);
    EXPECT_EQ(Counts(report), "7 frames: 3 hk 1+1 stamps 2 other; junk 3 esc 2 cut 1 bad 0; 2 stored 0 not 1 dup");
    EXPECT_EQ(report.bytes, static_cast<long long>(stream.size()));
}

// The frame buffer holds 512 bytes: a frame of 512 (with its command byte) is
// whole, one of 513 is cut.
TEST(FramingReport, CutBeyond512Bytes) {
    const std::pair<std::size_t, long long> cases[] = {{511, 0}, {512, 0}, {513, 1}, {1000, 1}};
    for (const auto& [length, cut] : cases) {
        const Bytes stream = Cat({{0xC0, 0x00}, Bytes(length - 1, 0x42), {0xC0}});
        EXPECT_EQ(Read(InputKind::Kiss, stream)->Summary().files.at(0).cutFrames, cut) << length;
    }
    // Two of 513 and one of 512 in one capture.
    const Bytes three = Cat({{0xC0, 0x00}, Bytes(512, 0x42), {0xC0, 0x00}, Bytes(511, 0x42), {0xC0, 0x00}, Bytes(512, 0x42), {0xC0}});
    EXPECT_EQ(Counts(Read(InputKind::Kiss, three)->Summary().files.at(0)),
              "3 frames: 0 hk 0+0 stamps 3 other; junk 0 esc 0 cut 2 bad 0; 0 stored 0 not 0 dup");
}

TEST(FramingReport, LogEventsAndAFullTable) {
    // 10002 housekeeping lines and "1" alone, a frame type of 1: 3 not stored; 2 of other types; 2 bad
    std::string log;
    for (int k = 0; k < 10002; ++k) log += "10:00:00 01\n";
    log += "10:00:01 02 05\n10:00:02 7f\n10:00:03\n10:00:04 zz 01\n10:00:05 1\n\n";
    const auto s = test::Read(InputKind::Log, test::AsBytes(log));
    EXPECT_EQ(Counts(s->Summary().files.at(0)),
              "10007 frames: 10003 hk 0+0 stamps 2 other; junk 0 esc 0 cut 0 bad 2; 10000 stored 3 not 0 dup");
}

TEST(NoRecordsText, TheLikeliestReason) {
    const auto report = [](auto set) { FramingReport r; r.file = "/d/pass.txt"; r.bytes = 100; set(r); return r; };
    const struct { FramingReport r; const char* text; } cases[] = {
        {report([](auto& r) { r.bytes = 0; }), "no housekeeping frames in pass.txt (the file is empty)"},
        {report([](auto& r) { r.junkBytes = 100; }), "no housekeeping frames in pass.txt (no KISS frames: no FEND byte)"},
        {report([](auto& r) { r.frames = r.other = 412; }), "no housekeeping frames in pass.txt (412 frames of other stations or types)"},
        {report([](auto& r) { r.frames = r.badEntries = 9; r.other = 1; }), "no housekeeping frames in pass.txt (9 bad lines or entries)"},
        {report([](auto& r) { r.frames = r.housekeeping = r.duplicates = 4; }), "no housekeeping frames in pass.txt (all were duplicates)"},
        {report([](auto& r) { r.frames = r.housekeeping = r.notStored = 4; }), "no housekeeping frames in pass.txt (the table is full)"},
        {report([](auto& r) { r.frames = r.stampsText = 2; }), "no housekeeping frames in pass.txt (only time stamp frames)"},
        {report([](auto& r) { r.stored = 1; }), ""}, {report([](auto& r) { r.error = "Permission denied"; }), ""},
    };
    for (const auto& c : cases) EXPECT_EQ(NoRecordsText(c.r), c.text);
}
