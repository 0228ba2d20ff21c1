// The benchmark inputs: a capture and a log from the sample generator,
// either read from files written by tavro-passgen or generated in memory;
// the generated pass (values mostly whole) or its random-valued twin (field
// bytes at random, values with fractions as in real telemetry).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "framing_report.h"
#include "record_table.h"

namespace tavro::bench {

using Bytes = std::vector<std::uint8_t>;

struct Inputs {
    Bytes kiss;  // capture of `frames` housekeeping frames
    Bytes log;   // the same pass as a log
    long long frames = 0;
};

// The pass of `frames` housekeeping frames, generated in memory.
Inputs GeneratedInputs(long long frames, bool randomFields = false);

// The whole file; exits with a message when it cannot be read.
Bytes ReadWholeFile(const std::string& path);

// What a reader fills.
struct ReaderState {
    CaptureState capture;
    RecordTable table;
    FramingReport report;
};

// Reads bytes with the KISS (log) reader into state's table, in slices as
// the file readers do.
void ReadKiss(ReaderState& state, const Bytes& bytes);
void ReadLog(ReaderState& state, const Bytes& bytes);

}  // namespace tavro::bench
