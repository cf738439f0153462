// Capturing what the program writes to standard output, byte for byte.
#pragma once
#include <windows.h>

#include <string>

// Points standard output at a temporary file until Finish() (or destruction)
// puts the previous handle back.
class StdoutCapture {
public:
    StdoutCapture();
    ~StdoutCapture();
    StdoutCapture(const StdoutCapture&) = delete;
    StdoutCapture& operator=(const StdoutCapture&) = delete;
    std::string Finish();

private:
    HANDLE previous_;
    HANDLE file_;
};
