#include "e2e/program_session.h"

#include "e2e/screenshot.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <atomic>

namespace zentrim::e2e {

namespace {

// A loopback port on which nothing listens: a check sent there fails at once.
constexpr wchar_t kNowhere[] = L"127.0.0.1:9";

std::wstring Widen(const char* text) {
    std::wstring wide;
    for (const char* c = text; *c != '\0'; ++c) {
        wide += static_cast<wchar_t>(static_cast<unsigned char>(*c));
    }
    return wide;
}

} // namespace

DriverOptions& Options() {
    static DriverOptions options;
    return options;
}

ProgramFolder::ProgramFolder() {
    static std::atomic<int> counter{0};
    wchar_t temp[MAX_PATH] = {};
    if (GetTempPathW(MAX_PATH, temp) == 0) {
        return;
    }
    path_ = std::wstring(temp) + L"zentrim-e2e-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(++counter) + L"\\";
    ready_ = CreateFolders(path_.substr(0, path_.size() - 1)) &&
             CopyFileW(Options().program.c_str(), Program().c_str(), FALSE) &&
             CopyFileW(Options().updater.c_str(), (path_ + L"ZentrimUpdate.exe").c_str(), FALSE);
    // The help file lies beside the program in the build, as it does where the program is installed;
    // a build without one leaves the help tests to say so.
    const std::wstring& program = Options().program;
    const std::wstring built = program.substr(0, program.find_last_of(L"\\/") + 1) + kHelpFileName;
    if (ready_ && FileExists(built)) {
        CopyFileW(built.c_str(), (path_ + kHelpFileName).c_str(), FALSE);
    }
}

ProgramFolder::~ProgramFolder() {
    if (path_.empty()) {
        return;
    }
    EndStragglers();
    for (const wchar_t* name :
         {L"Zentrim.exe", L"ZentrimUpdate.exe", L"updater-started.txt", kHelpFileName}) {
        DeleteFileW((path_ + name).c_str());
    }
    RemoveDirectoryW(path_.c_str());
}

ChildProcess ProgramFolder::Start(const std::wstring& arguments, const std::wstring& updateService,
                                  const std::wstring& workingFolder) const {
    return ChildProcess::Start(Program(), arguments,
                               {{kUpdateServiceVariable, updateService.empty() ? kNowhere : updateService}},
                               workingFolder);
}

int ProgramFolder::EndStragglers() const {
    return KillProgramsIn(path_);
}

HWND FindProgramWindow(std::wstring_view className, DWORD process) {
    for (HWND window : TopLevelWindows(className)) {
        if (ProcessOf(window) == process) {
            return window;
        }
    }
    return nullptr;
}

HWND WaitForMainWindow(DWORD process, Milliseconds timeout) {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            found = FindProgramWindow(kMainClass, process);
            return found != nullptr && IsWindowVisible(found);
        },
        timeout);
    return found != nullptr && IsWindowVisible(found) ? found : nullptr;
}

HWND MainWindowView::Combo(std::size_t place) const {
    const std::vector<HWND> combos = DescendantsByTop(window_, WC_COMBOBOXEXW);
    return place < combos.size() ? combos[place] : nullptr;
}

HWND MainWindowView::SpeedTrackBar() const {
    const std::vector<HWND> bars = DescendantsByTop(window_, TRACKBAR_CLASSW);
    return bars.empty() ? nullptr : bars.front();
}

HWND MainWindowView::GoButton() const {
    return FindDescendant(window_, L"Button", L"&Optimize now");
}

HWND MainWindowView::RestoreButton() const {
    return FindDescendant(window_, L"Button", L"&Restore");
}

HWND MainWindowView::Label(std::wstring_view text) const {
    return FindDescendant(window_, L"Static", text);
}

HWND MainWindowView::LabelStartingWith(std::wstring_view prefix) const {
    return FindDescendantStartingWith(window_, L"Static", prefix);
}

int MainWindowView::SelectedIndex(HWND combo) const {
    DWORD_PTR index = static_cast<DWORD_PTR>(CB_ERR);
    SendMessageTimeoutW(combo, CB_GETCURSEL, 0, 0, SMTO_ABORTIFHUNG, 3000, &index);
    return static_cast<int>(static_cast<LRESULT>(index));
}

int MainWindowView::SpeedPosition() const {
    DWORD_PTR position = static_cast<DWORD_PTR>(-1);
    SendMessageTimeoutW(SpeedTrackBar(), TBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, 3000, &position);
    return static_cast<int>(static_cast<LRESULT>(position));
}

