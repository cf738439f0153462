// Running the load command in this process, with standard output captured.
#pragma once
#include <string>
#include <vector>

struct LoadCommandOutcome {
    int exitCode;
    std::string output;
};

// arguments are those after the program name.
LoadCommandOutcome RunLoadCommandWith(std::vector<std::string> arguments);
