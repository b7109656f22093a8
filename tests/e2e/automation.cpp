#include "e2e/automation.h"

#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cwctype>
#include <iterator>

namespace zentrim::e2e {

namespace {

constexpr UINT kMessageTimeoutMs = 3000;

bool EqualsNoCase(std::wstring_view a, std::wstring_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) {
               return std::towlower(x) == std::towlower(y);
           });
}

bool StartsWithNoCase(std::wstring_view text, std::wstring_view prefix) {
    return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

BOOL CALLBACK CollectWindow(HWND window, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

std::wstring VariableName(std::wstring_view entry) {
    // Entries such as "=C:=C:\\" begin with '='; their name runs to the second '='.
    const auto equals = entry.find(L'=', 1);
    return std::wstring(entry.substr(0, equals));
}

} // namespace

std::wstring WindowsPath(std::wstring_view path) {
    if (path.empty() || path.front() != L'/') {
        return std::wstring(path);
    }
    std::wstring converted = L"Z:";
    for (const wchar_t c : path) {
        converted += c == L'/' ? L'\\' : c;
    }
    return converted;
}

bool CreateFolders(const std::wstring& path) {
    std::wstring partial;
    for (std::size_t i = 0; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == L'\\') {
            if (!partial.empty() && partial.back() != L':') {
                CreateDirectoryW(partial.c_str(), nullptr);
            }
        }
        if (i < path.size()) {
            partial += path[i];
        }
    }
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool FileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring WindowText(HWND window) {
    // A text can change between the question for its length and its reading (a step line during
    // a run), so the buffer holds one character more than the length: a text that fills it may
    // have been cut short, and is read again at its new length.
    std::wstring text;
    for (int attempt = 0; attempt < 20; ++attempt) {
        DWORD_PTR length = 0;
        if (SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs,
                                &length) == 0) {
            return {};
        }
        text.assign(static_cast<std::size_t>(length) + 2, L'\0');
        DWORD_PTR copied = 0;
        if (SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                                SMTO_ABORTIFHUNG, kMessageTimeoutMs, &copied) == 0) {
            return {};
        }
        const std::size_t read = std::min<std::size_t>(static_cast<std::size_t>(copied), text.size() - 1);
        text.resize(read);
        if (read <= static_cast<std::size_t>(length)) {
            return text;
        }
    }
    return text; // a text that kept growing: the last reading
}

std::wstring ClassOf(HWND window) {
    wchar_t name[128] = {};
    GetClassNameW(window, name, 128);
    return name;
}

DWORD ProcessOf(HWND window) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    return process;
}

LONG_PTR StyleOf(HWND window) {
    return GetWindowLongPtrW(window, GWL_STYLE);
}

HWND OwnerOf(HWND window) {
    return GetWindow(window, GW_OWNER);
}

