// An optimize run and then a restore run, worked through the windows as a user works them, with
// the registry looked at before, between and after.
#include "e2e/e2e_fixture.h"
#include "support/key_security_win32.h"

#include <array>

namespace zentrim::e2e {
namespace {

struct StepGroup {
    const wchar_t* text;
    int times;
};

// The step lines of the two runs in order, as the English catalogue words them.
constexpr std::array<StepGroup, 11> kOptimizeSteps{{
    {L"Finding modem information", 2},
    {L"Finding computer information", 2},
    {L"Finding total physical memory installed", 3},
    {L"Finding hardware adapters", 1},
    {L"Finding display device", 2},
    {L"Finding 3D graphics device", 4},
    {L"Finding processor information", 4},
    {L"Finding input devices", 2},
    {L"Finding hard drives", 3},
    {L"Backing up system, gaming && internet settings", 3},
    {L"Writing new system and internet settings", 6},
}};
constexpr std::array<StepGroup, 10> kRestoreSteps{{
    {L"Finding modem information", 2},
    {L"Finding computer information", 2},
    {L"Finding total physical memory installed", 3},
    {L"Finding hardware adapters", 1},
    {L"Finding display device", 2},
    {L"Finding 3D graphics device", 4},
    {L"Finding processor information", 4},
    {L"Finding input devices", 2},
    {L"Finding hard drives", 3},
    {L"Restoring system, gaming && internet settings", 6},
}};

// Every step line seen is one of the run's texts followed by one to three dots, and the texts
// come in the run's order. Until the first dot of its first step a run still shows the line the
// previous run ended with, `leftOver`.
template <std::size_t N>
void ExpectStepLinesInOrder(const std::vector<std::wstring>& lines, const std::array<StepGroup, N>& steps,
                            const std::wstring& leftOver = {}) {
    std::size_t group = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::wstring& line = lines[i];
        if (i == 0 && !leftOver.empty() && line == leftOver) {
            continue;
        }
        const auto dots = line.size() - line.find_last_not_of(L'.') - 1;
        const std::wstring text = line.substr(0, line.size() - dots);
        EXPECT_TRUE(dots >= 1 && dots <= 3) << "step line \"" << Narrow(line) << "\"";
        while (group < N && text != steps[group].text) {
            ++group;
        }
        if (group == N) {
            ADD_FAILURE() << "step line \"" << Narrow(line) << "\" unknown or out of order";
            return;
        }
    }
}

MaybeValue ProductValue(const wchar_t* name) {
    return ReadValue(HKEY_LOCAL_MACHINE, kProductKeyPath, name);
}

// Presses a main-window button that runs something, and waits for the box its run asks.
std::optional<MessageBoxView> PressAndWaitForQuestion(HWND main, HWND button, Milliseconds limit) {
    PressButton(button);
    return WaitForMessageBoxOwnedBy(main, limit);
}

void ExpectRestartQuestion(const std::optional<MessageBoxView>& box) {
    ASSERT_TRUE(box.has_value()) << "no restart question";
    EXPECT_EQ(box->title, kMainTitle);
    EXPECT_EQ(box->text, kRestartQuestion);
    EXPECT_EQ(box->buttons, (std::vector<int>{IDYES, IDNO}));
    EXPECT_EQ(box->defaultButton, IDNO) << "No is the default answer";
}

TEST_F(EndToEnd, OptimizeRunWritesTheCatalogueAndRestoreRunPutsBackTheValuesFromBefore) {
    // Some values as a user's Windows may hold them: a tweaked value that existed, a backed-up
    // value that differs from its default, one that does not exist, a text, and values of rows
    // the chosen profile does not write.
    const HKEY machine = HKEY_LOCAL_MACHINE;
    const wchar_t* tcpip = L"System\\CurrentControlSet\\Services\\Tcpip\\Parameters";
    WriteValue(machine, tcpip, L"SynAttackProtect", DwordValue(1));
    WriteValue(machine, tcpip, L"DefaultTTL", DwordValue(128));
    WriteValue(machine, L"System\\CurrentControlSet\\Control\\PriorityControl", L"Win32PrioritySeparation",
               DwordValue(0x26));
    WriteValue(machine, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer", L"ThumbnailSize",
               DwordValue(120));
    WriteValue(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings",
               L"MaxConnectionsPer1_0Server", std::nullopt);
    WriteValue(HKEY_CURRENT_USER, L"Control Panel\\Desktop\\WindowMetrics", L"MinAnimate", StringValue(L"0"));
    const ValueState before = ReadCatalogueState();

    // Windows Server 2008, VIA, ISDN, Maximum Boost: the server rows but not the desktop ones,
    // none of the broadband rows, eight connections per server.
    const Choices choices{.windowsIndex = 7, .processorIndex = 2, .internetType = 7, .speedSetting = 1};

    ChildProcess program;
    HWND main = StartMainInstance(program);
    ASSERT_NE(main, nullptr);
    const MainWindowView view(main);
    ASSERT_TRUE(view.Choose(choices)) << "could not make the choices with the keyboard";
    EXPECT_EQ(WindowText(view.WindowsCombo()), L"  Microsoft \u00AE Windows Server 2008");
    EXPECT_EQ(WindowText(view.ProcessorCombo()), L"  VIA \u00AE Processor");
    EXPECT_EQ(WindowText(view.ModemCombo()), L"  ISDN");
    EXPECT_TRUE(SaveArtifact(main, L"main-window-choices"));

    // Optimize.
    PressButton(view.GoButton());
    const ProgressObservation optimizing =
        WatchProgressWindow(main, ArtifactPath(L"progress-window-optimize"));
    ASSERT_TRUE(optimizing.shown) << "no progress window";
    EXPECT_EQ(optimizing.title, L"Updating computer's system, gaming & internet settings");
    EXPECT_EQ(optimizing.heading, L"Optimizing the computer's system, gaming && internet settings");
    EXPECT_TRUE(optimizing.headingShowsAccelerators) << "\"&&\" must show as one \"&\"";
    EXPECT_TRUE(optimizing.ownedByMain);
    EXPECT_TRUE(optimizing.mainDisabledDuringSteps);
    EXPECT_TRUE(optimizing.screenshotSaved);
    ExpectStepLinesInOrder(optimizing.stepLines, kOptimizeSteps);

    std::optional<MessageBoxView> question = WaitForMessageBoxOwnedBy(main, kRunLimit);
    ExpectRestartQuestion(question);
    ASSERT_TRUE(question.has_value());
    EXPECT_TRUE(SaveArtifact(question->window, L"restart-question-optimize"));

    // The registry work is done before the question is asked.
    const ValueState afterOptimize = ReadCatalogueState();
    ExpectCatalogueState(afterOptimize, ExpectedAfterOptimize(before, choices), "after optimize");
    EXPECT_EQ(ProductValue(L"InternetType"), DwordValue(7));
    EXPECT_EQ(ProductValue(L"ProcessorType"), DwordValue(2));
    EXPECT_EQ(ProductValue(L"SpeedSetting"), DwordValue(1));
    EXPECT_EQ(ProductValue(L"Restore"), DwordValue(1));
    for (const auto& [name, value] : ExpectedBackupValues(before)) {
        EXPECT_EQ(Describe(ProductValue(name.c_str())), Describe(value)) << "backup of " << Narrow(name);
    }
    EXPECT_FALSE(ValueNames(HKEY_LOCAL_MACHINE, kOriginalsKeyPath).empty()) << "no record of the originals";

    ASSERT_TRUE(AnswerMessageBox(*question, IDNO));
    EXPECT_TRUE(program.Running()) << "No restarts nothing and ends nothing";
    EXPECT_TRUE(IsWindowEnabled(main));
    EXPECT_TRUE(IsWindowEnabled(view.RestoreButton()));
    HWND progress = FindProgramWindow(kProgressClass, program.Id());
    ASSERT_NE(progress, nullptr);
    EXPECT_FALSE(IsWindowVisible(progress));
    const ProgressState optimizeEnd = ReadProgressState(progress);
    EXPECT_EQ(optimizeEnd.stepLine, L"Writing new system and internet settings...");
    EXPECT_EQ(optimizeEnd.bar, 97) << "32 steps of 33";
    EXPECT_TRUE(SaveArtifact(main, L"main-window-after-optimize"));

    // Restore, first cancelled: nothing happens.
    std::optional<MessageBoxView> confirmation = PressAndWaitForQuestion(main, view.RestoreButton(), 20s);
    ASSERT_TRUE(confirmation.has_value()) << "no confirmation";
    EXPECT_EQ(confirmation->title, kMainTitle);
    EXPECT_EQ(confirmation->text,
              L"This will restore all changes made to the computer's system, gaming and "
              L"internet settings to their original recommended values.\r\n\r\nClick OK to "
              L"continue.");
    EXPECT_EQ(confirmation->buttons, (std::vector<int>{IDOK, IDCANCEL}));
    EXPECT_EQ(confirmation->defaultButton, IDOK);
    EXPECT_TRUE(SaveArtifact(confirmation->window, L"restore-confirmation"));
    ASSERT_TRUE(AnswerMessageBox(*confirmation, IDCANCEL));
    std::this_thread::sleep_for(1500ms);
    EXPECT_FALSE(IsWindowVisible(progress));
    EXPECT_EQ(ProductValue(L"Restore"), DwordValue(1));
    ExpectCatalogueState(ReadCatalogueState(), afterOptimize, "after a cancelled restore");

    // Restore, confirmed.
    confirmation = PressAndWaitForQuestion(main, view.RestoreButton(), 20s);
    ASSERT_TRUE(confirmation.has_value()) << "no confirmation the second time";
    ASSERT_TRUE(AnswerMessageBox(*confirmation, IDOK));
    const ProgressObservation restoring = WatchProgressWindow(main, ArtifactPath(L"progress-window-restore"));
    ASSERT_TRUE(restoring.shown);
    EXPECT_EQ(restoring.heading, L"Restoring the computer's system, gaming && internet settings");
    ExpectStepLinesInOrder(restoring.stepLines, kRestoreSteps, optimizeEnd.stepLine);

    question = WaitForMessageBoxOwnedBy(main, kRunLimit);
    ExpectRestartQuestion(question);
    ASSERT_TRUE(question.has_value());
    EXPECT_TRUE(SaveArtifact(question->window, L"restart-question-restore"));

    ExpectCatalogueState(ReadCatalogueState(), before, "after restore");
    EXPECT_FALSE(ProductValue(L"Restore").has_value());
    for (const auto& [name, value] : ExpectedBackupValues(before)) {
        EXPECT_FALSE(ProductValue(name.c_str()).has_value())
            << "backup of " << Narrow(name) << " left behind";
    }
    EXPECT_TRUE(ValueNames(HKEY_LOCAL_MACHINE, kOriginalsKeyPath).empty());
    HKEY record = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kOriginalsKeyPath, 0, KEY_READ, &record),
              ERROR_FILE_NOT_FOUND)
        << "the record's key is left behind";
    if (record != nullptr) {
        RegCloseKey(record);
    }
    // The choices survive a restore.
    EXPECT_EQ(ProductValue(L"InternetType"), DwordValue(7));
    EXPECT_EQ(ProductValue(L"SpeedSetting"), DwordValue(1));

    ASSERT_TRUE(AnswerMessageBox(*question, IDNO));
    EXPECT_TRUE(IsWindowEnabled(main));
    EXPECT_FALSE(IsWindowEnabled(view.RestoreButton()));
    const ProgressState restoreEnd = ReadProgressState(progress);
    EXPECT_EQ(restoreEnd.stepLine, L"Restoring system, gaming && internet settings...");
    EXPECT_EQ(restoreEnd.bar, 100);

    CloseMainInstance(program, main);
}

