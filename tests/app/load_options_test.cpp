// Option parsing of the load command, from a table of argument lists.
#include "app/load_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct OptionRow {
    std::vector<std::string> options;  // the arguments after the DriveSpec
    bool parsed;
    LONG waitMs;
    bool force;
    bool noAbout;
};

TEST(ParseLoadOptions, Table) {
    const OptionRow rows[] = {
        {{}, true, kWaitNotGiven, false, false},
        {{"-na"}, true, kWaitNotGiven, false, true},
        {{"/NA"}, true, kWaitNotGiven, false, true},
        {{"-NAx"}, true, kWaitNotGiven, false, true},
        {{"-f"}, true, kWaitNotGiven, true, false},
        {{"-Force"}, true, kWaitNotGiven, true, false},
        {{"-w:500"}, true, 500, false, false},
        {{"/W:500"}, true, 500, false, false},
        {{"-n:300"}, true, 300, false, false},
        {{"-w:99999"}, true, 10000, false, false},
        {{"-w:10000"}, true, 10000, false, false},
        {{"-w:-5"}, true, 0, false, false},
        {{"-w:abc"}, true, 0, false, false},
        {{"-w:"}, true, 0, false, false},
        {{"-w500"}, true, kWaitNotGiven, false, false},
        {{"-n"}, true, kWaitNotGiven, false, false},
        {{"-x"}, true, kWaitNotGiven, false, false},
        {{"-"}, true, kWaitNotGiven, false, false},
        {{"/w:5/0"}, true, 5, false, false},
        {{"-w:100", "-w:200"}, true, 200, false, false},
        {{"-na", "-f", "-w:1"}, true, 1, true, true},
        {{"foo"}, false, kWaitNotGiven, false, false},
        {{""}, false, kWaitNotGiven, false, false},
        {{"-?"}, false, kWaitNotGiven, false, false},
        {{"/?"}, false, kWaitNotGiven, false, false},
        {{"-na", "foo"}, false, kWaitNotGiven, false, true},
        {{std::string(300, '-')}, true, kWaitNotGiven, false, false},
    };
    for (const OptionRow& row : rows) {
        std::vector<std::string> arguments = {"Traywake", "E:"};
        arguments.insert(arguments.end(), row.options.begin(), row.options.end());
        std::vector<char*> argv;
        for (std::string& argument : arguments) argv.push_back(&argument[0]);
        LoadOptions options;
        InitLoadOptions(&options);
        std::string label = ::testing::PrintToString(row.options);
        EXPECT_EQ(ParseLoadOptions((int)argv.size(), argv.data(), &options) != 0, row.parsed) << label;
        EXPECT_EQ(options.waitMs, row.waitMs) << label;
        EXPECT_EQ(options.force != 0, row.force) << label;
        EXPECT_EQ(options.noAbout != 0, row.noAbout) << label;
        // The arguments themselves are not changed by parsing.
        EXPECT_EQ(std::string(argv[1]), "E:");
    }
}

}  // namespace
