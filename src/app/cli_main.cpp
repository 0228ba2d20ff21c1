#include <iostream>

#include "cli.h"

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    return tavro::cli::Main(std::vector<std::string>(argv + 1, argv + argc), std::cerr);
}