// Without the right to change the product key (as for an account without administrator rights)
// no backup can be stored: the optimize run changes nothing at all, says so, and offers no restart.
TEST_F(EndToEnd, WithoutABackupTheOptimizeRunChangesNothingAndSaysSo) {
    ASSERT_TRUE(
        WriteValue(HKEY_LOCAL_MACHINE, kProductKeyPath, L"InstalledDate", StringValue(L"1704164645")));
    ASSERT_TRUE(
        testing::SetKeyTreeSecurity(HKEY_LOCAL_MACHINE, kProductKeyPath, testing::kReadOnlyKeySecurity));
    WriteValue(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings",
               L"MaxConnectionsPerServer", DwordValue(10));
    const ValueState before = ReadCatalogueState();

    ChildProcess program;
    HWND main = StartMainInstance(program);
    ASSERT_NE(main, nullptr);
    const MainWindowView view(main);
    PressButton(view.GoButton());
    const std::optional<MessageBoxView> warning = WaitForMessageBoxOwnedBy(main, kRunLimit);
    ASSERT_TRUE(warning.has_value()) << "no warning";
    EXPECT_EQ(warning->title, kMainTitle);
    EXPECT_EQ(warning->text,
              L"Zentrim could not save a backup of the current settings, so it changed nothing."
              L"\r\n\r\nStart Zentrim as an administrator and try again.");
    EXPECT_EQ(warning->buttons, std::vector<int>{IDOK});
    EXPECT_TRUE(SaveArtifact(warning->window, L"backup-failed-warning"));
    ASSERT_TRUE(AnswerMessageBox(*warning, IDOK));

    EXPECT_FALSE(WaitForMessageBoxOwnedBy(main, 2s).has_value())
        << "a restart is offered though nothing changed";
    ExpectCatalogueState(ReadCatalogueState(), before, "after an optimize run without a backup");
    EXPECT_FALSE(ProductValue(L"Restore").has_value());
    EXPECT_TRUE(IsWindowEnabled(main));
    EXPECT_FALSE(IsWindowEnabled(view.RestoreButton()));
    CloseMainInstance(program, main);
}

