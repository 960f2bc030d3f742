// Ferrik's entry point.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    MessageBoxW(nullptr, L"Ferrik", L"提示", MB_OK);
    return 0;
}
