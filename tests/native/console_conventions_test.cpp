// The console program as administrators expect a Windows tool to be: help and version switches,
// letter case, short usage errors, JSON for every failure, progress lines as the window shows
// them and in the language "Language" selects, a restore that needs no choices, and the status
// summary.
#include "cmd/console_host.h"
#include "cmd/console_options.h"
#include "cmd/console_run_view.h"
#include "console_fixture.h"

#include <sstream>

namespace zentrim {
namespace {

using namespace console_test;

std::vector<std::string> LinesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        lines.push_back(line);
    }
    return lines;
}

// The product key of a 64-bit Windows' export, with its "Language" value.
std::string LanguageKey(std::string_view language) {
    return "[HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\ORVANE\\Zentrim]\r\n\"Language\"=\"" +
           std::string(language) + "\"\r\n\r\n";
}

TEST(ConsoleText, ProgressTextsReadAsTheWindowShowsThem) {
    const struct {
        std::u16string_view caption;
        std::string_view shown;
    } cases[] = {
        {u"Restoring system, gaming && internet settings", "Restoring system, gaming & internet settings"},
        {u"&Optimize now", "Optimize now"},
        {u"a&&&b", "a&b"},
        {u"x &&&& y", "x && y"},
        {u"ends with &", "ends with "},
        {u"line\r\nnext", "line\nnext"},
        {u"Восстановление && параметров", "Восстановление & параметров"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ShownText(c.caption), c.shown) << ToUtf8(c.caption);
    }
}

TEST(ConsoleText, WindowsLineEndsAreCrLfOnce) {
    EXPECT_EQ(WithCrLfLineEnds("a\nb\r\nc\n\n"), "a\r\nb\r\nc\r\n\r\n");
    EXPECT_EQ(WithCrLfLineEnds("\n"), "\r\n");
    EXPECT_EQ(WithCrLfLineEnds("no end"), "no end");
}

TEST_F(ConsoleTest, HelpAndVersionSwitchesAndLetterCaseAsWindowsToolsHaveThem) {
    ASSERT_EQ(RunCmd(host_, {"--help"}), 0);
    const std::string help = host_.out;
    ASSERT_TRUE(help.starts_with("Usage: ZentrimCmd")) << help;
    for (const std::string_view asks : {"/?", "-?", "-h", "-H", "--HELP", "HELP"}) {
        EXPECT_EQ(RunCmd(host_, {asks}), 0) << asks;
        EXPECT_EQ(host_.out, help) << asks;
    }
    for (const std::string_view asks : {"--version", "--Version"}) {
        EXPECT_EQ(RunCmd(host_, {asks}), 0) << asks;
        EXPECT_EQ(host_.out, "ZentrimCmd 2.10.21.2024\n");
        EXPECT_EQ(host_.err, "");
    }

    const std::string machine = MachineFile();
    const Json status = RunJson({"STATUS", "--REGISTRY", machine, "--OS", "WIN7", "--Speed", "MAX"}, 0);
    EXPECT_EQ(status["command"], "status");
    EXPECT_EQ(status["profile"]["os"]["name"], "win7");
    EXPECT_EQ(status["profile"]["speed"], "max");
    EXPECT_EQ(RunCmd(host_, {"Optimize", "--Registry=" + machine, "--VERBOSE"}), 0) << host_.err;
}

