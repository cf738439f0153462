// What a drive says of its loader, through the device seam: an answer that is
// short, cut or lying reads as unknown, and nothing past the bytes returned is
// read (the fake fills the rest of the buffer with the feature of a tray
// pushed in by hand). Which runs ask, and what the user reads, shows in the
// load command's table, with the request, its handle and its arguments.
#include "volume/load_capability.h"
#include "tests/support/fake_device.h"
#include "tests/support/harness.h"

const char kDrive[] = "\\\\?\\Volume{0a1b2c3d-0000-1111-2222-333344445555}";

// The answer changed at one byte (DataLength's last one is byte 3), or cut to size bytes.
std::vector<BYTE> With(std::vector<BYTE> bytes, size_t at, BYTE value) {
    bytes[at] = value;
    return bytes;
}
std::vector<BYTE> Cut(std::vector<BYTE> bytes, size_t size) {
    bytes.resize(size);
    return bytes;
}
// The answer with the descriptor before the Removable Medium feature longer by extra bytes.
std::vector<BYTE> Lengthened(std::vector<BYTE> bytes, BYTE extra) {
    size_t removable = bytes.size() - 8;
    bytes.insert(bytes.begin() + removable, extra, 0);
    bytes[removable - 5] += extra;
    bytes[3] += extra;
    return bytes;
}

TEST(ReadLoadCapability, ReadsTheRemovableMediumFeatureInTheAnswerOnly) {
    const std::vector<BYTE> tray = ConfigurationBytes(2, 0x20);
    const BYTE removable = (BYTE)(tray.size() - 8);  // where the Removable Medium feature begins
    const struct {
        std::vector<BYTE> answer;
        LoadCapability capability;
    } rows[] = {
        {ConfigurationBytes(3, 0x0F), kCannotLoadSlot},  // every other bit set
        {ConfigurationBytes(2, 0x40), kCannotLoadTray},  // a pop-up
        // A changer, and the reserved mechanisms: nothing to tell the user.
        {ConfigurationBytes(2, 0x60), kLoadUnknown},
        {ConfigurationBytes(2, 0x80), kLoadUnknown},
        {ConfigurationBytes(2, 0xA0), kLoadUnknown},
        {ConfigurationBytes(2, 0xE0), kLoadUnknown},
        // A length that is no multiple of 4 before it: the list is given up.
        {Lengthened(tray, 1), kLoadUnknown},
        {Lengthened(tray, 2), kLoadUnknown},
        {Cut(tray, 4), kLoadUnknown},
        {Cut(tray, removable), kLoadUnknown},          // DataLength larger than the answer
        {Cut(tray, removable + 4), kLoadUnknown},      // the feature cut after its header
        {With(tray, 3, removable + 3), kLoadUnknown},  // it ends a byte past what DataLength counts
        {With(tray, 3, 2), kLoadUnknown},              // DataLength ends inside the header
        {With(tray, 0, 0xFF), kCannotLoadTray},        // a DataLength of 4 GiB: the answer's end
        {With(tray, removable + 3, 2), kLoadUnknown},  // the feature too short for the bit
    };
    for (const auto& row : rows) {
        FakeDevice fake;
        fake.volumes[kDrive].configuration = row.answer;
        EXPECT_EQ(ReadLoadCapability(kDrive), row.capability) << &row - rows;
    }
}
