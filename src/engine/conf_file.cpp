#include "conf_file.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

#include "atomic_file.h"

namespace tavro {

namespace {

// Makes the folders of path's parent that are missing, private to the user
// as ~/.config/tavro is.
std::string MakeParentFolders(const std::string& path) {
    for (std::size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
        const std::string folder = path.substr(0, slash);
        if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return std::strerror(errno);
    }
    return {};
}

}  // namespace

std::string ReadConfText(const std::string& path) {
    std::ostringstream text;
    if (std::ifstream in{path, std::ios::binary}) text << in.rdbuf();
    return text.str();
}

std::string SaveConfValues(const std::string& path, const ConfValues& values) {
    if (std::string error = MakeParentFolders(path); !error.empty()) return error;
    const WriteResult written = WritePrivateFileAtomically(path, WithConfValues(ReadConfText(path), values));
    return written.ok ? std::string() : written.error;
}

}  // namespace tavro
