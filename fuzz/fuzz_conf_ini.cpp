// conf.ini text of any bytes: the folder always ends in the separator, and
// CR LF line ends read like LF ones.
#include <string>

#include "conf_ini.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tavro;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::string program = "/opt/tavro/";
    const Settings s = ParseConfIni(text, program, '/');
    fuzz::Require(!s.imagePath.empty() && s.imagePath.back() == '/', "image path is not a folder");

    std::string upper(text);
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (upper.find("IMAGE_PATH") == std::string::npos)
        fuzz::Require(s.imagePath == program, "image path changed without the key");
    if (upper.find("SCREENSHOT") == std::string::npos)
        fuzz::Require(!s.screenshotButton, "button set without the key");

    if (text.find('\r') == std::string_view::npos) {
        std::string crlf;
        for (char c : text) {
            if (c == '\n') crlf += '\r';
            crlf += c;
        }
        const Settings t = ParseConfIni(crlf, program, '/');
        fuzz::Require(t.imagePath == s.imagePath && t.screenshotButton == s.screenshotButton,
                      "CR LF reads differently from LF");
    }
    return 0;
}
