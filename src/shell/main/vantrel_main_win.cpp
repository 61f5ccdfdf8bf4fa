// Vantrel.exe's entry point: the program's entry with the main window's module's windows.
#include <windows.h>

#include "shell/entry_win.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    return vantrel::VantrelMain(&vantrel::CreateVantrelWindows);
}
