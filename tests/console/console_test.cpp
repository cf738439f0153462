// Console output and the control handler. (Colours and both key waits show
// in the load command's table.)
#include "console/con_printf.h"
#include "console/console_session.h"
#include "tests/support/harness.h"

#include <cstring>

TEST(ConPrintf, LineEndsAndTheBound) {
    std::string pairs;
    for (int i = 0; i < 511; ++i) pairs += "\r\n";  // 1022 bytes; a pair more would pass 1023
    // A pair is written whole or not at all, also where the text had it: no lone CR.
    const std::string x1021(1021, 'x');
    const std::string x1022(1022, 'x');
    const std::pair<std::string, std::string> rows[] = {
        {"a\nb\r\n\n", "a\r\nb\r\n\r\n"},
        {std::string(600, '\n'), pairs},
        {x1022 + "\n", x1022},
        {x1021 + "\ny", x1021 + "\r\n"},
        {x1022 + "x", x1022 + "x"},
        {"\n" + x1021.substr(1) + "\r\n", "\r\n" + x1021.substr(1)},
    };
    for (const auto& row : rows) {
        GuardedBuffer text(kTextBufferSize);
        std::memcpy(text.data(), row.first.c_str(), row.first.size() + 1);
        text.data()[-1] = '\r';  // not part of the text: a first LF is bare
        EXPECT_EQ(std::string(LfToCrLf((char*)text.data())), row.second) << row.first.size();
    }
}

TEST(CtrlHandler,
     OwnsTheEventsThatWouldEndTheProgramEarly) {  // Ctrl+C, Ctrl+Break, close, log-off, shutdown
    for (DWORD event = 0; event < 8; ++event)
        EXPECT_EQ(CtrlHandler(event) != 0, event != 3 && event != 4 && event < 7);
}
