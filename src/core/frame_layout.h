// Field kinds shared by the two housekeeping layouts and their encoders.
#pragma once

#include <cstdint>

namespace tavro {

enum class FieldKind : std::uint8_t {
    U8,   // one byte, 0..255
    U16,  // little-endian, 0..65535
    S16,  // little-endian two's complement, -32768..32767
    U32,  // little-endian, 0..4294967295
    F64,  // IEEE 754 binary64, little-endian
};

struct FieldSpec {
    int position;  // first frame position, counted from 1
    FieldKind kind;
};

constexpr int FieldWidth(FieldKind kind) {
    switch (kind) {
        case FieldKind::U8: return 1;
        case FieldKind::U16:
        case FieldKind::S16: return 2;
        case FieldKind::U32: return 4;
        case FieldKind::F64: return 8;
    }
    return 0;
}

}  // namespace tavro
