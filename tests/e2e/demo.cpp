#include "e2e/demo.h"

#include "e2e/catalogue_expectations.h"
#include "e2e/program_session.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>

namespace zentrim::e2e {

namespace {

void Print(const std::wstring& line) {
    const std::wstring text = line + L"\n";
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), utf8.data(), size, nullptr,
                        nullptr);
    std::fputs(utf8.c_str(), stdout);
    std::fflush(stdout);
}

int Fail(const std::wstring& why) {
    Print(L"demo: " + why);
    return 1;
}

// Z:\tmp\x as /tmp/x again, for the reader of the output.
std::wstring ShownPath(std::wstring path) {
    if (path.starts_with(L"Z:")) {
        path.erase(0, 2);
        for (wchar_t& c : path) {
            c = c == L'\\' ? L'/' : c;
        }
    }
    return path;
}

void Saved(HWND window, const std::wstring& what) {
    if (SaveArtifact(window, what)) {
        Print(L"  screenshot " + ShownPath(ArtifactPath(what)));
    } else {
        Print(L"  (no screenshot of " + what + L")");
    }
}

std::wstring Padded(std::wstring text, std::size_t width) {
    if (text.size() < width) {
        text.append(width - text.size(), L' ');
    }
    return text + L" ";
}

// One value of a table: its name, then its content before and after, in columns; the key is
// printed above the first value of each key.
class ChangeTable {
public:
    void Add(const std::wstring& key, const std::wstring& name, const MaybeValue& before,
             const MaybeValue& after) {
        if (key != lastKey_) {
            Print(L"  " + key);
            lastKey_ = key;
        }
        Print(L"    " + Padded(name, 30) + Padded(Describe(before), 20) + L"-> " + Describe(after));
        ++rows_;
    }
    int Rows() const { return rows_; }

private:
    std::wstring lastKey_;
    int rows_ = 0;
};

std::map<std::wstring, MaybeValue> ProductKeyValues() {
    std::map<std::wstring, MaybeValue> values;
    for (const std::wstring& name : ValueNames(HKEY_LOCAL_MACHINE, kProductKeyPath)) {
        values[name] = ReadValue(HKEY_LOCAL_MACHINE, kProductKeyPath, name);
    }
    return values;
}

} // namespace

int RunDemo() {
    ProgramFolder folder;
    if (!folder.Ready()) {
        return Fail(L"could not copy the program to a folder of its own");
    }
    const ValueState before = ReadCatalogueState();
    const auto productBefore = ProductKeyValues();

    Print(L"Starting Zentrim (the quick test variant) ...");
    ChildProcess program = folder.Start();
    HWND main = program.Started() ? WaitForMainWindow(program.Id()) : nullptr;
    if (main == nullptr) {
        return Fail(L"the main window did not show");
    }
    const MainWindowView view(main);
    Print(L"Main window: \"" + WindowText(main) + L"\"");
    Saved(main, L"1-main-window");

    // The user keeps the detected Windows and processor, says the computer is on a local network
    // and asks for the most speed.
    constexpr int kLocalAreaNetwork = 6;
    if (!view.ChooseEntry(view.ModemCombo(), kLocalAreaNetwork) || !view.MoveSpeed(1)) {
        return Fail(L"could not make the choices");
    }
    Print(L"Choices: Windows \"" + WindowText(view.WindowsCombo()) + L"\", processor \"" +
          WindowText(view.ProcessorCombo()) + L"\", internet \"" + WindowText(view.ModemCombo()) +
          L"\", speed Maximum Boost");
    Saved(main, L"2-main-window-choices");

    Print(L"Pressing \"Optimize now\" ...");
    PressButton(view.GoButton());
    const ProgressObservation progress = WatchProgressWindow(main, ArtifactPath(L"3-progress-window"));
    if (!progress.shown) {
        return Fail(L"the progress window did not show");
    }
    Print(L"Progress window: \"" + progress.title + L"\", " + std::to_wstring(progress.stepLines.size()) +
          L" step lines seen");
    if (progress.screenshotSaved) {
        Print(L"  screenshot " + ShownPath(ArtifactPath(L"3-progress-window")));
    }

    const std::optional<MessageBoxView> question = WaitForMessageBoxOwnedBy(main, kRunLimit);
    if (!question) {
        return Fail(L"the restart question did not come");
    }
    Print(L"Restart question: \"" + question->text.substr(0, question->text.find(L'\r')) + L" ...\"");
    Saved(question->window, L"4-restart-question");
    if (!AnswerMessageBox(*question, IDNO)) {
        return Fail(L"could not answer No");
    }
    Print(L"Answered No.");
    Saved(main, L"5-main-window-after");

    PostMessageW(main, WM_CLOSE, 0, 0);
    if (!program.WaitForExit(20s)) {
        return Fail(L"the program did not end after its window was closed");
    }

    Print(L"");
    Print(L"Registry values the run changed (before -> after):");
    const ValueState after = ReadCatalogueState();
    const auto& values = CatalogueValues();
    // In catalogue order within each key, the keys in the order of their first value.
    std::vector<std::wstring> keys;
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < values.size(); ++i) {
        keys.push_back(RootName(values[i].root) + L"\\" + values[i].keyPath);
        if (before[i] != after[i]) {
            order.push_back(i);
        }
    }
    const auto firstOf = [&](std::size_t i) {
        return std::find(keys.begin(), keys.end(), keys[i]) - keys.begin();
    };
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return firstOf(a) < firstOf(b); });
    ChangeTable tweaks;
    for (const std::size_t i : order) {
        tweaks.Add(keys[i], values[i].name, before[i], after[i]);
    }
    const int changed = tweaks.Rows();
    Print(L"  (" + std::to_wstring(changed) + L" of the " + std::to_wstring(values.size()) +
          L" values of the tweak catalogue changed)");
    Print(L"");
    Print(L"The program's own key: the choices, the backup values and the \"Restore\" flag:");
    ChangeTable own;
    const std::wstring productKey = L"HKEY_LOCAL_MACHINE\\" + std::wstring(kProductKeyPath);
    for (const auto& [name, value] : ProductKeyValues()) {
        const auto old = productBefore.find(name);
        const MaybeValue previous = old == productBefore.end() ? std::nullopt : old->second;
        if (previous != value) {
            own.Add(productKey, name, previous, value);
        }
    }
    Print(L"  and " + std::to_wstring(ValueNames(HKEY_LOCAL_MACHINE, kOriginalsKeyPath).size()) +
          L" entries under " + productKey + L"\\Originals recording how every value looked before");
    return changed > 0 ? 0 : Fail(L"the run changed no tweaked value");
}

} // namespace zentrim::e2e