// A backup that an older version or another program left with "Restore" as the text "1": the
// backup values say a backup is held, so "&Restore" is offered, an optimize run leaves the backup
// as it found it, and a restore puts the user's values back from it.
TEST_F(EndToEnd, ABackupWithAFlagOfAnotherTypeIsOfferedAndNeverOverwritten) {
    const std::pair<const wchar_t*, StoredValue> backup[] = {
        {L"NtfsDisableLastAccessupdate", DwordValue(0)},
        {L"NtfsMftZoneReservation", DwordValue(1)},
        {L"MinAnimate", StringValue(L"0")},
        {L"DisablePagingExecutive", DwordValue(1)},
        {L"LargeSystemCache", DwordValue(1)},
        {L"Win32PrioritySeparation", DwordValue(38)},
        {L"AutoReboot", DwordValue(0)},
        {L"MaxConnectionsPerServer", DwordValue(10)},
        {L"MaxConnectionsPer1_0Server", DwordValue(10)},
        {L"KeepAliveTime", DwordValue(600000)},
        {L"KeepAliveInterval", DwordValue(2000)},
    };
    for (const auto& [name, value] : backup) {
        ASSERT_TRUE(WriteValue(HKEY_LOCAL_MACHINE, kProductKeyPath, name, value));
    }
    ASSERT_TRUE(WriteValue(HKEY_LOCAL_MACHINE, kProductKeyPath, L"Restore", StringValue(L"1")));
    const wchar_t* priority = L"System\\CurrentControlSet\\Control\\PriorityControl";
    WriteValue(HKEY_LOCAL_MACHINE, priority, L"Win32PrioritySeparation", DwordValue(1)); // tweaked

    ChildProcess program;
    HWND main = StartMainInstance(program);
    ASSERT_NE(main, nullptr);
    const MainWindowView view(main);
    EXPECT_TRUE(IsWindowEnabled(view.RestoreButton())) << "a held backup must be offered";

    PressButton(view.GoButton());
    std::optional<MessageBoxView> question = WaitForMessageBoxOwnedBy(main, kRunLimit);
    ExpectRestartQuestion(question);
    ASSERT_TRUE(question.has_value());
    ASSERT_TRUE(AnswerMessageBox(*question, IDNO));
    for (const auto& [name, value] : backup) {
        EXPECT_EQ(Describe(ProductValue(name)), Describe(value))
            << "backup of " << Narrow(name) << " overwritten";
    }

    std::optional<MessageBoxView> confirmation = PressAndWaitForQuestion(main, view.RestoreButton(), 20s);
    ASSERT_TRUE(confirmation.has_value());
    ASSERT_TRUE(AnswerMessageBox(*confirmation, IDOK));
    question = WaitForMessageBoxOwnedBy(main, kRunLimit);
    ExpectRestartQuestion(question);
    ASSERT_TRUE(question.has_value());
    ASSERT_TRUE(AnswerMessageBox(*question, IDNO));
    EXPECT_EQ(Describe(ReadValue(HKEY_LOCAL_MACHINE, priority, L"Win32PrioritySeparation")),
              Describe(DwordValue(38)));
    EXPECT_FALSE(ProductValue(L"Restore").has_value());
    EXPECT_FALSE(IsWindowEnabled(view.RestoreButton()));

    CloseMainInstance(program, main);
}

} // namespace
} // namespace zentrim::e2e
