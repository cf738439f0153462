// The load command through the VORLAN service: the volume opens for the
// probes only, so the stand-in service is asked. One table: the service's
// behaviour and the scripted pipe opens, against the bytes shown, the exit
// code, every pipe open and sleep, and every message that reached the
// service, checked field by field.
#include "service/command_pipe_client.h"
#include "tests/support/fake_console.h"
#include "tests/support/fake_device.h"
#include "tests/support/harness.h"
#include "tests/support/pipe_call_log.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

const char kVolume[] = "\\\\?\\Volume{0a1b2c3d-0000-1111-2222-333344445555}";

std::string Repeat(const std::string& text, int count) {
    std::string repeated;
    while (count--) repeated += text;
    return repeated;
}

// The messages as names; a request whose unused fields are not zero is "bad".
std::vector<std::string> Messages(const std::vector<BYTE>& bytes) {
    std::vector<std::string> messages;
    for (size_t at = 0; at + 4 <= bytes.size();) {
        LONG command;
        std::memcpy(&command, &bytes[at], 4);
        if (command == PIPE_HELLO || command == PIPE_GOODBYE) {
            messages.push_back(command == PIPE_HELLO ? "hello" : "goodbye");
            at += 4;
            continue;
        }
        PipeRequest request = {};
        std::memcpy(&request, &bytes[at], std::min(sizeof request, bytes.size() - at));
        at += sizeof request;
        std::string path(request.szPath, strnlen(request.szPath, sizeof request.szPath));
        bool zeroTail = std::all_of(request.szPath + path.size(), request.szPath + sizeof request.szPath,
                                    [](char c) { return c == 0; });
        char text[300];
        if (command == PIPE_CMD_OPEN_VOLUME && request.dwParam == 0 && zeroTail)
            std::snprintf(text, sizeof text, "open %s", path.c_str());
        else if (command == PIPE_CMD_DEVICE_CONTROL && path.empty() && zeroTail)
            std::snprintf(text, sizeof text, "control 0x%lX", (unsigned long)request.dwParam);
        else
            std::snprintf(text, sizeof text, "bad %ld", (long)command);
        messages.push_back(request.dwReserved ? "reserved not 0" : text);
    }
    return messages;
}

