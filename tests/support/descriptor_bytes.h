// Storage device descriptors as a driver returns them, built for tests.
#pragma once
#include <windows.h>
#include <winioctl.h>

#include <cstring>
#include <string>
#include <vector>

// A descriptor with the vendor and product texts placed after the fixed
// part; an empty text gets offset 0 (no text).
inline std::vector<BYTE> DescriptorBytes(const std::string& vendor, const std::string& product,
                                         DWORD busType) {
    std::vector<BYTE> bytes(sizeof(STORAGE_DEVICE_DESCRIPTOR), 0);
    auto place = [&bytes](const std::string& text) -> DWORD {
        if (text.empty()) return 0;
        size_t offset = bytes.size();
        bytes.resize(offset + text.size() + 1, 0);
        std::memcpy(&bytes[offset], text.data(), text.size());
        return (DWORD)offset;
    };
    DWORD vendorOffset = place(vendor);
    DWORD productOffset = place(product);
    STORAGE_DEVICE_DESCRIPTOR head = {};
    head.Version = sizeof head;
    head.Size = (DWORD)bytes.size();
    head.VendorIdOffset = vendorOffset;
    head.ProductIdOffset = productOffset;
    head.BusType = (STORAGE_BUS_TYPE)busType;
    std::memcpy(bytes.data(), &head, sizeof head);
    return bytes;
}
