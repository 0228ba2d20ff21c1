#include "tlm_writer.h"

namespace tavro {

std::string PadRight(std::string_view text, int width) {
    std::string out(text);
    if (static_cast<int>(out.size()) < width) out.append(static_cast<std::size_t>(width) - out.size(), ' ');
    return out;
}

std::string TlmText(const std::array<std::string, kChannelCount>& texts) {
    std::string out;
    out += kWindowCaption;
    out += "\r\n";
    out += std::string(52, '=');
    out += "\r\n\r\n";
    for (std::size_t i = 0; i + 1 < kChannelCount; i += 2) {
        out += PadRight(ChannelCatalogue[i].name, 20);
        out += PadRight(texts[i], 10);
        out += PadRight(ChannelCatalogue[i].unit, 10);
        out += " |  ";
        out += PadRight(ChannelCatalogue[i + 1].name, 20);
        out += PadRight(texts[i + 1], 10);
        out += PadRight(ChannelCatalogue[i + 1].unit, 8);
        out += "\r\n";
    }
    return out;
}

}  // namespace tavro
