// The console program on registry files: 32-bit Windows' exports, the file's lock, changes made by
// another program, killed saves, read-only files, and output that does not reach its reader.
#include "console_fixture.h"

#include <sys/stat.h>

namespace zentrim {
namespace {

using namespace console_test;

// A registry file of 32-bit Windows keeps the product key outside WOW6432Node. Its backup must be
// found there and kept there: a restore after another optimize run gives back every value.
TEST_F(ConsoleTest, AnExportOf32BitWindowsKeepsItsBackupThroughOptimizeAndRestore) {
    const std::string machine = MachineFile();
    const UserValueSet userValues = UserValuesOf(ReadKeys(machine));
    ASSERT_EQ(RunCmd(host_, {"optimize", "--registry", machine}), 0) << host_.err;
    const std::vector<StoredKey> optimized64 = ReadKeys(machine);
    const std::vector<StoredKey> optimized32 = As32BitExport(optimized64);
    const std::string x86 = WriteFile("x86.reg", FormatRegFile(optimized32));

    const Json status = RunJson({"status", "--registry", x86}, 0);
    EXPECT_EQ(status["registry"]["arch"], "x86");
    EXPECT_EQ(status["backup"]["held"], true);
    EXPECT_EQ(status["backup"]["record"], "complete");

    ASSERT_EQ(RunCmd(host_, {"optimize", "--registry", x86, "--speed", "max"}), 0) << host_.err;
    ASSERT_EQ(RunCmd(host_, {"restore", "--registry", x86}), 0) << host_.err;
    const std::vector<StoredKey> restored = ReadKeys(x86);
    EXPECT_EQ(UserValuesOf(restored), userValues);
    EXPECT_FALSE(HasKeyBelow(restored, u"Software\\WOW6432Node")) << "nothing of 64-bit Windows added";

    // A file that does not tell takes --arch; one that tells must agree with it; one that holds two
    // different product keys is refused, since no one can tell which backup is the user's.
    const std::string plain =
        WriteFile("plain.reg", Utf16File(std::string(kWindows10) + std::string(kUserValues)));
    ASSERT_EQ(RunCmd(host_, {"optimize", "--registry", plain, "--arch", "x86"}), 0) << host_.err;
    EXPECT_TRUE(HasKeyBelow(ReadKeys(plain), u"Software\\ORVANE\\Zentrim\\Originals"));
    EXPECT_FALSE(HasKeyBelow(ReadKeys(plain), u"Software\\WOW6432Node"));

    std::vector<StoredKey> both = optimized64;
    for (const StoredKey& key : optimized32) {
        if (HasKeyBelow({key}, u"Software\\ORVANE")) {
            both.push_back(key);
        }
    }
    EXPECT_EQ(
        RunJson({"status", "--registry", WriteFile("same.reg", FormatRegFile(both))}, 0)["registry"]["arch"],
        "x64")
        << "the same content in both places is one product key";
    std::ranges::find_if(both.rbegin(), both.rend(), [](const StoredKey& key) {
        return EqualsIgnoringCase(key.path, u"Software\\ORVANE\\Zentrim");
    })->values.push_back({u"SpeedSetting", ValueType::Dword, {1, 0, 0, 0}});
    const std::string twice = WriteFile("twice.reg", FormatRegFile(both));
    const std::string x86Now = WriteFile("x86-again.reg", FormatRegFile(optimized32));
    for (const auto& [file, arguments] : std::vector<std::pair<std::string, std::vector<std::string_view>>>{
             {twice, {"restore"}},
             {twice, {"status"}},
             {x86Now, {"restore", "--arch", "x64"}},
             {machine, {"restore", "--arch", "x86"}}}) {
        SCOPED_TRACE(file + " " + std::string(arguments.front()));
        const std::vector<std::uint8_t> before = ReadBytes(file);
        std::vector<std::u16string> line;
        for (const std::string_view argument : arguments) {
            line.push_back(FromUtf8(argument));
        }
        line.push_back(u"--registry");
        line.push_back(FromUtf8(file));
        host_.err.clear();
        EXPECT_EQ(RunConsoleCommand(line, host_), console_exit::kUsage);
        EXPECT_NE(host_.err.find(file), std::string::npos) << host_.err;
        EXPECT_EQ(ReadBytes(file), before);
    }
}

// A run on a file that another run holds waits, then ends with 4; a file that another program
// changes during the run is left with that change, and the run saves nothing.
TEST_F(ConsoleTest, ARunOnAFileThatAnotherHoldsOrChangesSavesNothingAndEndsWithFour) {
    const std::string machine = MachineFile();
    const std::vector<std::uint8_t> original = ReadBytes(machine);
    {
        const RegFileLock::Result held =
            RegFileLock::Acquire(machine, RegFileLock::Mode::Exclusive, std::chrono::milliseconds(0));
        ASSERT_TRUE(held.lock) << held.error;
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(RunCmd(host_, {"optimize", "--registry", machine}), console_exit::kInUse);
        EXPECT_GE(std::chrono::steady_clock::now() - start, kRegFileLockWait);
        EXPECT_NE(host_.err.find("another run is using this file"), std::string::npos) << host_.err;
        EXPECT_EQ(ReadBytes(machine), original);
    }

    // Another program writes the file while the run shows its first step.
    const std::vector<std::uint8_t> outside = Utf16File(
        std::string(kWindows10) + "[HKEY_CURRENT_USER\\Outside]\r\n\"Written\"=dword:00000001\r\n\r\n");
    host_.onOut = [&](std::string_view text) {
        if (text.find("Finding modem information") != std::string_view::npos) {
            WriteFile("machine.reg", outside);
        }
    };
    EXPECT_EQ(RunCmd(host_, {"optimize", "--registry", machine}), console_exit::kInUse);
    host_.onOut = nullptr;
    EXPECT_NE(host_.err.find("another program changed the file"), std::string::npos) << host_.err;
    EXPECT_EQ(ReadBytes(machine), outside);
}

// Saves that were killed leave their temporary files beside the file; the next run that holds the
// file's lock removes those, and only those.
TEST_F(ConsoleTest, ARunRemovesTheTemporaryFilesThatKilledSavesOfItsFileLeft) {
    const std::string machine = MachineFile();
    const std::vector<std::string> stale{"machine.reg.0123456789abcdef.tmp",
                                         "machine.reg.f0f0f0f0f0f0f0f0.tmp"};
    const std::vector<std::string> kept{
        "machine.reg.0123456789ABCDEF.tmp", "machine.reg.0123.tmp", "machine.reg.0123456789abcdef.tmp.old",
        "other.reg.0123456789abcdef.tmp", "machine.reg.1111111111111111.tmp"}; // the last one a folder
    for (const std::string& name : stale) {
        WriteFile(name, std::vector<std::uint8_t>(1 << 20, 0x41));
    }
    for (std::size_t i = 0; i + 1 < kept.size(); ++i) {
        WriteFile(kept[i], {0x41});
    }
    std::filesystem::create_directory(folder_ / kept.back());

    ASSERT_EQ(RunCmd(host_, {"status", "--registry", machine}), 0) << host_.err;
    EXPECT_TRUE(std::filesystem::exists(folder_ / stale.front())) << "a reader holds no lock that tells";
    ASSERT_EQ(RunCmd(host_, {"optimize", "--registry", machine}), 0) << host_.err;
    for (const std::string& name : stale) {
        EXPECT_FALSE(std::filesystem::exists(folder_ / name)) << name;
    }
    for (const std::string& name : kept) {
        EXPECT_TRUE(std::filesystem::exists(folder_ / name)) << name;
    }
}

// A file that may not be written is refused before the run starts, whoever runs it (root may write
// a file of mode 0444, but its mode says that no one should).
TEST_F(ConsoleTest, ARunOnAReadOnlyFileIsRefusedBeforeItStarts) {
    const std::string machine = MachineFile();
    const std::vector<std::uint8_t> original = ReadBytes(machine);
    ASSERT_EQ(::chmod(machine.c_str(), 0444), 0);
    EXPECT_EQ(RunCmd(host_, {"optimize", "--registry", machine}), console_exit::kUsage);
    EXPECT_NE(host_.err.find(machine + ": the file is read-only"), std::string::npos) << host_.err;
    EXPECT_EQ(host_.out.find("Finding modem information"), std::string::npos)
        << "no step of the run was shown";
    EXPECT_EQ(ReadBytes(machine), original);
    EXPECT_EQ(RunCmd(host_, {"status", "--registry", machine}), 0) << "reading it is fine";
}

// Output that does not reach its reader makes any command end with 2, whatever it did.
TEST_F(ConsoleTest, OutputThatCouldNotBeWrittenEndsWithTwo) {
    const std::string machine = MachineFile();
    host_.outputReaches = false;
    EXPECT_EQ(RunCmd(host_, {"status", "--json", "--registry", machine}), console_exit::kUsage);
    EXPECT_NE(host_.err.find("could not be written"), std::string::npos);
    EXPECT_EQ(RunCmd(host_, {"--help"}), console_exit::kUsage);
}

} // namespace
} // namespace zentrim
