#include "user_folders.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace tavro {

namespace {

std::string WithoutClosingSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

std::string Closed(std::string folder) { return folder.empty() || folder.back() == '/' ? folder : folder + '/'; }

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

// XDG_CONFIG_HOME when it is set to an absolute path, else ~/.config; empty when neither is known.
std::string ConfigHome(const FolderFacts& facts) {
    if (!facts.xdgConfigHome.empty() && facts.xdgConfigHome.front() == '/') return WithoutClosingSlash(facts.xdgConfigHome);
    return facts.home.empty() ? std::string() : WithoutClosingSlash(facts.home) + "/.config";
}

}  // namespace

std::string UserDir(std::string_view text, std::string_view key, const std::string& home) {
    std::string found;
    while (!text.empty()) {  // the file is a shell fragment: the last assignment wins
        const auto lf = text.find('\n');
        const std::string_view line = Trimmed(text.substr(0, lf));
        text = lf == std::string_view::npos ? std::string_view{} : text.substr(lf + 1);
        if (line.size() <= key.size() || line.substr(0, key.size()) != key || line[key.size()] != '=') continue;
        std::string_view quoted = line.substr(key.size() + 1);
        if (quoted.size() >= 2 && quoted.front() == '"' && quoted.back() == '"') quoted = quoted.substr(1, quoted.size() - 2);
        std::string value;
        for (std::size_t i = 0; i < quoted.size(); ++i) value += quoted[i] == '\\' && i + 1 < quoted.size() ? quoted[++i] : quoted[i];
        if (value.rfind("$HOME", 0) == 0 && (value.size() == 5 || value[5] == '/') && !home.empty())
            found = WithoutClosingSlash(WithoutClosingSlash(home) + value.substr(5));
        else if (!value.empty() && value.front() == '/')
            found = WithoutClosingSlash(value);
    }
    return found;
}

ProgramFolders ChooseFolders(const FolderFacts& facts) {
    const std::string program = WithoutClosingSlash(facts.programFolder);
    ProgramFolders folders;
    const std::string configHome = ConfigHome(facts);
    folders.confIni = facts.confIniInProgramFolder || configHome.empty() ? Closed(program) + "conf.ini"
                                                                          : configHome + "/tavro/conf.ini";
    folders.imageFolder = folders.captureFolder = Closed(program);
    folders.archiveFile = Closed(program) + "tavro_archive.sqlite";
    if (facts.programFolderWritable || facts.home.empty()) return folders;

    const std::string home = WithoutClosingSlash(facts.home);
    std::string pictures = UserDir(facts.userDirsText, "XDG_PICTURES_DIR", home);
    std::string documents = UserDir(facts.userDirsText, "XDG_DOCUMENTS_DIR", home);
    folders.imageFolder = Closed(pictures.empty() ? home + "/Pictures" : pictures);
    folders.captureFolder = Closed(documents.empty() ? home + "/Documents" : documents) + "TAVRO/";
    const bool dataHomeSet = !facts.xdgDataHome.empty() && facts.xdgDataHome.front() == '/';
    folders.archiveFile = (dataHomeSet ? WithoutClosingSlash(facts.xdgDataHome) : home + "/.local/share") + "/tavro/archive.sqlite";
    folders.userFolders = true;
    return folders;
}

FolderFacts FolderFactsOf(const std::string& programFolder) {
    const auto variable = [](const char* name) {
        const char* value = std::getenv(name);
        return std::string(value ? value : "");
    };
    FolderFacts facts;
    facts.programFolder = programFolder;
    struct stat st {};
    facts.programFolderWritable = ::access(programFolder.c_str(), W_OK) == 0 && ::stat(programFolder.c_str(), &st) == 0 &&
                                  (::geteuid() != 0 || (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0);
    facts.confIniInProgramFolder = ::stat((Closed(WithoutClosingSlash(programFolder)) + "conf.ini").c_str(), &st) == 0;
    facts.home = variable("HOME");
    if (facts.home.empty())
        if (const passwd* user = ::getpwuid(::getuid())) facts.home = user->pw_dir ? user->pw_dir : "";
    facts.xdgConfigHome = variable("XDG_CONFIG_HOME");
    facts.xdgDataHome = variable("XDG_DATA_HOME");
    const std::string configHome = ConfigHome(facts);
    if (!configHome.empty()) {
        std::ifstream in(configHome + "/user-dirs.dirs");
        std::ostringstream text;
        text << in.rdbuf();
        facts.userDirsText = text.str();
    }
    return facts;
}

}  // namespace tavro