TEST(CommandPipeClient, LoadThroughTheService) {
    const std::string open = "open " + std::string(kVolume), load = "control 0x2D480C",
                      online = "control 0x56C008";
    const std::string base = "open VorlanCmdIfV2=0 sleep 50 open VorlanCmdIfV21=0 ";
    const std::string noService = "\r\nerror opening VORLAN command interface\r\n";
    const struct Row {
        const char* switches;  // null: no service
        std::deque<DWORD> openErrors;
        std::string output;
        DWORD exitCode;
        std::string pipeCalls;
        std::vector<std::string> received;
    } rows[] = {
        {nullptr, {}, noService, 1, Repeat("open VorlanCmdIfV2=2 ", 11), {}},
        {nullptr, std::deque<DWORD>(11, ERROR_PIPE_BUSY), noService, 1,
         Repeat("open VorlanCmdIfV2=231 sleep 20 ", 11), {}},
        {"-fake-success", {ERROR_PIPE_BUSY, ERROR_PIPE_BUSY}, "Loading media into E:\\ ()... OK\r\n{A}success{7}{7}\r\n\r\n", 0,
         Repeat("open VorlanCmdIfV2=231 sleep 20 ", 2) + base, {"hello", open, load, online, "goodbye"}},
        {"-refuse", {}, noService, 1, "open VorlanCmdIfV2=0 ", {"hello"}},
        {"-fake-success", {0, ERROR_FILE_NOT_FOUND}, "Loading media into E:\\ ()... OK\r\n{A}success{7}{7}\r\n\r\n", 0,
         "open VorlanCmdIfV2=0 sleep 50 open VorlanCmdIfV21=2 sleep 500 open VorlanCmdIfV21=0 ",
         {"hello", open, load, online, "goodbye"}},
        {"-fake-success", {0, ERROR_ACCESS_DENIED}, " error 5 opening VORLAN pipe" + noService, 1,
         "open VorlanCmdIfV2=0 sleep 50 open VorlanCmdIfV21=5 ", {"hello"}},
        {"-fail-open 5", {}, "\r\nerror opening " + std::string(kVolume) + "\r\n", 1, base, {"hello", open}},
        {"-fake-success -fail-control 21", {}, "Loading media into E:\\ ()... err=NOT_READY\r\n{C}failed{7}{7}\r\n\r\n", 1,
         base, {"hello", open, load, online, "goodbye"}},
        {"-fake-success -slow 60000", {}, "Loading media into E:\\ ()... err=SEM_TIMEOUT\r\n{C}failed{7}{7}\r\n\r\n", 1,
         base, {"hello", open, load}},
        {"-fake-success -short 100", {}, "Loading media into E:\\ ()... err=INVALID_DATA\r\n{C}failed{7}{7}\r\n\r\n", 1,
         base, {"hello", open, load}},
        {"-fake-success -long", {}, "Loading media into E:\\ ()... err=INVALID_DATA\r\n{C}failed{7}{7}\r\n\r\n", 1,
         base, {"hello", open, load}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.switches ? row.switches : "no service");
        std::unique_ptr<StandinService> service(row.switches ? new StandinService(row.switches) : nullptr);
        FakeDevice fake;
        FakeConsole console(false, false);
        fake.mountPoints["E:\\"] = std::string(kVolume) + "\\";
        fake.driveTypes[std::string(kVolume) + "\\"] = DRIVE_CDROM;
        FakeVolume& volume = fake.AddVolume(kVolume);
        volume.attributeOpenLimit = 2;  // the description and the open test; none for the requests
        volume.opensForRead = volume.opensForReadWrite = false;
        PipeCallLog pipes(row.openErrors);
        PipeIoLimitMs = 300;
        int handlesBefore = OpenHandleCount();
        Outcome outcome = RunLoadCommandWith({"E:", "-na", "-w:300"});
        int handlesAfter = OpenHandleCount();
        PipeIoLimitMs = kPipeReplyLimitMs;
        EXPECT_EQ(outcome.output, row.output);
        EXPECT_EQ(outcome.exitCode, row.exitCode);
        EXPECT_EQ(pipes.calls, row.pipeCalls);
        EXPECT_EQ(pipes.faults, std::vector<std::string>());
        EXPECT_EQ(handlesAfter, handlesBefore);
        EXPECT_EQ(ServiceClient, nullptr);
        // A refused volume gets the failure pause; the console is hidden, so nothing else waits.
        EXPECT_EQ(console.calls, row.switches && strstr(row.switches, "-fail-open") ? "sleep 300 " : "");
        if (row.received.size() > 1) {
            EXPECT_TRUE(service->AwaitServed(1));
        }
        if (service) {
            EXPECT_EQ(Messages(service->Received()), row.received);
        }
    }
}

TEST(CommandPipeClient, ServiceErrorsAndSuccessAsTheLastError) {
    StandinService service("-fake-success -fail-control 2");
    CommandPipeClient client;
    ASSERT_TRUE(client.Connect());
    SetLastError(1234);
    EXPECT_TRUE(client.SendCommand(PIPE_CMD_OPEN_VOLUME, 0, kVolume, nullptr));
    EXPECT_EQ(GetLastError(), 1234u);
    PipeReply reply;
    EXPECT_FALSE(client.SendCommand(PIPE_CMD_DEVICE_CONTROL, 7, nullptr, &reply));
    EXPECT_EQ(GetLastError(), 2u);
    EXPECT_EQ(reply.dwError, 2u);
    client.Disconnect();
    EXPECT_EQ(client.m_hPipe, INVALID_HANDLE_VALUE);
    client.Disconnect();  // a second call has nothing to close
    EXPECT_TRUE(service.AwaitServed(1));
    EXPECT_EQ(Messages(service.Received()),
              (std::vector<std::string>{"hello", "open " + std::string(kVolume), "control 0x7", "goodbye"}));
}

}  // namespace
