// Naming the device behind a volume: the descriptor's bytes and the extent
// list, read from answer buffers that end at a no-access page. (Which device
// is asked, and the fallbacks, show in the load command's table.)
#include "volume/describe_device.h"
#include "tests/support/fake_device.h"
#include "tests/support/harness.h"

// The whole buffer returned, no zero after the fixed part: a text runs to the buffer's end, no
// further.
std::vector<BYTE> Unterminated(DWORD vendorOffset, DWORD productOffset) {
    std::vector<BYTE> bytes(kDescriptorBytes, 'z');
    STORAGE_DEVICE_DESCRIPTOR head = {0, 0, 0, 0, 0, 0, vendorOffset, productOffset};
    std::copy((BYTE*)&head, (BYTE*)(&head + 1), bytes.begin());
    return bytes;
}

TEST(DescribeFromDescriptor, Texts) {
    const std::string v127(127, 'v');
    const std::string p127(127, 'p');
    // shortBy: the bytes returned are so many short of the descriptor's length
    const struct {
        std::vector<BYTE> bytes;
        int shortBy;
        std::string productName, description;
    } rows[] = {
        {Unterminated(0, kDescriptorBytes - 5), 0, "zzzzz", "zzzzz Unknown Device"},
        {Unterminated(sizeof(STORAGE_DEVICE_DESCRIPTOR), 0), 0, std::string(127, 'z'),
         std::string(111, 'z') + " Unknown Device"},  // 984 characters, cut
        {Unterminated(kDescriptorBytes - 5, 0), 5, "",
         "Unknown Device"},  // starts at the returned length: no text
        {DescriptorBytes("ABC ", "Card Reader   ", 7), 0, "ABC Card Reader",
         "ABC Card Reader USB Device"},
        {DescriptorBytes("", "  Reader", 11), 0, "Reader", "Reader SATA Device"},
        {DescriptorBytes("ABC", "  Reader", 15), 0, "ABC   Reader",
         "ABC   Reader FileBackedVirtual Device"},
        {DescriptorBytes("", "", 11), 0, "", "SATA Device"},
        {DescriptorBytes("X", "", 18), 0, "X", "X 18 Device"},
        {DescriptorBytes("X", "", 20), 0, "X", "X LDM Device"},
        {DescriptorBytes(v127, "", 15), 0, v127, v127.substr(0, 111) + " FileBackedVirtual Device"},
        {DescriptorBytes("X", "Y", 21), 0, "X Y", "X Y"},
        {DescriptorBytes(v127 + "cut", p127, 7), 0, v127, v127.substr(0, 111) + " USB Device"},
        {DescriptorBytes("Vendor", "Product", 7), 4, "Vendor Product", "Vendor Product USB Device"},
        {DescriptorBytes("Vendor", "Product", 7), 8, "Vendor",
         "Vendor USB Device"},  // product at the returned end
    };
    for (const auto& row : rows) {
        GuardedBuffer answer(kDescriptorBytes);
        std::memcpy(answer.data(), row.bytes.data(), row.bytes.size());
        DWORD busType = 99;
        // Outputs that end at a no-access page: a byte written past either field faults.
        GuardedBuffer description(kDescriptionChars, 'd');
        GuardedBuffer productName(kProductNameChars, 'p');
        DescribeFromDescriptor(answer.data(), (DWORD)row.bytes.size() - row.shortBy, &busType,
                               (char*)description.data(), (char*)productName.data());
        EXPECT_EQ((char*)productName.data(), row.productName);
        EXPECT_EQ((char*)description.data(), row.description);
        EXPECT_EQ(busType, ((STORAGE_DEVICE_DESCRIPTOR*)row.bytes.data())->BusType);
    }
}

TEST(ParseDiskExtents, CountsOnlyWhatWasReturned) {
    GuardedBuffer extents(kDiskExtentsBytes);
    const struct {
        DWORD claimed, returned;
        LONG count;
    } rows[] = {{2, 8 + 48, 2}, {200, kDiskExtentsBytes, 100}, {3, 8 + 48, 2}, {1, 4, 0}};
    for (const auto& row : rows) {
        std::memcpy(extents.data(), &row.claimed, 4);
        for (DWORD i = 0; i < 100; ++i) std::memcpy(extents.data() + 8 + 24 * i, &i, 4);
        LONG count = -1;
        DWORD disks[kMaxDiskNumbers] = {};
        ParseDiskExtents(extents.data(), row.returned, &count, disks, kMaxDiskNumbers);
        EXPECT_EQ(count, row.count);
        EXPECT_EQ(disks[count > 1 ? count - 1 : 0], count > 1 ? (DWORD)count - 1 : 0u);
    }
}

// One text alone, into a field that ends at a no-access page: a byte written
// past its 127 characters faults.
TEST(ReadDescriptorText, CutToItsField) {
    const std::vector<BYTE> bytes = DescriptorBytes(std::string(200, 'v'), "", 7);
    GuardedBuffer answer(kDescriptorBytes);
    std::memcpy(answer.data(), bytes.data(), bytes.size());
    GuardedBuffer text(kProductNameChars, 't');
    ReadDescriptorText(answer.data(), (DWORD)bytes.size(), sizeof(STORAGE_DEVICE_DESCRIPTOR),
                       (char*)text.data());
    EXPECT_EQ((char*)text.data(), std::string(127, 'v'));
}
