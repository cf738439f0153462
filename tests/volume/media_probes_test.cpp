// The size probe behind every drive's medium test but an optical one's (the
// optical check, the removal request and the root-directory test are pinned
// by the load command's table).
#include "volume/media_probes.h"
#include "tests/support/fake_device.h"

#include <gtest/gtest.h>

namespace {

TEST(GetDiskSizeMB, LengthFromEitherHandle) {
    const std::string path = "\\\\?\\Volume{0a1b2c3d-0000-1111-2222-333344445555}";
    const struct {
        std::string path;
        bool onAttributeHandle, onReadHandle;
        ULONGLONG bytes;
        DWORD megabytes;
        std::string requests;
    } rows[] = {
        {path, true, false, (5ull << 20) + 1, 5, "open(0x0) length "},
        {path + "\\", false, true, 1ull << 20, 1, "open(0x0) length open(0x80000000) length "},
        {path, false, false, 1ull << 20, 0, "open(0x0) length open(0x80000000) length "},
        {path, true, true, (1ull << 52) + (7ull << 20), 7, "open(0x0) length "},  // low 32 bits of the quotient
        {path + std::string(16, 'x'), true, true, 1ull << 30, 0, ""},  // longer than 63: no device
    };
    for (const auto& row : rows) {
        FakeDevice fake;
        FakeVolume& volume = fake.volumes[path];
        volume.lengthOnAttributeHandle = row.onAttributeHandle;
        volume.lengthOnReadHandle = row.onReadHandle;
        volume.lengthBytes = row.bytes;
        EXPECT_EQ(GetDiskSizeMB(row.path.c_str()), row.megabytes) << row.bytes;
        EXPECT_EQ(fake.requests[path], row.requests);
        EXPECT_EQ(fake.faults, std::vector<std::string>());
        EXPECT_EQ(fake.OpenHandles(), 0);
    }
}

}  // namespace
