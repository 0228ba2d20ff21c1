#include "conf_ini.h"

#include <cctype>

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

}  // namespace

Settings ParseConfIni(std::string_view text, const std::string& defaultImagePath, char separator) {
    Settings settings{defaultImagePath, std::nullopt};
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
            if (value.empty()) continue;
            settings.imagePath.assign(value);
            if (settings.imagePath.back() != separator) settings.imagePath += separator;
        } else if (key == "SCREENSHOT") {
            settings.screenshotButton = Upper(value) == "YES";
        }
    }
    return settings;
}

}  // namespace tavro
