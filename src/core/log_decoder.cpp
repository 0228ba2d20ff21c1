#include "log_decoder.h"

#include "field_readers.h"

namespace tavro {

double LogChannelValue(int channel, double x) {
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

void DecodeLogFrame(const FrameBuffer& frame, TelemetryRecord& record) {
    for (int i = 0; i < kChannelCount; ++i) {
        const FieldSpec& f = kLogLayout[static_cast<std::size_t>(i)];
        double x = 0;
        switch (f.kind) {
            case FieldKind::U8: x = frame(f.position); break;
            case FieldKind::U16: x = ReadU16(frame, f.position); break;
            case FieldKind::S16: x = ReadS16(frame, f.position); break;
            case FieldKind::U32: x = ReadU32(frame, f.position); break;
            case FieldKind::F64: x = ReadF64(frame, f.position); break;
        }
        record.Channels[static_cast<std::size_t>(i)] = LogChannelValue(i, x);
    }
}

}  // namespace tavro
