// The programs take the system DLLs they use from the system folder only: a DLL planted beside
// them (and in their working folder) under a system DLL's name is never loaded, not by the
// updater, which runs with administrator rights, nor by the window program.
//
// Wine, unlike Windows, has its own ("builtin") winhttp.dll and winmm.dll and by default prefers
// them even to a file of that name beside the program (seen here: the program then runs Wine's
// code under the planted file's path). For the programs started here, and for the loader of the
// control, Wine is told to load such a file when the search finds one ("native,builtin" under
// AppDefaults), as Windows does; Wine reads that from the registry, not from the environment
// that a program is started with. version.dll cannot be tried this way: Wine's own user32.dll
// imports it, so Wine loads a version.dll beside any program at its start, whatever the program
// does.
#include "base/unique_handle_win32.h"
#include "e2e/e2e_fixture.h"
#include "e2e/registry_probe.h"

#include <psapi.h>

#include <algorithm>
#include <vector>

namespace zentrim::e2e {
namespace {

constexpr wchar_t kUpdaterClass[] = L"TZTUpdateForm";

// The builds of the updater's test variant and of the planted DLL.
std::wstring UpdaterTestVariant() {
    return WindowsPath(L"" ZENTRIM_E2E_UPDATER_TEST_VARIANT);
}
std::wstring PlantedDll() {
    return WindowsPath(L"" ZENTRIM_E2E_PLANTED_DLL);
}

// Wine loads the file named `dll` that the search of `program` finds, as Windows does, while this
// lives; the registry is put back as it was afterwards.
class NativeFirst {
public:
    NativeFirst(const std::wstring& program, const std::wstring& dll)
        : programKey_(L"Software\\Wine\\AppDefaults\\" + program), dll_(dll),
          keyFound_(KeyExists(HKEY_CURRENT_USER, programKey_)),
          found_(ReadValue(HKEY_CURRENT_USER, OverridesKey(), dll_)) {
        WriteValue(HKEY_CURRENT_USER, OverridesKey(), dll_, StringValue(L"native,builtin"));
    }
    NativeFirst(const NativeFirst&) = delete;
    NativeFirst& operator=(const NativeFirst&) = delete;
    ~NativeFirst() {
        if (keyFound_) {
            WriteValue(HKEY_CURRENT_USER, OverridesKey(), dll_, found_);
        } else {
            DeleteKeyTree(HKEY_CURRENT_USER, programKey_);
        }
    }

private:
    std::wstring OverridesKey() const { return programKey_ + L"\\DllOverrides"; }

    std::wstring programKey_;
    std::wstring dll_;
    bool keyFound_;
    MaybeValue found_;
};

bool SameTextNoCase(std::wstring_view a, std::wstring_view b) {
    return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()),
                                TRUE) == CSTR_EQUAL;
}

// The file of the module `name` ("winhttp.dll") that `process` has loaded; empty when it has none.
std::wstring LoadedModuleFile(DWORD process, std::wstring_view name) {
    const UniqueKernelHandle handle(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, process));
    if (!handle) {
        return {};
    }
    std::vector<HMODULE> modules(512);
    DWORD needed = 0;
    if (!EnumProcessModulesEx(handle.get(), modules.data(),
                              static_cast<DWORD>(modules.size() * sizeof(HMODULE)), &needed,
                              LIST_MODULES_ALL)) {
        return {};
    }
    modules.resize(std::min<std::size_t>(modules.size(), needed / sizeof(HMODULE)));
    for (HMODULE module : modules) {
        wchar_t path[MAX_PATH] = {};
        const DWORD length = GetModuleFileNameExW(handle.get(), module, path, MAX_PATH);
        const std::wstring_view file(path, length);
        const std::wstring_view base = file.substr(file.find_last_of(L'\\') + 1);
        if (length > 0 && SameTextNoCase(base, name)) {
            return std::wstring(file);
        }
    }
    return {};
}

