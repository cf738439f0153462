// Capturing what the program writes to standard output, byte for byte.
#include "tests/support/output_capture.h"

StdoutCapture::StdoutCapture() : previous_(GetStdHandle(STD_OUTPUT_HANDLE)) {
    char directory[MAX_PATH];
    char path[MAX_PATH];
    GetTempPathA(MAX_PATH, directory);
    GetTempFileNameA(directory, "tw", 0, path);
    file_ = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                        FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    SetStdHandle(STD_OUTPUT_HANDLE, file_);
}

StdoutCapture::~StdoutCapture() {
    Finish();
}

std::string StdoutCapture::Finish() {
    std::string bytes;
    if (file_ == INVALID_HANDLE_VALUE) return bytes;
    SetStdHandle(STD_OUTPUT_HANDLE, previous_);
    DWORD size = GetFileSize(file_, nullptr);
    bytes.resize(size);
    SetFilePointer(file_, 0, nullptr, FILE_BEGIN);
    DWORD read = 0;
    if (size) ReadFile(file_, &bytes[0], size, &read, nullptr);
    bytes.resize(read);
    CloseHandle(file_);
    file_ = INVALID_HANDLE_VALUE;
    return bytes;
}
