// The SatNOGS reader on arbitrary bytes: read whole and read in random
// slices must give the same table, and every record must render.
#include "fuzz_support.h"
#include "satnogs_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tavro;
    const std::span<const std::uint8_t> bytes(data, size);
    static fuzz::ReaderState whole, sliced;
    const auto [wholeReader, slicedReader] = fuzz::ReadWholeAndSliced<SatnogsReader>(whole, sliced, bytes);
    fuzz::Require(wholeReader.Error() == slicedReader.Error(), "errors differ");
    fuzz::Require(whole.report.badEntries <= whole.report.frames, "more bad entries than entries");
    for (const TelemetryRecord& r : whole.table.Records()) {
        fuzz::Require(r.TimeText.size() == 27 && r.TimeText.ends_with(" UTC"), "bad record time text");
        fuzz::Require(r.StampValue1 == 0 && r.StampValue2 == 0 && r.StampValue3 == 0, "SatNOGS record with stamps");
    }
    fuzz::RenderEverything(whole.table, size % 2 ? ',' : '.');
    return 0;
}
