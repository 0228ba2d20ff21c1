// Runs a program (arguments without single quotes) and tells how it ended and what it wrote:
//   ProgramRun r = RunProgram({TAVRO_BIN_DIR "/tavro-cli", "--kiss", path});
// shell: commands run first, in the shell that becomes the program ("ulimit -f 2;").
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

namespace tavro::testing_support {

struct ProgramRun { bool signaled = false; int signal = 0, exitCode = -1; std::string out, err; };

inline std::string TakeFile(const std::string& path) {
    const std::string text = (std::ostringstream() << std::ifstream(path, std::ios::binary).rdbuf()).str();
    return ::unlink(path.c_str()), text;
}

inline ProgramRun RunProgram(const std::vector<std::string>& args, const std::string& shell = "") {
    const std::string stem = "/tmp/tavro-run-" + std::to_string(::getpid());
    std::string command = shell + "exec";  // the shell becomes the program: its status is the program's
    for (const std::string& a : args) command += " '" + a + "'";
    const int s = std::system((command + " >" + stem + ".out 2>" + stem + ".err").c_str());
    return {WIFSIGNALED(s), WIFSIGNALED(s) ? WTERMSIG(s) : 0, WIFEXITED(s) ? WEXITSTATUS(s) : -1, TakeFile(stem + ".out"),
            TakeFile(stem + ".err")};
}

}  // namespace tavro::testing_support