RECT ScreenRect(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

std::vector<HWND> TopLevelWindows(std::wstring_view className) {
    std::vector<HWND> all;
    EnumWindows(&CollectWindow, reinterpret_cast<LPARAM>(&all));
    if (className.empty()) {
        return all;
    }
    std::vector<HWND> matching;
    std::copy_if(all.begin(), all.end(), std::back_inserter(matching),
                 [&](HWND window) { return EqualsNoCase(ClassOf(window), className); });
    return matching;
}

HWND FindVisibleTopLevel(std::wstring_view className) {
    for (HWND window : TopLevelWindows(className)) {
        if (IsWindowVisible(window)) {
            return window;
        }
    }
    return nullptr;
}

std::vector<HWND> Descendants(HWND parent) {
    std::vector<HWND> all;
    EnumChildWindows(parent, &CollectWindow, reinterpret_cast<LPARAM>(&all));
    return all;
}

std::wstring VisibleTexts(HWND parent) {
    std::wstring texts;
    for (HWND window : Descendants(parent)) {
        if (IsWindowVisible(window)) {
            texts += WindowText(window) + L"\n";
        }
    }
    return texts;
}

HWND FindDescendant(HWND parent, std::wstring_view className, std::wstring_view text) {
    for (HWND window : Descendants(parent)) {
        if (EqualsNoCase(ClassOf(window), className) && WindowText(window) == text) {
            return window;
        }
    }
    return nullptr;
}

HWND FindDescendantStartingWith(HWND parent, std::wstring_view className, std::wstring_view prefix) {
    for (HWND window : Descendants(parent)) {
        if (EqualsNoCase(ClassOf(window), className) && WindowText(window).starts_with(prefix)) {
            return window;
        }
    }
    return nullptr;
}

std::vector<HWND> DescendantsByTop(HWND parent, std::wstring_view className) {
    std::vector<HWND> matching;
    for (HWND window : Descendants(parent)) {
        if (EqualsNoCase(ClassOf(window), className)) {
            matching.push_back(window);
        }
    }
    std::stable_sort(matching.begin(), matching.end(),
                     [](HWND a, HWND b) { return ScreenRect(a).top < ScreenRect(b).top; });
    return matching;
}

void PressButton(HWND button) {
    PostMessageW(button, BM_CLICK, 0, 0);
}

void ClickWindow(HWND window, POINT client) {
    const LPARAM at = MAKELPARAM(client.x, client.y);
    PostMessageW(window, WM_MOUSEMOVE, 0, at);
    PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(window, WM_LBUTTONUP, 0, at);
}

void ClickWindow(HWND window) {
    ClickWindow(window, POINT{2, 2});
}

void PressKey(HWND window, UINT virtualKey) {
    const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC)) << 16;
    PostMessageW(window, WM_KEYDOWN, virtualKey, scan | 1);
    PostMessageW(window, WM_KEYUP, virtualKey, scan | 1 | (LPARAM{1} << 30) | (LPARAM{1} << 31));
}

