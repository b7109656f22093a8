#include "engine/reg_file_store.h"

#include "base/text.h"
#include "engine/custom_registry.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>

#ifndef _WIN32
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#endif

namespace zentrim {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Utf16File(std::u16string_view text) {
    Bytes bytes{0xFF, 0xFE};
    for (const char16_t c : text) {
        bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    return bytes;
}

Bytes EightBitFile(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

// The text of a file written by FormatRegFile, without its byte order mark.
std::u16string FileText(const Bytes& bytes) {
    std::u16string text;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
        text.push_back(static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8)));
    }
    return text;
}

const StoredKey* FindKey(const std::vector<StoredKey>& keys, std::u16string_view root,
                         std::u16string_view path) {
    for (const auto& key : keys) {
        if (key.rootName == root && key.path == path) {
            return &key;
        }
    }
    return nullptr;
}

const StoredValue* FindValue(const std::vector<StoredKey>& keys, std::u16string_view root,
                             std::u16string_view path, std::u16string_view name) {
    if (const StoredKey* key = FindKey(keys, root, path)) {
        for (const auto& value : key->values) {
            if (value.name == name) {
                return &value;
            }
        }
    }
    return nullptr;
}

void ExpectSameContent(const std::vector<StoredKey>& actual, const std::vector<StoredKey>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t k = 0; k < expected.size(); ++k) {
        EXPECT_EQ(actual[k].rootName, expected[k].rootName);
        EXPECT_EQ(actual[k].path, expected[k].path);
        ASSERT_EQ(actual[k].values.size(), expected[k].values.size()) << ToUtf8(expected[k].path);
        for (std::size_t v = 0; v < expected[k].values.size(); ++v) {
            const auto& a = actual[k].values[v];
            const auto& e = expected[k].values[v];
            EXPECT_EQ(a.name, e.name);
            EXPECT_EQ(a.type, e.type) << ToUtf8(e.name);
            EXPECT_EQ(a.data, e.data) << ToUtf8(e.name);
        }
    }
}

constexpr std::u16string_view kLm = u"HKEY_LOCAL_MACHINE";
constexpr std::u16string_view kCu = u"HKEY_CURRENT_USER";

// ---- reading ----

TEST(RegFileParse, ReadsRegeditExportWithEveryValueForm) {
    const auto parsed = ParseRegFile(Utf16File(u"Windows Registry Editor Version 5.00\r\n"
                                               u"\r\n"
                                               u"; written by hand after the export\r\n"
                                               u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\ORVANE\\Zentrim]\r\n"
                                               u"\"Language\"=\"english\"\r\n"
                                               u"@=\"default\"\r\n"
                                               u"\"Path\"=\"say \\\"hi\\\" in C:\\\\Temp\\\\\"\r\n"
                                               u"\"Count\"=dword:0000002a\r\n"
                                               u"\"Minus\"=dword:FFFFFFFF\r\n"
                                               u"\"Blob\"=hex:01,02,ab,\\\r\n"
                                               u"  cd, ef\r\n"
                                               u"\"Expand\"=hex(2):25,00,54,00,25,00,00,00\r\n"
                                               u"\"Multi\"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n"
                                               u"\"Qword\"=hex(b):01,00,00,00,00,00,00,80\r\n"
                                               u"\"None\"=hex(0):\r\n"
                                               u"\"Wide\"=hex(100):ff\r\n"
                                               u"\r\n"
                                               u"[HKEY_CURRENT_USER\\Control Panel\\Desktop]\r\n"
                                               u"\"Empty\"=\"\"\r\n"
                                               u"\r\n"));
    ASSERT_TRUE(parsed) << parsed.error;
    const std::u16string_view zentrim = u"SOFTWARE\\ORVANE\\Zentrim";
    const struct {
        std::u16string_view name;
        ValueType type;
        Bytes data;
    } expected[] = {
        {u"Language", ValueType::String, EncodeRegistryText(u"english")},
        {u"", ValueType::String, EncodeRegistryText(u"default")},
        {u"Path", ValueType::String, EncodeRegistryText(u"say \"hi\" in C:\\Temp\\")},
        {u"Count", ValueType::Dword, {0x2a, 0, 0, 0}},
        {u"Minus", ValueType::Dword, {0xff, 0xff, 0xff, 0xff}},
        {u"Blob", ValueType::Binary, {0x01, 0x02, 0xab, 0xcd, 0xef}},
        {u"Expand", ValueType::ExpandString, EncodeRegistryText(u"%T%")},
        {u"Multi", ValueType::MultiString, {0x61, 0, 0, 0, 0x62, 0, 0, 0, 0, 0}},
        {u"Qword", ValueType::Qword, {1, 0, 0, 0, 0, 0, 0, 0x80}},
        {u"None", ValueType::None, {}},
        {u"Wide", static_cast<ValueType>(0x100), {0xff}},
    };
    for (const auto& e : expected) {
        const StoredValue* value = FindValue(parsed.keys, kLm, zentrim, e.name);
        ASSERT_NE(value, nullptr) << ToUtf8(e.name);
        EXPECT_EQ(value->type, e.type) << ToUtf8(e.name);
        EXPECT_EQ(value->data, e.data) << ToUtf8(e.name);
    }
    const StoredValue* empty = FindValue(parsed.keys, kCu, u"Control Panel\\Desktop", u"Empty");
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->data, (Bytes{0, 0}));
}

TEST(RegFileParse, ReadsHandWrittenUtf8WithShortRootNames) {
    const std::string text = "Windows Registry Editor Version 5.00\n"
                             "[HKLM\\Software\\A]\n"
                             "\"Gr\xC3\xB6\xC3\x9F"
                             "e\" = \"\xE2\x82\xAC 5\"\n"
                             "\"Bytes\"=hex: 0a , 0B,c\n"
                             "[HKCU\\B\\\\C\\]\n"
                             "[HKCR\\.txt]\n"
                             "[HKU\\.DEFAULT]\n"
                             "[hkcc\\System]\n";
    for (const bool withBom : {false, true}) {
        const auto parsed = ParseRegFile(EightBitFile(withBom ? "\xEF\xBB\xBF" + text : text));
        ASSERT_TRUE(parsed) << parsed.error;
        const StoredValue* size = FindValue(parsed.keys, kLm, u"Software\\A", u"Gr\u00F6\u00DFe");
        ASSERT_NE(size, nullptr);
        EXPECT_EQ(size->data, EncodeRegistryText(u"\u20AC 5"));
        const StoredValue* bytes = FindValue(parsed.keys, kLm, u"Software\\A", u"Bytes");
        ASSERT_NE(bytes, nullptr);
        EXPECT_EQ(bytes->data, (Bytes{0x0a, 0x0b, 0x0c}));
        EXPECT_NE(FindKey(parsed.keys, kCu, u"B\\C"),
                  nullptr); // doubled and trailing backslashes add no level
        EXPECT_NE(FindKey(parsed.keys, u"HKEY_CLASSES_ROOT", u".txt"), nullptr);
        EXPECT_NE(FindKey(parsed.keys, u"HKEY_USERS", u".DEFAULT"), nullptr);
        EXPECT_NE(FindKey(parsed.keys, u"HKEY_CURRENT_CONFIG", u"System"), nullptr);
    }
}

TEST(RegFileParse, Regedit4TextsAreEightBitAndWidenedToUtf16) {
    // An old export: Windows-1252 text (not UTF-8), and string types held as single bytes.
    const auto parsed = ParseRegFile(EightBitFile("REGEDIT4\r\n\r\n"
                                                  "[HKEY_CURRENT_USER\\Caf\xE9]\r\n"
                                                  "\"Name\"=\"\x80 price\"\r\n"
                                                  "\"Expand\"=hex(2):25,54,4d,50,25,00\r\n"
                                                  "\"Multi\"=hex(7):61,00,e9,00,00\r\n"
                                                  "\"Raw\"=hex:e9,00\r\n"));
    ASSERT_TRUE(parsed) << parsed.error;
    const std::u16string_view key = u"Caf\u00E9";
    EXPECT_EQ(FindValue(parsed.keys, kCu, key, u"Name")->data, EncodeRegistryText(u"\u20AC price"));
    EXPECT_EQ(FindValue(parsed.keys, kCu, key, u"Expand")->data, EncodeRegistryText(u"%TMP%"));
    EXPECT_EQ(FindValue(parsed.keys, kCu, key, u"Multi")->data, (Bytes{0x61, 0, 0, 0, 0xe9, 0, 0, 0, 0, 0}));
    EXPECT_EQ(FindValue(parsed.keys, kCu, key, u"Raw")->data, (Bytes{0xe9, 0x00})); // binary stays as it is
}

