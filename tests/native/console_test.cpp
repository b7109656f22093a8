// The console program: its commands on registry files and on a stand-in for the live registry,
// the plan against what the run then really does, exit codes, and the undo file.
#include "base/text.h"
#include "cmd/console_commands.h"
#include "engine/custom_registry.h"
#include "engine/memory_registry_store.h"
#include "engine/reg_file_store.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

namespace zentrim {
namespace {

using Json = nlohmann::json;

class RecordingRestart final : public SystemRestart {
public:
    void SetShutdownPrivilege(bool) override {}
    void RequestExit(std::uint32_t) override { ++exits; }
    int exits = 0;
};

// A host whose "live registry" is a store of the test's own; a main window may be open.
class TestHost final : public ConsoleHost {
public:
    void WriteOut(std::string_view text) override { out += text; }
    void WriteError(std::string_view text) override { err += text; }
    RegistryStore* LiveRegistry() override { return live; }
    int DetectWindows() override { return 8; } // Windows 10
    std::optional<std::string> BackupTime() override { return "2026-12-09 10:00:00 UTC"; }
    SystemRestart& Restart() override { return restart; }
    std::unique_ptr<RunLock> LockRuns() override {
        return mainWindowOpen ? nullptr : std::make_unique<RunLock>();
    }

