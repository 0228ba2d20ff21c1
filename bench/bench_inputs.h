// The benchmark inputs: a capture and a log from the sample generator,
// either read from files written by tavro-passgen or generated in memory;
// the generated pass (values mostly whole) or its random-valued twin (field
// bytes at random, values with fractions as in real telemetry).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

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

// Reads bytes with the KISS reader into store's table, in slices as the
// file readers do.
void ReadKiss(TelemetryStore& store, const Bytes& bytes);
void ReadLog(TelemetryStore& store, const Bytes& bytes);

}  // namespace tavro::bench