TEST(RegFileParse, DeletionsAndRepeatedSectionsApplyInOrder) {
    const auto parsed =
        ParseRegFile(EightBitFile("Windows Registry Editor Version 5.00\n"
                                  "[HKEY_LOCAL_MACHINE\\A]\n\"Keep\"=dword:1\n\"Drop\"=dword:2\n"
                                  "[HKEY_LOCAL_MACHINE\\A\\B]\n\"x\"=\"1\"\n"
                                  "[HKEY_LOCAL_MACHINE\\AB]\n\"y\"=\"2\"\n"
                                  "[HKEY_CURRENT_USER\\Z]\n\"Name\"=\"first\"\n"
                                  "[hkey_local_machine\\a]\n\"DROP\"=-\n"
                                  "[-HKLM\\a\\b]\n"
                                  "[HKEY_CURRENT_USER\\z]\n\"NAME\"=\"second\"\n"));
    ASSERT_TRUE(parsed) << parsed.error;
    ASSERT_EQ(parsed.keys.size(), 3u);
    const StoredKey* a = FindKey(parsed.keys, kLm, u"A");
    ASSERT_NE(a, nullptr); // merged under its first spelling
    ASSERT_EQ(a->values.size(), 1u);
    EXPECT_EQ(a->values[0].name, u"Keep");
    EXPECT_EQ(FindKey(parsed.keys, kLm, u"A\\B"), nullptr);
    EXPECT_NE(FindKey(parsed.keys, kLm, u"AB"), nullptr); // a sibling sharing the prefix stays
    const StoredValue* name = FindValue(parsed.keys, kCu, u"Z", u"Name");
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->data, EncodeRegistryText(u"second"));
}

// A key or value deleted and then written again comes after those that stayed, as in the registry;
// a deleted root takes its own values and every key under it.
TEST(RegFileParse, KeysAndValuesWrittenAgainAfterTheirDeletionComeLast) {
    const auto parsed =
        ParseRegFile(EightBitFile("Windows Registry Editor Version 5.00\n"
                                  "[HKEY_LOCAL_MACHINE\\A]\n\"One\"=dword:1\n\"Two\"=dword:2\n"
                                  "\"Three\"=dword:3\n"
                                  "[HKEY_LOCAL_MACHINE\\A\\Sub]\n\"x\"=\"1\"\n"
                                  "[HKEY_LOCAL_MACHINE\\B]\n"
                                  "[HKEY_CURRENT_USER]\n\"RootValue\"=\"r\"\n"
                                  "[HKEY_CURRENT_USER\\C\\D]\n"
                                  "[HKEY_LOCAL_MACHINE\\a]\n\"TWO\"=-\n\"two\"=dword:5\n"
                                  "[-HKEY_LOCAL_MACHINE\\A\\SUB]\n"
                                  "[hklm\\a\\sub]\n\"y\"=\"2\"\n"
                                  "[-HKEY_CURRENT_USER]\n"));
    ASSERT_TRUE(parsed) << parsed.error;
    std::vector<StoredKey> expected{
        {std::u16string(kLm),
         u"A",
         {{u"One", ValueType::Dword, {1, 0, 0, 0}},
          {u"Three", ValueType::Dword, {3, 0, 0, 0}},
          {u"two", ValueType::Dword, {5, 0, 0, 0}}}},
        {std::u16string(kLm), u"B", {}},
        {std::u16string(kLm), u"a\\sub", {{u"y", ValueType::String, EncodeRegistryText(u"2")}}},
    };
    ExpectSameContent(parsed.keys, expected);
}

TEST(RegFileParse, RefusesMalformedFilesNamingTheLine) {
    const std::string header = "Windows Registry Editor Version 5.00\n";
    const struct {
        std::string text;
        std::size_t line;
        std::string_view says;
    } cases[] = {
        {"", 1, "header"},
        {"Windows Registry Editor Version 4.00\n[HKLM\\A]\n", 1, "header"},
        {header + "[HKLM\\A]\n\"v\"=hex:01,zz\n", 3, "bad hex byte 'zz'"},
        {header + "[HKLM\\A]\n\"v\"=hex:01,123\n", 3, "bad hex byte"},
        {header + "[HKLM\\A]\n\"v\"=hex:01,,02\n", 3, "bad hex byte"},
        {header + "[HKLM\\A]\n\"v\"=hex:01,\\\n  02,x1\n\"w\"=\"ok\"\n", 3, "runs to line 4"},
        {header + "[HKLM\\A]\n\"v\"=hex:01,\\", 3, "past the end"},
        {header + "[HKLM\\A]\n\"v\"=hex(zz):01\n", 3, "hex(N)"},
        {header + "[HKLM\\A]\n\"v\"=dword:123456789\n", 3, "dword"},
        {header + "[HKLM\\A]\n\"v\"=dword:\n", 3, "dword"},
        {header + "[HKLM\\A]\n\"v\"=\"abc\n", 3, "unterminated"},
        {header + "[HKLM\\A]\n\"v=\"abc\"\n", 3, "'='"},
        {header + "[HKLM\\A]\n\"v\"=\"abc\" more\n", 3, "after a quoted value"},
        {header + "[HKLM\\A]\n\"v\"=\"C:\\Temp\"\n", 3, "unknown escape '\\T'"},
        {header + "[HKLM\\A]\n\"v\"=text:abc\n", 3, "unrecognised value data"},
        {header + "[HKEY_NOWHERE\\A]\n", 2, "unknown root key 'HKEY_NOWHERE'"},
        {header + "[HKLM\\A\n", 2, "']'"},
        {header + "[HKLM\\A]\njust some words\n", 3, "unexpected text"},
        {header + "\"v\"=\"orphan\"\n", 2, "outside a key"},
        {header + "[-HKLM\\A]\n\"v\"=\"orphan\"\n", 3, "outside a key"},
    };
    for (const auto& c : cases) {
        const auto parsed = ParseRegFile(EightBitFile(c.text));
        EXPECT_FALSE(parsed) << c.text;
        EXPECT_EQ(parsed.line, c.line) << c.text;
        EXPECT_NE(parsed.error.find(c.says), std::string::npos) << parsed.error;
        EXPECT_NE(parsed.error.find("line " + std::to_string(c.line)), std::string::npos) << parsed.error;
        EXPECT_TRUE(parsed.keys.empty());
    }
    Bytes oddUtf16 = Utf16File(u"Windows Registry Editor Version 5.00\r\n");
    oddUtf16.push_back(0x41);
    EXPECT_FALSE(ParseRegFile(oddUtf16));
}

// ---- writing ----

TEST(RegFileFormat, WritesRegeditLayout) {
    const std::vector<StoredKey> keys{
        {std::u16string(kLm),
         u"Software\\ORVANE\\Zentrim",
         {{u"Language", ValueType::String, EncodeRegistryText(u"english")},
          {u"", ValueType::Dword, {0x0a, 0, 0, 0xf0}}}},
        {std::u16string(kCu), u"Empty", {}},
    };
    const Bytes bytes = FormatRegFile(keys);
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes[0], 0xFF);
    EXPECT_EQ(bytes[1], 0xFE);
    EXPECT_EQ(FileText(bytes), u"Windows Registry Editor Version 5.00\r\n"
                               u"\r\n"
                               u"[HKEY_LOCAL_MACHINE\\Software\\ORVANE\\Zentrim]\r\n"
                               u"\"Language\"=\"english\"\r\n"
                               u"@=dword:f000000a\r\n"
                               u"\r\n"
                               u"[HKEY_CURRENT_USER\\Empty]\r\n"
                               u"\r\n");
}

