#include "ui/win32/Startup.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int show) { return ui::Main(show); }
