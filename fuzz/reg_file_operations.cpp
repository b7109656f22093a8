// The .reg writer through store operations chosen by the input: keys created, opened and deleted,
// values of every type set, read and deleted, under names with the characters the file format
// quotes or splits on. The file store must answer each operation as the in-memory store does
// (apart from key names with line breaks, which it refuses), and its file must load again to the
// same content, both through the parser and by opening the file as a new store.
#include "engine/memory_registry_store.h"
#include "engine/reg_file_format.h"
#include "engine/reg_file_store.h"
#include "fuzz_support.h"

#include <unistd.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using namespace zentrim;
using namespace std::string_view_literals;

namespace {

// Names that collide without regard to case, and characters the format treats specially.
constexpr std::array<std::u16string_view, 24> kNames{
    u"Software", u"SOFTWARE", u"ORVANE", u"Zentrim", u"a",      u"A",  u"\u00e9", u"\u00c9",
    u"\u044f",   u"\u042f",   u"x y",    u" ",       u"[",      u"]",  u"\"",     u"-",
    u";c",       u"@",        u"=",      u"hex:",    u"a\r\nb", u"\n", u"\t",     u"\uFEFF"};

// The characters of random names: format syntax, line breaks, NUL, letters that fold, a lone
// surrogate.
constexpr std::u16string_view kNameCharacters =
    u"aAzZ09 \t\\\"[]@=-;,:()\r\n\0\u00e9\u00c9\u00df\u0101\u0100\u044f\u042f\xD800\xDC00\uFFFF"sv;

constexpr std::array<std::uint32_t, 5> kAccesses{access::kRead, access::kWrite,
                                                 access::kRead | access::kWrite, access::kAllAccess, 0};

std::u16string Name(fuzz::ByteReader& input) {
    const std::uint8_t choice = input.Byte();
    if (choice < 160) {
        return std::u16string(kNames[choice % kNames.size()]);
    }
    return input.Text(12, kNameCharacters);
}

std::u16string KeyPath(fuzz::ByteReader& input) {
    std::u16string path;
    const std::uint8_t shape = input.Byte();
    if (shape == 255) {
        // Deeper than any registry allows.
        for (std::size_t i = 0; i <= kMaxKeyDepth; ++i) {
            path += u"d\\";
        }
        return path;
    }
    const std::size_t depth = shape % 4;
    if (shape & 0x10) {
        path += u'\\';
    }
    for (std::size_t i = 0; i < depth; ++i) {
        if (i > 0) {
            path += (shape & 0x20) ? u"\\\\" : u"\\";
        }
        path += Name(input);
    }
    if (shape & 0x40) {
        path += u'\\';
    }
    return path;
}

std::vector<std::uint8_t> Data(fuzz::ByteReader& input, ValueType type) {
    if (type == ValueType::String && input.Byte() % 2 == 0) {
        // A text as the program writes it, so that the quoted form is used.
        const std::u16string text = input.Text(40, kNameCharacters);
        std::vector<std::uint8_t> data;
        for (const char16_t c : text) {
            data.push_back(static_cast<std::uint8_t>(c & 0xFF));
            data.push_back(static_cast<std::uint8_t>(c >> 8));
        }
        data.push_back(0);
        data.push_back(0);
        return data;
    }
    // Up to a few hex lines' worth, so that long values wrap.
    return input.Bytes(input.Byte() % 8 == 0 ? 300 : 12);
}

ValueType Type(fuzz::ByteReader& input) {
    const std::uint8_t choice = input.Byte();
    if (choice < 240) {
        return static_cast<ValueType>(choice % 12);
    }
    return static_cast<ValueType>(input.Uint32());
}

// A private folder for the store's file; in memory where the system offers one, as every change
// rewrites the file.
std::filesystem::path StoreFile() {
    static const std::filesystem::path file = [] {
        std::error_code error;
        std::filesystem::path base = "/dev/shm";
        if (!std::filesystem::is_directory(base, error)) {
            base = std::filesystem::temp_directory_path();
        }
        static const std::filesystem::path folder = base / ("zentrim-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder);
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(folder, ignored);
        });
        return folder / "store.reg";
    }();
    return file;
}