TEST(RegFileFormat, UsesQuotedAndDwordFormsOnlyWhenTheyKeepTheBytes) {
    const struct {
        StoredValue value;
        std::u16string_view line;
    } cases[] = {
        {{u"v", ValueType::String, EncodeRegistryText(u"a\"b\\c")}, u"\"v\"=\"a\\\"b\\\\c\""},
        {{u"v", ValueType::String, {0, 0}}, u"\"v\"=\"\""},
        {{u"v", ValueType::String, {}}, u"\"v\"=hex(1):"},
        {{u"v", ValueType::String, {0x61, 0, 0}}, u"\"v\"=hex(1):61,00,00"}, // odd size
        {{u"v", ValueType::String, {0x61, 0}}, u"\"v\"=hex(1):61,00"},       // no terminator
        {{u"v", ValueType::String, {0x61, 0, 0, 0, 0, 0}}, u"\"v\"=hex(1):61,00,00,00,00,00"}, // two NULs
        {{u"v", ValueType::String, EncodeRegistryText(u"a\nb")}, u"\"v\"=hex(1):61,00,0a,00,62,00,00,00"},
        {{u"v", ValueType::ExpandString, EncodeRegistryText(u"%T%")},
         u"\"v\"=hex(2):25,00,54,00,25,00,00,00"},
        {{u"v", ValueType::Dword, {1, 2, 3}}, u"\"v\"=hex(4):01,02,03"},
        {{u"v", ValueType::Dword, {1, 0, 0, 0, 0, 0, 0, 0}}, u"\"v\"=hex(4):01,00,00,00,00,00,00,00"},
        {{u"v", ValueType::Binary, {}}, u"\"v\"=hex:"},
        {{u"v", ValueType::None, {0xff}}, u"\"v\"=hex(0):ff"},
        {{u"v", static_cast<ValueType>(0xABCDEF12), {}}, u"\"v\"=hex(abcdef12):"},
        {{u"say \"\\\"\r\n", ValueType::Binary, {}}, u"\"say \\\"\\\\\\\"\\r\\n\"=hex:"},
        {{u"@", ValueType::Binary, {}}, u"\"@\"=hex:"},
    };
    for (const auto& c : cases) {
        const std::vector<StoredKey> keys{{std::u16string(kCu), u"K", {c.value}}};
        const Bytes bytes = FormatRegFile(keys);
        const std::u16string text = FileText(bytes);
        const auto start = text.find(u"]\r\n") + 3;
        EXPECT_EQ(text.substr(start, text.find(u"\r\n", start) - start), c.line) << ToUtf8(c.line);
        const auto parsed = ParseRegFile(bytes);
        ASSERT_TRUE(parsed) << parsed.error;
        ExpectSameContent(parsed.keys, keys);
    }
}

TEST(RegFileFormat, WrapsLongHexLinesLikeRegedit) {
    Bytes data;
    for (std::uint8_t b = 0; b < 44; ++b) {
        data.push_back(b);
    }
    const std::vector<StoredKey> keys{
        {std::u16string(kLm), u"K", {{u"ProgramFilesPath", ValueType::ExpandString, data}}}};
    const std::u16string text = FileText(FormatRegFile(keys));
    EXPECT_NE(
        text.find(u"\"ProgramFilesPath\"=hex(2):00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,\\\r\n"
                  u"  11,12,13,14,15,16,17,18,19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27,28,29,\\\r\n"
                  u"  2a,2b\r\n"),
        std::u16string::npos)
        << ToUtf8(text);
}

TEST(RegFileFormat, RoundTripKeepsEveryValueByteForByte) {
    Bytes big(300);
    std::mt19937 random(7);
    for (auto& b : big) {
        b = static_cast<std::uint8_t>(random());
    }
    const std::vector<StoredKey> keys{
        {std::u16string(kLm), u"", {{u"AtRoot", ValueType::Dword, {1, 0, 0, 0}}}},
        {std::u16string(kLm),
         u"SOFTWARE\\Vendor ]x[",
         {
             {u"MixedCase", ValueType::MultiString, {0x61, 0, 0, 0, 0, 0}},
             {u"", ValueType::Qword, {1, 2, 3, 4, 5, 6, 7, 8}},
             {u"Nothing", ValueType::None, {}},
             {u"Big", ValueType::Binary, big},
             {u"Odd", static_cast<ValueType>(0x20000), {0, 0, 0}},
             {u"Text \u00E9\u4E2D", ValueType::String,
              EncodeRegistryText(std::u16string(u"\u00E9 \U0001F600 ") + char16_t(0xD800) + u" ;[\"=-")},
             {u"Link", ValueType::Link, EncodeRegistryText(u"\\Registry\\Machine")},
             {u"BigEndian", ValueType::DwordBigEndian, {0, 0, 0, 1}},
         }},
        {u"HKEY_CLASSES_ROOT", u".reg", {{u"", ValueType::String, EncodeRegistryText(u"regfile")}}},
        {u"HKEY_USERS", u"S-1-5-18\\Software", {}},
    };
    const Bytes first = FormatRegFile(keys);
    const auto parsed = ParseRegFile(first);
    ASSERT_TRUE(parsed) << parsed.error;
    ExpectSameContent(parsed.keys, keys);
    EXPECT_EQ(FormatRegFile(parsed.keys), first);
}

// ---- the store and its file ----

class RegFileStore : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = std::filesystem::temp_directory_path() /
                  ("zentrim-regfile-" + std::to_string(std::random_device{}()) + "-" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder_);
        file_ = folder_ / "registry.reg";
    }
    void TearDown() override {
        std::error_code error;
        std::filesystem::permissions(folder_, std::filesystem::perms::owner_all, error);
        std::filesystem::remove_all(folder_, error);
    }

    Bytes ReadFile() const {
        std::ifstream stream(file_, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>());
    }
    void WriteFile(const Bytes& bytes) const {
        std::ofstream stream(file_, std::ios::binary | std::ios::trunc);
        stream.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    std::unique_ptr<RegFileRegistryStore> OpenStore() const {
        auto result = RegFileRegistryStore::Open(file_);
        EXPECT_TRUE(result.store) << result.error;
        return std::move(result.store);
    }
    std::vector<std::filesystem::path> FolderEntries() const {
        std::vector<std::filesystem::path> entries;
        for (const auto& entry : std::filesystem::directory_iterator(folder_)) {
            entries.push_back(entry.path().filename());
        }
        return entries;
    }

    std::filesystem::path folder_;
    std::filesystem::path file_;
};

constexpr std::u16string_view kProduct = u"\\Software\\ORVANE\\Zentrim\\";

TEST_F(RegFileStore, MissingFileGivesEmptyStoreAndIsWrittenAtTheFirstChange) {
    auto store = OpenStore();
    ASSERT_TRUE(store);
    CustomRegistry registry(*store);
    EXPECT_EQ(
        registry.ReadRegistryString(RegistryRoot::LocalMachine, kProduct, u"Language", u"english", false),
        u"english");
    registry.DeleteRegistryValue(RegistryRoot::LocalMachine, kProduct, u"Language", false);
    EXPECT_FALSE(std::filesystem::exists(file_)); // reads and failed deletions change nothing

    registry.WriteRegistryInteger(RegistryRoot::LocalMachine, kProduct, u"Restore", 1, false);
    ASSERT_TRUE(std::filesystem::exists(file_));
    const auto parsed = ParseRegFile(ReadFile());
    ASSERT_TRUE(parsed) << parsed.error;
    const StoredValue* restore = FindValue(parsed.keys, kLm, u"Software\\ORVANE\\Zentrim", u"Restore");
    ASSERT_NE(restore, nullptr);
    EXPECT_EQ(restore->data, (Bytes{1, 0, 0, 0}));
}

