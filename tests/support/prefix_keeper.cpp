// Keeps a test run's Wine session alive from the first test program to the
// last. Wine starts its system services with the first program of a session
// and ends them with the last one; started by the fixture, detached from
// ctest's pipes, this program is that first one, so no test program's
// output pipe is inherited by a service that outlives it.
#include <windows.h>

int main() {
    Sleep(INFINITE);  // ended by wineserver -k when the run is over
}
