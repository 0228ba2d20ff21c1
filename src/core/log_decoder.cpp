#include "log_decoder.h"

#include <utility>

#include "field_readers.h"

namespace tavro {

namespace {

// Raw field value x of a channel -> stored engineering value.
inline double ChannelValue(int channel, double x) {
    switch (channel) {
        case 10: return x * 0.001;
        case 11: return ((x * 2.5) / 204800) / (0.47 / 2);
        case 13:
        case 14:
        case 15: return x * 0.5;
        case 17:
        case 18: return (3.3 / 1024) * x;
        case 19: return ((x * 2.5) / 4096 - 0.5) * 100;
        case 21:
        case 22:
        case 23: return x * 7.5;
        case 24:
        case 25: return x * 0.395;
        case 26:
        case 27: return (x * 3.3) / 1023;
        case 28:
        case 29: return (x * x) * 0.000239;
        case 30: return (x * 330) / 1023 - 50;  // x*330 is exact in double as in 32 bits
        case 31: return ((x * 5) * 3.3) / 1023;
        default: return x;
    }
}

template <std::size_t... I>
void DecodeFields(const FrameBuffer& frame, TelemetryRecord& record, std::index_sequence<I...>) {
    // Every channel is written: the table does not zero a record for a decoder.
    ((record.Channels[I] = ChannelValue(I, FieldAt<kLogLayout[I]>(frame))), ...);
}

}  // namespace

void DecodeLogFrame(const FrameBuffer& frame, TelemetryRecord& record) {
    DecodeFields(frame, record, std::make_index_sequence<kChannelCount>());
}

}  // namespace tavro