TEST_F(RegFileStore, ValuesPersistAcrossOpensAndForeignValuesSurvive) {
    const Bytes handWritten = EightBitFile("Windows Registry Editor Version 5.00\n"
                                           "[HKEY_LOCAL_MACHINE\\Software\\ORVANE\\Zentrim]\n"
                                           "\"Multi\"=hex(7):61,00,00,00,00,00\n"
                                           "\"Qword\"=hex(b):ff,ff,ff,ff,ff,ff,ff,ff\n"
                                           "\"nOnE\"=hex(0):01\n"
                                           "\"Stale\"=\"x\"\n"
                                           "[HKCR\\.zen]\n@=\"Zentrim.File\"\n");
    WriteFile(handWritten);
    const auto before = ParseRegFile(handWritten).keys;
    {
        auto store = OpenStore();
        ASSERT_TRUE(store);
        CustomRegistry registry(*store);
        registry.WriteRegistryString(RegistryRoot::LocalMachine, kProduct, u"Language", u"deutsch", false);
        registry.WriteRegistryInteger(RegistryRoot::LocalMachine, kProduct, u"ProcessorType", -1, false);
        registry.WriteRegistryBinary(RegistryRoot::CurrentUser, u"\\Control Panel\\Desktop", u"Mask", {9, 8},
                                     false);
        registry.DeleteRegistryValue(RegistryRoot::LocalMachine, kProduct, u"stale", false);
    }
    EXPECT_EQ(ReadFile()[0], 0xFF); // rewritten as regedit would write it

    auto store = OpenStore();
    ASSERT_TRUE(store);
    CustomRegistry registry(*store);
    EXPECT_EQ(registry.ReadRegistryString(RegistryRoot::LocalMachine, kProduct, u"Language", u"", false),
              u"deutsch");
    EXPECT_EQ(registry.ReadRegistryInteger(RegistryRoot::LocalMachine, kProduct, u"ProcessorType", 0, false),
              -1);
    EXPECT_EQ(
        registry.ReadRegistryRaw(RegistryRoot::CurrentUser, u"\\Control Panel\\Desktop", u"Mask", false),
        (RawValue{ValueType::Binary, {9, 8}}));
    EXPECT_EQ(registry.ReadRegistryString(RegistryRoot::LocalMachine, kProduct, u"Stale", u"gone", false),
              u"gone");

    const auto after = store->Snapshot();
    for (const std::u16string_view name : {u"Multi", u"Qword", u"nOnE"}) {
        const StoredValue* original = FindValue(before, kLm, u"Software\\ORVANE\\Zentrim", name);
        const StoredValue* kept = FindValue(after, kLm, u"Software\\ORVANE\\Zentrim", name);
        ASSERT_NE(kept, nullptr) << ToUtf8(name); // found under the same spelling
        EXPECT_EQ(kept->type, original->type);
        EXPECT_EQ(kept->data, original->data);
    }
    EXPECT_NE(FindValue(after, u"HKEY_CLASSES_ROOT", u".zen", u""), nullptr);
}

TEST_F(RegFileStore, OnlyRealChangesRewriteTheFile) {
    const Bytes handWritten = EightBitFile("Windows Registry Editor Version 5.00\n"
                                           "; kept until something changes\n"
                                           "[HKEY_CURRENT_USER\\A\\B]\n\"v\"=dword:1\n");
    WriteFile(handWritten);
    auto store = OpenStore();
    ASSERT_TRUE(store);
    for (const std::u16string_view path : {u"A", u"a\\b", u"A\\B\\"}) {
        OpenStoreKey key(*store);
        ASSERT_EQ(store->CreateKey(RegistryRoot::CurrentUser, path, access::kWrite, key.receive()),
                  StoreStatus::Ok);
    }
    {
        OpenStoreKey key(*store);
        ASSERT_EQ(store->CreateKey(RegistryRoot::CurrentUser, u"A\\B", access::kAllAccess, key.receive()),
                  StoreStatus::Ok);
        const Bytes same{1, 0, 0, 0};
        EXPECT_EQ(store->SetValue(key.get(), u"V", ValueType::Dword, same), StoreStatus::Ok);
        EXPECT_EQ(store->DeleteValue(key.get(), u"missing"), StoreStatus::NotFound);
    }
    EXPECT_EQ(ReadFile(), handWritten);

    OpenStoreKey key(*store);
    ASSERT_EQ(store->CreateKey(RegistryRoot::CurrentUser, u"A\\New", access::kWrite, key.receive()),
              StoreStatus::Ok);
    const auto parsed = ParseRegFile(ReadFile());
    ASSERT_TRUE(parsed) << parsed.error;
    EXPECT_NE(FindKey(parsed.keys, kCu, u"A\\New"), nullptr);
    EXPECT_EQ(store->OpenKeyCount(), 1u);
}

TEST_F(RegFileStore, RefusedFileIsLeftUntouched) {
    const std::string header = "Windows Registry Editor Version 5.00\r\n";
    const std::string cases[] = {
        "REGEDIT 3\r\n[HKLM\\A]\r\n",
        header + "[HKLM\\A]\r\n\"v\"=hex:0g\r\n",
        header + "[HKLM\\A]\r\n\"v\"=\"open\r\n",
        header + "[HKEY_ELSEWHERE\\A]\r\n",
        header + "[HKLM\\A]\r\nstray\r\n",
    };
    for (const auto& text : cases) {
        WriteFile(EightBitFile(text));
        const auto result = RegFileRegistryStore::Open(file_);
        EXPECT_FALSE(result.store) << text;
        EXPECT_NE(result.error.find("registry.reg"), std::string::npos) << result.error;
        EXPECT_NE(result.error.find("line "), std::string::npos) << result.error;
        EXPECT_EQ(ReadFile(), EightBitFile(text));
        EXPECT_EQ(FolderEntries().size(), 1u);
    }
    std::filesystem::remove(file_);
    std::filesystem::create_directory(file_);
    const auto result = RegFileRegistryStore::Open(file_);
    EXPECT_FALSE(result.store);
    EXPECT_NE(result.error.find("not a regular file"), std::string::npos) << result.error;
}

TEST_F(RegFileStore, SavingLeavesNoTemporaryFilesBehind) {
    auto store = OpenStore();
    ASSERT_TRUE(store);
    CustomRegistry registry(*store);
    for (int i = 0; i < 20; ++i) {
        registry.WriteRegistryInteger(RegistryRoot::CurrentUser, u"\\Software\\Test", u"Counter", i, false);
    }
    EXPECT_EQ(FolderEntries(), std::vector<std::filesystem::path>{"registry.reg"});
    EXPECT_EQ(
        registry.ReadRegistryInteger(RegistryRoot::CurrentUser, u"\\Software\\Test", u"Counter", -1, false),
        19);
}

TEST_F(RegFileStore, FailedSaveRollsBackAndKeepsOpenKeysWorking) {
    auto store = OpenStore();
    ASSERT_TRUE(store);
    OpenStoreKey key(*store);
    ASSERT_EQ(store->CreateKey(RegistryRoot::LocalMachine, u"Software\\A", access::kAllAccess, key.receive()),
              StoreStatus::Ok);
    const Bytes old{1, 0, 0, 0};
    ASSERT_EQ(store->SetValue(key.get(), u"Value", ValueType::Dword, old), StoreStatus::Ok);
    const Bytes fileBefore = ReadFile();

    // A folder where the file should be: the temporary file is written, but cannot replace it.
    std::filesystem::remove(file_);
    std::filesystem::create_directory(file_);
    const Bytes changed{2, 0, 0, 0};
    EXPECT_EQ(store->SetValue(key.get(), u"Value", ValueType::Dword, changed), StoreStatus::Failed);
    EXPECT_EQ(store->SetValue(key.get(), u"Other", ValueType::Binary, changed), StoreStatus::Failed);
    EXPECT_EQ(store->DeleteValue(key.get(), u"Value"), StoreStatus::Failed);
    {
        OpenStoreKey created(*store);
        EXPECT_EQ(store->CreateKey(RegistryRoot::LocalMachine, u"Software\\A\\New\\Deep", access::kWrite,
                                   created.receive()),
                  StoreStatus::Failed);
        EXPECT_FALSE(created);
    }
    EXPECT_FALSE(store->KeyExists(RegistryRoot::LocalMachine, u"Software\\A\\New"));
    EXPECT_EQ(FolderEntries(), std::vector<std::filesystem::path>{"registry.reg"});

    // The key opened before the failures still reads the content the file held.
    ValueType type = ValueType::None;
    Bytes buffer(8);
    std::uint32_t size = 0;
    ASSERT_EQ(store->QueryValue(key.get(), u"Value", type, buffer, size), StoreStatus::Ok);
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + size), old);
    EXPECT_EQ(store->QueryValue(key.get(), u"Other", type, buffer, size), StoreStatus::NotFound);

    // Once the file can be written again, the next change saves everything.
    std::filesystem::remove(file_);
    WriteFile(fileBefore);
    EXPECT_EQ(store->SetValue(key.get(), u"Other", ValueType::Binary, changed), StoreStatus::Ok);
    auto reopened = OpenStore();
    ASSERT_TRUE(reopened);
    CustomRegistry registry(*reopened);
    EXPECT_EQ(registry.ReadRegistryInteger(RegistryRoot::LocalMachine, u"\\Software\\A", u"Value", 0, false),
              1);
    EXPECT_EQ(registry.ReadRegistryRaw(RegistryRoot::LocalMachine, u"\\Software\\A", u"Other", false),
              (RawValue{ValueType::Binary, changed}));
}

