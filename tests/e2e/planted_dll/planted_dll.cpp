// A DLL that the end-to-end tests plant beside a program under the name of a system DLL the
// program uses ("winhttp.dll", "winmm.dll"). When it is loaded it leaves a marker file beside
// itself, "<its file name>.loaded". It exports the functions the programs import from those DLLs,
// each failing, so a program that loads it starts and carries on as if the calls had failed.
#include "base/unique_handle_win32.h"

#include <windows.h>

#include <winhttp.h>

#include <string>

namespace {

void LeaveMarker(HMODULE self) {
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(self, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return;
    }
    const std::wstring marker = std::wstring(path, length) + L".loaded";
    const zentrim::UniqueKernelHandle file(zentrim::NullIfInvalid(CreateFileW(
        marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)));
}

BOOL Refuse() {
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
}

} // namespace

// The exports, under the system functions' names through planted_dll.def.
extern "C" {

BOOL WINAPI PlantedPlaySoundW(LPCWSTR, HMODULE, DWORD) {
    return Refuse();
}

HINTERNET WINAPI PlantedWinHttpOpen(LPCWSTR, DWORD, LPCWSTR, LPCWSTR, DWORD) {
    Refuse();
    return nullptr;
}
HINTERNET WINAPI PlantedWinHttpConnect(HINTERNET, LPCWSTR, INTERNET_PORT, DWORD) {
    Refuse();
    return nullptr;
}
HINTERNET WINAPI PlantedWinHttpOpenRequest(HINTERNET, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR*, DWORD) {
    Refuse();
    return nullptr;
}
BOOL WINAPI PlantedWinHttpCloseHandle(HINTERNET) {
    return Refuse();
}
BOOL WINAPI PlantedWinHttpSetOption(HINTERNET, DWORD, LPVOID, DWORD) {
    return Refuse();
}
BOOL WINAPI PlantedWinHttpSetTimeouts(HINTERNET, int, int, int, int) {
    return Refuse();
}
BOOL WINAPI PlantedWinHttpSendRequest(HINTERNET, LPCWSTR, DWORD, LPVOID, DWORD, DWORD, DWORD_PTR) {
    return Refuse();
}
BOOL WINAPI PlantedWinHttpReceiveResponse(HINTERNET, LPVOID) {
    return Refuse();
}
BOOL WINAPI PlantedWinHttpQueryHeaders(HINTERNET, DWORD, LPCWSTR, LPVOID, LPDWORD, LPDWORD) {
    return Refuse();
}
BOOL WINAPI PlantedWinHttpQueryDataAvailable(HINTERNET, LPDWORD) {
    return Refuse();
}
BOOL WINAPI PlantedWinHttpReadData(HINTERNET, LPVOID, DWORD, LPDWORD) {
    return Refuse();
}

// What rundll32 calls: nothing more to do once the DLL is loaded.
void CALLBACK PlantedStayW(HWND, HINSTANCE, LPWSTR, int) {}

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        DisableThreadLibraryCalls(self);
        LeaveMarker(self);
    }
    return TRUE;
}

} // extern "C"
