// The rates a serial TNC is set to: 1200 to 115200 baud, 9600 by default.
#pragma once

#include <algorithm>
#include <iterator>

namespace tavro {

inline constexpr int kSerialBauds[] = {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};
inline constexpr int kDefaultSerialBaud = 9600;

inline bool IsSerialBaud(int baud) {
    return std::find(std::begin(kSerialBauds), std::end(kSerialBauds), baud) != std::end(kSerialBauds);
}

}  // namespace tavro
