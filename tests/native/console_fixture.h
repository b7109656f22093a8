// The console tests' common ground: a host whose live registry is a store of the test's own,
// registry files of a Windows 10 computer with the user's values, and the fixture that keeps each
// test's files in a folder of its own.
#pragma once

#include "base/text.h"
#include "cmd/console_commands.h"
#include "engine/custom_registry.h"
#include "engine/memory_registry_store.h"
#include "engine/reg_file_format.h"
#include "engine/reg_file_lock.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <set>

namespace zentrim::console_test {
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
    void WriteOut(std::string_view text) override {
        out += text;
        if (onOut) {
            onOut(text);
        }
    }
    void WriteError(std::string_view text) override { err += text; }
    bool FlushOutput() override { return outputReaches; }
    RegistryStore* LiveRegistry() override { return live; }
    int DetectWindows() override { return 8; } // Windows 10
    std::optional<std::string> BackupTime() override { return "2026-12-09 10:00:00 UTC"; }
    SystemRestart& Restart() override { return restart; }
    std::unique_ptr<RunLock> LockRuns() override {
        return mainWindowOpen ? nullptr : std::make_unique<RunLock>();
    }

    RegistryStore* live = nullptr;
    std::function<void(std::string_view)> onOut; // called with every text the command prints
    bool mainWindowOpen = false;
    bool outputReaches = true; // false: as a full disk behind the output
    RecordingRestart restart;
    std::string out;
    std::string err;
};

inline int RunCmd(TestHost& host, std::initializer_list<std::string_view> arguments) {
    host.out.clear();
    host.err.clear();
    std::vector<std::u16string> list;
    for (const std::string_view argument : arguments) {
        list.push_back(FromUtf8(argument));
    }
    return RunConsoleCommand(list, host);
}

// Registry file text as regedit writes it.
inline std::vector<std::uint8_t> Utf16File(std::string_view text) {
    std::vector<std::uint8_t> bytes{0xFF, 0xFE};
    for (const char16_t c : FromUtf8(text)) {
        bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    return bytes;
}

inline constexpr std::string_view kWindows10 =
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
inline constexpr std::string_view kUserValues =
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

inline std::optional<RawValue> FindValue(const std::vector<StoredKey>& keys, std::u16string_view root,
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

// Every value of a registry file outside Zentrim's own key (in either view): what the user has.
using UserValueSet = std::set<
    std::tuple<std::u16string, std::u16string, std::u16string, ValueType, std::vector<std::uint8_t>>>;
inline UserValueSet UserValuesOf(const std::vector<StoredKey>& keys) {
    UserValueSet values;
    for (const StoredKey& key : keys) {
        const std::u16string path = ToUpperText(key.path);
        if (path.starts_with(u"SOFTWARE\\ORVANE") || path.starts_with(u"SOFTWARE\\WOW6432NODE\\ORVANE")) {
            continue;
        }
        for (const StoredValue& value : key.values) {
            values.emplace(key.rootName, path, ToUpperText(value.name), value.type, value.data);
        }
    }
    return values;
}

// The keys as a 32-bit Windows would export them: without the 32-bit copy of "Software", which
// only 64-bit Windows has.
inline std::vector<StoredKey> As32BitExport(std::vector<StoredKey> keys) {
    constexpr std::u16string_view kCopy = u"Software\\WOW6432Node";
    for (StoredKey& key : keys) {
        if (key.path.size() > kCopy.size() && EqualsIgnoringCase(key.path.substr(0, kCopy.size()), kCopy)) {
            key.path = u"Software" + key.path.substr(kCopy.size());
        }
    }
    std::erase_if(keys, [&](const StoredKey& key) { return EqualsIgnoringCase(key.path, kCopy); });
    return keys;
}

inline bool HasKeyBelow(const std::vector<StoredKey>& keys, std::u16string_view path) {
    return std::ranges::any_of(keys, [&](const StoredKey& key) {
        return key.path.size() >= path.size() && EqualsIgnoringCase(key.path.substr(0, path.size()), path);
    });
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
    static std::vector<StoredKey> ReadKeys(const std::string& path) {
        const RegFileParseResult parsed = ParseRegFile(ReadBytes(path));
        EXPECT_TRUE(parsed) << parsed.error;
        return parsed.keys;
    }
    // Runs a command with --json and gives its document.
    Json RunJson(std::initializer_list<std::string_view> arguments, int expectedCode) {
        std::vector<std::u16string> list;
        for (const std::string_view argument : arguments) {
            list.push_back(FromUtf8(argument));
        }
        list.push_back(u"--json");
        host_.out.clear();
        host_.err.clear();
        EXPECT_EQ(RunConsoleCommand(list, host_), expectedCode) << host_.err;
        return Json::parse(host_.out, nullptr, false);
    }

    std::filesystem::path folder_;
    TestHost host_;
};

} // namespace zentrim::console_test