TEST_F(RegFileStore, MissingFolderMakesEveryChangeFail) {
    file_ = folder_ / "gone" / "registry.reg";
    std::filesystem::create_directory(folder_ / "gone");
    auto store = OpenStore();
    ASSERT_TRUE(store);
    CustomRegistry registry(*store);
    registry.WriteRegistryString(RegistryRoot::CurrentUser, u"\\Software\\B", u"Kept", u"yes", false);
    std::filesystem::remove_all(folder_ / "gone");

    EXPECT_EQ(registry.TryWrite(RegistryRoot::CurrentUser, u"\\Software\\B", u"New", ValueType::String,
                                EncodeRegistryText(u"no"), false),
              StoreStatus::Failed);
    EXPECT_EQ(registry.TryDelete(RegistryRoot::CurrentUser, u"\\Software\\B", u"Kept", false),
              StoreStatus::Failed);
    EXPECT_EQ(
        registry.TryWrite(RegistryRoot::CurrentUser, u"\\Software\\C", u"New", ValueType::Binary, {}, false),
        StoreStatus::Failed);
    EXPECT_EQ(registry.ReadRegistryString(RegistryRoot::CurrentUser, u"\\Software\\B", u"Kept", u"", false),
              u"yes");
    EXPECT_EQ(
        registry.ReadRegistryString(RegistryRoot::CurrentUser, u"\\Software\\B", u"New", u"none", false),
        u"none");
    EXPECT_FALSE(store->KeyExists(RegistryRoot::CurrentUser, u"Software\\C"));
    EXPECT_EQ(store->OpenKeyCount(), 0u);
    EXPECT_FALSE(std::filesystem::exists(folder_ / "gone"));
}

} // namespace
} // namespace zentrim

// ---- files of hostile shape and of a whole machine's size ----

namespace zentrim {
namespace {

// A key 50,000 levels deep (about 100 KB) once overflowed the stack when it was loaded; no
// registry holds a key deeper than 512 levels, so the file is refused on that line.
TEST(RegFileHostile, KeysDeeperThanTheRegistryAllowsAreRefusedNamingTheLine) {
    std::string deep = "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER";
    for (int level = 0; level < 50'000; ++level) {
        deep += "\\k";
    }
    deep += "]\n\"v\"=dword:00000001\n";
    const auto parsed = ParseRegFile(EightBitFile(deep));
    EXPECT_FALSE(parsed);
    EXPECT_EQ(parsed.line, 3u);
    EXPECT_NE(parsed.error.find("deeper than 512 levels"), std::string::npos) << parsed.error;

    std::string deepest = "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER";
    for (int level = 0; level < 512; ++level) {
        deepest += "\\k";
    }
    deepest += "]\n\"v\"=dword:00000001\n";
    const auto fine = ParseRegFile(EightBitFile(deepest));
    ASSERT_TRUE(fine) << fine.error;
    MemoryRegistryStore store;
    store.Load(fine.keys);
    EXPECT_EQ(store.Snapshot().size(), 512u);
}

// Loading took time growing with the square of the file's size (23 s for 40,000 keys). A file of
// 100,000 keys loads in under 2 seconds in an optimised build (1.3 s measured); under the
// sanitizers, which slow every allocation about sixfold, the test loads 50,000 and checks that four
// times the keys take well under sixteen times as long.
TEST_F(RegFileStore, LoadingTimeGrowsInProportionToTheFile) {
    const auto fileOf = [](int keys) {
        std::u16string text = u"Windows Registry Editor Version 5.00\r\n\r\n";
        for (int key = 0; key < keys; ++key) {
            const std::u16string number = FromUtf8(std::to_string(key));
            text += u"[HKEY_LOCAL_MACHINE\\Software\\Vendor" + FromUtf8(std::to_string(key % 100)) +
                    u"\\Key" + number + u"]\r\n\"Value\"=dword:00000001\r\n\"Name\"=\"text " + number +
                    u"\"\r\n\r\n";
        }
        // One key with many values, and a late value that replaces an early one.
        text += u"[HKEY_CURRENT_USER\\Many]\r\n";
        for (int value = 0; value < keys / 5; ++value) {
            text += u"\"V" + FromUtf8(std::to_string(value)) + u"\"=dword:00000002\r\n";
        }
        text += u"\"v0\"=dword:00000003\r\n";
        return Utf16File(text);
    };
    const auto loadSeconds = [&](int keys) {
        WriteFile(fileOf(keys));
        const auto started = std::chrono::steady_clock::now();
        auto store = OpenStore();
        const auto seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        EXPECT_TRUE(store);
        if (store) {
            const CustomRegistry registry(*store);
            const std::u16string last = FromUtf8(std::to_string(keys - 1));
            EXPECT_EQ(registry.ReadRegistryString(RegistryRoot::LocalMachine,
                                                  u"\\SOFTWARE\\vendor" +
                                                      FromUtf8(std::to_string((keys - 1) % 100)) + u"\\KEY" +
                                                      last,
                                                  u"name", u"", false),
                      u"text " + last);
            EXPECT_EQ(registry.ReadRegistryInteger(RegistryRoot::CurrentUser, u"\\Many", u"V0", 0, false), 3);
        }
        return seconds;
    };
#if defined(__SANITIZE_ADDRESS__)
    constexpr int kKeys = 50'000; // half the size keeps the sanitized run short
#else
    constexpr int kKeys = 100'000;
#endif
    const double quarter = loadSeconds(kKeys / 4);
    const double whole = loadSeconds(kKeys);
    EXPECT_LT(whole, 8 * quarter + 0.5)
        << quarter << " s for a quarter of the keys, " << whole << " s for all";
#if !defined(__SANITIZE_ADDRESS__)
    EXPECT_LT(whole, 2.0);
#endif
}

// Each deletion in a file walked every key read so far, and each deleted value moved the values
// after it: 30,000 keys followed by as many deletions took 6 minutes under the sanitizers. A file of
// 100,000 keys, 100,000 key deletions and a key of 20,000 values with all but one deleted now loads
// a little faster than the same file without its deletions (1.7 s against 2.3 s, optimised, on a
// busy machine); the sanitized test takes a fifth of that and checks that four times the lines
// take well under sixteen times as long.
TEST_F(RegFileStore, LoadingTimeGrowsInProportionToTheFileWithManyDeletions) {
    const auto fileOf = [](int keys) {
        std::u16string text = u"Windows Registry Editor Version 5.00\r\n\r\n";
        for (int key = 0; key < keys; ++key) {
            text += u"[HKEY_LOCAL_MACHINE\\Software\\Key" + FromUtf8(std::to_string(key)) +
                    u"]\r\n\"Value\"=dword:00000001\r\n\r\n";
        }
        // Every even key goes with its subtree; every odd number names a key that does not exist.
        for (int key = 0; key < keys; ++key) {
            text +=
                key % 2 == 0
                    ? u"[-HKEY_LOCAL_MACHINE\\SOFTWARE\\key" + FromUtf8(std::to_string(key)) + u"]\r\n"
                    : u"[-HKEY_LOCAL_MACHINE\\Software\\Missing" + FromUtf8(std::to_string(key)) + u"]\r\n";
        }
        text += u"[HKEY_CURRENT_USER\\Many]\r\n";
        for (int value = 0; value < keys / 5; ++value) {
            text += u"\"V" + FromUtf8(std::to_string(value)) + u"\"=dword:00000002\r\n";
        }
        for (int value = 0; value + 1 < keys / 5; ++value) {
            text += u"\"v" + FromUtf8(std::to_string(value)) + u"\"=-\r\n";
        }
        return Utf16File(text);
    };
    const auto loadSeconds = [&](int keys) {
        WriteFile(fileOf(keys));
        const auto started = std::chrono::steady_clock::now();
        auto store = OpenStore();
        const auto seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        EXPECT_TRUE(store);
        if (store) {
            const std::vector<StoredKey> content = store->Snapshot();
            // Software, the odd keys, and Many.
            EXPECT_EQ(content.size(), static_cast<std::size_t>(1 + keys / 2 + 1));
            EXPECT_TRUE(store->KeyExists(RegistryRoot::LocalMachine,
                                         u"Software\\Key" + FromUtf8(std::to_string(keys - 1))));
            EXPECT_FALSE(store->KeyExists(RegistryRoot::LocalMachine,
                                          u"Software\\Key" + FromUtf8(std::to_string(keys - 2))));
            const StoredKey* many = FindKey(content, kCu, u"Many");
            EXPECT_NE(many, nullptr);
            if (many != nullptr) {
                EXPECT_EQ(many->values.size(), 1u);
                EXPECT_EQ(many->values.front().name, u"V" + FromUtf8(std::to_string(keys / 5 - 1)));
            }
        }
        return seconds;
    };
#if defined(__SANITIZE_ADDRESS__)
    constexpr int kKeys = 20'000;
#else
    constexpr int kKeys = 100'000;
#endif
    const double quarter = loadSeconds(kKeys / 4);
    const double whole = loadSeconds(kKeys);
    EXPECT_LT(whole, 8 * quarter + 0.5)
        << quarter << " s for a quarter of the lines, " << whole << " s for all";
#if !defined(__SANITIZE_ADDRESS__)
    EXPECT_LT(whole, 2.0);
#endif
}

} // namespace
} // namespace zentrim

