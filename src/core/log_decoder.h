// Housekeeping frame of a log line. Byte k of the line's hex part is placed
// at frame position 18 + k; position 18 is the frame type (1). The fields
// follow without gaps, little-endian:
//
//   ch  pos      read  stored                      ch  pos      read  stored
//    0  19       u8    x                           24  83-84    u16   x*0.395
//    1  20-21    u16   x                           25  85-86    u16   x*0.395
//    2  22-23    u16   x                           26  87-88    u16   (x*3.3)/1023
//    3  24-27    u32   x                           27  89-90    u16   (x*3.3)/1023
//    4  28       u8    x                           28  91-92    u16   (x*x)*0.000239
//    5  29       u8    x                           29  93-94    u16   (x*x)*0.000239
//    6  30-31    u16   x                           30  95-96    u16   (x*330)/1023 - 50
//    7  32-35    u32   x                           31  97-98    u16   ((x*5)*3.3)/1023
//    8  36       u8    x                           32  99-100   s16   x
//    9  37       u8    x                           33..36 101..108 s16 x
//   10  38-39    u16   x*0.001                     37  109-112  u32   x
//   11  40-41    u16   ((x*2.5)/204800)/(0.47/2)   38  113      u8    x
//   12  42-43    u16   x                           39  114      u8    x
//   13  44-45    u16   x*0.5                       40  115-116  s16   x
//   14  46-47    u16   x*0.5                       41  117-118  s16   x
//   15  48-49    u16   x*0.5                       42  119-120  s16   x
//   16  50-51    u16   x                           43  121      u8    x
//   17  52-53    u16   (3.3/1024)*x                44  122-123  u16   x
//   18  54-55    u16   (3.3/1024)*x                45  124      u8    x
//   19  56-57    u16   ((x*2.5)/4096 - 0.5)*100    46  125-126  u16   x
//   20  58       u8    x
//   21  59-66    f64   x*7.5   (22: 67-74, 23: 75-82, likewise)
//
// x*330 and x*5 are exact whole-number products. Non-finite results (a NaN
// Mag Delta, an overflowing product) are stored as they come.
// Example: 00 08 at 56-57 -> Temp 1 75.0 C; FF 03 at 95-96 -> PA temp 280.0 C.
#pragma once

#include <array>

#include "frame_layout.h"
#include "record_table.h"

namespace tavro {

inline constexpr int kLogFrameTypePosition = 18;
inline constexpr int kLogFrameEnd = 126;

inline constexpr std::array<FieldSpec, kChannelCount> kLogLayout = {{
    {19, FieldKind::U8},   {20, FieldKind::U16},  {22, FieldKind::U16},  {24, FieldKind::U32},
    {28, FieldKind::U8},   {29, FieldKind::U8},   {30, FieldKind::U16},  {32, FieldKind::U32},
    {36, FieldKind::U8},   {37, FieldKind::U8},   {38, FieldKind::U16},  {40, FieldKind::U16},
    {42, FieldKind::U16},  {44, FieldKind::U16},  {46, FieldKind::U16},  {48, FieldKind::U16},
    {50, FieldKind::U16},  {52, FieldKind::U16},  {54, FieldKind::U16},  {56, FieldKind::U16},
    {58, FieldKind::U8},   {59, FieldKind::F64},  {67, FieldKind::F64},  {75, FieldKind::F64},
    {83, FieldKind::U16},  {85, FieldKind::U16},  {87, FieldKind::U16},  {89, FieldKind::U16},
    {91, FieldKind::U16},  {93, FieldKind::U16},  {95, FieldKind::U16},  {97, FieldKind::U16},
    {99, FieldKind::S16},  {101, FieldKind::S16}, {103, FieldKind::S16}, {105, FieldKind::S16},
    {107, FieldKind::S16}, {109, FieldKind::U32}, {113, FieldKind::U8},  {114, FieldKind::U8},
    {115, FieldKind::S16}, {117, FieldKind::S16}, {119, FieldKind::S16}, {121, FieldKind::U8},
    {122, FieldKind::U16}, {124, FieldKind::U8},  {125, FieldKind::U16},
}};

// Writes all 47 channels of record from the frame.
void DecodeLogFrame(const FrameBuffer& frame, TelemetryRecord& record);

}  // namespace tavro