std::wstring SystemFolder() {
    wchar_t path[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(path, MAX_PATH);
    return std::wstring(path, length < MAX_PATH ? length : 0) + L"\\";
}

// The program folder of EndToEnd with the planted DLL copied in under system DLL names; the copies
// and the markers they leave go with the test.
class DllSearch : public EndToEnd {
protected:
    void TearDown() override {
        EndToEnd::TearDown();
        for (const std::wstring& name : planted_) {
            DeleteFileW((folder_.Path() + name).c_str());
            DeleteFileW(Marker(name).c_str());
        }
    }

    void Plant(const std::wstring& name) {
        planted_.push_back(name);
        ASSERT_TRUE(CopyFileW(PlantedDll().c_str(), (folder_.Path() + name).c_str(), FALSE))
            << "could not plant " << Narrow(PlantedDll()) << " as " << Narrow(name);
    }

    // The file the planted DLL leaves beside itself when it is loaded.
    std::wstring Marker(const std::wstring& name) const { return folder_.Path() + name + L".loaded"; }

    // The planted copy leaves its marker when Windows' own loader program loads it by its full path
    // under the same load order, so that a missing marker later means that the program did not
    // load it, not that the marker or Wine's load order cannot tell.
    void ExpectMarkerWorks(const std::wstring& name) {
        const NativeFirst nativeFirst(L"rundll32.exe", name.substr(0, name.find(L'.')));
        ChildProcess loader = ChildProcess::Start(SystemFolder() + L"rundll32.exe",
                                                  L"\"" + folder_.Path() + name + L"\",Stay", {});
        ASSERT_TRUE(loader.Started());
        ASSERT_TRUE(loader.WaitForExit(20s).has_value()) << "rundll32 did not end";
        ASSERT_TRUE(FileExists(Marker(name)))
            << "the planted " << Narrow(name) << " left no marker when loaded";
        ASSERT_TRUE(DeleteFileW(Marker(name).c_str()));
    }

    // The module `name` of `process` is the system's.
    static void ExpectSystemModule(DWORD process, const std::wstring& name) {
        const std::wstring file = LoadedModuleFile(process, name);
        ASSERT_FALSE(file.empty()) << Narrow(name) << " is not loaded";
        const std::wstring folder = SystemFolder();
        EXPECT_TRUE(file.size() > folder.size() && SameTextNoCase(file.substr(0, folder.size()), folder))
            << Narrow(name) << " came from " << Narrow(file);
    }

    std::vector<std::wstring> planted_;
};

TEST_F(DllSearch, UpdaterAsksTheServiceThroughTheSystemsWinHttpNotOnePlantedBesideIt) {
    const std::wstring updater = folder_.Path() + L"ZentrimUpdate.exe";
    ASSERT_TRUE(CopyFileW(UpdaterTestVariant().c_str(), updater.c_str(), FALSE));
    Plant(L"winhttp.dll");
    ASSERT_NO_FATAL_FAILURE(ExpectMarkerWorks(L"winhttp.dll"));

    // The updater reads the version of the Zentrim.exe beside it, then asks, through WinHTTP, a
    // service on a port where nothing listens.
    const NativeFirst nativeFirst(L"ZentrimUpdate.exe", L"winhttp");
    ChildProcess process =
        ChildProcess::Start(updater, {}, {{kUpdateServiceVariable, L"127.0.0.1:9"}}, folder_.Path());
    ASSERT_TRUE(process.Started());
    HWND window = nullptr;
    HWND close = nullptr;
    WaitUntil(
        [&] {
            window = FindProgramWindow(kUpdaterClass, process.Id());
            close = window ? FindDescendant(window, L"Button", L"&Close") : nullptr;
            return close != nullptr && IsWindowVisible(close);
        },
        kStartLimit);
    ASSERT_TRUE(close != nullptr && IsWindowVisible(close)) << "the updater did not end its check";
    // Only the real WinHTTP gets as far as a refused connection.
    EXPECT_NE(VisibleTexts(window).find(L"The update service could not be asked: it refused the connection."),
              std::wstring::npos)
        << Narrow(VisibleTexts(window));
    ExpectSystemModule(process.Id(), L"winhttp.dll");

    PressButton(close);
    ASSERT_TRUE(process.WaitForExit(20s).has_value()) << "the updater did not end after Close";
    EXPECT_FALSE(FileExists(Marker(L"winhttp.dll"))) << "the updater loaded the planted winhttp.dll";
}

TEST_F(DllSearch, ProgramPlaysItsClickWithTheSystemsWinmmNotOnePlantedBesideIt) {
    Plant(L"winmm.dll");
    ASSERT_NO_FATAL_FAILURE(ExpectMarkerWorks(L"winmm.dll"));

    const NativeFirst nativeFirst(L"Zentrim.exe", L"winmm");
    ChildProcess program = folder_.Start({}, {}, folder_.Path());
    ASSERT_TRUE(program.Started());
    HWND main = WaitForMainWindow(program.Id());
    ASSERT_NE(main, nullptr);
    // The "About Zentrim" link plays the click sound (PlaySoundW of winmm) before it shows the
    // About window.
    HWND link = MainWindowView(main).Label(L"About Zentrim");
    ASSERT_NE(link, nullptr);
    ClickWindow(link);
    HWND about = FindProgramWindow(kAboutClass, program.Id());
    ASSERT_NE(about, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(about) != FALSE; }, 15s));
    ExpectSystemModule(program.Id(), L"winmm.dll");

    PressButton(FindDescendant(about, L"Button", L"&Close"));
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(about) == FALSE; }, 15s));
    CloseMainInstance(program, main);
    EXPECT_FALSE(FileExists(Marker(L"winmm.dll"))) << "the program loaded the planted winmm.dll";
}

} // namespace
} // namespace zentrim::e2e
