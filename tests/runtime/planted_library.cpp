// A DLL that stands for one planted beside the installer in a download folder.
#include <windows.h>

extern "C" __declspec(dllexport) int PlantedMarker() { return 0x504c4e54; }

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
