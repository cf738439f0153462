// The pipe client against the stand-in service over real pipes under Wine:
// the conversation, the bytes on the wire, and every way the service can
// fail or misbehave.
#include "service/command_pipe_client.h"
#include "app/load_command.h"
#include "app/memory.h"
#include "tests/support/output_capture.h"
#include "tests/support/pipe_call_log.h"
#include "tests/support/standin_service.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

const std::string kBase = "\\\\.\\pipe\\VorlanCmdIfV2";
const char kVolumePath[] = "\\\\?\\Volume{00000000-0000-0000-0000-000000000043}";

struct ConnectResult {
    BOOL connected;
    std::string output;
};

ConnectResult Connect(CommandPipeClient& client) {
    StdoutCapture capture;
    BOOL connected = client.Connect();
    return {connected, capture.Finish()};
}

std::vector<DWORD> Errors(const PipeCallLog& log) {
    std::vector<DWORD> errors;
    for (const PipeCallLog::Open& open : log.opens) errors.push_back(open.error);
    return errors;
}

TEST(CommandPipeClient, ConnectAttemptsSleepsAndMessages) {
    const std::vector<DWORD> none;
    const struct {
        const char* name;
        const char* switches;  // null: no service at all
        int scriptedBusyOpens;
        bool connected;
        std::string output;
        std::vector<DWORD> openErrors;
        std::vector<DWORD> sleeps;
        std::string lastPipe;
    } rows[] = {
        {"no service", nullptr, 0, false, "", std::vector<DWORD>(11, ERROR_FILE_NOT_FOUND), none, kBase},
        {"busy throughout", "-busy 60000", 0, false, "", std::vector<DWORD>(11, ERROR_PIPE_BUSY),
         std::vector<DWORD>(11, 20), kBase},
        {"busy twice", "-fake-success", 2, true, "", {ERROR_PIPE_BUSY, ERROR_PIPE_BUSY, 0, 0}, {20, 20, 50}, kBase + "1"},
        {"refused", "-refuse", 0, false, "", {0}, none, kBase},  // one open, no client pipe
        {"client pipe late", "-late 300 -instance 7", 0, true, "", {0, ERROR_FILE_NOT_FOUND, 0}, {50, 500}, kBase + "7"},
        {"client pipe denied", "-deny", 0, false, " error 5 opening VORLAN pipe", {0, ERROR_ACCESS_DENIED}, {50}, kBase + "1"},
        {"instance 0", "-fake-success -instance 0", 0, true, "", {0, 0}, {50}, kBase + "0"},
        {"instance 4294967294", "-fake-success -instance 4294967294", 0, true, "", {0, 0}, {50}, kBase + "4294967294"},
    };
    for (const auto& row : rows) {
        std::unique_ptr<StandinService> service;
        if (row.switches) {
            service.reset(new StandinService(row.switches));
            ASSERT_TRUE(service->ready()) << row.name;
        }
        PipeCallLog log(row.scriptedBusyOpens);
        CommandPipeClient client;
        ConnectResult result = Connect(client);
        EXPECT_EQ(result.connected != 0, row.connected) << row.name;
        EXPECT_EQ(result.output, row.output) << row.name;
        EXPECT_EQ(Errors(log), row.openErrors) << row.name;
        EXPECT_EQ(log.sleeps, row.sleeps) << row.name;
        EXPECT_EQ(log.opens.back().name, row.lastPipe) << row.name;
        // Both pipes at identification level: a squatter on the name cannot
        // act as the user who runs Traywake.
        for (const PipeCallLog::Open& open : log.opens)
            EXPECT_EQ(open.flags & (SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION | SECURITY_IMPERSONATION),
                      (DWORD)(SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION));
        if (row.connected) {
            client.Disconnect();
        } else {
            EXPECT_EQ(client.m_hPipe, INVALID_HANDLE_VALUE) << row.name;
        }
    }
}

std::vector<BYTE> Bytes(const void* data, size_t size) {
    const BYTE* bytes = static_cast<const BYTE*>(data);
    return std::vector<BYTE>(bytes, bytes + size);
}

