#include "e2e/help_window.h"

#include "e2e/program_session.h"

#include "base/unique_handle_win32.h"

#include <commctrl.h>
#include <cstring>
#include <gtest/gtest.h>

namespace zentrim::e2e {

namespace {

// Memory in another process, released with it.
class RemoteMemory {
public:
    RemoteMemory(HANDLE process, SIZE_T size)
        : process_(process), address_(VirtualAllocEx(process, nullptr, size, MEM_COMMIT, PAGE_READWRITE)) {}
    RemoteMemory(const RemoteMemory&) = delete;
    RemoteMemory& operator=(const RemoteMemory&) = delete;
    ~RemoteMemory() {
        if (address_ != nullptr) {
            VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
        }
    }
    void* Address() const { return address_; }

private:
    HANDLE process_;
    void* address_;
};

struct TreeTexts {
    std::vector<std::wstring> texts;
    std::vector<std::wstring> cutOff; // whose text reaches past the tree's client area
};

// The texts of a tree view's top-level items in another process, and which of them it cuts off. A
// tree view answers TVM_GETITEMW and TVM_GETITEMRECT in its own address space, so the item record,
// its text buffer and the rectangle are placed there.
TreeTexts TopLevelTreeTexts(HWND tree) {
    TreeTexts found;
    std::vector<std::wstring>& texts = found.texts;
    const UniqueKernelHandle process(
        OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, ProcessOf(tree)));
    if (!process) {
        return found;
    }
    constexpr int kTextLength = 260;
    const RemoteMemory memory(process.get(), sizeof(TVITEMW) + kTextLength * sizeof(wchar_t));
    const RemoteMemory remoteRect(process.get(), sizeof(RECT));
    if (memory.Address() == nullptr || remoteRect.Address() == nullptr) {
        return found;
    }
    RECT client{};
    GetClientRect(tree, &client);
    auto* remoteText = reinterpret_cast<wchar_t*>(static_cast<char*>(memory.Address()) + sizeof(TVITEMW));
    DWORD_PTR item = 0;
    SendMessageTimeoutW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0, SMTO_ABORTIFHUNG, 3000, &item);
    while (item != 0 && texts.size() < 100) {
        TVITEMW request{};
        request.mask = TVIF_TEXT | TVIF_HANDLE;
        request.hItem = reinterpret_cast<HTREEITEM>(item);
        request.pszText = remoteText;
        request.cchTextMax = kTextLength;
        wchar_t text[kTextLength] = {};
        DWORD_PTR answered = 0;
        if (!WriteProcessMemory(process.get(), memory.Address(), &request, sizeof request, nullptr) ||
            !WriteProcessMemory(process.get(), remoteText, text, sizeof text, nullptr) ||
            !SendMessageTimeoutW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(memory.Address()),
                                 SMTO_ABORTIFHUNG, 3000, &answered) ||
            answered == 0 || !ReadProcessMemory(process.get(), remoteText, text, sizeof text, nullptr)) {
            break;
        }
        text[kTextLength - 1] = L'\0';
        texts.emplace_back(text);
        // The rectangle of the item's text alone: asked with the item's handle in its first bytes.
        RECT itemRect{};
        std::memcpy(&itemRect, &item, sizeof item);
        if (WriteProcessMemory(process.get(), remoteRect.Address(), &itemRect, sizeof itemRect, nullptr) &&
            SendMessageTimeoutW(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(remoteRect.Address()),
                                SMTO_ABORTIFHUNG, 3000, &answered) &&
            answered != 0 &&
            ReadProcessMemory(process.get(), remoteRect.Address(), &itemRect, sizeof itemRect, nullptr) &&
            itemRect.right > client.right) {
            found.cutOff.emplace_back(text);
        }
        DWORD_PTR next = 0;
        SendMessageTimeoutW(tree, TVM_GETNEXTITEM, TVGN_NEXT, static_cast<LPARAM>(item), SMTO_ABORTIFHUNG,
                            3000, &next);
        item = next;
    }
    return found;
}

std::string RectText(const RECT& rect) {
    std::string text;
    for (const LONG edge : {rect.left, rect.top, rect.right, rect.bottom}) {
        text += text.empty() ? "(" : ", ";
        text += std::to_string(edge);
    }
    return text + ")";
}

} // namespace

const std::vector<std::wstring>& HelpContentsEntries() {
    static const std::vector<std::wstring> entries{
        L"Zentrim Help",
        L"Your choices",
        L"The settings Zentrim changes",
        L"Backup and Restore",
        L"Administrator rights and warnings",
        L"Checking for updates",
        L"Getting support",
    };
    return entries;
}

std::vector<HWND> HelpWindowsOf(DWORD process) {
    std::vector<HWND> windows;
    for (HWND window : TopLevelWindows(kHelpViewerClass)) {
        if (ProcessOf(window) == process) {
            windows.push_back(window);
        }
    }
    return windows;
}

std::optional<HelpWindowView> WaitForHelpWindow(DWORD process, Milliseconds timeout) {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND window : HelpWindowsOf(process)) {
                if (IsWindowVisible(window)) {
                    found = window;
                }
            }
            return found != nullptr;
        },
        timeout);
    if (found == nullptr) {
        return std::nullopt;
    }
    HelpWindowView view;
    view.window = found;
    view.process = process;
    view.caption = WindowText(found);
    view.rect = ScreenRect(found);
    // The viewer fills its contents after it has shown its window.
    WaitUntil(
        [&] {
            const std::vector<HWND> trees = DescendantsByTop(found, WC_TREEVIEWW);
            const TreeTexts tree = trees.empty() ? TreeTexts{} : TopLevelTreeTexts(trees.front());
            view.contents = tree.texts;
            view.cutOff = tree.cutOff;
            return !view.contents.empty();
        },
        5s);
    return view;
}

void ExpectHelpOpensMainTopic(DWORD process, const std::function<void()>& request,
                              const std::wstring& screenshot) {
    ASSERT_TRUE(HelpWindowsOf(process).empty()) << "a help window is open before the request";
    request();
    const std::optional<HelpWindowView> help = WaitForHelpWindow(process, 20s);
    ASSERT_TRUE(help.has_value()) << "no help window of the program's process showed";
    EXPECT_EQ(HelpWindowsOf(process).size(), 1u);
    EXPECT_EQ(help->caption, kHelpWindowCaption);
    EXPECT_TRUE(EqualRect(&help->rect, &kHelpWindowRect))
        << "the help window stands at " << RectText(help->rect) << ", the window type \"HelpWindow\" at "
        << RectText(kHelpWindowRect);
    EXPECT_EQ(help->contents, HelpContentsEntries()) << "the contents are not those of our help file";
    EXPECT_EQ(help->cutOff, std::vector<std::wstring>{})
        << "the contents pane is too narrow for these entries";
    EXPECT_TRUE(SaveArtifact(help->window, screenshot));

    PostMessageW(help->window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return HelpWindowsOf(process).empty(); }, 10s)) << "the help window stayed";
}

void ExpectF1OpensMainTopic(DWORD process, HWND window, const std::wstring& screenshot) {
    ExpectHelpOpensMainTopic(
        process, [&] { PressKey(window, VK_F1); }, screenshot);
}

} // namespace zentrim::e2e
