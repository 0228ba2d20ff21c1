// The log reader on arbitrary bytes: read whole and read in random slices
// must give the same table, and every record must render.
#include "fuzz_support.h"
#include "log_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tavro;
    const std::span<const std::uint8_t> bytes(data, size);

    static fuzz::ReaderState whole, sliced;
    fuzz::ReadWholeAndSliced<LogReader>(whole, sliced, bytes);
    // "hh:mm:ss" + ".000 UTC" at most, fewer characters for a short line.
    const auto isTime = [](std::string_view t) {
        return t.size() >= 8 && t.size() <= 16 && t.ends_with(".000 UTC");
    };
    fuzz::Require(size == 0 || isTime(whole.capture.CurrentTimeText), "bad current time text");
    for (const TelemetryRecord& r : whole.table.Records()) {
        fuzz::Require(isTime(r.TimeText), "bad record time text");
        fuzz::Require(r.StampValue1 == 0 && r.StampValue2 == 0 && r.StampValue3 == 0, "log record with stamps");
    }
    fuzz::RenderEverything(whole.table, size % 2 ? ',' : '.');
    return 0;
}
