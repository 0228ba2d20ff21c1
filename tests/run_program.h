// Runs a program as a child process and tells how it ended, with what it
// wrote to standard output and standard error:
//   ProgramRun r = RunProgram({TAVRO_BIN_DIR "/tavro-cli", "--kiss", path});
//   r.signaled (killed by a signal), r.exitCode, r.out, r.err, r.maxRssKb
// asNobody: a child started by root first becomes "nobody", for whom file
// permissions count (r.cannotDropRoot when that is not allowed here).
#pragma once

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sstream>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace tavro::testing_support {

struct ProgramRun {
    bool signaled = false;
    int signal = 0;
    int exitCode = -1;
    bool cannotDropRoot = false;
    long maxRssKb = 0;  // the child's peak resident memory
    std::string out, err;
};

inline std::string TakeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    std::remove(path.c_str());
    return s.str();
}

inline ProgramRun RunProgram(const std::vector<std::string>& args, bool asNobody = false) {
    constexpr int kCannotDropRoot = 125;
    char outName[] = "/tmp/tavro-run-out-XXXXXX";
    char errName[] = "/tmp/tavro-run-err-XXXXXX";
    const int outFd = ::mkstemp(outName);
    const int errFd = ::mkstemp(errName);
    ProgramRun run;
    if (outFd < 0 || errFd < 0) return run;
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(outFd, STDOUT_FILENO);
        ::dup2(errFd, STDERR_FILENO);
        if (asNobody && ::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(kCannotDropRoot);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(outFd);
    ::close(errFd);
    int status = 0;
    struct rusage usage {};
    while (::wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    run.maxRssKb = usage.ru_maxrss;
    run.signaled = WIFSIGNALED(status);
    if (run.signaled) run.signal = WTERMSIG(status);
    if (WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
    run.cannotDropRoot = asNobody && run.exitCode == kCannotDropRoot;
    run.out = TakeFile(outName);
    run.err = TakeFile(errName);
    return run;
}

}  // namespace tavro::testing_support