// A usage error: one line that names the problem, one that points at --help; with --json also the
// error document, alone, on the output.
TEST_F(ConsoleTest, EveryUsageErrorIsTwoLinesAndWithJsonAnErrorDocument) {
    const std::string machine = MachineFile();
    const struct {
        std::vector<std::string> arguments;
        std::string_view says;
    } cases[] = {
        {{"status", "--registry", machine, "--os", "win12"}, "'win12' is not a value of --os"},
        {{"status", "--registry", machine, "--colour"}, "unknown option '--colour'"},
        {{"plan", "--registry", machine, "--os"}, "--os needs a value"},
        {{"frobnicate"}, "unknown command 'frobnicate'"},
        {{}, "no command given"},
        {{"status", "--verbose", "--registry", machine}, "--verbose belongs to optimize and restore"},
        {{"status", "--registry", (folder_ / "missing.reg").string()}, "no such registry file"},
    };
    for (const auto& c : cases) {
        for (const bool json : {false, true}) {
            std::vector<std::u16string> arguments;
            for (const std::string& argument : c.arguments) {
                arguments.push_back(FromUtf8(argument));
            }
            if (json) {
                arguments.insert(arguments.begin(), u"--JSON");
            }
            SCOPED_TRACE(std::string(c.says) + (json ? " (json)" : ""));
            host_.out.clear();
            host_.err.clear();
            EXPECT_EQ(RunConsoleCommand(arguments, host_), console_exit::kUsage);
            const std::vector<std::string> lines = LinesOf(host_.err);
            ASSERT_FALSE(lines.empty());
            EXPECT_NE(lines[0].find(c.says), std::string::npos) << host_.err;
            if (c.says != "no such registry file") { // a bad file, not a bad command line
                ASSERT_EQ(lines.size(), 2u) << host_.err;
                EXPECT_NE(lines[1].find("--help"), std::string::npos) << host_.err;
            }
            if (!json) {
                EXPECT_EQ(host_.out, "");
                continue;
            }
            const Json error = Json::parse(host_.out, nullptr, false);
            ASSERT_FALSE(error.is_discarded()) << host_.out;
            EXPECT_EQ(error["zentrimCmd"], 1);
            EXPECT_EQ(error["command"], "error");
            EXPECT_EQ(error["exitCode"], 2);
            EXPECT_NE(error["message"].get<std::string>().find(c.says), std::string::npos);
        }
    }
}

// The steps print each text once, without a counter, as the window shows them; --verbose prints
// every one; the JSON keeps every step.
TEST_F(ConsoleTest, ARunPrintsEachStepTextOnceAsTheWindowShowsIt) {
    const std::string machine = MachineFile();
    ASSERT_EQ(RunCmd(host_, {"optimize", "--registry", machine}), 0) << host_.err;
    const std::vector<std::string> expected{"Optimizing the computer's system, gaming & internet settings",
                                            "  Finding modem information",
                                            "  Finding computer information",
                                            "  Finding total physical memory installed",
                                            "  Finding hardware adapters",
                                            "  Finding display device",
                                            "  Finding 3D graphics device",
                                            "  Finding processor information",
                                            "  Finding input devices",
                                            "  Finding hard drives",
                                            "  Backing up system, gaming & internet settings",
                                            "  Writing new system and internet settings",
                                            ""};
    std::vector<std::string> lines = LinesOf(host_.out);
    ASSERT_GT(lines.size(), expected.size());
    lines.resize(expected.size());
    EXPECT_EQ(lines, expected);

    ASSERT_EQ(RunCmd(host_, {"restore", "--registry", machine, "--verbose"}), 0) << host_.err;
    lines = LinesOf(host_.out);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], "Restoring the computer's system, gaming & internet settings");
    EXPECT_EQ(std::ranges::count(lines, "  Finding 3D graphics device"), 4);
    EXPECT_EQ(std::ranges::count(lines, "  Restoring system, gaming & internet settings"), 6);
    EXPECT_EQ(host_.out.find('['), std::string::npos) << "no counter";

    const Json run = RunJson({"optimize", "--registry", machine}, 0);
    ASSERT_EQ(run["steps"].size(), 32u);
    EXPECT_EQ(run["steps"][23], "Backing up system, gaming & internet settings");
    EXPECT_EQ(run.dump().find("&&"), std::string::npos);
}

// The progress lines come from the catalogue "Language" names; status says which is in use.
TEST_F(ConsoleTest, ARunSpeaksTheLanguageThatLanguageSelects) {
    const struct {
        std::string_view setting;
        std::string_view inUse;
        std::string_view heading;
        std::string_view firstStep;
    } cases[] = {
        {"German", "german", "System-, Spiel- & Interneteinstellungen werden optimiert",
         "  Modeminformationen werden ermittelt"},
        {"russian", "russian", "Оптимизация системных, игровых & сетевых параметров",
         "  Поиск сведений о модеме"},
        {"klingon", "english", "Optimizing the computer's system, gaming & internet settings",
         "  Finding modem information"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.setting));
        const std::string machine =
            WriteFile("machine.reg",
                      Utf16File(std::string(kWindows10) + LanguageKey(c.setting) + std::string(kUserValues)));
        const Json status = RunJson({"status", "--registry", machine}, 0);
        EXPECT_EQ(status["language"], c.inUse);
        ASSERT_EQ(RunCmd(host_, {"status", "--registry", machine}), 0);
        EXPECT_NE(host_.out.find("\nLanguage: " + std::string(c.inUse)), std::string::npos) << host_.out;

        ASSERT_EQ(RunCmd(host_, {"optimize", "--registry", machine}), 0) << host_.err;
        const std::vector<std::string> lines = LinesOf(host_.out);
        ASSERT_GE(lines.size(), 2u);
        EXPECT_EQ(lines[0], c.heading);
        EXPECT_EQ(lines[1], c.firstStep);
    }
}

