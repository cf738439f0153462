// The load command's way through the service: the volume answers the probe
// but will not open for the program itself, so the real stand-in service is
// asked to open it (for real, under Wine) and to send the requests.
#include "service/command_pipe_client.h"
#include "tests/support/fake_device.h"
#include "tests/support/load_command_run.h"
#include "tests/support/standin_service.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string kVolume = "\\\\?\\Volume{00000000-0000-0000-0000-000000000043}";

// E: is the prefix's C: volume, seen as an optical drive without a disc, that
// opens once for the description and once for the probe, and no more.
void ScriptDriveE(FakeDevice& fake) {
    fake.mountPoints["E:\\"] = kVolume + "\\";
    fake.driveTypes[kVolume + "\\"] = DRIVE_CDROM;
    FakeVolume& volume = fake.AddVolume(kVolume);
    volume.opensForRead = false;
    volume.opensForReadWrite = false;
    volume.attributeOpenLimit = 2;
}

TEST(LoadCommandThroughService, Outcomes) {
    const struct {
        const char* switches;
        std::string output;
        int exitCode;
    } rows[] = {
        {"-fake-success", "Loading media into E:\\ ()... OK\r\nsuccess\r\n\r\n", 0},
        // The stand-in opens the volume; Wine refuses both requests.
        {"", "Loading media into E:\\ ()... err=NOT_SUPPORTED\r\nfailed\r\n\r\n", 1},
        {"-fail-control 21", "Loading media into E:\\ ()... err=NOT_READY\r\nfailed\r\n\r\n", 1},
        {"-fail-open 5", "\r\nerror opening " + kVolume + "\r\n", 1},
        {"-deny", " error 5 opening VORLAN pipe\r\nerror opening VORLAN command interface\r\n", 1},
        {"-refuse", "\r\nerror opening VORLAN command interface\r\n", 1},
    };
    for (const auto& row : rows) {
        StandinService service(row.switches);
        ASSERT_TRUE(service.ready());
        FakeDevice fake;
        ScriptDriveE(fake);
        LoadCommandOutcome outcome = RunLoadCommandWith({"E:", "-na"});
        EXPECT_EQ(outcome.output, row.output) << row.switches;
        EXPECT_EQ(outcome.exitCode, row.exitCode) << row.switches;
        EXPECT_EQ(ServiceClient, nullptr);
        EXPECT_EQ(fake.OpenHandles(), 0);
        std::vector<BYTE> received = service.Received();
        // A conversation that reached the requests ends with a goodbye.
        if (row.exitCode == 0 || row.output.find(" err=") != std::string::npos) {
            for (int i = 0; i < 50 && service.Received().size() < 4 + 3 * 272 + 4; ++i) Sleep(20);
            received = service.Received();
            ASSERT_EQ(received.size(), 4u + 3 * 272 + 4) << row.switches;
            EXPECT_EQ(std::vector<BYTE>(received.end() - 4, received.end()),
                      (std::vector<BYTE>{0xFD, 0xFF, 0xFF, 0xFF}));
        }
    }
}

TEST(LoadCommandThroughService, WhateverTheServiceDoesTheCommandEnds) {
    DWORD limit = PipeIoLimitMs;
    PipeIoLimitMs = 300;
    const char* rows[] = {"-garbage", "-long", "-short 0", "-short 6", "-short 531",
                          "-silent", "-break", "-instance 4294967295", "-late 2000"};
    for (const char* switches : rows) {
        StandinService service(switches);
        ASSERT_TRUE(service.ready());
        FakeDevice fake;
        ScriptDriveE(fake);
        LoadCommandOutcome outcome = RunLoadCommandWith({"E:", "-na"});
        EXPECT_TRUE(outcome.exitCode == 0 || outcome.exitCode == 1 || outcome.exitCode == 2) << switches;
        EXPECT_TRUE(HeapValidate(GetProcessHeap(), 0, nullptr)) << switches;
        EXPECT_EQ(ServiceClient, nullptr);
    }
    PipeIoLimitMs = limit;
}

}  // namespace
