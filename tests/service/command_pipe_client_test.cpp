// The load command through the VORLAN service: the volume opens for the probes
// only, so the stand-in service is asked. One table: the service's behaviour and
// scripted pipe opens against the bytes shown, the exit code, every pipe open and
// sleep, and every message the service received.
#include "service/command_pipe_client.h"
#include "service/pipe_calls.h"
#include "tests/support/fake_console.h"
#include "tests/support/fake_device.h"
#include "tests/support/harness.h"
#include "tools/vorlan_standin.h"

#include <gtest/gtest.h>

#include <deque>
#include <memory>

namespace {

const std::string kVolume = "\\\\?\\Volume{0a1b2c3d-0000-1111-2222-333344445555}";

// Pipe opens go on to the real call unless an error is scripted for them.
std::deque<DWORD> openErrors;
std::string pipeCalls;  // "open NAME=ERROR " and "sleep N ", in order; "fault " for wrong open arguments

HANDLE WINAPI LoggedOpen(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security, DWORD disposition,
                         DWORD flags, HANDLE templateFile) {
    if ((flags & (SECURITY_SQOS_PRESENT | SECURITY_VALID_SQOS_FLAGS)) != (SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION) ||
        access != (GENERIC_READ | GENERIC_WRITE) || share || disposition != OPEN_EXISTING)
        pipeCalls += "fault ";
    DWORD error = openErrors.empty() ? 0 : openErrors.front();
    if (!openErrors.empty()) openErrors.pop_front();
    HANDLE pipe = error ? INVALID_HANDLE_VALUE
                        : SystemPipeCalls.CreateFileA(name, access, share, security, disposition, flags, templateFile);
    if (!error && pipe == INVALID_HANDLE_VALUE) error = GetLastError();
    pipeCalls += "open " + std::string(strrchr(name, '\\') + 1) + "=" + std::to_string(error) + " ";
    return SetLastError(error), pipe;
}

void WINAPI LoggedSleep(DWORD milliseconds) {
    pipeCalls += "sleep " + std::to_string(milliseconds) + " ";
    SystemPipeCalls.Sleep(milliseconds);
}

// Pipe handles open in this process. (Wine opens and closes handles of other
// kinds on its own, for a blocking read, say, so only pipes can be compared.)
std::vector<ULONG_PTR> OpenPipeHandles() {
    std::vector<ULONG_PTR> open;
    DWORD flags = 0;
    for (ULONG_PTR value = 4; value < 0x1000; value += 4)
        if (GetHandleInformation((HANDLE)value, &flags) && GetFileType((HANDLE)value) == FILE_TYPE_PIPE) open.push_back(value);
    return open;
}

std::string Repeat(const std::string& text, int count) {
    std::string repeated;
    while (count--) repeated += text;
    return repeated;
}

TEST(CommandPipeClient, LoadThroughTheService) {
    const std::string conversation = "hello\nopen " + kVolume + "\ncontrol 0x2D480C\ncontrol 0x56C008\ngoodbye\n";
    const std::string cut = "hello\nopen " + kVolume + "\ncontrol 0x2D480C\n";  // ended without goodbye
    const std::string base = "open VorlanCmdIfV2=0 sleep 50 open VorlanCmdIfV21=0 ";
    const std::string noService = "\r\nerror opening VORLAN command interface\r\n", loading = "Loading media into E:\\ ()... ";
    const std::string ok = loading + "OK\r\n{A}success{7}{7}\r\n\r\n";
    const struct {
        bool serviceRuns;
        StandinBehaviour service;
        std::deque<DWORD> openErrors;
        std::string output;
        DWORD exitCode;
        std::string pipeCalls, received, consoleCalls;
    } rows[] = {
        {false, {}, {}, noService, 1, Repeat("open VorlanCmdIfV2=2 ", 11), "", ""},
        {false, {}, std::deque<DWORD>(11, ERROR_PIPE_BUSY), noService, 1, Repeat("open VorlanCmdIfV2=231 sleep 20 ", 11), "", ""},
        {true, {}, {ERROR_PIPE_BUSY, ERROR_PIPE_BUSY}, ok, 0, Repeat("open VorlanCmdIfV2=231 sleep 20 ", 2) + base,
         conversation, ""},
        {true, {true}, {}, noService, 1, "open VorlanCmdIfV2=0 ", "hello\n", ""},
        {true, {}, {0, ERROR_FILE_NOT_FOUND}, ok, 0,
         "open VorlanCmdIfV2=0 sleep 50 open VorlanCmdIfV21=2 sleep 500 open VorlanCmdIfV21=0 ", conversation, ""},
        {true, {}, {0, ERROR_ACCESS_DENIED}, " error 5 opening VORLAN pipe" + noService, 1,
         "open VorlanCmdIfV2=0 sleep 50 open VorlanCmdIfV21=5 ", "hello\n", ""},
        {true, {false, 5}, {}, "\r\nerror opening " + kVolume + "\r\n", 1, base, "hello\nopen " + kVolume + "\n", "sleep 300 "},
        {true, {false, 0, 21}, {}, loading + "err=NOT_READY\r\n{C}failed{7}{7}\r\n\r\n", 1, base, conversation, ""},
        {true, {false, 0, 0, true}, {}, loading + "err=SEM_TIMEOUT\r\n{C}failed{7}{7}\r\n\r\n", 1, base, cut, ""},
        {true, {false, 0, 0, false, 100}, {}, loading + "err=INVALID_DATA\r\n{C}failed{7}{7}\r\n\r\n", 1, base, cut, ""},
        {true, {false, 0, 0, false, 1064}, {}, loading + "err=INVALID_DATA\r\n{C}failed{7}{7}\r\n\r\n", 1, base, cut, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(&row - rows);
        std::vector<ULONG_PTR> pipesBefore = OpenPipeHandles();
        std::unique_ptr<StandinService> service(row.serviceRuns ? new StandinService(row.service) : nullptr);
        FakeDevice fake;
        FakeConsole console(false, false);
        fake.mountPoints["E:\\"] = kVolume + "\\";
        fake.driveTypes[kVolume + "\\"] = DRIVE_CDROM;
        FakeVolume& volume = fake.volumes[kVolume];
        volume.opens = "a";
        volume.attributeOpens = 2;  // the description and the open test; none for the requests
        openErrors = row.openErrors;
        pipeCalls.clear();
        Pipe = {LoggedOpen, LoggedSleep};
        PipeIoLimitMs = 300;
        Outcome outcome = RunLoadCommandWith({"E:", "-na", "-w:300"});
        PipeIoLimitMs = kPipeReplyLimitMs;
        Pipe = SystemPipeCalls;
        EXPECT_EQ(service ? service->Stop() : "", row.received);
        service.reset();
        EXPECT_EQ(OpenPipeHandles(), pipesBefore);
        EXPECT_EQ(outcome.output, row.output);
        EXPECT_EQ(outcome.exitCode, row.exitCode);
        EXPECT_EQ(pipeCalls, row.pipeCalls);
        EXPECT_EQ(console.calls, row.consoleCalls);  // the failure pause; the console is hidden
        EXPECT_EQ(ServiceClient, nullptr);
    }
}

}  // namespace
