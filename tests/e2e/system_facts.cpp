#include "e2e/system_facts.h"

#include "e2e/registry_probe.h"

#include <cwctype>

namespace zentrim::e2e {

namespace {

// A text of one of the system's formatting calls, at the length the call asks for first.
template <typename Format> std::wstring FormattedText(Format format) {
    const int size = format(nullptr, 0); // with the terminating NUL
    if (size <= 1) {
        return {};
    }
    std::wstring text(static_cast<std::size_t>(size), L'\0');
    const int written = format(text.data(), size);
    text.resize(written > 0 ? static_cast<std::size_t>(written) - 1 : 0);
    return text;
}

} // namespace

// The moment now as the program stores it: seconds since 1970 on the local wall clock.
long long LocalSecondsNow() {
    SYSTEMTIME local{};
    GetLocalTime(&local);
    FILETIME asIfUtc{};
    SystemTimeToFileTime(&local, &asIfUtc);
    const long long ticks = (static_cast<long long>(asIfUtc.dwHighDateTime) << 32) | asIfUtc.dwLowDateTime;
    return (ticks - 116444736000000000LL) / 10000000LL;
}

// A stored moment written the way the "Last updated" line shows it: the system locale's long
// date, " - ", its long time.
std::wstring SystemLongDateTime(long long seconds) {
    const long long ticks = seconds * 10000000LL + 116444736000000000LL;
    FILETIME time{static_cast<DWORD>(ticks & 0xFFFFFFFF), static_cast<DWORD>(ticks >> 32)};
    SYSTEMTIME fields{};
    FileTimeToSystemTime(&time, &fields);
    const std::wstring date = FormattedText([&](wchar_t* buffer, int size) {
        return GetDateFormatW(LOCALE_SYSTEM_DEFAULT, DATE_LONGDATE, &fields, nullptr, buffer, size);
    });
    const std::wstring clock = FormattedText([&](wchar_t* buffer, int size) {
        return GetTimeFormatW(LOCALE_SYSTEM_DEFAULT, 0, &fields, nullptr, buffer, size);
    });
    return date + L" - " + clock;
}

// The Windows list entry for the version the system reports, by the detection rules.
int ExpectedWindowsEntry() {
    using RtlGetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOEXW*);
    OSVERSIONINFOEXW version{};
    version.dwOSVersionInfoSize = sizeof version;
    const auto rtlGetVersion = reinterpret_cast<RtlGetVersionFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion")));
    if (rtlGetVersion == nullptr || rtlGetVersion(&version) != 0) {
        return 0;
    }
    const DWORD major = version.dwMajorVersion;
    const DWORD minor = version.dwMinorVersion;
    const int type = version.wProductType;
    const bool desktop = type == 1;
    const bool server = type >= 2;
    if (major == 5 && minor == 0) {
        return 9;
    }
    if (major == 5 && (minor == 1 || (minor == 2 && desktop))) {
        return 5;
    }
    if (major == 5 && minor == 2 && server) {
        return 8;
    }
    if (major == 6 && minor == 0 && (desktop || server)) {
        return desktop ? 4 : 7;
    }
    if (major == 6 && minor == 1 && (desktop || server)) {
        return desktop ? 3 : 7;
    }
    if (major == 6 && (minor == 2 || minor == 3) && (desktop || server)) {
        return desktop ? 2 : 6;
    }
    if (major == 10) {
        return version.dwBuildNumber < 22000 ? 1 : 0;
    }
    return 0;
}

// The processor list entry for the processor's name: Intel, AMD, VIA, in that order of testing.
int ExpectedProcessorEntry() {
    const auto name = TextOf(ReadValue(
        HKEY_LOCAL_MACHINE, L"HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0", L"ProcessorNameString"));
    std::wstring lower = name.value_or(std::wstring());
    for (wchar_t& c : lower) {
        c = static_cast<wchar_t>(std::towlower(c));
    }
    if (lower.find(L"intel") != std::wstring::npos) {
        return 0;
    }
    if (lower.find(L"amd") != std::wstring::npos) {
        return 1;
    }
    return lower.find(L"via") != std::wstring::npos ? 2 : 0;
}

} // namespace zentrim::e2e