    RegistryStore* live = nullptr;
    bool mainWindowOpen = false;
    RecordingRestart restart;
    std::string out;
    std::string err;
};

int RunCmd(TestHost& host, std::initializer_list<std::string_view> arguments) {
    host.out.clear();
    host.err.clear();
    std::vector<std::u16string> list;
    for (const std::string_view argument : arguments) {
        list.push_back(FromUtf8(argument));
    }
    return RunConsoleCommand(list, host);
}

// Registry file text as regedit writes it.
std::vector<std::uint8_t> Utf16File(std::string_view text) {
    std::vector<std::uint8_t> bytes{0xFF, 0xFE};
    for (const char16_t c : FromUtf8(text)) {
        bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    return bytes;
}

constexpr std::string_view kWindows10 =
    "Windows Registry Editor Version 5.00\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion]\r\n"
    "\"CurrentMajorVersionNumber\"=dword:0000000a\r\n"
    "\"CurrentMinorVersionNumber\"=dword:00000000\r\n"
    "\"CurrentBuildNumber\"=\"19045\"\r\n"
    "\"InstallationType\"=\"Client\"\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0]\r\n"
    "\"ProcessorNameString\"=\"AMD Ryzen 7 5800X\"\r\n\r\n";

// What the user had before Zentrim, written out here: values of every type, one of them a text
// without its NUL, and values that do not exist.
constexpr std::string_view kUserValues =
    "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\FileSystem]\r\n"
    "\"NtfsDisableLastAccessUpdate\"=dword:80000003\r\n"
    "\"NtfsMftZoneReservation\"=hex(b):01,02,03,04,05,06,07,08\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Tcpip\\Parameters]\r\n"
    "\"SynAttackProtect\"=\"user text\"\r\n"
    "\"TcpMaxHalfOpen\"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n"
    "\"KeepAliveTime\"=hex:de,ad,be,ef\r\n"
    "\"EnableICMPRedirects\"=hex(2):25,00,50,00,00,00\r\n"
    "\"EnablePMTUDiscovery\"=hex(1):41,00,42\r\n\r\n"
    "[HKEY_CURRENT_USER\\Control Panel\\Desktop]\r\n"
    "\"SmoothScroll\"=hex(4):01,02\r\n\r\n";

struct ExpectedValue {
    std::u16string_view root;
    std::u16string_view path;
    std::u16string_view name;
    std::optional<RawValue> value; // nothing: must not exist
};

const std::vector<ExpectedValue>& UserValuesWrittenOut() {
    static const std::vector<ExpectedValue> values{
        {u"HKEY_LOCAL_MACHINE", u"System\\CurrentControlSet\\Control\\FileSystem",
         u"NtfsDisableLastAccessUpdate", RawValue{ValueType::Dword, {0x03, 0x00, 0x00, 0x80}}},
        {u"HKEY_LOCAL_MACHINE", u"System\\CurrentControlSet\\Control\\FileSystem", u"NtfsMftZoneReservation",
         RawValue{ValueType::Qword, {1, 2, 3, 4, 5, 6, 7, 8}}},
        {u"HKEY_LOCAL_MACHINE", u"System\\CurrentControlSet\\Services\\Tcpip\\Parameters",
         u"SynAttackProtect", RawValue{ValueType::String, {'u', 0, 's', 0, 'e', 0, 'r', 0, ' ', 0,
                                                           't', 0, 'e', 0, 'x', 0, 't', 0, 0,   0}}},
        {u"HKEY_LOCAL_MACHINE", u"System\\CurrentControlSet\\Services\\Tcpip\\Parameters", u"TcpMaxHalfOpen",
         RawValue{ValueType::MultiString, {0x61, 0, 0, 0, 0x62, 0, 0, 0, 0, 0}}},
        {u"HKEY_LOCAL_MACHINE", u"System\\CurrentControlSet\\Services\\Tcpip\\Parameters", u"KeepAliveTime",
         RawValue{ValueType::Binary, {0xDE, 0xAD, 0xBE, 0xEF}}},
        {u"HKEY_LOCAL_MACHINE", u"System\\CurrentControlSet\\Services\\Tcpip\\Parameters",
         u"EnableICMPRedirects", RawValue{ValueType::ExpandString, {0x25, 0, 0x50, 0, 0, 0}}},
        {u"HKEY_LOCAL_MACHINE", u"System\\CurrentControlSet\\Services\\Tcpip\\Parameters",
         u"EnablePMTUDiscovery", RawValue{ValueType::String, {0x41, 0, 0x42}}},
        {u"HKEY_CURRENT_USER", u"Control Panel\\Desktop", u"SmoothScroll",
         RawValue{ValueType::Dword, {1, 2}}},
        {u"HKEY_LOCAL_MACHINE", u"System\\CurrentControlSet\\Services\\Tcpip\\Parameters",
         u"TcpMaxHalfOpenRetried", std::nullopt},
        {u"HKEY_LOCAL_MACHINE", u"System\\CurrentControlSet\\Control\\CrashControl", u"AutoReboot",
         std::nullopt},
        {u"HKEY_CURRENT_USER", u"Control Panel\\Desktop\\WindowMetrics", u"MinAnimate", std::nullopt},
    };
    return values;
}

std::optional<RawValue> FindValue(const std::vector<StoredKey>& keys, std::u16string_view root,
                                  std::u16string_view path, std::u16string_view name) {
    for (const StoredKey& key : keys) {
        if (key.rootName == root && EqualsIgnoringCase(key.path, path)) {
            for (const StoredValue& value : key.values) {
                if (EqualsIgnoringCase(value.name, name)) {
                    return RawValue{value.type, value.data};
                }
            }
        }
    }
    return std::nullopt;
}

class ConsoleTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = std::filesystem::temp_directory_path() /
                  ("zentrim-console-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                   "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(folder_);
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    std::string WriteFile(std::string_view name, const std::vector<std::uint8_t>& bytes) {
        const auto path = folder_ / name;
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return path.string();
    }
    static std::vector<std::uint8_t> ReadBytes(const std::string& path) {
        std::ifstream stream(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
    }
    std::string MachineFile() {
        return WriteFile("machine.reg", Utf16File(std::string(kWindows10) + std::string(kUserValues)));
    }

    std::filesystem::path folder_;
    TestHost host_;
};

TEST_F(ConsoleTest, OptimizeAndExportUndoOnAFileGiveBackEveryValueFromBeforeWhenImported) {
    const std::string machine = MachineFile();
    ASSERT_EQ(RunCmd(host_, {"optimize", "--registry", machine, "--speed", "max"}), 0) << host_.err;
    EXPECT_NE(host_.out.find("[32/33]"), std::string::npos) << "a line per progress step";

    // The run changed the file: the user's values are gone from it.
    const auto optimized = ParseRegFile(ReadBytes(machine));
    ASSERT_TRUE(optimized) << optimized.error;
    EXPECT_EQ(FindValue(optimized.keys, u"HKEY_LOCAL_MACHINE",
                        u"System\\CurrentControlSet\\Control\\FileSystem", u"NtfsDisableLastAccessUpdate"),
              (RawValue{ValueType::Dword, {1, 0, 0, 0}}));

    const std::string undo = (folder_ / "undo.reg").string();
    ASSERT_EQ(RunCmd(host_, {"export-undo", undo, "--registry", machine}), 0) << host_.err;
    const std::vector<std::uint8_t> undoBytes = ReadBytes(undo);
    ASSERT_GE(undoBytes.size(), 2u);
    EXPECT_EQ(undoBytes[0], 0xFF) << "UTF-16LE with its byte order mark";
    EXPECT_EQ(undoBytes[1], 0xFE);

    const auto imported = ImportRegFile(undoBytes, optimized.keys);
    ASSERT_TRUE(imported) << imported.error;
    for (const ExpectedValue& expected : UserValuesWrittenOut()) {
        EXPECT_EQ(FindValue(imported.keys, expected.root, expected.path, expected.name), expected.value)
            << ToUtf8(expected.name);
    }
}

// Records every change a run makes, with the key it goes to.
class RecordingStore final : public RegistryStore {
public:
    explicit RecordingStore(RegistryStore& inner) : inner_(inner) {}
    struct Change {
        std::string op;
        std::u16string key;
        std::u16string name;
        std::optional<RawValue> value;
    };
    std::vector<Change> changes;

    StoreStatus OpenKey(RegistryRoot root, std::u16string_view path, std::uint32_t access,
                        StoreKey& key) override {
        const StoreStatus status = inner_.OpenKey(root, path, access, key);
        return Remember(status, key, path);
    }
    StoreStatus CreateKey(RegistryRoot root, std::u16string_view path, std::uint32_t access,
                          StoreKey& key) override {
        const StoreStatus status = inner_.CreateKey(root, path, access, key);
        return Remember(status, key, path);
    }
    StoreStatus QueryValue(StoreKey key, std::u16string_view name, ValueType& type,
                           std::span<std::uint8_t> buffer, std::uint32_t& size) override {
        return inner_.QueryValue(key, name, type, buffer, size);
    }
    StoreStatus SetValue(StoreKey key, std::u16string_view name, ValueType type,
                         std::span<const std::uint8_t> data) override {
        const StoreStatus status = inner_.SetValue(key, name, type, data);
        if (status == StoreStatus::Ok) {
            changes.push_back(
                {"set", paths_[key], std::u16string(name), RawValue{type, {data.begin(), data.end()}}});
        }
        return status;
    }
    StoreStatus DeleteValue(StoreKey key, std::u16string_view name) override {
        const StoreStatus status = inner_.DeleteValue(key, name);
        if (status == StoreStatus::Ok) {
            changes.push_back({"delete", paths_[key], std::u16string(name), std::nullopt});
        }
        return status;
    }
    StoreStatus DeleteKey(RegistryRoot root, std::u16string_view path, std::uint32_t access) override {
        const StoreStatus status = inner_.DeleteKey(root, path, access);
        if (status == StoreStatus::Ok) {
            changes.push_back({"deleteKey", std::u16string(BareKeyPath(path)), {}, std::nullopt});
        }
        return status;
    }
    void CloseKey(StoreKey key) override { inner_.CloseKey(key); }

private:
    StoreStatus Remember(StoreStatus status, StoreKey key, std::u16string_view path) {
        if (status == StoreStatus::Ok) {
            paths_[key] = std::u16string(BareKeyPath(path));
        }
        return status;
    }
    RegistryStore& inner_;
    std::map<StoreKey, std::u16string> paths_;
};

std::optional<RawValue> ValueFromJson(const Json& json) {
    if (json.is_null()) {
        return std::nullopt;
    }
    RawValue value;
    const std::string hex = json.at("hex").get<std::string>();
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        value.data.push_back(static_cast<std::uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    }
    static const std::map<std::string, ValueType> kTypes{{"REG_SZ", ValueType::String},
                                                         {"REG_EXPAND_SZ", ValueType::ExpandString},
                                                         {"REG_BINARY", ValueType::Binary},
                                                         {"REG_DWORD", ValueType::Dword},
                                                         {"REG_MULTI_SZ", ValueType::MultiString},
                                                         {"REG_QWORD", ValueType::Qword}};
    value.type = kTypes.at(json.at("type").get<std::string>());
    return value;
}

// The plan lists exactly the changes the run then makes, in the same order, for a first optimize
// run, a second one over a held backup, and a restore run.
TEST_F(ConsoleTest, ThePlanIsWhatTheRunThenDoes) {
    const auto parsed = ParseRegFile(Utf16File(std::string(kWindows10) + std::string(kUserValues)));
    ASSERT_TRUE(parsed);
    MemoryRegistryStore machine;
    machine.Load(parsed.keys);

    for (const auto& [plan, run] : std::vector<std::pair<std::vector<std::string_view>, std::string_view>>{
             {{"plan", "--json", "--internet", "dialup", "--speed", "max"}, "optimize"},
             {{"plan", "--json", "--os", "xp", "--internet", "lan"}, "optimize"},
             {{"plan", "--json", "--restore"}, "restore"}}) {
        SCOPED_TRACE(std::string(run));
        host_.live = &machine;
        std::vector<std::u16string> planArguments;
        for (const std::string_view argument : plan) {
            planArguments.push_back(FromUtf8(argument));
        }
        host_.out.clear();
        ASSERT_EQ(RunConsoleCommand(planArguments, host_), 0) << host_.err;
        const Json planned = Json::parse(host_.out);
        RecordingStore recording(machine);
        host_.live = &recording;
        std::vector<std::u16string> runArguments{FromUtf8(run)};
        for (std::size_t i = 2; i < plan.size(); ++i) {
            if (plan[i] != "--restore") {
                runArguments.push_back(FromUtf8(plan[i]));
            }
        }
        host_.out.clear();
        ASSERT_EQ(RunConsoleCommand(runArguments, host_), 0) << host_.err << host_.out;

        std::vector<RecordingStore::Change> plannedChanges;
        for (const Json& operation : planned.at("operations")) {
            if (operation.at("op") == "createKey") {
                continue;
            }
            plannedChanges.push_back(
                {operation.at("op").get<std::string>(), FromUtf8(operation.at("key").get<std::string>()),
                 FromUtf8(operation.at("name").get<std::string>()), ValueFromJson(operation.at("new"))});
        }
        ASSERT_FALSE(plannedChanges.empty());
        ASSERT_EQ(plannedChanges.size(), recording.changes.size());
        for (std::size_t i = 0; i < plannedChanges.size(); ++i) {
            EXPECT_EQ(plannedChanges[i].op, recording.changes[i].op) << i;
            EXPECT_TRUE(EqualsIgnoringCase(plannedChanges[i].key, recording.changes[i].key))
                << i << " " << ToUtf8(plannedChanges[i].key) << " vs " << ToUtf8(recording.changes[i].key);
            EXPECT_TRUE(EqualsIgnoringCase(plannedChanges[i].name, recording.changes[i].name)) << i;
            EXPECT_EQ(plannedChanges[i].value, recording.changes[i].value) << i;
        }
    }
}

TEST_F(ConsoleTest, BadInputEndsWithCodeTwoAMessageAndNothingChanged) {
    const std::string machine = MachineFile();
    const std::vector<std::uint8_t> original = ReadBytes(machine);
    const std::string broken = WriteFile(
        "broken.reg", Utf16File("Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\A]\r\n"
                                "\"x\"=dword:nothex\r\n"));
    const std::string noVersion =
        WriteFile("noversion.reg",
                  Utf16File("Windows Registry Editor Version 5.00\r\n\r\n"
                            "[HKEY_LOCAL_MACHINE\\HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0]\r\n"
                            "\"ProcessorNameString\"=\"Intel\"\r\n"));
    const std::string noProcessor =
        WriteFile("noprocessor.reg",
                  Utf16File("Windows Registry Editor Version 5.00\r\n\r\n"
                            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion]\r\n"
                            "\"CurrentVersion\"=\"6.1\"\r\n\"CurrentBuild\"=\"7601\"\r\n"
                            "\"InstallationType\"=\"Client\"\r\n"));
    const std::string unwritable = (folder_ / "no-such-folder" / "undo.reg").string();
    const std::string missing = (folder_ / "missing.reg").string();

    const struct {
        std::vector<std::string_view> arguments;
        std::string_view says;
    } cases[] = {
        {{}, "no command"},
        {{"frobnicate"}, "unknown command"},
        {{"status", "--registry", machine, "--colour"}, "unknown option"},
        {{"optimize", "--registry", machine, "--os", "win12"}, "win11"},
        {{"optimize", "--registry", machine, "--os", "10"}, "--os"},
        {{"optimize", "--registry", machine, "--speed", "1"}, "--speed"},
        {{"optimize", "--registry", machine, "--restart"}, "--restart"},
        {{"optimize", "--registry", machine, "--restore"}, "--restore"},
        {{"export-undo", "--registry", machine}, "file name"},
        {{"export-undo", "a.reg", "--registry", machine, "--os", "win7"}, "profile options"},
        {{"status", "--registry", broken}, "line 4"},
        {{"status", "--registry", missing}, "no such registry file"},
        {{"plan", "--registry", noVersion}, "--os"},
        {{"plan", "--registry", noProcessor}, "--cpu"},
        {{"optimize"}, "--registry"}, // no live registry here
    };
    for (const auto& c : cases) {
        std::string line;
        for (const auto argument : c.arguments) {
            line += std::string(argument) + " ";
        }
        SCOPED_TRACE(line);
        std::vector<std::u16string> arguments;
        for (const auto argument : c.arguments) {
            arguments.push_back(FromUtf8(argument));
        }
        host_.err.clear();
        EXPECT_EQ(RunConsoleCommand(arguments, host_), console_exit::kUsage);
        EXPECT_NE(host_.err.find(c.says), std::string::npos) << host_.err;
        EXPECT_EQ(ReadBytes(machine), original);
    }

    // With the Windows version and processor given, the files that lacked them are enough.
    EXPECT_EQ(RunCmd(host_, {"plan", "--registry", noVersion, "--os", "win7"}), 0) << host_.err;
    EXPECT_EQ(RunCmd(host_, {"plan", "--registry", noProcessor, "--cpu", "2"}), 0) << host_.err;

    // An undo file that cannot be written leaves nothing behind.
    ASSERT_EQ(RunCmd(host_, {"optimize", "--registry", machine}), 0) << host_.err;
    EXPECT_EQ(RunCmd(host_, {"export-undo", unwritable, "--registry", machine}), console_exit::kUsage);
    EXPECT_FALSE(std::filesystem::exists(unwritable));
    EXPECT_EQ(
        std::distance(std::filesystem::directory_iterator(folder_), std::filesystem::directory_iterator()), 4)
        << "no temporary file left beside the registry files";
}

TEST_F(ConsoleTest, NoBackupAndAnOpenWindowEndWithTheirCodesAndChangeNothing) {
    const auto parsed = ParseRegFile(Utf16File(std::string(kWindows10) + std::string(kUserValues)));
    MemoryRegistryStore machine;
    machine.Load(parsed.keys);
    host_.live = &machine;
    const auto before = machine.Snapshot();
    const std::string undo = (folder_ / "undo.reg").string();

    EXPECT_EQ(RunCmd(host_, {"restore"}), console_exit::kNoBackup);
    EXPECT_EQ(RunCmd(host_, {"export-undo", undo}), console_exit::kNoBackup);
    EXPECT_FALSE(std::filesystem::exists(undo));
    host_.mainWindowOpen = true;
    EXPECT_EQ(RunCmd(host_, {"optimize", "--restart"}), console_exit::kWindowOpen);
    EXPECT_NE(host_.err.find("window"), std::string::npos);
    const auto after = machine.Snapshot();
    ASSERT_EQ(after.size(), before.size());
    EXPECT_EQ(host_.restart.exits, 0);

    // Windows restarts only when asked to.
    host_.mainWindowOpen = false;
    ASSERT_EQ(RunCmd(host_, {"optimize"}), 0);
    EXPECT_EQ(host_.restart.exits, 0);
    ASSERT_EQ(RunCmd(host_, {"restore", "--restart"}), 0);
    EXPECT_EQ(host_.restart.exits, 1);
}

TEST_F(ConsoleTest, RefusedValuesEndWithCodeOneAndAreNamed) {
    const auto parsed = ParseRegFile(Utf16File(std::string(kWindows10) + std::string(kUserValues)));
    MemoryRegistryStore machine;
    machine.Load(parsed.keys);
    // Values under the current user cannot be changed: the backup (under the machine) is taken,
    // the user's tweaks do not take.
    machine.DenyWrites(RegistryRoot::CurrentUser);
    host_.live = &machine;
    ASSERT_EQ(RunCmd(host_, {"optimize", "--json"}), console_exit::kSomeRefused) << host_.err;
    const Json result = Json::parse(host_.out);
    EXPECT_EQ(result.at("outcome"), "someRefused");
    bool smoothScrollRefused = false;
    for (const Json& refused : result.at("refused")) {
        smoothScrollRefused |= refused.at("name") == "SmoothScroll";
        EXPECT_EQ(refused.at("root"), "HKEY_CURRENT_USER");
    }
    EXPECT_TRUE(smoothScrollRefused);
}

} // namespace
} // namespace zentrim
