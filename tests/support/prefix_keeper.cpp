// The first program of a test run's Wine session, started detached by the
// fixture: Wine's services start with it and never hold a test's output pipe.
#include <windows.h>

int main() {
    Sleep(INFINITE);  // ended by wineserver -k when the run is over
}
