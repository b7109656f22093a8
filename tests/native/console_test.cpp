// The console program's commands: the plan against what the run then really does, the undo file,
// exit codes and what each failure leaves.
#include "console_fixture.h"

namespace zentrim {
namespace {

using namespace console_test;

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

TEST_F(ConsoleTest, OptimizeAndExportUndoOnAFileGiveBackEveryValueFromBeforeWhenImported) {
    const std::string machine = MachineFile();
    ASSERT_EQ(RunCmd(host_, {"optimize", "--registry", machine, "--speed", "max"}), 0) << host_.err;
    EXPECT_NE(host_.out.find("  Writing new system and internet settings\n"), std::string::npos)
        << "the progress lines up to the last step";

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
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder_)) {
        names.insert(entry.path().filename().string());
    }
    EXPECT_EQ(names, (std::set<std::string>{"broken.reg", "machine.reg", "machine.reg.lock",
                                            "noprocessor.reg", "noversion.reg"}))
        << "no temporary file left beside the registry files; a lock file only where a run changed one";
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

// An optimize run that finds a backup it cannot use (a record with a gap, or with an entry that is
// not one) writes no tweak; the command must say so and end with 5, as it does when no backup can
// be saved at all.
TEST_F(ConsoleTest, AnOptimizeRunThatWroteNothingForWantOfABackupEndsWithFive) {
    const std::string machine = MachineFile();
    ASSERT_EQ(RunCmd(host_, {"optimize", "--registry", machine}), 0) << host_.err;
    const std::vector<StoredKey> optimized = ReadKeys(machine);
    const auto entryOf = [](StoredKey& key) {
        return std::ranges::find_if(key.values, [](const StoredValue& value) {
            return ToUpperText(value.name).ends_with(u"\\\\NTFSDISABLELASTACCESSUPDATE");
        });
    };
    const struct {
        std::string_view damage;
        std::function<void(StoredKey& record)> apply;
    } cases[] = {
        {"missing", [&](StoredKey& record) { record.values.erase(entryOf(record)); }},
        {"unusable", [&](StoredKey& record) { entryOf(record)->type = ValueType::Dword; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.damage));
        std::vector<StoredKey> keys = optimized;
        const auto record = std::ranges::find_if(keys, [](const StoredKey& key) {
            return EqualsIgnoringCase(key.path, u"Software\\WOW6432Node\\ORVANE\\Zentrim\\Originals");
        });
        ASSERT_NE(record, keys.end());
        ASSERT_NE(entryOf(*record), record->values.end());
        c.apply(*record);
        const std::string damaged = WriteFile("damaged.reg", FormatRegFile(keys));

        const Json status = RunJson({"status", "--registry", damaged}, 0);
        EXPECT_EQ(status["backup"]["record"], "partial");
        ASSERT_EQ(status["backup"]["damaged"].size(), 1u) << status["backup"].dump();
        EXPECT_EQ(ToUpperText(FromUtf8(status["backup"]["damaged"][0]["name"].get<std::string>())),
                  u"NTFSDISABLELASTACCESSUPDATE");
        EXPECT_EQ(status["backup"]["damaged"][0]["state"], c.damage);

        // Maximum Boost would change values the first run (Boost) left: none may change.
        const Json run =
            RunJson({"optimize", "--registry", damaged, "--speed", "max"}, console_exit::kFailed);
        EXPECT_EQ(run["outcome"], "backupUnusable");
        EXPECT_EQ(run["exitCode"], console_exit::kFailed);
        EXPECT_EQ(UserValuesOf(ReadKeys(damaged)), UserValuesOf(keys));
    }

    // Without the rights to save a backup, the same.
    const auto parsed = ParseRegFile(Utf16File(std::string(kWindows10) + std::string(kUserValues)));
    MemoryRegistryStore live;
    live.Load(parsed.keys);
    live.DenyWrites(RegistryRoot::LocalMachine);
    host_.live = &live;
    EXPECT_EQ(RunJson({"optimize"}, console_exit::kFailed)["outcome"], "backupFailed");
}

} // namespace
} // namespace zentrim
