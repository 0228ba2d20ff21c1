// The KISS reader on arbitrary bytes: read whole and read in random slices
// must give the same table, and every record must render.
#include "fuzz_support.h"
#include "kiss_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tavro;
    const std::span<const std::uint8_t> bytes(data, size);

    static fuzz::ReaderState whole, sliced;
    const auto [wholeReader, slicedReader] = fuzz::ReadWholeAndSliced<KissReader>(whole, sliced, bytes);
    for (std::size_t k = 0; k < 3; ++k)
        fuzz::Require(fuzz::SameBits(wholeReader.StampNumbers()[k], slicedReader.StampNumbers()[k]),
                      "stamp numbers differ");
    fuzz::Require(whole.capture.FrameLength >= 0 && whole.capture.FrameLength <= 32767, "frame length out of range");
    for (const TelemetryRecord& r : whole.table.Records())
        fuzz::Require(r.Channels[46] == 0, "KISS record with channel 46 set");
    fuzz::RenderEverything(whole.table, size % 2 ? ',' : '.');
    return 0;
}
