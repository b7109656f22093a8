// Program skeleton: start-up upkeep of the product key, then an empty main window.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return 0; }
