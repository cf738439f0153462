// Running the load command in this process, with standard output captured.
#include "tests/support/load_command_run.h"

#include "app/load_command.h"
#include "app/memory.h"
#include "tests/support/output_capture.h"

LoadCommandOutcome RunLoadCommandWith(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "Traywake");
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(&argument[0]);
    StdoutCapture capture;
    int exitCode = RunLoadCommand((int)argv.size(), argv.data());
    return {exitCode, capture.Finish()};
}
