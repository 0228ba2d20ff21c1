#include "conf_ini.h"

#include <cctype>
#include <charconv>
#include <fstream>
#include <sstream>

namespace tavro {

namespace {

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

std::string Upper(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

// A whole number from low to high, or nothing.
std::optional<int> NumberIn(std::string_view value, int low, int high) {
    int n = 0;
    const auto res = std::from_chars(value.data(), value.data() + value.size(), n);
    if (res.ec != std::errc() || res.ptr != value.data() + value.size() || n < low || n > high) return std::nullopt;
    return n;
}

}  // namespace

Settings ParseConfIni(std::string_view text, Settings defaults, char separator) {
    Settings settings = std::move(defaults);
    const auto folder = [separator](std::string& path, std::string_view value) {
        if (value.empty()) return;
        path.assign(value);
        if (path.back() != separator) path += separator;
    };
    while (!text.empty()) {
        const auto lf = text.find('\n');
        std::string_view line = text.substr(0, lf);
        text = lf == std::string_view::npos ? std::string_view{} : text.substr(lf + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty() || line.front() == '#') continue;
        const auto eq = line.find('=');
        if (eq == std::string_view::npos) continue;
        const std::string key = Upper(TrimBlanks(line.substr(0, eq)));
        const std::string_view value = TrimBlanks(line.substr(eq + 1));
        if (key == "IMAGE_PATH") {
            folder(settings.imagePath, value);
        } else if (key == "CAPTURE_PATH") {
            folder(settings.capturePath, value);
        } else if (key == "SCREENSHOT") {
            settings.screenshotButton = Upper(value) == "YES";
        } else if (key == "KISS_HOST" && !value.empty()) {
            settings.kissHost.assign(value);
        } else if (key == "KISS_PORT") {
            settings.kissPort = NumberIn(value, 1, 65535).value_or(settings.kissPort);
        } else if (key == "KISS_TNC_PORT") {
            settings.kissTncPort = NumberIn(value, 0, 15).value_or(settings.kissTncPort);
        } else if (key == "KISS_SERIAL" && !value.empty()) {
            settings.kissSerial.assign(value);
        } else if (key == "KISS_SERIAL_BAUD") {
            if (const auto baud = NumberIn(value, 1, 1 << 30); baud && IsSerialBaud(*baud)) settings.kissSerialBaud = *baud;
        } else if (key == "KISS_SERIAL_FLOW") {
            settings.kissSerialRtsCts = Upper(value) == "RTSCTS";
        } else if (key == "KISS_SERIAL_INIT") {
            settings.kissSerialInit.assign(value);
        }
    }
    return settings;
}

Settings LoadSettings(const ProgramFolders& folders) {
    std::ostringstream text;
    if (std::ifstream in{folders.confIni, std::ios::binary}) text << in.rdbuf();
    return ParseConfIni(text.str(), Settings{folders.imageFolder, std::nullopt, folders.captureFolder}, '/');
}

}  // namespace tavro
