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

// Calls each(key in upper case, value, line) for every KEY=VALUE line.
template <class Each>
void ForEachSetting(std::string_view text, Each each) {
    while (!text.empty()) {
        const auto lf = text.find('\n');
        std::string_view line = text.substr(0, lf);
        text = lf == std::string_view::npos ? std::string_view{} : text.substr(lf + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty() || line.front() == '#') continue;
        const auto eq = line.find('=');
        if (eq == std::string_view::npos) continue;
        each(Upper(TrimBlanks(line.substr(0, eq))), TrimBlanks(line.substr(eq + 1)), line);
    }
}

}  // namespace

std::optional<std::string> ConfValue(std::string_view text, std::string_view key) {
    std::optional<std::string> found;
    const std::string wanted = Upper(key);
    ForEachSetting(text, [&](const std::string& k, std::string_view value, std::string_view) {
        if (k == wanted) found.emplace(value);
    });
    return found;
}

std::string WithConfValues(std::string_view text, const ConfValues& given) {
    // A value never breaks its line: a line end in it would start a setting of its own.
    ConfValues values = given;
    for (auto& [key, value] : values) std::erase_if(value, [](char c) { return c == '\r' || c == '\n'; });
    // The line of each key that counts: its last one.
    std::vector<const char*> lastLine(values.size(), nullptr);
    ForEachSetting(text, [&](const std::string& k, std::string_view, std::string_view line) {
        for (std::size_t i = 0; i < values.size(); ++i)
            if (k == Upper(values[i].first)) lastLine[i] = line.data();
    });
    std::string out;
    const std::string_view eol = text.find("\r\n") != std::string_view::npos ? "\r\n" : "\n";
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t lf = text.find('\n', at);
        const std::size_t end = lf == std::string_view::npos ? text.size() : lf + 1;
        std::string_view line = text.substr(at, end - at);
        bool replaced = false;
        for (std::size_t i = 0; i < values.size() && !replaced; ++i) {
            if (lastLine[i] != text.data() + at) continue;
            std::string_view ending = line.substr(line.find_last_not_of("\r\n") + 1);
            out += Upper(values[i].first) + "=" + values[i].second + std::string(ending);
            replaced = true;
        }
        if (!replaced) out += line;
        at = end;
    }
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (lastLine[i]) continue;
        if (!out.empty() && out.back() != '\n') out += eol;
        out += Upper(values[i].first) + "=" + values[i].second + std::string(eol);
    }
    return out;
}

Settings ParseConfIni(std::string_view text, Settings defaults, char separator) {
    Settings settings = std::move(defaults);
    const auto folder = [separator](std::string& path, std::string_view value) {
        if (value.empty()) return;
        path.assign(value);
        if (path.back() != separator) path += separator;
    };
    ForEachSetting(text, [&](const std::string& key, std::string_view value, std::string_view) {
        if (key == "IMAGE_PATH") {
            folder(settings.imagePath, value);
        } else if (key == "CAPTURE_PATH") {
            folder(settings.capturePath, value);
        } else if (key == "SCREENSHOT") {
            settings.screenshotButton = Upper(value) == "YES";
        } else if (key == "KISS_HOST" && !value.empty()) {
            settings.kissHost.assign(value);
        } else if (key == "ARCHIVE") {
            if (value == "1" || value == "0") settings.archive = value == "1";
        } else if (key == "ARCHIVE_PATH" && !value.empty()) {
            settings.archivePath.assign(value);
        } else if (key == "KISS_PORT") {
            int port = 0;
            const auto res = std::from_chars(value.data(), value.data() + value.size(), port);
            if (res.ec == std::errc() && res.ptr == value.data() + value.size() && port >= 1 && port <= 65535)
                settings.kissPort = port;
        }
    });
    return settings;
}

Settings LoadSettings(const ProgramFolders& folders) {
    std::ostringstream text;
    if (std::ifstream in{folders.confIni, std::ios::binary}) text << in.rdbuf();
    Settings defaults{folders.imageFolder, std::nullopt, folders.captureFolder};
    defaults.archivePath = folders.archiveFile;
    return ParseConfIni(text.str(), defaults, '/');
}

}  // namespace tavro