bool MainWindowView::ChooseEntry(HWND combo, int index) const {
    if (combo == nullptr) {
        return false;
    }
    // Keys go to the list control inside the picture list, as they do when it has the focus.
    HWND list = FindWindowExW(combo, nullptr, WC_COMBOBOXW, nullptr);
    HWND target = list != nullptr ? list : combo;
    PressKey(target, VK_HOME);
    for (int i = 0; i < index; ++i) {
        PressKey(target, VK_DOWN);
    }
    return WaitUntil([&] { return SelectedIndex(combo) == index; }, 5s);
}

bool MainWindowView::MoveSpeed(int position) const {
    HWND bar = SpeedTrackBar();
    if (bar == nullptr) {
        return false;
    }
    PressKey(bar, position <= 0 ? VK_HOME : VK_END);
    return WaitUntil([&] { return SpeedPosition() == position; }, 5s);
}

bool MainWindowView::Choose(const Choices& choices) const {
    return ChooseEntry(WindowsCombo(), choices.windowsIndex) &&
           ChooseEntry(ProcessorCombo(), choices.processorIndex) &&
           ChooseEntry(ModemCombo(), choices.internetType) && MoveSpeed(choices.speedSetting);
}

ProgressState ReadProgressState(HWND progress) {
    ProgressState state;
    const std::vector<HWND> labels = DescendantsByTop(progress, L"Static");
    if (labels.size() >= 2) {
        state.heading = WindowText(labels.front());
        state.stepLine = WindowText(labels.back());
    }
    const std::vector<HWND> bars = DescendantsByTop(progress, PROGRESS_CLASSW);
    if (!bars.empty()) {
        DWORD_PTR position = static_cast<DWORD_PTR>(-1);
        SendMessageTimeoutW(bars.front(), PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, 3000, &position);
        state.bar = static_cast<int>(static_cast<LRESULT>(position));
    }
    return state;
}

ProgressObservation WatchProgressWindow(HWND main, const std::wstring& screenshotPath, Milliseconds timeout) {
    ProgressObservation seen;
    HWND progress = FindProgramWindow(kProgressClass, ProcessOf(main));
    if (progress == nullptr || !WaitUntil([&] { return IsWindowVisible(progress) != FALSE; }, timeout)) {
        return seen;
    }
    seen.shown = true;
    seen.title = WindowText(progress);
    seen.ownedByMain = OwnerOf(progress) == main;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (IsWindowVisible(progress) && std::chrono::steady_clock::now() < deadline) {
        const std::vector<HWND> labels = DescendantsByTop(progress, L"Static");
        if (labels.size() >= 2) {
            if (seen.heading.empty()) {
                seen.heading = WindowText(labels.front());
                seen.headingShowsAccelerators = (StyleOf(labels.front()) & SS_NOPREFIX) == 0;
            }
            const std::wstring line = WindowText(labels.back());
            if (!line.empty() && (seen.stepLines.empty() || seen.stepLines.back() != line)) {
                if (seen.stepLines.empty()) {
                    seen.mainDisabledDuringSteps = IsWindowEnabled(main) == FALSE;
                }
                seen.stepLines.push_back(line);
            }
            if (!seen.screenshotSaved && !line.empty() && !screenshotPath.empty()) {
                seen.screenshotSaved = SaveWindowPng(progress, screenshotPath, false);
            }
        }
        std::this_thread::sleep_for(10ms);
    }
    return seen;
}

std::string Narrow(const std::wstring& text) {
    std::string narrow;
    for (const wchar_t c : text) {
        narrow += c < 0x80 ? static_cast<char>(c) : '?';
    }
    return narrow;
}

std::wstring ArtifactPath(const std::wstring& what) {
    std::wstring name = what;
    if (const auto* test = ::testing::UnitTest::GetInstance()->current_test_info()) {
        name = Widen(test->test_suite_name()) + L"." + Widen(test->name()) + L"-" + what;
    }
    for (wchar_t& c : name) {
        if (c == L'/' || c == L'\\' || c == L':') {
            c = L'_';
        }
    }
    return Options().artifacts + L"\\" + name + L".png";
}

bool SaveArtifact(HWND window, const std::wstring& what) {
    CreateFolders(Options().artifacts);
    return SaveWindowPng(window, ArtifactPath(what));
}

} // namespace zentrim::e2e
