// Device description: the descriptor bytes as drivers return them, the
// fallbacks through the device seam, and a parser that never reads past the
// bytes it was given.
#include "volume/describe_device.h"
#include "app/memory.h"
#include "tests/support/descriptor_bytes.h"
#include "tests/support/fake_device.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

namespace {

const std::string kPath = "\\\\?\\Volume{0a1b2c3d-0000-1111-2222-333344445555}";

struct Description {
    DWORD busType;
    std::string description, productName;
};

Description FromBytes(const std::vector<BYTE>& bytes, DWORD returned) {
    Description out{0xDEAD, "", ""};
    char description[kDescriptionChars + 16];
    char productName[kProductNameChars + 16];
    std::memset(description, 0x5A, sizeof description);
    std::memset(productName, 0x5A, sizeof productName);
    DescribeFromDescriptor(bytes.data(), returned, &out.busType, description, productName);
    for (size_t i = kDescriptionChars; i < sizeof description; ++i) EXPECT_EQ(description[i], 0x5A);
    for (size_t i = kProductNameChars; i < sizeof productName; ++i) EXPECT_EQ(productName[i], 0x5A);
    out.description = description;
    out.productName = productName;
    return out;
}

TEST(DescribeFromDescriptor, IdentificationTexts) {
    const struct {
        std::string vendor, product;
        DWORD bus;
        std::string productName, description;
    } rows[] = {
        {"ABC ", "Card Reader   ", 7, "ABC Card Reader", "ABC Card Reader USB Device"},
        {"", "  Reader", 7, "Reader", "Reader USB Device"},
        {"ABC", "  Reader", 7, "ABC   Reader", "ABC   Reader USB Device"},
        {"\t ABC\t", "", 1, "ABC", "ABC SCSI Device"},
        {"", "", 11, "", "SATA Device"},
        {"", "", 15, "", "FileBackedVirtual Device"},
        {"V", "P", 21, "V P", "V P"},
        {"V", "P", 127, "V P", "V P"},
        {"", "", 127, "", ""},
    };
    for (const auto& row : rows) {
        std::vector<BYTE> bytes = DescriptorBytes(row.vendor, row.product, row.bus);
        Description out = FromBytes(bytes, (DWORD)bytes.size());
        EXPECT_EQ(out.productName, row.productName) << row.vendor << "|" << row.product;
        EXPECT_EQ(out.description, row.description) << row.vendor << "|" << row.product;
        EXPECT_EQ(out.busType, row.bus);
    }
}

TEST(DescribeFromDescriptor, EveryBusName) {
    const char* names[] = {"Unknown", "SCSI", "ATAPI", "ATA", "FireWire", "SSA", "Fibre",
                           "USB", "RAID", "iSCSI", "SAS", "SATA", "SD", "MMC", "Virtual",
                           "FileBackedVirtual", "Spaces", "17", "18", "19", "LDM"};
    for (DWORD bus = 0; bus <= 20; ++bus) {
        std::vector<BYTE> bytes = DescriptorBytes("Maker", "Disk", bus);
        EXPECT_EQ(FromBytes(bytes, (DWORD)bytes.size()).description,
                  std::string("Maker Disk ") + names[bus] + " Device");
    }
}

TEST(DescribeFromDescriptor, LongTextsAreCut) {
    // Vendor and product of 150 each: each is cut to 127, the join to 127 and 111.
    std::string vendor(150, 'v'), product(150, 'p');
    std::vector<BYTE> bytes = DescriptorBytes(vendor, product, 15);
    Description out = FromBytes(bytes, (DWORD)bytes.size());
    EXPECT_EQ(out.productName, std::string(127, 'v'));
    EXPECT_EQ(out.description, std::string(111, 'v') + " FileBackedVirtual Device");
    EXPECT_EQ(out.description.size(), 136u);

    std::vector<BYTE> joined = DescriptorBytes(std::string(100, 'v'), std::string(100, 'p'), 7);
    out = FromBytes(joined, (DWORD)joined.size());
    EXPECT_EQ(out.productName, std::string(100, 'v') + " " + std::string(26, 'p'));
    EXPECT_EQ(out.description, std::string(100, 'v') + " " + std::string(10, 'p') + " USB Device");
}

TEST(DescribeFromDescriptor, OffsetsOutsideTheReturnedBytesMeanNoText) {
    std::vector<BYTE> bytes = DescriptorBytes("Vendor", "Product", 7);
    DWORD size = (DWORD)bytes.size();
    const struct {
        DWORD returned;
        std::string productName;
        DWORD bus;
    } rows[] = {
        {size, "Vendor Product", 7},
        {size - 1, "Vendor", 7},                      // the product's zero is not returned
        {size - 8, "Vendor", 7},                      // product offset is at the end
        {(DWORD)sizeof(STORAGE_DEVICE_DESCRIPTOR), "", 7},
        {32, "", 7},                                  // the bus type is the last field read
        {31, "", 0},
        {0, "", 0},
    };
    for (const auto& row : rows) {
        Description out = FromBytes(bytes, row.returned);
        EXPECT_EQ(out.productName, row.productName) << row.returned;
        EXPECT_EQ(out.busType, row.bus) << row.returned;
    }
    STORAGE_DEVICE_DESCRIPTOR* head = reinterpret_cast<STORAGE_DEVICE_DESCRIPTOR*>(bytes.data());
    head->VendorIdOffset = 0xFFFFFFF0;
    head->ProductIdOffset = size;
    EXPECT_EQ(FromBytes(bytes, size).productName, "");
}

TEST(ParseDiskExtents, CountsOnlyTheExtentsReturned) {
    std::vector<BYTE> bytes(8 + 3 * 24, 0);
    DWORD claimed = 3, disks[] = {4, 7, 9};
    std::memcpy(bytes.data(), &claimed, 4);
    for (int i = 0; i < 3; ++i) std::memcpy(&bytes[8 + 24 * i], &disks[i], 4);
    const struct {
        DWORD returned;
        LONG max;
        LONG count;
        std::vector<DWORD> numbers;
    } rows[] = {
        {80, 256, 3, {4, 7, 9, 0}},
        {80, 2, 3, {4, 7, 0, 0}},
        {56, 256, 2, {4, 7, 0, 0}},
        {8, 256, 0, {0, 0, 0, 0}},
        {4, 256, 0, {0, 0, 0, 0}},
    };
    for (const auto& row : rows) {
        LONG count = -1;
        std::vector<DWORD> numbers(4, 0);
        ParseDiskExtents(bytes.data(), row.returned, &count, numbers.data(), row.max);
        EXPECT_EQ(count, row.count) << row.returned;
        EXPECT_EQ(numbers, row.numbers) << row.returned;
    }
}

TEST(DescribeVolumeDevice, FallbacksWhenTheVolumeDoesNotAnswer) {
    const struct {
        const char* name;
        UINT driveType;
        const char* ntDevice;
        bool extentsAnswer;
        std::vector<DWORD> extents;
        std::string description, productName;
        DWORD bus;
    } rows[] = {
        {"one extent", DRIVE_FIXED, "\\Device\\HarddiskVolume3", true, {3}, "Disk Three SATA Device", "Disk Three", 11},
        {"two extents", DRIVE_FIXED, "\\Device\\HarddiskVolume3", true, {3, 1}, "LDM", "LDM", 0},
        {"two on one disk", DRIVE_FIXED, "\\Device\\HarddiskVolume3", true, {3, 3}, "LDM", "LDM", 0},
        {"optical", DRIVE_CDROM, "\\Device\\CdRom0", true, {3}, "", "", 0},
        {"floppy", DRIVE_REMOVABLE, "\\Device\\FLOPPY0", true, {3}, "", "", 0},
        {"floppy lower", DRIVE_REMOVABLE, "\\device\\floppy1", true, {3}, "", "", 0},
        {"no extents", DRIVE_FIXED, "\\Device\\HarddiskVolume3", false, {}, "", "", 0},
        {"zero extents", DRIVE_FIXED, "\\Device\\HarddiskVolume3", true, {}, "", "", 0},
    };
    for (const auto& row : rows) {
        for (const std::string& path : {kPath, kPath + "\\"}) {
            FakeDevice fake;
            fake.dosDevices[kPath.substr(4)] = row.ntDevice;
            FakeVolume& volume = fake.AddVolume(kPath);
            volume.extentsAnswer = row.extentsAnswer;
            volume.extentDisks = row.extents;
            fake.AddVolume("\\\\.\\PhysicalDrive3").descriptor = DescriptorBytes("Disk", "Three", 11);
            DWORD bus = 0xDEAD;
            char description[kDescriptionChars] = "stale";
            char productName[kProductNameChars] = "stale";
            DescribeVolumeDevice(path.c_str(), row.driveType, &bus, description, productName);
            EXPECT_EQ(description, row.description) << row.name << " " << path;
            EXPECT_EQ(productName, row.productName) << row.name;
            EXPECT_EQ(bus, row.bus) << row.name;
            EXPECT_EQ(fake.Calls("ioctl " + kPath + " 0x560000").size(),
                      row.driveType == DRIVE_CDROM || std::string(row.name).find("floppy") == 0 ? 0u : 1u)
                << row.name;
            EXPECT_EQ(fake.OpenHandles(), 0);
            // Only reading requests: property query and extents.
            for (const std::string& call : fake.Calls("ioctl"))
                EXPECT_TRUE(call.find("0x2D1400") != std::string::npos || call.find("0x560000") != std::string::npos) << call;
        }
    }
}

// Random descriptors placed so that their last returned byte is the last byte
// of a readable page: any read beyond them faults.
TEST(DescribeFromDescriptor, NeverReadsPastTheReturnedBytes) {
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    const DWORD page = system.dwPageSize;
    BYTE* region = static_cast<BYTE*>(VirtualAlloc(nullptr, 2 * page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    ASSERT_NE(region, nullptr);
    DWORD old = 0;
    ASSERT_TRUE(VirtualProtect(region + page, page, PAGE_NOACCESS, &old));
    std::mt19937 random(4242);
    for (int round = 0; round < 5000; ++round) {
        DWORD returned = random() % 600;
        BYTE* data = region + page - returned;
        for (DWORD i = 0; i < returned; ++i) data[i] = random() % 4 ? (BYTE)(' ' + random() % 95) : 0;
        auto setDword = [&](DWORD offset, DWORD value) {
            if (offset + 4 <= returned) std::memcpy(data + offset, &value, 4);
        };
        auto randomOffset = [&]() -> DWORD {
            switch (random() % 4) {
            case 0: return 0;
            case 1: return returned ? random() % returned : 0;
            case 2: return returned + random() % 8;
            default: return random();
            }
        };
        setDword(12, randomOffset());
        setDword(16, randomOffset());
        setDword(28, random() % 40);
        DWORD bus = 0;
        char description[kDescriptionChars];
        char productName[kProductNameChars];
        DescribeFromDescriptor(data, returned, &bus, description, productName);
        ASSERT_LE(std::strlen(description), 136u);
        ASSERT_LE(std::strlen(productName), 127u);
        LONG count = 0;
        DWORD numbers[4];
        ParseDiskExtents(data, returned, &count, numbers, 4);
        ASSERT_LE((DWORD)count * 24 + 8, std::max<DWORD>(returned, 8));
    }
    VirtualFree(region, 0, MEM_RELEASE);
}

}  // namespace