std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path) {
    std::ifstream stream(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
}

// An open key of each store, for the same request.
struct KeyPair {
    StoreKey file = 0;
    StoreKey memory = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::ByteReader input(data, size);
    const std::filesystem::path path = StoreFile();
    std::error_code error;
    std::filesystem::remove(path, error);

    auto opened = RegFileRegistryStore::Open(path);
    fuzz::Check(opened.store != nullptr, "a missing file opens as an empty store");
    RegFileRegistryStore& store = *opened.store;
    MemoryRegistryStore memory;
    std::vector<KeyPair> keys;

    for (int step = 0; step < 64 && !input.AtEnd(); ++step) {
        const RegistryRoot root =
            input.Byte() % 2 == 0 ? RegistryRoot::LocalMachine : RegistryRoot::CurrentUser;
        switch (input.Byte() % 8) {
        case 0:
        case 1: {
            const std::u16string keyPath = KeyPath(input);
            const std::uint32_t access = kAccesses[input.Below(kAccesses.size())];
            const bool create = input.Byte() % 2 == 0;
            KeyPair pair;
            const StoreStatus fileStatus = create ? store.CreateKey(root, keyPath, access, pair.file)
                                                  : store.OpenKey(root, keyPath, access, pair.file);
            if (create && keyPath.find_first_of(u"\r\n") != std::u16string::npos) {
                fuzz::Check(fileStatus == StoreStatus::InvalidName && pair.file == 0,
                            "a key name with a line break is refused");
                break;
            }
            const StoreStatus memoryStatus = create ? memory.CreateKey(root, keyPath, access, pair.memory)
                                                    : memory.OpenKey(root, keyPath, access, pair.memory);
            fuzz::Check(fileStatus == memoryStatus, "opening or creating a key answers as in memory");
            fuzz::Check((pair.file != 0) == (pair.memory != 0), "both stores give a key or neither");
            if (pair.file != 0) {
                keys.push_back(pair);
            }
            break;
        }
        case 2:
        case 3: {
            if (keys.empty()) {
                break;
            }
            const KeyPair pair = keys[input.Below(static_cast<std::uint32_t>(keys.size()))];
            const std::u16string name = Name(input);
            const ValueType type = Type(input);
            const std::vector<std::uint8_t> bytes = Data(input, type);
            fuzz::Check(store.SetValue(pair.file, name, type, bytes) ==
                            memory.SetValue(pair.memory, name, type, bytes),
                        "setting a value answers as in memory");
            break;
        }
        case 4: {
            if (keys.empty()) {
                break;
            }
            const KeyPair pair = keys[input.Below(static_cast<std::uint32_t>(keys.size()))];
            const std::u16string name = Name(input);
            fuzz::Check(store.DeleteValue(pair.file, name) == memory.DeleteValue(pair.memory, name),
                        "deleting a value answers as in memory");
            break;
        }
        case 5: {
            const std::u16string keyPath = KeyPath(input);
            fuzz::Check(store.DeleteKey(root, keyPath, 0) == memory.DeleteKey(root, keyPath, 0),
                        "deleting a key answers as in memory");
            break;
        }
        case 6: {
            if (keys.empty()) {
                break;
            }
            const KeyPair pair = keys[input.Below(static_cast<std::uint32_t>(keys.size()))];
            const std::u16string name = Name(input);
            std::array<std::uint8_t, 16> fileBuffer{};
            std::array<std::uint8_t, 16> memoryBuffer{};
            const std::size_t bufferSize = input.Below(fileBuffer.size() + 1);
            ValueType fileType = ValueType::None;
            ValueType memoryType = ValueType::None;
            std::uint32_t fileSize = 0;
            std::uint32_t memorySize = 0;
            const StoreStatus fileStatus =
                store.QueryValue(pair.file, name, fileType, {fileBuffer.data(), bufferSize}, fileSize);
            const StoreStatus memoryStatus = memory.QueryValue(pair.memory, name, memoryType,
                                                               {memoryBuffer.data(), bufferSize}, memorySize);
            fuzz::Check(fileStatus == memoryStatus && fileType == memoryType && fileSize == memorySize &&
                            fileBuffer == memoryBuffer,
                        "reading a value answers as in memory");
            break;
        }
        default: {
            if (keys.empty()) {
                break;
            }
            const std::size_t index = input.Below(static_cast<std::uint32_t>(keys.size()));
            store.CloseKey(keys[index].file);
            memory.CloseKey(keys[index].memory);
            keys.erase(keys.begin() + static_cast<std::ptrdiff_t>(index));
            break;
        }
        }
    }

    const std::vector<StoredKey> content = store.Snapshot();
    fuzz::Check(fuzz::SameContent(content, memory.Snapshot()), "the file store holds what memory holds");
    if (!std::filesystem::exists(path)) {
        // Nothing was ever written: nothing that a file would show was created.
        fuzz::Check(FormatRegFile(content) == FormatRegFile({}), "an unwritten store holds nothing");
        return 0;
    }
    const std::vector<std::uint8_t> bytes = ReadFile(path);
    fuzz::Check(bytes == FormatRegFile(content), "the file holds the content as it is saved");

    const RegFileParseResult parsed = ParseRegFile(bytes);
    fuzz::Check(static_cast<bool>(parsed), "the saved file loads");
    MemoryRegistryStore reloaded;
    reloaded.Load(parsed.keys);
    fuzz::Check(fuzz::SameContent(reloaded.Snapshot(), content), "the saved file loads to the same content");

    for (const KeyPair& pair : keys) {
        store.CloseKey(pair.file);
    }
    const auto reopened = RegFileRegistryStore::Open(path);
    fuzz::Check(reopened.store != nullptr, "the saved file opens as a store");
    fuzz::Check(fuzz::SameContent(reopened.store->Snapshot(), content), "the reopened store holds the same");
    return 0;
}