// ---- saving beside links and files of others ----

#ifndef _WIN32

namespace zentrim {
namespace {

namespace fs = std::filesystem;

Bytes ReadBytes(const fs::path& file) {
    std::ifstream stream(file, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>());
}

void WriteBytes(const fs::path& file, const Bytes& bytes) {
    std::ofstream stream(file, std::ios::binary | std::ios::trunc);
    stream.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

unsigned ModeOf(const fs::path& file) {
    struct stat info {};
    EXPECT_EQ(::lstat(file.c_str(), &info), 0) << file;
    return info.st_mode & 07777;
}

// Whatever sits at a temporary file's name before the save must keep its kind and content, and
// nothing may be written through it: the save goes on under another name. A save whose every
// name is taken fails and leaves the target as it was.
TEST_F(RegFileStore, TemporaryFileIsNeverOpenedThroughANameThatExists) {
    const fs::path victims = folder_ / "victims";
    fs::create_directory(victims);
    const Bytes victimBytes = EightBitFile("belongs to someone else");
    WriteBytes(victims / "linked", victimBytes);
    WriteBytes(folder_ / "taken-2", victimBytes);
    fs::create_symlink(victims / "linked", folder_ / "taken-0");
    fs::create_symlink(victims / "missing", folder_ / "taken-1");
    const auto takenThree = [](const fs::path& fileName, int attempt) {
        EXPECT_EQ(fileName, "registry.reg");
        return fs::path((attempt < 3 ? "taken-" : "free-") + std::to_string(attempt));
    };
    const auto plantsAreUntouched = [&] {
        std::error_code error;
        EXPECT_EQ(fs::read_symlink(folder_ / "taken-0", error), victims / "linked") << error.message();
        EXPECT_TRUE(fs::is_symlink(folder_ / "taken-1"));
        EXPECT_EQ(ReadBytes(victims / "linked"), victimBytes);
        EXPECT_FALSE(fs::exists(fs::symlink_status(victims / "missing")));
        EXPECT_EQ(ReadBytes(folder_ / "taken-2"), victimBytes);
    };

    const Bytes first = EightBitFile("first");
    ASSERT_TRUE(WriteFileAtomically(file_, first, takenThree));
    EXPECT_EQ(ReadFile(), first);
    plantsAreUntouched();
    EXPECT_FALSE(fs::exists(folder_ / "free-3")); // renamed over the target

    const auto alwaysTaken = [](const fs::path&, int) { return fs::path("taken-0"); };
    EXPECT_FALSE(WriteFileAtomically(file_, EightBitFile("second"), alwaysTaken));
    EXPECT_EQ(ReadFile(), first);
    plantsAreUntouched();
    EXPECT_EQ(FolderEntries().size(), 5u); // the target, the three names and the victims
}

// A target that is a link, through a chain of two, stays a link: the file at the end of the chain
// gets the new content, and the temporary file goes beside that file.
TEST_F(RegFileStore, TargetThatIsALinkStaysALinkAndItsFileIsSaved) {
    const fs::path data = folder_ / "data";
    fs::create_directory(data);
    WriteBytes(data / "real.reg", EightBitFile("Windows Registry Editor Version 5.00\n"
                                               "[HKEY_CURRENT_USER\\Software\\Old]\n\"v\"=dword:1\n"));
    fs::create_symlink(data / "real.reg", folder_ / "middle.reg");
    fs::create_symlink("middle.reg", file_); // relative, as people write them
    {
        auto store = OpenStore();
        ASSERT_TRUE(store);
        CustomRegistry registry(*store);
        EXPECT_EQ(registry.TryWrite(RegistryRoot::CurrentUser, u"\\Software\\New", u"w", ValueType::String,
                                    EncodeRegistryText(u"saved"), false),
                  StoreStatus::Ok);
    }
    std::error_code error;
    EXPECT_EQ(fs::read_symlink(file_, error), "middle.reg") << error.message();
    EXPECT_TRUE(fs::is_symlink(folder_ / "middle.reg"));
    const auto parsed = ParseRegFile(ReadBytes(data / "real.reg"));
    ASSERT_TRUE(parsed) << parsed.error;
    EXPECT_NE(FindValue(parsed.keys, kCu, u"Software\\Old", u"v"), nullptr);
    const StoredValue* saved = FindValue(parsed.keys, kCu, u"Software\\New", u"w");
    ASSERT_NE(saved, nullptr);
    EXPECT_EQ(saved->data, EncodeRegistryText(u"saved"));
    EXPECT_EQ(std::distance(fs::directory_iterator(data), fs::directory_iterator()), 1);
    EXPECT_EQ(FolderEntries().size(), 3u);
}

// A link that leads nowhere is never replaced by a file: the change fails, the store keeps what
// the file held (nothing), and no file appears at either end of the link.
TEST_F(RegFileStore, LinkThatLeadsNowhereIsRefused) {
    fs::create_symlink(folder_ / "missing.reg", file_);
    auto store = OpenStore();
    ASSERT_TRUE(store);
    CustomRegistry registry(*store);
    EXPECT_EQ(registry.TryWrite(RegistryRoot::CurrentUser, u"\\Software\\A", u"v", ValueType::Dword,
                                Bytes{1, 0, 0, 0}, false),
              StoreStatus::Failed);
    EXPECT_FALSE(store->KeyExists(RegistryRoot::CurrentUser, u"Software\\A"));
    EXPECT_TRUE(fs::is_symlink(file_));
    EXPECT_FALSE(fs::exists(folder_ / "missing.reg"));
    EXPECT_EQ(FolderEntries(), std::vector<fs::path>{"registry.reg"});

    // Round in a loop, which the store refuses to open; the file writer refuses it alike.
    fs::remove(file_);
    fs::create_symlink("loop.reg", file_);
    fs::create_symlink("registry.reg", folder_ / "loop.reg");
    EXPECT_FALSE(RegFileRegistryStore::Open(file_).store);
    EXPECT_FALSE(WriteFileAtomically(file_, EightBitFile("text")));
    EXPECT_TRUE(fs::is_symlink(file_));
    EXPECT_TRUE(fs::is_symlink(folder_ / "loop.reg"));
    EXPECT_EQ(FolderEntries().size(), 2u);
}

// Records, from inside a write that goes past the file size limit (SIGXFSZ arrives in the writing
// thread), the modes of the regular files the process has open in one folder: the temporary file
// of a save, caught while it is being written. Only async-signal-safe calls.
struct TemporaryFileSpy {
    static inline char folder[4096];
    static inline std::size_t folderLength = 0;
    static inline volatile std::sig_atomic_t count = 0;
    static inline unsigned modes[16];

    static void Record(int) {
        for (int descriptor = 0; descriptor < 1024; ++descriptor) {
            char link[32] = "/proc/self/fd/";
            char digits[12];
            int length = 0;
            for (int n = descriptor; length == 0 || n > 0; n /= 10) {
                digits[length++] = static_cast<char>('0' + n % 10);
            }
            std::size_t at = std::strlen(link);
            while (length > 0) {
                link[at++] = digits[--length];
            }
            link[at] = '\0';
            char name[4096];
            const ssize_t size = ::readlink(link, name, sizeof name);
            struct stat info {};
            if (size > static_cast<ssize_t>(folderLength) && std::memcmp(name, folder, folderLength) == 0 &&
                name[folderLength] == '/' && ::fstat(descriptor, &info) == 0 && S_ISREG(info.st_mode) &&
                count < 16) {
                modes[count] = info.st_mode & 07777;
                count = count + 1;
            }
        }
    }
};

// While a save is under way, and after it, the file never has other permission bits than the
// file it replaces, whatever the umask; a new file gets 0666 less the umask. The save is made to
// fail in the middle of its write (a file size limit of 0), where the spy sees the temporary file.
TEST_F(RegFileStore, TemporaryFileHasTheTargetsPermissionsFromTheStart) {
    if (!fs::exists("/proc/self/fd")) {
        GTEST_SKIP() << "needs /proc/self/fd";
    }
    const struct {
        std::optional<unsigned> targetMode; // none: no file yet
        unsigned umask;
        unsigned expected;
    } cases[] = {
        {0600u, 022u, 0600u},        {0640u, 022u, 0640u},        {0664u, 077u, 0664u},
        {std::nullopt, 022u, 0644u}, {std::nullopt, 027u, 0640u},
    };
    const std::string folder = fs::canonical(folder_).string();
    ASSERT_LT(folder.size(), sizeof TemporaryFileSpy::folder);
    std::memcpy(TemporaryFileSpy::folder, folder.c_str(), folder.size() + 1);
    TemporaryFileSpy::folderLength = folder.size();
    const Bytes original = EightBitFile("Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A]\n");
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "target mode " << std::oct << c.targetMode.value_or(0) << ", umask " << c.umask);
        std::error_code error;
        fs::remove(file_, error);
        if (c.targetMode) {
            WriteFile(original);
            ASSERT_EQ(::chmod(file_.c_str(), *c.targetMode), 0);
        }
        auto store = OpenStore();
        ASSERT_TRUE(store);
        CustomRegistry registry(*store);
        TemporaryFileSpy::count = 0;

        StoreStatus limited = StoreStatus::Ok;
        {
            // Everything is put back before any check can print.
            struct Limits {
                mode_t mask;
                rlimit size{};
                struct sigaction action {};
                explicit Limits(mode_t newMask) : mask(::umask(newMask)) {
                    ::getrlimit(RLIMIT_FSIZE, &size);
                    struct sigaction spy {};
                    spy.sa_handler = &TemporaryFileSpy::Record;
                    ::sigaction(SIGXFSZ, &spy, &action);
                    rlimit none = size;
                    none.rlim_cur = 0;
                    ::setrlimit(RLIMIT_FSIZE, &none);
                }
                ~Limits() {
                    ::setrlimit(RLIMIT_FSIZE, &size);
                    ::sigaction(SIGXFSZ, &action, nullptr);
                    ::umask(mask);
                }
            } limits(static_cast<mode_t>(c.umask));
            limited = registry.TryWrite(RegistryRoot::CurrentUser, u"\\A", u"v", ValueType::Binary,
                                        Bytes(64, 7), false);
        }
        EXPECT_EQ(limited, StoreStatus::Failed);
        const int seen = TemporaryFileSpy::count;
        ASSERT_GT(seen, 0);
        for (int i = 0; i < seen; ++i) {
            EXPECT_EQ(TemporaryFileSpy::modes[i], c.expected)
                << "seen " << std::oct << TemporaryFileSpy::modes[i] << ", wanted " << c.expected;
        }
        EXPECT_EQ(store->KeyExists(RegistryRoot::CurrentUser, u"A"), c.targetMode.has_value());
        if (c.targetMode) {
            EXPECT_EQ(ReadFile(), original);
            EXPECT_EQ(ModeOf(file_), *c.targetMode);
            EXPECT_EQ(FolderEntries(), std::vector<fs::path>{"registry.reg"});
        } else {
            EXPECT_TRUE(FolderEntries().empty());
        }

        const mode_t before = ::umask(static_cast<mode_t>(c.umask));
        const StoreStatus saved = registry.TryWrite(RegistryRoot::CurrentUser, u"\\A", u"v",
                                                    ValueType::Binary, Bytes(64, 7), false);
        ::umask(before);
        EXPECT_EQ(saved, StoreStatus::Ok);
        EXPECT_EQ(ModeOf(file_), c.expected);
    }
}

// Who may replace a file, decided from its owner, group and mode as the rule says it, for an
// account of user 1000 with groups 1000 and 50, and for root.
TEST(RegFileReplace, TheModeAndTheOwnersDecideWhoMayReplaceAFile) {
    const FileAccount user{1000, 1000, {1000, 50}};
    const FileAccount root{0, 0, {0}};
    const struct {
        FileOwnership file;
        const FileAccount& account;
        ReplaceVerdict verdict;
    } cases[] = {
        {{1000, 1000, 0644}, user, ReplaceVerdict::Allowed},
        {{1000, 1000, 0444}, user, ReplaceVerdict::ReadOnly},
        {{1000, 1000, 0444}, root, ReplaceVerdict::ReadOnly}, // root could, but its mode says no one should
        {{1000, 1000, 0464}, user, ReplaceVerdict::NotWritable}, // the owner's own bits decide for the owner
        {{0, 0, 0644}, user, ReplaceVerdict::NotWritable},
        {{0, 50, 0664}, user, ReplaceVerdict::OwnerNotKept}, // may write it, but the new file would be ours
        {{0, 0, 0666}, user, ReplaceVerdict::OwnerNotKept},
        {{1000, 50, 0660}, user, ReplaceVerdict::Allowed},      // a supplementary group can be kept
        {{1000, 60, 0664}, user, ReplaceVerdict::GroupNotKept}, // group 60 has rights others have not
        {{1000, 60, 0644}, user, ReplaceVerdict::Allowed},      // group 60 has just the others' rights
        {{2000, 60, 0600}, root, ReplaceVerdict::Allowed},      // root keeps any owner
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "owner " << c.file.owner << ", group " << c.file.group << ", mode " << std::oct
                     << c.file.mode << ", user " << std::dec << c.account.user);
        EXPECT_EQ(DecideReplace(c.file, c.account), c.verdict);
    }
}

