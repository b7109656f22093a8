#include "engine/reg_file_format.h"

#include "base/text.h"
#include "engine/custom_registry.h"
#include "engine/memory_registry_store.h"
#include "reg_file_tests.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zentrim {
namespace {

// The text of a file written by FormatRegFile, without its byte order mark.
std::u16string FileText(const Bytes& bytes) {
    std::u16string text;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
        text.push_back(static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8)));
    }
    return text;
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

// ---- files of hostile shape ----

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

} // namespace
} // namespace zentrim