TEST(CommandPipeClient, ConversationBytesOnTheWire) {
    StandinService service("-fake-success");
    CommandPipeClient client;
    ASSERT_TRUE(Connect(client).connected);
    SetLastError(1234);
    PipeReply reply;
    std::memset(&reply, 0x5A, sizeof reply);
    EXPECT_TRUE(client.SendCommand(PIPE_CMD_OPEN_VOLUME, 0, kVolumePath, &reply));
    EXPECT_EQ(GetLastError(), 1234u);  // success leaves the last error alone
    EXPECT_EQ(reply.bSuccess, 1u);
    EXPECT_EQ(reply.abData[523], 0);  // the whole reply was copied
    EXPECT_TRUE(client.SendCommand(PIPE_CMD_DEVICE_CONTROL, 0x2D480C, nullptr, nullptr));
    client.Disconnect();

    PipeRequest open = {};
    open.nCommand = 1;
    std::memcpy(open.szPath, kVolumePath, sizeof kVolumePath);
    PipeRequest control = {};
    control.nCommand = 2;
    control.dwParam = 0x2D480C;
    std::vector<BYTE> expected = {0xFF, 0xFF, 0xFF, 0xFF};
    for (const PipeRequest* request : {&open, &control}) {
        std::vector<BYTE> bytes = Bytes(request, sizeof *request);
        expected.insert(expected.end(), bytes.begin(), bytes.end());
    }
    expected.insert(expected.end(), {0xFD, 0xFF, 0xFF, 0xFF});
    // Allow the service a moment to record the goodbye.
    for (int i = 0; i < 50 && service.Received().size() < expected.size(); ++i) Sleep(20);
    EXPECT_EQ(service.Received(), expected);
}

TEST(CommandPipeClient, FailuresReachTheCallerAsTheLastError) {
    const struct {
        const char* switches;
        LONG command;
        DWORD lastError;
    } rows[] = {
        {"-fail-open 2", PIPE_CMD_OPEN_VOLUME, 2},
        {"-fail-control 1117", PIPE_CMD_DEVICE_CONTROL, 1117},
        {"-fail-control 2147942405", PIPE_CMD_DEVICE_CONTROL, 0x80070005},
        {"-silent", PIPE_CMD_OPEN_VOLUME, ERROR_SEM_TIMEOUT},
        // Windows says BROKEN_PIPE; Wine says PIPE_NOT_CONNECTED.
        {"-break", PIPE_CMD_OPEN_VOLUME, ERROR_BROKEN_PIPE},
    };
    DWORD limit = PipeIoLimitMs;
    PipeIoLimitMs = 300;  // the product waits 30 s for a silent service
    for (const auto& row : rows) {
        StandinService service(std::string("-fake-success ") + row.switches);
        CommandPipeClient client;
        ASSERT_TRUE(Connect(client).connected) << row.switches;
        SetLastError(0);
        EXPECT_FALSE(client.SendCommand(row.command, 0x56C008, kVolumePath, nullptr)) << row.switches;
        DWORD error = GetLastError();
        if (row.lastError == ERROR_BROKEN_PIPE && error == ERROR_PIPE_NOT_CONNECTED) error = ERROR_BROKEN_PIPE;
        EXPECT_EQ(error, row.lastError) << row.switches;
        client.Disconnect();
    }
    PipeIoLimitMs = limit;
}

TEST(SendVolumeControl, GoesToTheOpenVolumeWithoutAnyPipe) {
    m_hVol = CreateEventA(nullptr, TRUE, FALSE, nullptr);  // not a device: the request fails
    PipeCallLog log;
    EXPECT_FALSE(SendVolumeControl(0x2D480C));
    EXPECT_TRUE(log.opens.empty());
    CloseHandle(m_hVol);
    m_hVol = INVALID_HANDLE_VALUE;
    SetLastError(77);
    EXPECT_FALSE(SendVolumeControl(0x2D480C));  // no volume and no client
    EXPECT_EQ(GetLastError(), 77u);
}

}  // namespace
