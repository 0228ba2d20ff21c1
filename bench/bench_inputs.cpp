#include "bench_inputs.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <span>
#include <sstream>

#include "file_reading.h"
#include "kiss_reader.h"
#include "log_reader.h"
#include "pass_generator.h"

namespace tavro::bench {

namespace {
Bytes ToBytes(const std::string& s) { return Bytes(s.begin(), s.end()); }

template <typename Reader>
void ReadInSlices(ReaderState& state, const Bytes& bytes) {
    Reader reader(state.capture, state.table, state.report);
    constexpr std::size_t slice = InputFile::kSliceBytes;
    for (std::size_t at = 0; at < bytes.size(); at += slice)
        reader.Feed(std::span<const std::uint8_t>(bytes.data() + at, std::min(slice, bytes.size() - at)));
    reader.Finish();
}
}  // namespace

Inputs GeneratedInputs(long long frames, bool randomFields) {
    passgen::PassOptions options;
    options.frames = frames;
    options.randomFields = randomFields;
    std::ostringstream kiss, log;
    passgen::WritePass(options, &kiss, &log);
    return {ToBytes(kiss.str()), ToBytes(log.str()), frames};
}

Bytes ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        std::exit(1);
    }
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void ReadKiss(ReaderState& state, const Bytes& bytes) { ReadInSlices<KissReader>(state, bytes); }
void ReadLog(ReaderState& state, const Bytes& bytes) { ReadInSlices<LogReader>(state, bytes); }

}  // namespace tavro::bench