// A save keeps the owner, the group and the mode of the file it replaces, and refuses a file its
// account may not write or whose owner it could not keep, leaving it as it was. Root plays the
// owner of other accounts' files, and a child process that becomes "nobody" the other account.
TEST_F(RegFileStore, ASaveKeepsTheFilesOwnerAndModeOrRefusesTheFile) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root, to give files to other accounts";
    }
    constexpr uid_t kNobody = 65534;
    const Bytes old = EightBitFile("old");
    const Bytes changed = EightBitFile("changed");
    const auto owner = [&] {
        struct stat info {};
        EXPECT_EQ(::stat(file_.c_str(), &info), 0);
        return std::pair<uid_t, gid_t>(info.st_uid, info.st_gid);
    };
    WriteBytes(file_, old);
    ASSERT_EQ(::chown(file_.c_str(), kNobody, kNobody), 0);
    ASSERT_EQ(::chmod(file_.c_str(), 0640), 0);
    ASSERT_TRUE(SaveFileAtomically(file_, changed));
    EXPECT_EQ(ReadFile(), changed);
    EXPECT_EQ(owner(), (std::pair<uid_t, gid_t>(kNobody, kNobody)));
    EXPECT_EQ(ModeOf(file_), 0640u);
    ASSERT_EQ(::chmod(file_.c_str(), 0444), 0);
    EXPECT_EQ(SaveFileAtomically(file_, old).status, SaveStatus::Refused) << "read-only, even for root";
    EXPECT_EQ(ReadFile(), changed);

    // As nobody, in a folder that anyone may write.
    ASSERT_EQ(::chmod(folder_.c_str(), 0777), 0);
    const struct {
        uid_t owner;
        unsigned mode;
        SaveStatus status;
    } cases[] = {
        {0, 0644, SaveStatus::Refused},     // another's file it may not write
        {0, 0666, SaveStatus::Refused},     // one it may write, but not as its owner
        {kNobody, 0644, SaveStatus::Saved}, // its own
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "owner " << c.owner << ", mode " << std::oct << c.mode);
        WriteBytes(file_, old);
        ASSERT_EQ(::chown(file_.c_str(), c.owner, c.owner), 0);
        ASSERT_EQ(::chmod(file_.c_str(), c.mode), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) {
                ::_exit(100);
            }
            ::_exit(static_cast<int>(SaveFileAtomically(file_, changed).status));
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), static_cast<int>(c.status));
        EXPECT_EQ(ReadFile(), c.status == SaveStatus::Saved ? changed : old);
        EXPECT_EQ(owner(), (std::pair<uid_t, gid_t>(c.owner, c.owner)));
        EXPECT_EQ(ModeOf(file_), c.mode);
        EXPECT_EQ(FolderEntries(), std::vector<fs::path>{"registry.reg"});
    }
}

