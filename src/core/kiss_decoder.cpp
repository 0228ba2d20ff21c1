#include "kiss_decoder.h"

#include <cmath>

#include "field_readers.h"

namespace tavro {

double KissChannelValue(int channel, double x) {
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

void DecodeKissFrame(const FrameBuffer& frame, TelemetryRecord& record) {
    for (int i = 0; i < kKissChannelCount; ++i) {
        const FieldSpec& f = kKissLayout[static_cast<std::size_t>(i)];
        double x = 0;
        switch (f.kind) {
            case FieldKind::U8: x = frame(f.position); break;
            case FieldKind::U16: x = ReadU16(frame, f.position); break;
            case FieldKind::S16: x = ReadS16(frame, f.position); break;
            default: break;  // the KISS layout has no other kinds
        }
        record.Channels[static_cast<std::size_t>(i)] = KissChannelValue(i, x);
    }
}

}  // namespace tavro
