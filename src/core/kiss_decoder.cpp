#include "kiss_decoder.h"

#include <cmath>

#include <utility>

#include "field_readers.h"

namespace tavro {

namespace {

// Raw field value x of a channel -> stored engineering value.
inline double ChannelValue(int channel, double x) {
    switch (channel) {
        case 8:
        case 9: return std::pow(x, 2.0) * 0.000239;
        case 10:
        case 11: return x * 0.395;
        case 12: return (-0.2959) * x + 190.0;
        case 13: return x * 0.016129;
        case 15:
        case 17: return (-0.2922) * x + 190.65;
        case 41:
        case 42:
        case 43:
        case 44:
        case 45: return x * 0.015625;
        default: return x;
    }
}

template <std::size_t I>
double Channel(const FrameBuffer& frame) {
    if constexpr (I < kKissChannelCount) return ChannelValue(I, FieldAt<kKissLayout[I]>(frame));
    else return 0.0;  // not in this layout
}

// Every channel is written: the table does not zero a record for a decoder.
template <std::size_t... I>
void DecodeFields(const FrameBuffer& frame, TelemetryRecord& record, std::index_sequence<I...>) {
    ((record.Channels[I] = Channel<I>(frame)), ...);
}

}  // namespace

void DecodeKissFrame(const FrameBuffer& frame, TelemetryRecord& record) {
    DecodeFields(frame, record, std::make_index_sequence<kChannelCount>());
}

}  // namespace tavro
