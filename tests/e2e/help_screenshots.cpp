#include "e2e/help_screenshots.h"

#include "e2e/catalogue_expectations.h"
#include "e2e/program_session.h"
#include "e2e/screenshot.h"
#include "support/key_security_win32.h"

#include <cstdio>
#include <string>

namespace zentrim::e2e {

namespace {

// 2 January 2024, 03:04:05 on the local wall clock, as the program stores a moment: the "Last
// updated" line shows the same date at every refresh of the pictures.
constexpr wchar_t kFixedInstallationDate[] = L"1704164645";

int Fail(const char* why) {
    std::fprintf(stderr, "help-screenshots: %s\n", why);
    return 1;
}

std::wstring PicturePath(const wchar_t* name) {
    return Options().artifacts + L"\\" + name + L".png";
}

bool Save(HWND window, const wchar_t* name) {
    const bool saved = SaveWindowPng(window, PicturePath(name));
    std::fprintf(stderr, "help-screenshots: %ls %s\n", name, saved ? "saved" : "NOT saved");
    return saved;
}

// A registry key made read-only for a while, as it is to an account without administrator rights;
// opened up again when it goes.
class ReadOnlyKey {
public:
    ReadOnlyKey(HKEY root, std::wstring path)
        : root_(root), path_(std::move(path)),
          made_(testing::SetKeyTreeSecurity(root_, path_, testing::kReadOnlyKeySecurity)) {}
    ReadOnlyKey(const ReadOnlyKey&) = delete;
    ReadOnlyKey& operator=(const ReadOnlyKey&) = delete;
    ~ReadOnlyKey() {
        if (made_) {
            testing::SetKeyTreeSecurity(root_, path_, testing::kFullAccessKeySecurity);
        }
    }
    bool Made() const { return made_; }

private:
    HKEY root_;
    std::wstring path_;
    bool made_;
};

// The registry as it was found, put back at the end: the catalogue's values and the product key.
class RegistryRestorer {
public:
    RegistryRestorer()
        : catalogue_(ReadCatalogueState()),
          productKeyExisted_(KeyExists(HKEY_LOCAL_MACHINE, kProductKeyPath)) {}
    RegistryRestorer(const RegistryRestorer&) = delete;
    RegistryRestorer& operator=(const RegistryRestorer&) = delete;
    ~RegistryRestorer() {
        WriteCatalogueState(catalogue_);
        if (!productKeyExisted_) {
            DeleteKeyTree(HKEY_LOCAL_MACHINE, kProductKeyPath);
        }
    }
    const ValueState& Catalogue() const { return catalogue_; }

private:
    ValueState catalogue_;
    bool productKeyExisted_;
};

// The first catalogue value an optimize run with `choices` changes in a key that exists; that key
// is the one made read-only, so that the run finds a setting it could not change.
const LiveValue* FirstChangedValue(const ValueState& before, const Choices& choices) {
    const ValueState after = ExpectedAfterOptimize(before, choices);
    const auto& values = CatalogueValues();
    for (std::size_t i = 0; i < values.size() && i < after.size(); ++i) {
        if (after[i].has_value() && after[i] != before[i] && KeyExists(values[i].root, values[i].keyPath)) {
            return &values[i];
        }
    }
    return nullptr;
}

// Waits until the run has come part of the way, then saves the progress window.
bool SaveProgressPartWay(HWND main) {
    HWND progress = FindProgramWindow(kProgressClass, ProcessOf(main));
    if (progress == nullptr || !WaitUntil([&] { return IsWindowVisible(progress) != FALSE; }, kRunLimit)) {
        return false;
    }
    bool saved = false;
    WaitUntil(
        [&] {
            const ProgressState state = ReadProgressState(progress);
            if (!IsWindowVisible(progress)) {
                return true; // the run is over
            }
            if (state.bar >= 40 && !state.stepLine.empty()) {
                saved = SaveWindowPng(progress, PicturePath(L"progress-window"), false);
            }
            return saved;
        },
        kRunLimit);
    std::fprintf(stderr, "help-screenshots: progress-window %s\n", saved ? "saved" : "NOT saved");
    return saved;
}

// The main window in each language, "main-window-<language>.png", for the languages document.
bool SaveMainWindowInEveryLanguage(ProgramFolder& folder) {
    bool all = true;
    for (const wchar_t* language : {L"english", L"german", L"french", L"spanish", L"italian", L"portuguese",
                                    L"dutch", L"polish", L"russian"}) {
        WriteValue(HKEY_LOCAL_MACHINE, kProductKeyPath, L"Language", StringValue(language));
        ChildProcess program = folder.Start();
        HWND main = program.Started() ? WaitForMainWindow(program.Id()) : nullptr;
        all = main != nullptr && Save(main, (L"main-window-" + std::wstring(language)).c_str()) && all;
        if (main != nullptr) {
            PostMessageW(main, WM_CLOSE, 0, 0);
        }
        all = program.WaitForExit(20s).has_value() && all;
    }
    WriteValue(HKEY_LOCAL_MACHINE, kProductKeyPath, L"Language", std::nullopt);
    return all;
}

} // namespace

int TakeHelpScreenshots() {
    CreateFolders(Options().artifacts);
    ProgramFolder folder;
    if (!folder.Ready()) {
        return Fail("could not copy the program to a folder of its own");
    }
    const RegistryRestorer restorer;
    WriteValue(HKEY_LOCAL_MACHINE, kProductKeyPath, L"InstalledDate", StringValue(kFixedInstallationDate));

    ChildProcess program = folder.Start();
    HWND main = program.Started() ? WaitForMainWindow(program.Id()) : nullptr;
    if (main == nullptr) {
        return Fail("the main window did not show");
    }
    const MainWindowView view(main);
    bool all = Save(main, L"main-window");

    // The About window, opened from the link in the column on the left and closed with "&Close".
    HWND about = FindProgramWindow(kAboutClass, program.Id());
    HWND link = view.Label(L"About Zentrim");
    if (about == nullptr || link == nullptr) {
        return Fail("no About window or no link to it");
    }
    ClickWindow(link);
    if (!WaitUntil([&] { return IsWindowVisible(about) != FALSE; }, 15s)) {
        return Fail("the About window did not show");
    }
    all = Save(about, L"about-window") && all;
    PressButton(FindDescendant(about, L"Button", L"&Close"));
    if (!WaitUntil([&] { return IsWindowVisible(about) == FALSE && IsWindowEnabled(main) != FALSE; }, 15s)) {
        return Fail("the About window did not close");
    }

    // An optimize run with the choices the program made, one of whose settings cannot be changed.
    const Choices choices{view.SelectedIndex(view.WindowsCombo()), view.SelectedIndex(view.ProcessorCombo()),
                          view.SelectedIndex(view.ModemCombo()), view.SpeedPosition()};
    const LiveValue* refused = FirstChangedValue(restorer.Catalogue(), choices);
    if (refused == nullptr) {
        return Fail("the run would change no setting");
    }
    const ReadOnlyKey readOnly(refused->root, refused->keyPath);
    if (!readOnly.Made()) {
        return Fail("could not make a key of the catalogue read-only");
    }
    PressButton(view.GoButton());
    all = SaveProgressPartWay(main) && all;

    std::optional<MessageBoxView> box = WaitForMessageBoxOwnedBy(main, kRunLimit);
    if (box && box->text.starts_with(L"Some settings could not be changed")) {
        all = Save(box->window, L"access-denied-warning") && all;
        AnswerMessageBox(*box, IDOK);
        box = WaitForMessageBoxOwnedBy(main, kRunLimit);
    } else {
        all = false;
        std::fprintf(stderr, "help-screenshots: no warning about a setting that could not be changed\n");
    }
    if (!box) {
        return Fail("the restart question did not come");
    }
    all = Save(box->window, L"restart-question") && all;
    if (!AnswerMessageBox(*box, IDNO)) {
        return Fail("could not answer No to the restart question");
    }

    PostMessageW(main, WM_CLOSE, 0, 0);
    if (!program.WaitForExit(20s)) {
        return Fail("the program did not end after its window was closed");
    }
    all = SaveMainWindowInEveryLanguage(folder) && all;
    return all ? 0 : 1;
}

} // namespace zentrim::e2e
