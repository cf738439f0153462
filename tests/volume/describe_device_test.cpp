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
    // shortBy: the bytes returned are so many short of the descriptor's length
    const struct {
        std::vector<BYTE> bytes;
        int shortBy;
        std::string description;
    } rows[] = {
        {Unterminated(0, kDescriptorBytes - 5), 0, "zzzzz Unknown Device"},
        {Unterminated(0, kDescriptorBytes - 5), 2, "zzz Unknown Device"},  // ends where returned
        {Unterminated(sizeof(STORAGE_DEVICE_DESCRIPTOR), 0), 0,
         std::string(111, 'z') + " Unknown Device"},                   // 984 characters, cut
        {Unterminated(kDescriptorBytes - 5, 0), 5, "Unknown Device"},  // starts past the end
        {DescriptorBytes("ABC ", "Card Reader   ", 7), 0, "ABC Card Reader USB Device"},
        {DescriptorBytes("", "  Reader", 11), 0, "Reader SATA Device"},
        {DescriptorBytes("ABC", "  Reader", 15), 0, "ABC   Reader FileBackedVirtual Device"},
        {DescriptorBytes("", "", 11), 0, "SATA Device"},
        {DescriptorBytes("X", "", BusTypeNvme), 0, "X NVMe Device"},
        {DescriptorBytes("X", "", BusTypeSCM), 0, "X SCM Device"},
        {DescriptorBytes("X", "", BusTypeUfs), 0, "X UFS Device"},
        {DescriptorBytes("X", "", BusTypeNvmeof), 0, "X NVMeoF Device"},
        {DescriptorBytes("X", "Y", 21), 0, "X Y"},
        {DescriptorBytes(v127 + "cut", v127, 7), 0, v127.substr(0, 111) + " USB Device"},
        {DescriptorBytes("Vendor", "Product", 7), 8, "Vendor USB Device"},  // product at the end
        // The bus type is the last four bytes returned; one byte fewer and it is unknown.
        {DescriptorBytes("", "", 7), 10, "USB Device"},
        {DescriptorBytes("", "", 7), 11, "Unknown Device"},
    };
    for (const auto& row : rows) {
        GuardedBuffer answer(kDescriptorBytes);
        std::memcpy(answer.data(), row.bytes.data(), row.bytes.size());
        // Output that ends at a no-access page: a byte written past it faults.
        GuardedBuffer description(kDescriptionChars, 'd');
        DescribeFromDescriptor(answer.data(), (DWORD)row.bytes.size() - row.shortBy,
                               (char*)description.data());
        EXPECT_EQ((char*)description.data(), row.description);
    }
}

// One text alone, into a field that ends at a no-access page: a byte written
// past its 127 characters faults.
TEST(ReadDescriptorText, CutToItsField) {
    const std::vector<BYTE> bytes = DescriptorBytes(std::string(200, 'v'), "", 7);
    GuardedBuffer answer(kDescriptorBytes);
    std::memcpy(answer.data(), bytes.data(), bytes.size());
    GuardedBuffer text(kTextChars, 't');
    ReadDescriptorText(answer.data(), (DWORD)bytes.size(), sizeof(STORAGE_DEVICE_DESCRIPTOR),
                       (char*)text.data());
    EXPECT_EQ((char*)text.data(), std::string(127, 'v'));
}

// The count is what the returned bytes hold (two extents), whatever the head claims.
TEST(ParseDiskExtents, CountsOnlyWhatWasReturned) {
    GuardedBuffer extents(kDiskExtentsBytes);
    const std::pair<DWORD, LONG> rows[] = {{3, 2}, {1, 1}};
    for (const auto& row : rows) {
        std::memcpy(extents.data(), &row.first, 4);
        DWORD disk = 99;
        EXPECT_EQ(ParseDiskExtents(extents.data(), 8 + 48, &disk), row.second);
    }
}
