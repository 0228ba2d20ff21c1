// A live stream of arbitrary bytes, in random slices with connections
// dropped between some of them: the recording must read back, as a capture,
// to exactly the records that were shown live, time texts included.
#include <sys/mman.h>
#include <unistd.h>

#include "dump_writer.h"
#include "fuzz_support.h"
#include "session.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tavro;
    static const int memory = ::memfd_create("recording", 0);
    ::ftruncate(memory, 0);  // nothing received, nothing written: not the last run's bytes
    const std::string recording = "/proc/self/fd/" + std::to_string(memory);
    std::int64_t clock = 1796552043000;
    Session live;
    live.BeginStream({"fuzz", recording, true, false, [&clock] { return clock += 1000; }});
    fuzz::SliceSizes sizes(std::span(data, size));
    for (std::size_t at = 0; at < size;) {
        const std::size_t n = std::min(sizes.Next(), size - at);
        live.Feed(std::span(data + at, n));
        at += n;
        if (sizes.Next() % 5 == 0) live.StreamDropped();
    }
    fuzz::Require(live.RecordingError().empty(), "the recording failed");
    live.EndStream();

    std::string recorded(static_cast<std::size_t>(::lseek(memory, 0, SEEK_END)), '\0');
    fuzz::Require(::pread(memory, recorded.data(), recorded.size(), 0) == static_cast<ssize_t>(recorded.size()), "read");
    Session replay;
    replay.BeginSelection();
    replay.BeginFile("replay.kss", InputKind::Kiss);
    replay.Feed(std::span(reinterpret_cast<const std::uint8_t*>(recorded.data()), recorded.size()));
    replay.EndFile();
    fuzz::Require(DumpText(replay.Records()) == DumpText(live.Records()), "the recording reads back to other records");
    return 0;
}
