#include "engine/reg_file_store.h"

#include "base/atomic_file.h"
#include "base/text.h"
#include "engine/custom_registry.h"
#include "engine/reg_file_format.h"
#include "engine/reg_file_lock.h"
#include "reg_file_tests.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>

#ifndef _WIN32
#include <csignal>
#include <cstring>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#endif

namespace zentrim {
namespace {

class RegFileStore : public FileTestFolder {
protected:
    std::unique_ptr<RegFileRegistryStore> OpenStore() const {
        auto result = RegFileRegistryStore::Open(file_);
        EXPECT_TRUE(result.store) << result.error;
        return std::move(result.store);
    }
};

constexpr std::u16string_view kProduct = u"\\Software\\ORVANE\\Zentrim\\";

TEST_F(RegFileStore, MissingFileGivesEmptyStoreAndIsWrittenAtTheFirstChange) {
    auto store = OpenStore();
    ASSERT_TRUE(store);
    CustomRegistry registry(*store);
    EXPECT_EQ(registry.ReadRegistryString(RegistryRoot::LocalMachine, kProduct, u"Language", u"english",
                                          RegistryView::Default()),
              u"english");
    registry.DeleteRegistryValue(RegistryRoot::LocalMachine, kProduct, u"Language", RegistryView::Default());
    EXPECT_FALSE(std::filesystem::exists(file_)); // reads and failed deletions change nothing

    registry.WriteRegistryInteger(RegistryRoot::LocalMachine, kProduct, u"Restore", 1,
                                  RegistryView::Default());
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
        registry.WriteRegistryString(RegistryRoot::LocalMachine, kProduct, u"Language", u"deutsch",
                                     RegistryView::Default());
        registry.WriteRegistryInteger(RegistryRoot::LocalMachine, kProduct, u"ProcessorType", -1,
                                      RegistryView::Default());
        registry.WriteRegistryBinary(RegistryRoot::CurrentUser, u"\\Control Panel\\Desktop", u"Mask", {9, 8},
                                     RegistryView::Default());
        registry.DeleteRegistryValue(RegistryRoot::LocalMachine, kProduct, u"stale", RegistryView::Default());
    }
    EXPECT_EQ(ReadFile()[0], 0xFF); // rewritten as regedit would write it

    auto store = OpenStore();
    ASSERT_TRUE(store);
    CustomRegistry registry(*store);
    EXPECT_EQ(registry.ReadRegistryString(RegistryRoot::LocalMachine, kProduct, u"Language", u"",
                                          RegistryView::Default()),
              u"deutsch");
    EXPECT_EQ(registry.ReadRegistryInteger(RegistryRoot::LocalMachine, kProduct, u"ProcessorType", 0,
                                           RegistryView::Default()),
              -1);
    EXPECT_EQ(registry.ReadRegistryRaw(RegistryRoot::CurrentUser, u"\\Control Panel\\Desktop", u"Mask",
                                       RegistryView::Default()),
              (RawValue{ValueType::Binary, {9, 8}}));
    EXPECT_EQ(registry.ReadRegistryString(RegistryRoot::LocalMachine, kProduct, u"Stale", u"gone",
                                          RegistryView::Default()),
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
        registry.WriteRegistryInteger(RegistryRoot::CurrentUser, u"\\Software\\Test", u"Counter", i,
                                      RegistryView::Default());
    }
    EXPECT_EQ(FolderEntries(), std::vector<std::filesystem::path>{"registry.reg"});
    EXPECT_EQ(registry.ReadRegistryInteger(RegistryRoot::CurrentUser, u"\\Software\\Test", u"Counter", -1,
                                           RegistryView::Default()),
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
    EXPECT_EQ(registry.ReadRegistryInteger(RegistryRoot::LocalMachine, u"\\Software\\A", u"Value", 0,
                                           RegistryView::Default()),
              1);
    EXPECT_EQ(registry.ReadRegistryRaw(RegistryRoot::LocalMachine, u"\\Software\\A", u"Other",
                                       RegistryView::Default()),
              (RawValue{ValueType::Binary, changed}));
}

TEST_F(RegFileStore, MissingFolderMakesEveryChangeFail) {
    file_ = folder_ / "gone" / "registry.reg";
    std::filesystem::create_directory(folder_ / "gone");
    auto store = OpenStore();
    ASSERT_TRUE(store);
    CustomRegistry registry(*store);
    registry.WriteRegistryString(RegistryRoot::CurrentUser, u"\\Software\\B", u"Kept", u"yes",
                                 RegistryView::Default());
    std::filesystem::remove_all(folder_ / "gone");

    EXPECT_EQ(registry.TryWrite(RegistryRoot::CurrentUser, u"\\Software\\B", u"New", ValueType::String,
                                EncodeRegistryText(u"no"), RegistryView::Default()),
              StoreStatus::Failed);
    EXPECT_EQ(
        registry.TryDelete(RegistryRoot::CurrentUser, u"\\Software\\B", u"Kept", RegistryView::Default()),
        StoreStatus::Failed);
    EXPECT_EQ(registry.TryWrite(RegistryRoot::CurrentUser, u"\\Software\\C", u"New", ValueType::Binary, {},
                                RegistryView::Default()),
              StoreStatus::Failed);
    EXPECT_EQ(registry.ReadRegistryString(RegistryRoot::CurrentUser, u"\\Software\\B", u"Kept", u"",
                                          RegistryView::Default()),
              u"yes");
    EXPECT_EQ(registry.ReadRegistryString(RegistryRoot::CurrentUser, u"\\Software\\B", u"New", u"none",
                                          RegistryView::Default()),
              u"none");
    EXPECT_FALSE(store->KeyExists(RegistryRoot::CurrentUser, u"Software\\C"));
    EXPECT_EQ(store->OpenKeyCount(), 0u);
    EXPECT_FALSE(std::filesystem::exists(folder_ / "gone"));
}

// ---- files of a whole machine's size ----

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
                                                  u"name", u"", RegistryView::Default()),
                      u"text " + last);
            EXPECT_EQ(registry.ReadRegistryInteger(RegistryRoot::CurrentUser, u"\\Many", u"V0", 0,
                                                   RegistryView::Default()),
                      3);
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
                                    EncodeRegistryText(u"saved"), RegistryView::Default()),
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
                                Bytes{1, 0, 0, 0}, RegistryView::Default()),
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
                                        Bytes(64, 7), RegistryView::Default());
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
                                                    ValueType::Binary, Bytes(64, 7), RegistryView::Default());
        ::umask(before);
        EXPECT_EQ(saved, StoreStatus::Ok);
        EXPECT_EQ(ModeOf(file_), c.expected);
    }
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
