#include <csignal>
#include <iostream>

#include "cli.h"

int main(int argc, char** argv) {
    // Past a file-size limit (ulimit -f) a write fails with EFBIG and is
    // reported as a full disk, instead of SIGXFSZ ending the program.
    std::signal(SIGXFSZ, SIG_IGN);
    std::ios::sync_with_stdio(false);
    return tavro::cli::Main(std::vector<std::string>(argv + 1, argv + argc), std::cerr);
}