// A save given what the file held when it was read leaves a file that changed since as it is:
// whether its bytes changed (the size and time of last write put back), its size, only its time,
// or it was replaced by a copy.
TEST_F(RegFileStore, ASaveLeavesAFileThatChangedSinceItWasReadAsItIs) {
    const Bytes read = EightBitFile("Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A]\n");
    const Bytes mine = EightBitFile("Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\Mine]\n");
    const timespec readTime[2] = {{1'700'000'000, 0}, {1'700'000'000, 0}};
    const timespec laterTime[2] = {{1'700'000'000, 0}, {1'700'000'001, 0}};
    const Bytes sameSize = EightBitFile("Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\B]\n");
    const struct {
        std::string_view change;
        std::function<void()> apply;
        Bytes after;
    } cases[] = {
        {"other bytes",
         [&] {
             WriteBytes(file_, sameSize);
             ::utimensat(AT_FDCWD, file_.c_str(), readTime, 0);
         },
         sameSize},
        {"longer",
         [&] {
             Bytes longer = read;
             longer.push_back('\n');
             WriteBytes(file_, longer);
             ::utimensat(AT_FDCWD, file_.c_str(), readTime, 0);
         },
         [&] {
             Bytes longer = read;
             longer.push_back('\n');
             return longer;
         }()},
        {"touched", [&] { ::utimensat(AT_FDCWD, file_.c_str(), laterTime, 0); }, read},
        {"a copy",
         [&] {
             WriteBytes(folder_ / "copy", read);
             ::utimensat(AT_FDCWD, (folder_ / "copy").c_str(), readTime, 0);
             fs::rename(folder_ / "copy", file_);
         },
         read},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.change));
        WriteBytes(file_, read);
        ::utimensat(AT_FDCWD, file_.c_str(), readTime, 0);
        const StampedFile stamped = ReadStampedFile(file_);
        ASSERT_TRUE(stamped) << stamped.error;
        EXPECT_EQ(stamped.bytes, read);
        c.apply();
        EXPECT_EQ(SaveFileAtomically(file_, mine, &stamped.stamp).status, SaveStatus::ChangedMeanwhile);
        EXPECT_EQ(ReadFile(), c.after);
        EXPECT_EQ(FolderEntries(), std::vector<fs::path>{"registry.reg"});
    }
    WriteBytes(file_, read);
    const StampedFile stamped = ReadStampedFile(file_);
    EXPECT_TRUE(SaveFileAtomically(file_, mine, &stamped.stamp));
    EXPECT_EQ(ReadFile(), mine);
}

// One run that changes a file, or any number that read it, hold its lock at a time; the lock of a
// link is that of its file; a run that waits gets the lock once it is let go, and a lock file
// that was deleted while it waited is not the lock.
TEST_F(RegFileStore, TheLockOfAFileAdmitsOneWriterOrManyReaders) {
    using Mode = RegFileLock::Mode;
    using Status = RegFileLock::Status;
    constexpr std::chrono::milliseconds kShort(100);
    const fs::path link = folder_ / "link.reg";
    WriteBytes(file_, EightBitFile("x"));
    fs::create_symlink("registry.reg", link);
    EXPECT_EQ(RegFileLock::Acquire(file_, Mode::Shared, kShort).status, Status::NoLockFile);
    EXPECT_FALSE(fs::exists(RegFileLock::LockFileOf(file_))) << "a reader makes no lock file";

    const auto statusOf = [&](const fs::path& file, Mode mode) {
        return RegFileLock::Acquire(file, mode, kShort).status;
    };
    {
        const RegFileLock::Result writer = RegFileLock::Acquire(link, Mode::Exclusive, kShort);
        ASSERT_EQ(writer.status, Status::Locked) << writer.error;
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(statusOf(file_, Mode::Exclusive), Status::Busy);
        EXPECT_GE(std::chrono::steady_clock::now() - start, kShort);
        EXPECT_EQ(statusOf(link, Mode::Shared), Status::Busy);
    }
    {
        const RegFileLock::Result reader = RegFileLock::Acquire(file_, Mode::Shared, kShort);
        ASSERT_EQ(reader.status, Status::Locked);
        EXPECT_EQ(statusOf(link, Mode::Shared), Status::Locked);
        EXPECT_EQ(statusOf(file_, Mode::Exclusive), Status::Busy);
    }
    EXPECT_TRUE(fs::exists(RegFileLock::LockFileOf(file_))) << "the lock file stays";

    // A holder that lets go within the wait, once after deleting the lock file.
    for (const bool deleteLockFile : {false, true}) {
        SCOPED_TRACE(deleteLockFile ? "lock file deleted" : "lock let go");
        RegFileLock::Result held = RegFileLock::Acquire(file_, Mode::Exclusive, kShort);
        ASSERT_EQ(held.status, Status::Locked);
        std::thread holder([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            if (deleteLockFile) {
                fs::remove(RegFileLock::LockFileOf(file_));
            }
            held.lock.reset();
        });
        const RegFileLock::Result waiter =
            RegFileLock::Acquire(file_, Mode::Exclusive, std::chrono::seconds(5));
        holder.join();
        ASSERT_EQ(waiter.status, Status::Locked);
        EXPECT_EQ(statusOf(file_, Mode::Exclusive), Status::Busy) << "the waiter holds the lock at the name";
    }
}

} // namespace
} // namespace zentrim

#endif