// A restore from a complete record needs no choices, so a file that does not tell its Windows
// needs no --os; only a backup without a record (an older version's) does, and the message says
// why.
TEST_F(ConsoleTest, ARestoreNeedsChoicesOnlyForABackupWithoutARecord) {
    const std::string noVersion =
        WriteFile("noversion.reg",
                  Utf16File("Windows Registry Editor Version 5.00\r\n\r\n" + std::string(kUserValues)));
    const UserValueSet before = UserValuesOf(ReadKeys(noVersion));
    ASSERT_EQ(RunCmd(host_, {"optimize", "--registry", noVersion, "--os", "win10", "--cpu", "amd"}), 0)
        << host_.err;
    const std::vector<StoredKey> optimized = ReadKeys(noVersion);

    EXPECT_EQ(RunCmd(host_, {"plan", "--restore", "--registry", noVersion}), 0) << host_.err;
    ASSERT_EQ(RunCmd(host_, {"restore", "--registry", noVersion}), 0) << host_.err;
    EXPECT_EQ(UserValuesOf(ReadKeys(noVersion)), before);
    EXPECT_EQ(RunCmd(host_, {"restore", "--registry", noVersion}), console_exit::kNoBackup)
        << "no backup: nothing to restore, whatever the file tells";

    // The same backup without its record, as an older version left it.
    std::vector<StoredKey> older = optimized;
    std::erase_if(older, [](const StoredKey& key) {
        return ToUpperText(key.path).ends_with(u"\\ORVANE\\ZENTRIM\\ORIGINALS");
    });
    ASSERT_LT(older.size(), optimized.size());
    const std::string file = WriteFile("older.reg", FormatRegFile(older));
    const std::vector<std::uint8_t> unchanged = ReadBytes(file);
    EXPECT_EQ(RunCmd(host_, {"restore", "--registry", file}), console_exit::kUsage);
    EXPECT_NE(host_.err.find("has no record of the values from before"), std::string::npos) << host_.err;
    EXPECT_NE(host_.err.find("give --os"), std::string::npos) << host_.err;
    EXPECT_EQ(ReadBytes(file), unchanged);
    EXPECT_EQ(RunCmd(host_, {"restore", "--registry", file, "--os", "win10"}), 0) << host_.err;
}

// The status ends with how many of the values an optimize run writes hold what it would write,
// and since when a backup is held.
TEST_F(ConsoleTest, StatusEndsWithASummaryOfTheValuesAndTheBackup) {
    const auto parsed = ParseRegFile(Utf16File(std::string(kWindows10) + std::string(kUserValues)));
    MemoryRegistryStore machine;
    machine.Load(parsed.keys);
    host_.live = &machine;
    const auto summary = [&](std::string_view backup) {
        const Json status = RunJson({"status"}, 0);
        int written = 0;
        int matching = 0;
        for (const Json& value : status["values"]) {
            written += value["optimized"].is_null() ? 0 : 1;
            matching += value["matches"] == true ? 1 : 0;
        }
        EXPECT_EQ(RunCmd(host_, {"status"}), 0);
        const std::vector<std::string> lines = LinesOf(host_.out);
        EXPECT_EQ(lines.back(), std::to_string(matching) + " of " + std::to_string(written) +
                                    " values hold what optimize would write; " + std::string(backup));
        return std::pair{matching, written};
    };
    const auto [matchingBefore, writtenBefore] = summary("no backup held");
    EXPECT_LT(matchingBefore, writtenBefore);
    EXPECT_GT(writtenBefore, 40);

    ASSERT_EQ(RunCmd(host_, {"optimize"}), 0) << host_.err;
    const auto [matchingAfter, writtenAfter] = summary("backup held since 2026-12-09 10:00:00 UTC");
    EXPECT_EQ(matchingAfter, writtenAfter);
}

} // namespace
} // namespace zentrim
