// Housekeeping frame of the KISS beacon, after the KISS escapes are undone.
//
//   pos      content
//   1        KISS command 00 (data, port 0)
//   2..8     AX.25 destination  A2 84 6A 60 A0 62|64 00
//   9..15    AX.25 source       A2 84 6A 60 A0 62|64 00
//   16, 17   control 03 (UI), PID F0
//   20       frame type, 1 = housekeeping
//   22..111  fields below; positions 31..35 are not read
//
//   ch  pos      read  stored              ch  pos      read  stored
//    0  22       u8    x                   23  70-71    u16   x
//    1  23-24    u16   x                   24  72-73    u16   x
//    2  25-26    u16   x                   ...          u16   x  (25..31)
//    3  27       u8    x                   32  88-89    u16   x
//    4  28       u8    x                   33  90-91    s16   x
//    5  29-30    u16   x                   34  92-93    s16   x
//    6  36-37    u16   x                   35  94-95    s16   x
//    7  38-39    u16   x                   36  96-97    s16   x
//    8  40-41    u16   pow(x,2)*0.000239   37  98       u8    x
//    9  42-43    u16   pow(x,2)*0.000239   38  99       u8    x
//   10  44-45    u16   x*0.395             39  100      u8    x
//   11  46-47    u16   x*0.395             40  101      u8    x
//   12  48-49    u16   -0.2959*x + 190.0   41  102-103  s16   x*0.015625
//   13  50-51    u16   x*0.016129          42  104-105  s16   x*0.015625
//   14  52-53    u16   x                   43  106-107  s16   x*0.015625
//   15  54-55    u16   -0.2922*x + 190.65  44  108-109  s16   x*0.015625
//   16  56-57    u16   x                   45  110-111  s16   x*0.015625
//   17  58-59    u16   -0.2922*x + 190.65
//   18..22  60..69  u16  x                 46  not in this layout: written as 0
//
// Little-endian; every formula in double, in the order written.
// Example: 64 00 at 44-45 -> Batt voltage 39.5 V; C0 FF at 102-103 -> MagY -1.0 nT.
#pragma once

#include <array>

#include "frame_layout.h"
#include "record_table.h"

namespace tavro {

inline constexpr int kKissChannelCount = 46;  // channels 0..45

inline constexpr std::array<FieldSpec, kKissChannelCount> kKissLayout = {{
    {22, FieldKind::U8},   {23, FieldKind::U16},  {25, FieldKind::U16},  {27, FieldKind::U8},
    {28, FieldKind::U8},   {29, FieldKind::U16},  {36, FieldKind::U16},  {38, FieldKind::U16},
    {40, FieldKind::U16},  {42, FieldKind::U16},  {44, FieldKind::U16},  {46, FieldKind::U16},
    {48, FieldKind::U16},  {50, FieldKind::U16},  {52, FieldKind::U16},  {54, FieldKind::U16},
    {56, FieldKind::U16},  {58, FieldKind::U16},  {60, FieldKind::U16},  {62, FieldKind::U16},
    {64, FieldKind::U16},  {66, FieldKind::U16},  {68, FieldKind::U16},  {70, FieldKind::U16},
    {72, FieldKind::U16},  {74, FieldKind::U16},  {76, FieldKind::U16},  {78, FieldKind::U16},
    {80, FieldKind::U16},  {82, FieldKind::U16},  {84, FieldKind::U16},  {86, FieldKind::U16},
    {88, FieldKind::U16},  {90, FieldKind::S16},  {92, FieldKind::S16},  {94, FieldKind::S16},
    {96, FieldKind::S16},  {98, FieldKind::U8},   {99, FieldKind::U8},   {100, FieldKind::U8},
    {101, FieldKind::U8},  {102, FieldKind::S16}, {104, FieldKind::S16}, {106, FieldKind::S16},
    {108, FieldKind::S16}, {110, FieldKind::S16},
}};

// The two accepted AX.25 headers (positions 1..17) differ in byte 7 only.
inline constexpr std::array<std::uint8_t, 17> kKissHeader62 = {0x00, 0xA2, 0x84, 0x6A, 0x60, 0xA0, 0x62, 0x00, 0xA2,
                                                               0x84, 0x6A, 0x60, 0xA0, 0x62, 0x00, 0x03, 0xF0};
inline constexpr std::array<std::uint8_t, 17> kKissHeader64 = {0x00, 0xA2, 0x84, 0x6A, 0x60, 0xA0, 0x64, 0x00, 0xA2,
                                                               0x84, 0x6A, 0x60, 0xA0, 0x64, 0x00, 0x03, 0xF0};
inline constexpr int kKissFrameTypePosition = 20;
inline constexpr int kKissFrameEnd = 111;

// Writes all 47 channels of record: 0..45 from the frame, 46 is 0.
void DecodeKissFrame(const FrameBuffer& frame, TelemetryRecord& record);

}  // namespace tavro