MessageBoxView ReadMessageBox(HWND box) {
    MessageBoxView view;
    view.window = box;
    view.owner = OwnerOf(box);
    view.process = ProcessOf(box);
    view.title = WindowText(box);
    for (HWND child : Descendants(box)) {
        const std::wstring kind = ClassOf(child);
        if (EqualsNoCase(kind, L"Static")) {
            // The icon is a static too; the text is the one static that holds words.
            if ((StyleOf(child) & SS_TYPEMASK) != SS_ICON && view.text.empty()) {
                view.text = WindowText(child);
            }
        } else if (EqualsNoCase(kind, L"Button") && IsWindowVisible(child)) {
            const int id = GetDlgCtrlID(child);
            view.buttons.push_back(id);
            if ((StyleOf(child) & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
                view.defaultButton = id;
            }
        }
    }
    std::sort(view.buttons.begin(), view.buttons.end());
    return view;
}

std::optional<MessageBoxView> WaitForMessageBox(const std::function<bool(const MessageBoxView&)>& accept,
                                                Milliseconds timeout) {
    std::optional<MessageBoxView> found;
    WaitUntil(
        [&] {
            for (HWND window : TopLevelWindows(L"#32770")) {
                if (!IsWindowVisible(window)) {
                    continue;
                }
                MessageBoxView view = ReadMessageBox(window);
                // A box still being built has no buttons yet.
                if (!view.buttons.empty() && !view.text.empty() && accept(view)) {
                    found = std::move(view);
                    return true;
                }
            }
            return false;
        },
        timeout);
    return found;
}

std::optional<MessageBoxView> WaitForMessageBoxOwnedBy(HWND owner, Milliseconds timeout) {
    return WaitForMessageBox([owner](const MessageBoxView& box) { return box.owner == owner; }, timeout);
}

std::optional<MessageBoxView> WaitForMessageBoxOfProcess(DWORD process, Milliseconds timeout) {
    return WaitForMessageBox([process](const MessageBoxView& box) { return box.process == process; },
                             timeout);
}

bool AnswerMessageBox(const MessageBoxView& box, int buttonId, Milliseconds timeout) {
    HWND button = GetDlgItem(box.window, buttonId);
    if (button == nullptr) {
        return false;
    }
    PressButton(button);
    return WaitUntil([&] { return !IsWindow(box.window) || !IsWindowVisible(box.window); }, timeout);
}

ChildProcess ChildProcess::Start(const std::wstring& program, const std::wstring& arguments,
                                 const std::vector<std::pair<std::wstring, std::wstring>>& environment,
                                 const std::wstring& workingFolder) {
    std::vector<std::wstring> entries;
    if (wchar_t* block = GetEnvironmentStringsW()) {
        for (const wchar_t* entry = block; *entry != L'\0'; entry += wcslen(entry) + 1) {
            entries.emplace_back(entry);
        }
        FreeEnvironmentStringsW(block);
    }
    for (const auto& [name, value] : environment) {
        std::erase_if(entries,
                      [&](const std::wstring& entry) { return EqualsNoCase(VariableName(entry), name); });
        entries.push_back(name + L"=" + value);
    }
    std::wstring block;
    for (const std::wstring& entry : entries) {
        block += entry;
        block += L'\0';
    }
    block += L'\0';

    std::wstring commandLine = L"\"" + program + L"\"";
    if (!arguments.empty()) {
        commandLine += L" " + arguments;
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION info{};
    ChildProcess child;
    // Right after Windows Installer has written a program, Wine now and then refuses to start it
    // for a moment; a few tries a little apart tell that from a program that cannot start.
    DWORD error = ERROR_SUCCESS;
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                           CREATE_UNICODE_ENVIRONMENT, block.data(),
                           workingFolder.empty() ? nullptr : workingFolder.c_str(), &startup, &info)) {
            CloseHandle(info.hThread);
            child.process_ = info.hProcess;
            child.id_ = info.dwProcessId;
            return child;
        }
        error = GetLastError();
        Sleep(300);
    }
    std::fprintf(stderr, "could not start %ls: error %lu\n", program.c_str(),
                 static_cast<unsigned long>(error));
    return child;
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : process_(std::exchange(other.process_, nullptr)), id_(std::exchange(other.id_, 0)) {}

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
    if (this != &other) {
        Kill();
        process_ = std::exchange(other.process_, nullptr);
        id_ = std::exchange(other.id_, 0);
    }
    return *this;
}

ChildProcess::~ChildProcess() {
    Kill();
}

bool ChildProcess::Running() const {
    return process_ != nullptr && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

std::optional<DWORD> ChildProcess::WaitForExit(Milliseconds timeout) const {
    if (process_ == nullptr ||
        WaitForSingleObject(process_, static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0) {
        return std::nullopt;
    }
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    return code;
}

void ChildProcess::Kill() {
    if (process_ == nullptr) {
        return;
    }
    if (Running()) {
        TerminateProcess(process_, 1);
        WaitForSingleObject(process_, 5000);
    }
    CloseHandle(process_);
    process_ = nullptr;
}

int KillProgramsIn(const std::wstring& folder) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
        return 0;
    }
    int ended = 0;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        if (entry.th32ProcessID == GetCurrentProcessId()) {
            continue;
        }
        HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE | SYNCHRONIZE,
                                     FALSE, entry.th32ProcessID);
        if (process == nullptr) {
            continue;
        }
        wchar_t path[MAX_PATH * 2] = {};
        DWORD size = MAX_PATH * 2;
        // A program that is ending on its own (an updater that has just written its marker) is
        // given a moment before it counts as left running.
        if (QueryFullProcessImageNameW(process, 0, path, &size) && StartsWithNoCase(path, folder) &&
            WaitForSingleObject(process, 2000) == WAIT_TIMEOUT) {
            TerminateProcess(process, 1);
            WaitForSingleObject(process, 5000);
            ++ended;
        }
        CloseHandle(process);
    }
    CloseHandle(snapshot);
    return ended;
}

} // namespace zentrim::e2e
