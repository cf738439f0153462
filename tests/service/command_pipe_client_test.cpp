// The load command through the VORLAN service: the volume opens for the probes
// only, so the stand-in service is asked. One table: the service's behaviour and
// scripted pipe opens against the bytes shown, the exit code, every pipe open and
// sleep, and every message the service received.
#include "service/command_pipe_client.h"
#include "tests/support/fake_console.h"
#include "tests/support/fake_device.h"
#include "tests/support/harness.h"
#include "tests/support/pipe_call_log.h"

#include <gtest/gtest.h>

namespace {

const std::string kVolume = "\\\\?\\Volume{0a1b2c3d-0000-1111-2222-333344445555}";

std::string Repeat(const std::string& text, int count) {
    std::string repeated;
    while (count--) repeated += text;
    return repeated;
}

TEST(CommandPipeClient, LoadThroughTheService) {
    const std::string conversation = "hello\nopen " + kVolume + "\ncontrol 0x2D480C\ncontrol 0x56C008\ngoodbye\nserved 1\n";
    const std::string cut = "hello\nopen " + kVolume + "\ncontrol 0x2D480C\nserved 1\n";  // ended without goodbye
    const std::string base = "open VorlanCmdIfV2=0 sleep 50 open VorlanCmdIfV21=0 ";
    const std::string noService = "\r\nerror opening VORLAN command interface\r\n", loading = "Loading media into E:\\ ()... ";
    const std::string ok = loading + "OK\r\n{A}success{7}{7}\r\n\r\n";
    const struct {
        const char* switches;  // null: no service
        std::deque<DWORD> openErrors;
        std::string output;
        DWORD exitCode;
        std::string pipeCalls, received, consoleCalls;
    } rows[] = {
        {nullptr, {}, noService, 1, Repeat("open VorlanCmdIfV2=2 ", 11), "", ""},
        {nullptr, std::deque<DWORD>(11, ERROR_PIPE_BUSY), noService, 1, Repeat("open VorlanCmdIfV2=231 sleep 20 ", 11), "", ""},
        {"-fake-success", {ERROR_PIPE_BUSY, ERROR_PIPE_BUSY}, ok, 0, Repeat("open VorlanCmdIfV2=231 sleep 20 ", 2) + base,
         conversation, ""},
        {"-refuse", {}, noService, 1, "open VorlanCmdIfV2=0 ", "hello\n", ""},
        {"-fake-success", {0, ERROR_FILE_NOT_FOUND}, ok, 0,
         "open VorlanCmdIfV2=0 sleep 50 open VorlanCmdIfV21=2 sleep 500 open VorlanCmdIfV21=0 ", conversation, ""},
        {"-fake-success", {0, ERROR_ACCESS_DENIED}, " error 5 opening VORLAN pipe" + noService, 1,
         "open VorlanCmdIfV2=0 sleep 50 open VorlanCmdIfV21=5 ", "hello\n", ""},
        {"-fail-open 5", {}, "\r\nerror opening " + kVolume + "\r\n", 1, base, "hello\nopen " + kVolume + "\nserved 1\n", "sleep 300 "},
        {"-fake-success -fail-control 21", {}, loading + "err=NOT_READY\r\n{C}failed{7}{7}\r\n\r\n", 1, base, conversation, ""},
        {"-fake-success -slow 60000", {}, loading + "err=SEM_TIMEOUT\r\n{C}failed{7}{7}\r\n\r\n", 1, base, cut, ""},
        {"-fake-success -short 100", {}, loading + "err=INVALID_DATA\r\n{C}failed{7}{7}\r\n\r\n", 1, base, cut, ""},
        {"-fake-success -long", {}, loading + "err=INVALID_DATA\r\n{C}failed{7}{7}\r\n\r\n", 1, base, cut, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.switches ? row.switches : "no service");
        std::unique_ptr<StandinService> service(row.switches ? new StandinService(row.switches) : nullptr);
        FakeDevice fake;
        FakeConsole console(false, false);
        fake.mountPoints["E:\\"] = kVolume + "\\";
        fake.driveTypes[kVolume + "\\"] = DRIVE_CDROM;
        FakeVolume& volume = fake.AddVolume(kVolume);
        volume.attributeOpenLimit = 2;  // the description and the open test; none for the requests
        volume.opensForRead = volume.opensForReadWrite = false;
        PipeCallLog pipes(row.openErrors);
        PipeIoLimitMs = 300;
        std::vector<ULONG_PTR> pipesBefore = OpenPipeHandles();
        Outcome outcome = RunLoadCommandWith({"E:", "-na", "-w:300"});
        EXPECT_EQ(OpenPipeHandles(), pipesBefore);
        PipeIoLimitMs = kPipeReplyLimitMs;
        EXPECT_EQ(outcome.output, row.output);
        EXPECT_EQ(outcome.exitCode, row.exitCode);
        EXPECT_EQ(pipes.calls, row.pipeCalls);
        EXPECT_EQ(pipes.faults, std::vector<std::string>());
        EXPECT_EQ(console.calls, row.consoleCalls);  // the failure pause; the console is hidden
        EXPECT_EQ(ServiceClient, nullptr);
        std::string received = service ? service->Messages(row.received == "hello\n" ? "hello\r\n" : "served 1\r\n") : "";
        EXPECT_EQ(received, row.received);
    }
}

TEST(CommandPipeClient, ServiceErrorsAndSuccessAsTheLastError) {
    StandinService service("-fake-success -fail-control 2");
    CommandPipeClient client;
    ASSERT_TRUE(client.Connect());
    SetLastError(1234);
    EXPECT_TRUE(client.SendCommand(PIPE_CMD_OPEN_VOLUME, 0, kVolume.c_str(), nullptr));
    EXPECT_EQ(GetLastError(), 1234u);
    PipeReply reply;
    EXPECT_FALSE(client.SendCommand(PIPE_CMD_DEVICE_CONTROL, 7, nullptr, &reply));
    EXPECT_EQ(GetLastError(), 2u);
    EXPECT_EQ(reply.dwError, 2u);
    client.Disconnect();
    EXPECT_EQ(client.m_hPipe, INVALID_HANDLE_VALUE);
    client.Disconnect();  // a second call has nothing to close
    EXPECT_EQ(service.Messages("served 1\r\n"), "hello\nopen " + kVolume + "\ncontrol 0x7\ngoodbye\nserved 1\n");
}

}  // namespace
