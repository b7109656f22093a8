#include "engine/reg_file_store.h"

#include "base/text.h"
#include "engine/custom_registry.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <thread>
#include <unordered_map>
#include <utility>

#ifdef _WIN32
#include "base/unique_handle_win32.h"
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace zentrim {

namespace {

constexpr std::u16string_view kVersion5Header = u"Windows Registry Editor Version 5.00";
constexpr std::u16string_view kVersion4Header = u"REGEDIT4";

// regedit ends a hex line once it reaches this column, going on after "\" on the next line.
constexpr std::size_t kHexWrapColumn = 77;

struct RootNames {
    std::u16string_view longName;
    std::u16string_view shortName;
};

constexpr std::array<RootNames, 5> kRoots{{
    {u"HKEY_LOCAL_MACHINE", u"HKLM"},
    {u"HKEY_CURRENT_USER", u"HKCU"},
    {u"HKEY_CLASSES_ROOT", u"HKCR"},
    {u"HKEY_USERS", u"HKU"},
    {u"HKEY_CURRENT_CONFIG", u"HKCC"},
}};

// ---- decoding the file into text ----

bool IsValidUtf8(std::span<const std::uint8_t> bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        const std::uint8_t lead = bytes[i];
        std::size_t extra = 0;
        std::uint32_t cp = 0;
        std::uint32_t minimum = 0;
        if (lead < 0x80) {
            ++i;
            continue;
        } else if ((lead & 0xE0) == 0xC0) {
            extra = 1, cp = lead & 0x1Fu, minimum = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            extra = 2, cp = lead & 0x0Fu, minimum = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            extra = 3, cp = lead & 0x07u, minimum = 0x10000;
        } else {
            return false;
        }
        if (i + extra >= bytes.size()) {
            return false;
        }
        for (std::size_t k = 1; k <= extra; ++k) {
            if ((bytes[i + k] & 0xC0) != 0x80) {
                return false;
            }
            cp = (cp << 6) | (bytes[i + k] & 0x3Fu);
        }
        if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            return false;
        }
        i += extra + 1;
    }
    return true;
}

// 8-bit text: UTF-8 when it is well-formed, otherwise the Windows-1252 of older files.
std::u16string DecodeEightBit(std::span<const std::uint8_t> bytes) {
    if (IsValidUtf8(bytes)) {
        return FromUtf8(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    }
    return FromWindows1252(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

std::vector<std::uint8_t> EncodeUtf16(std::u16string_view text) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(text.size() * 2);
    for (const char16_t c : text) {
        bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    return bytes;
}

// ---- small text helpers ----

bool IsBlank(char16_t c) {
    return c == u' ' || c == u'\t';
}

std::u16string_view TrimLeft(std::u16string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    return text;
}

std::u16string_view TrimRight(std::u16string_view text) {
    while (!text.empty() && (IsBlank(text.back()) || text.back() == u'\r')) {
        text.remove_suffix(1);
    }
    return text;
}

std::u16string_view Trim(std::u16string_view text) {
    return TrimRight(TrimLeft(text));
}

int HexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9') {
        return c - u'0';
    }
    if (c >= u'a' && c <= u'f') {
        return c - u'a' + 10;
    }
    if (c >= u'A' && c <= u'F') {
        return c - u'A' + 10;
    }
    return -1;
}

// A number of 1 to `maxDigits` hex digits and nothing else.
bool ParseHexNumber(std::u16string_view text, std::size_t maxDigits, std::uint32_t& value) {
    if (text.empty() || text.size() > maxDigits) {
        return false;
    }
    value = 0;
    for (const char16_t c : text) {
        const int digit = HexDigit(c);
        if (digit < 0) {
            return false;
        }
        value = (value << 4) | static_cast<std::uint32_t>(digit);
    }
    return true;
}

bool HasPrefixIgnoringCase(std::u16string_view text, std::u16string_view prefix) {
    return text.size() >= prefix.size() && EqualsIgnoringCase(text.substr(0, prefix.size()), prefix);
}

std::string Quoted(std::u16string_view text) {
    // Built by appending: GCC 12 warns falsely (-Wrestrict) about "'" + std::string.
    std::string quoted(1, '\'');
    quoted += ToUtf8(text);
    quoted += '\'';
    return quoted;
}

std::u16string JoinKeyPath(std::u16string_view path) {
    std::u16string joined;
    for (const auto name : SplitKeyPath(path)) {
        if (!joined.empty()) {
            joined += u'\\';
        }
        joined += name;
    }
    return joined;
}

// ---- parsing ----

struct ParseFault {
    std::size_t line;
    std::string what;
};

class RegFileParser {
public:
    // `base` is the content the file is applied to, as `reg import` applies a file to the registry.
    RegFileParser(std::u16string_view text, bool eightBitStrings, std::vector<StoredKey> base)
        : eightBitStrings_(eightBitStrings), keys_(std::move(base)) {
        slots_.resize(keys_.size());
        for (std::size_t i = 0; i < keys_.size(); ++i) {
            keyIndex_.emplace(KeyIndexName(keys_[i].rootName, keys_[i].path), i);
            for (std::size_t v = 0; v < keys_[i].values.size(); ++v) {
                slots_[i].valueIndex.emplace(ToUpperText(keys_[i].values[v].name), v);
                slots_[i].valueDeleted.push_back(false);
            }
        }
        while (true) {
            const auto end = text.find(u'\n');
            lines_.push_back(text.substr(0, end));
            if (end == std::u16string_view::npos) {
                break;
            }
            text.remove_prefix(end + 1);
        }
    }

    std::vector<StoredKey> Parse() {
        const auto header = Trim(lines_.front());
        if (!EqualsIgnoringCase(header, kVersion5Header) && !EqualsIgnoringCase(header, kVersion4Header)) {
            throw ParseFault{1, "the file does not begin with a registry editor header"};
        }
        for (index_ = 1; index_ < lines_.size(); ++index_) {
            const auto line = Trim(lines_[index_]);
            if (line.empty() || line.front() == u';') {
                continue;
            }
            if (line.front() == u'[') {
                ParseSection(line);
            } else if (line.front() == u'"' || line.front() == u'@') {
                ParseValue(line);
            } else {
                Fail("unexpected text " + Quoted(line.substr(0, 40)));
            }
        }
        return TakeKeys();
    }

private:
    [[noreturn]] void Fail(std::string what) const { throw ParseFault{index_ + 1, std::move(what)}; }

    void ParseSection(std::u16string_view line) {
        if (line.size() < 2 || line.back() != u']') {
            Fail("a key line must end with ']'");
        }
        auto inner = line.substr(1, line.size() - 2);
        const bool remove = !inner.empty() && inner.front() == u'-';
        if (remove) {
            inner.remove_prefix(1);
        }
        const auto rootEnd = inner.find(u'\\');
        const auto rootText = inner.substr(0, rootEnd);
        std::u16string_view rootName;
        for (const auto& root : kRoots) {
            if (EqualsIgnoringCase(rootText, root.longName) || EqualsIgnoringCase(rootText, root.shortName)) {
                rootName = root.longName;
            }
        }
        if (rootName.empty()) {
            Fail("unknown root key " + Quoted(rootText));
        }
        const std::u16string path =
            rootEnd == std::u16string_view::npos ? std::u16string() : JoinKeyPath(inner.substr(rootEnd + 1));
        if (SplitKeyPath(path).size() > kMaxKeyDepth) {
            Fail("the key lies deeper than " + std::to_string(kMaxKeyDepth) +
                 " levels, which no registry allows");
        }
        if (remove) {
            RemoveKeyTree(rootName, path);
            current_.reset();
            return;
        }
        current_ = FindOrAddKey(rootName, path);
    }

    // Keys and values are found through indexes of their case-folded names, so that a file of a
    // whole machine's registry loads in time proportional to its size. Deleted keys and values
    // stay in place as gaps until the end, so that a file of many deletions loads as quickly: the
    // key index is ordered, which puts a key and the keys below it side by side.
    struct KeySlot {
        std::unordered_map<std::u16string, std::size_t> valueIndex; // folded name -> place in values
        std::vector<bool> valueDeleted;                             // per place in values
        bool deleted = false;
    };

    static std::u16string KeyIndexName(std::u16string_view rootName, std::u16string_view path) {
        return std::u16string(rootName) + u'\\' + ToUpperText(path);
    }

    std::size_t FindOrAddKey(std::u16string_view rootName, const std::u16string& path) {
        const auto [it, added] = keyIndex_.try_emplace(KeyIndexName(rootName, path), keys_.size());
        if (added) {
            keys_.push_back({std::u16string(rootName), path, {}});
            slots_.emplace_back();
        }
        return it->second;
    }

    // Removes the key and every key below it; for a root, every key under it.
    void RemoveKeyTree(std::u16string_view rootName, const std::u16string& path) {
        const std::u16string name = KeyIndexName(rootName, path);
        // The index names of the keys below: "ROOT\PATH\..." ("ROOT\..." for a root, which covers
        // the root's own values too).
        const std::u16string below = path.empty() ? name : name + u'\\';
        if (!path.empty()) {
            if (const auto it = keyIndex_.find(name); it != keyIndex_.end()) {
                DeleteKeySlot(it->second);
                keyIndex_.erase(it);
            }
        }
        auto it = keyIndex_.lower_bound(below);
        while (it != keyIndex_.end() && std::u16string_view(it->first).starts_with(below)) {
            DeleteKeySlot(it->second);
            it = keyIndex_.erase(it);
        }
    }

    void DeleteKeySlot(std::size_t index) {
        keys_[index].values.clear();
        slots_[index] = KeySlot{};
        slots_[index].deleted = true;
    }

    // The keys and values that were not deleted, in the order they were first added.
    std::vector<StoredKey> TakeKeys() {
        std::vector<StoredKey> kept;
        for (std::size_t k = 0; k < keys_.size(); ++k) {
            if (slots_[k].deleted) {
                continue;
            }
            StoredKey& key = keys_[k];
            std::size_t keptValues = 0;
            for (std::size_t v = 0; v < key.values.size(); ++v) {
                if (!slots_[k].valueDeleted[v]) {
                    if (keptValues != v) {
                        key.values[keptValues] = std::move(key.values[v]);
                    }
                    ++keptValues;
                }
            }
            key.values.resize(keptValues);
            kept.push_back(std::move(key));
        }
        return kept;
    }

    // Reads a quoted text starting at text[pos], the opening quote; leaves pos after the closing one.
    std::u16string ParseQuotedText(std::u16string_view text, std::size_t& pos) const {
        std::u16string out;
        for (++pos; pos < text.size(); ++pos) {
            const char16_t c = text[pos];
            if (c == u'"') {
                ++pos;
                return out;
            }
            if (c != u'\\') {
                out.push_back(c);
                continue;
            }
            if (++pos == text.size()) {
                break;
            }
            switch (text[pos]) {
            case u'\\':
            case u'"':
                out.push_back(text[pos]);
                break;
            case u'n':
                out.push_back(u'\n');
                break;
            case u'r':
                out.push_back(u'\r');
                break;
            default:
                Fail("unknown escape " + Quoted(text.substr(pos - 1, 2)) + " in a quoted text");
            }
        }
        Fail("unterminated quoted text");
    }

    void ParseValue(std::u16string_view line) {
        if (!current_) {
            Fail("a value outside a key section");
        }
        std::size_t pos = 0;
        std::u16string name;
        if (line.front() == u'@') {
            pos = 1;
        } else {
            name = ParseQuotedText(line, pos);
        }
        auto rest = TrimLeft(line.substr(pos));
        if (rest.empty() || rest.front() != u'=') {
            Fail("expected '=' after the value name");
        }
        rest = TrimLeft(rest.substr(1));

        StoredKey& key = keys_[*current_];
        KeySlot& slot = slots_[*current_];
        auto& index = slot.valueIndex;
        const std::u16string folded = ToUpperText(name);
        const auto existing = index.find(folded);
        if (rest == u"-") {
            if (existing != index.end()) {
                const std::size_t position = existing->second;
                index.erase(existing);
                slot.valueDeleted[position] = true;
                key.values[position].data.clear();
            }
            return;
        }
        StoredValue value{std::move(name), ValueType::None, {}};
        ParseData(rest, value);
        if (existing != index.end()) {
            StoredValue& stored = key.values[existing->second];
            stored.type = value.type; // the first spelling of the name stays, as in the registry
            stored.data = std::move(value.data);
        } else {
            index.emplace(folded, key.values.size());
            key.values.push_back(std::move(value));
            slot.valueDeleted.push_back(false);
        }
    }

    void ParseData(std::u16string_view data, StoredValue& value) {
        if (!data.empty() && data.front() == u'"') {
            std::size_t pos = 0;
            const std::u16string text = ParseQuotedText(data, pos);
            if (pos != data.size()) {
                Fail("unexpected text after a quoted value");
            }
            value.type = ValueType::String;
            value.data = EncodeRegistryText(text);
            return;
        }
        if (HasPrefixIgnoringCase(data, u"dword:")) {
            std::uint32_t number = 0;
            if (!ParseHexNumber(data.substr(6), 8, number)) {
                Fail("a dword needs 1 to 8 hex digits");
            }
            value.type = ValueType::Dword;
            const auto bytes = EncodeDword(number);
            value.data.assign(bytes.begin(), bytes.end());
            return;
        }
        if (!HasPrefixIgnoringCase(data, u"hex")) {
            Fail("unrecognised value data " + Quoted(data.substr(0, 40)));
        }
        data.remove_prefix(3);
        std::uint32_t type = static_cast<std::uint32_t>(ValueType::Binary);
        if (!data.empty() && data.front() == u'(') {
            const auto close = data.find(u')');
            if (close == std::u16string_view::npos || !ParseHexNumber(data.substr(1, close - 1), 8, type)) {
                Fail("a value type must be hex(N) with N of 1 to 8 hex digits");
            }
            data.remove_prefix(close + 1);
        }
        if (data.empty() || data.front() != u':') {
            Fail("expected ':' after hex");
        }
        value.type = static_cast<ValueType>(type);
        value.data = ParseHexBytes(data.substr(1));
        if (eightBitStrings_ && (value.type == ValueType::String || value.type == ValueType::ExpandString ||
                                 value.type == ValueType::MultiString)) {
            // REGEDIT4 files hold these texts as 8-bit characters; the registry holds them as UTF-16.
            value.data = EncodeUtf16(DecodeEightBit(value.data));
        }
    }

    // Comma-separated bytes, going on to the next line after a trailing backslash.
    std::vector<std::uint8_t> ParseHexBytes(std::u16string_view first) {
        const std::size_t startIndex = index_;
        std::u16string list(TrimRight(first));
        while (!list.empty() && list.back() == u'\\') {
            list.pop_back();
            if (index_ + 1 >= lines_.size()) {
                Fail("hex data goes on past the end of the file");
            }
            ++index_;
            list += Trim(lines_[index_]);
        }
        std::vector<std::uint8_t> bytes;
        if (Trim(list).empty()) {
            return bytes;
        }
        std::u16string_view remaining = list;
        while (true) {
            const auto comma = remaining.find(u',');
            const auto item = Trim(remaining.substr(0, comma));
            std::uint32_t byte = 0;
            if (!ParseHexNumber(item, 2, byte)) {
                const std::size_t faultIndex = index_;
                index_ = startIndex;
                if (faultIndex != startIndex) {
                    Fail("bad hex byte " + Quoted(item) + " in data that runs to line " +
                         std::to_string(faultIndex + 1));
                }
                Fail("bad hex byte " + Quoted(item));
            }
            bytes.push_back(static_cast<std::uint8_t>(byte));
            if (comma == std::u16string_view::npos) {
                break;
            }
            remaining.remove_prefix(comma + 1);
            if (Trim(remaining).empty()) {
                break; // one trailing comma is tolerated
            }
        }
        return bytes;
    }

    std::vector<std::u16string_view> lines_;
    bool eightBitStrings_;
    std::size_t index_ = 0;
    std::vector<StoredKey> keys_;                    // every key added, deleted ones among them as gaps
    std::vector<KeySlot> slots_;                     // per key of keys_
    std::map<std::u16string, std::size_t> keyIndex_; // root and folded path -> key, deleted ones left out
    std::optional<std::size_t> current_;
};

// ---- writing ----

void AppendQuoted(std::u16string& out, std::u16string_view text) {
    out += u'"';
    for (const char16_t c : text) {
        switch (c) {
        case u'\\':
            out += u"\\\\";
            break;
        case u'"':
            out += u"\\\"";
            break;
        case u'\n':
            out += u"\\n";
            break;
        case u'\r':
            out += u"\\r";
            break;
        default:
            out += c;
        }
    }
    out += u'"';
}

// A REG_SZ that the quoted form carries exactly: whole UTF-16 characters, one NUL at the end and
// none before it, and no line break that would split the line.
bool IsPlainString(const StoredValue& value) {
    const auto& data = value.data;
    if (value.type != ValueType::String || data.size() < 2 || data.size() % 2 != 0) {
        return false;
    }
    for (std::size_t i = 0; i < data.size(); i += 2) {
        const auto c = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
        const bool last = i + 2 == data.size();
        if ((c == 0) != last || c == u'\r' || c == u'\n') {
            return false;
        }
    }
    return true;
}

void AppendHexNumber(std::u16string& out, std::uint32_t number, std::size_t minDigits) {
    constexpr std::u16string_view kDigits = u"0123456789abcdef";
    std::u16string digits;
    do {
        digits.insert(digits.begin(), kDigits[number & 0xF]);
        number >>= 4;
    } while (number != 0);
    if (digits.size() < minDigits) {
        digits.insert(0, minDigits - digits.size(), u'0');
    }
    out += digits;
}

void AppendValue(std::u16string& out, const StoredValue& value) {
    const std::size_t lineStart = out.size();
    if (value.name.empty()) {
        out += u'@';
    } else {
        AppendQuoted(out, value.name);
    }
    out += u'=';
    if (IsPlainString(value)) {
        AppendQuoted(out, DecodeRegistryText(value.data));
    } else if (value.type == ValueType::Dword && value.data.size() == 4) {
        std::uint32_t number = 0;
        for (std::size_t i = 4; i-- > 0;) {
            number = (number << 8) | value.data[i];
        }
        out += u"dword:";
        AppendHexNumber(out, number, 8);
    } else {
        if (value.type == ValueType::Binary) {
            out += u"hex:";
        } else {
            out += u"hex(";
            AppendHexNumber(out, static_cast<std::uint32_t>(value.type), 1);
            out += u"):";
        }
        std::size_t column = out.size() - lineStart;
        for (std::size_t i = 0; i < value.data.size(); ++i) {
            AppendHexNumber(out, value.data[i], 2);
            if (i + 1 == value.data.size()) {
                break;
            }
            out += u',';
            column += 3;
            if (column >= kHexWrapColumn) {
                out += u"\\\r\n  ";
                column = 2;
            }
        }
    }
    out += u"\r\n";
}

// ---- the file itself ----

std::string PathText(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

// How many names a save tries for its temporary file before it gives up: another name is drawn
// only when one is taken, which random names all but never are.
constexpr int kTemporaryAttempts = 8;

// The digits of a temporary file's random part, and what follows them.
constexpr std::size_t kTemporaryDigits = 16;
constexpr std::u16string_view kTemporarySuffix = u".tmp";

std::filesystem::path RandomTemporaryName(const std::filesystem::path& fileName) {
    static thread_local std::mt19937_64 generator{std::random_device{}()};
    std::u16string suffix = u".";
    AppendHexNumber(suffix, static_cast<std::uint32_t>(generator()), kTemporaryDigits / 2);
    AppendHexNumber(suffix, static_cast<std::uint32_t>(generator()), kTemporaryDigits / 2);
    suffix += kTemporarySuffix;
    std::filesystem::path name = fileName;
    name += std::filesystem::path(suffix);
    return name;
}

std::filesystem::path TemporaryName(const TemporaryFileNamer& namer, const std::filesystem::path& fileName,
                                    int attempt) {
    return namer ? namer(fileName, attempt) : RandomTemporaryName(fileName);
}

// FNV-1a, 64 bits: with the size, the time of the last write and the file's identity, it tells a
// file that another program changed from the one that was read.
std::uint64_t HashBytes(std::span<const std::uint8_t> bytes) {
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (const std::uint8_t byte : bytes) {
        hash = (hash ^ byte) * 0x100000001b3ull;
    }
    return hash;
}

std::string RefusalText(ReplaceVerdict verdict) {
    switch (verdict) {
    case ReplaceVerdict::Allowed:
        return {};
    case ReplaceVerdict::ReadOnly:
        return "the file is read-only";
    case ReplaceVerdict::NotWritable:
        return "this account may not write the file";
    case ReplaceVerdict::OwnerNotKept:
        return "the file belongs to another account, and a saved file would belong to this one";
    case ReplaceVerdict::GroupNotKept:
        return "the file's group cannot be kept, and another group would give other accounts other rights";
    }
    return "the file cannot be replaced";
}

// How long a run that waits for a lock sleeps between two tries.
constexpr std::chrono::milliseconds kLockPollInterval{20};

#ifdef _WIN32

// The file a save replaces: the target itself, or the file its link leads to, so that a link
// stays a link. Empty when the target is a link that leads nowhere.
std::optional<std::filesystem::path> FileToReplace(const std::filesystem::path& target) {
    const DWORD attributes = ::GetFileAttributesW(target.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
            return target; // a new file
        }
        return std::nullopt;
    }
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
        return target;
    }
    // Opening the name follows every link on the way; the handle then names the file at the end.
    const UniqueKernelHandle file(
        NullIfInvalid(::CreateFileW(target.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr)));
    if (!file) {
        return std::nullopt;
    }
    std::wstring name(MAX_PATH, L'\0');
    while (true) {
        const DWORD length = ::GetFinalPathNameByHandleW(
            file.get(), name.data(), static_cast<DWORD>(name.size()), FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (length == 0) {
            return std::nullopt;
        }
        if (length < name.size()) {
            name.resize(length);
            return std::filesystem::path(name);
        }
        name.resize(length); // the size needed, with the terminating NUL
    }
}

bool WriteAll(HANDLE file, std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
        DWORD written = 0;
        if (!::WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0) {
            return false;
        }
        bytes = bytes.subspan(written);
    }
    return true;
}

StampedFile ReadStamped(const std::filesystem::path& file) {
    StampedFile result;
    const UniqueKernelHandle handle(NullIfInvalid(
        ::CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!handle || !::GetFileInformationByHandle(handle.get(), &info)) {
        result.error = "the file cannot be read";
        return result;
    }
    if (::GetFileType(handle.get()) != FILE_TYPE_DISK ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        result.error = "not a regular file";
        return result;
    }
    std::uint8_t buffer[1 << 16];
    while (true) {
        DWORD read = 0;
        if (!::ReadFile(handle.get(), buffer, sizeof buffer, &read, nullptr)) {
            result.error = "the file cannot be read";
            return result;
        }
        if (read == 0) {
            break;
        }
        result.bytes.insert(result.bytes.end(), buffer, buffer + read);
    }
    // The stamp of the file as it was read to its end.
    if (!::GetFileInformationByHandle(handle.get(), &info)) {
        result.error = "the file cannot be read";
        return result;
    }
    const std::uint64_t size = (std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
    if (size != result.bytes.size()) {
        result.error = "the file changed while it was read";
        return result;
    }
    result.stamp.size = size;
    result.stamp.modified = static_cast<std::int64_t>(
        (std::uint64_t{info.ftLastWriteTime.dwHighDateTime} << 32) | info.ftLastWriteTime.dwLowDateTime);
    result.stamp.device = info.dwVolumeSerialNumber;
    result.stamp.identity = (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
    result.stamp.hash = HashBytes(result.bytes);
    return result;
}

// Why the file (the one at the end of any links) may not be replaced; empty when it may. Windows
// has no mode bits: a read-only file is refused, and one that this account may not open for
// writing.
std::string Refusal(const std::filesystem::path& file) {
    const DWORD attributes = ::GetFileAttributesW(file.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = ::GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
                   ? std::string()
                   : "the file cannot be looked at";
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return "not a regular file";
    }
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        return RefusalText(ReplaceVerdict::ReadOnly);
    }
    const UniqueKernelHandle writable(NullIfInvalid(
        ::CreateFileW(file.c_str(), FILE_WRITE_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)));
    if (!writable && ::GetLastError() == ERROR_ACCESS_DENIED) {
        return RefusalText(ReplaceVerdict::NotWritable);
    }
    return {};
}

// Writes a temporary file beside the file it replaces, flushes it to disk and moves it over that
// file, so the file holds either its old content or the new one, never a part. The temporary file
// is always created new (never opened through a name that exists, a link included) and takes the
// permissions a new file in its folder inherits.
SaveResult ReplaceAtomically(const std::filesystem::path& target, std::span<const std::uint8_t> bytes,
                             const FileStamp* expected, const TemporaryFileNamer& namer) {
    const std::optional<std::filesystem::path> file = FileToReplace(target);
    if (!file) {
        return {SaveStatus::Failed, {}};
    }
    if (std::string refusal = Refusal(*file); !refusal.empty()) {
        return {SaveStatus::Refused, std::move(refusal)};
    }
    std::filesystem::path temporary;
    UniqueKernelHandle handle;
    for (int attempt = 0; attempt < kTemporaryAttempts && !handle; ++attempt) {
        temporary = file->parent_path() / TemporaryName(namer, file->filename(), attempt);
        const HANDLE created = ::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        const DWORD error = ::GetLastError();
        if (created == INVALID_HANDLE_VALUE && error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
            return {SaveStatus::Failed, {}}; // anything but a name that is taken: another would fail alike
        }
        handle.reset(NullIfInvalid(created));
    }
    if (!handle) {
        return {SaveStatus::Failed, {}};
    }
    bool written = WriteAll(handle.get(), bytes) && ::FlushFileBuffers(handle.get());
    written = ::CloseHandle(handle.release()) && written;
    SaveStatus status = SaveStatus::Failed;
    if (written) {
        // Checked as late as can be: a change made after this point is outside any program's reach.
        const bool unchanged = expected == nullptr || [&] {
            const StampedFile now = ReadStamped(*file);
            return now && now.stamp == *expected;
        }();
        if (!unchanged) {
            status = SaveStatus::ChangedMeanwhile;
        } else if (::MoveFileExW(temporary.c_str(), file->c_str(),
                                 MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            return {SaveStatus::Saved, {}};
        }
    }
    ::DeleteFileW(temporary.c_str());
    return {status, {}};
}

#else

// An open file descriptor, closed on every path.
class Descriptor {
public:
    explicit Descriptor(int descriptor) : descriptor_(descriptor) {}
    Descriptor(Descriptor&& other) noexcept : descriptor_(std::exchange(other.descriptor_, -1)) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    Descriptor& operator=(Descriptor&&) = delete;
    ~Descriptor() { Close(); }

    int get() const { return descriptor_; }
    explicit operator bool() const { return descriptor_ >= 0; }
    void Reset(int descriptor) {
        Close();
        descriptor_ = descriptor;
    }
    // Closes now; false when the close failed, which may mean written data never reached the file.
    bool Close() {
        const int descriptor = std::exchange(descriptor_, -1);
        return descriptor < 0 || ::close(descriptor) == 0;
    }

private:
    int descriptor_;
};

bool WriteAll(int descriptor, std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(descriptor, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
    return true;
}

void SyncFolder(const std::filesystem::path& folder) {
    // Makes the rename itself durable; a failure here leaves the file intact either way.
    const Descriptor descriptor(
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (descriptor) {
        ::fsync(descriptor.get());
    }
}

// The file a save replaces: the target itself, or the file at the end of its chain of links, so
// that a link stays a link. Empty when the target is a link that leads nowhere (to a missing file,
// or round in a loop) or cannot be looked at.
std::optional<std::filesystem::path> FileToReplace(const std::filesystem::path& target) {
    std::error_code error;
    const auto status = std::filesystem::symlink_status(target, error);
    if (status.type() == std::filesystem::file_type::not_found) {
        return target; // a new file
    }
    if (error) {
        return std::nullopt;
    }
    if (!std::filesystem::is_symlink(status)) {
        return target;
    }
    std::filesystem::path file = std::filesystem::canonical(target, error);
    if (error) {
        return std::nullopt;
    }
    return file;
}

std::string ErrorText(int error) {
    return std::generic_category().message(error);
}

FileAccount CurrentAccount() {
    FileAccount account;
    account.user = ::geteuid();
    account.group = ::getegid();
    const int count = ::getgroups(0, nullptr);
    if (count > 0) {
        std::vector<gid_t> groups(static_cast<std::size_t>(count));
        const int filled = ::getgroups(count, groups.data());
        account.groups.assign(groups.begin(), groups.begin() + std::max(filled, 0));
    }
    return account;
}

FileOwnership OwnershipOf(const struct stat& info) {
    return {static_cast<std::uint32_t>(info.st_uid), static_cast<std::uint32_t>(info.st_gid),
            static_cast<std::uint32_t>(info.st_mode & 0777)};
}

StampedFile ReadStamped(const std::filesystem::path& file) {
    StampedFile result;
    // Not blocking: a FIFO planted at the name must not hold the program up.
    const Descriptor descriptor(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat info {};
    if (!descriptor || ::fstat(descriptor.get(), &info) != 0) {
        result.error = "the file cannot be read (" + ErrorText(errno) + ")";
        return result;
    }
    if (!S_ISREG(info.st_mode)) {
        result.error = "not a regular file";
        return result;
    }
    std::uint8_t buffer[1 << 16];
    while (true) {
        const ssize_t read = ::read(descriptor.get(), buffer, sizeof buffer);
        if (read < 0 && errno == EINTR) {
            continue;
        }
        if (read < 0) {
            result.error = "the file cannot be read (" + ErrorText(errno) + ")";
            return result;
        }
        if (read == 0) {
            break;
        }
        result.bytes.insert(result.bytes.end(), buffer, buffer + read);
    }
    // The stamp of the file as it was read to its end.
    if (::fstat(descriptor.get(), &info) != 0) {
        result.error = "the file cannot be read (" + ErrorText(errno) + ")";
        return result;
    }
    if (static_cast<std::uint64_t>(info.st_size) != result.bytes.size()) {
        result.error = "the file changed while it was read";
        return result;
    }
    result.stamp.size = result.bytes.size();
    result.stamp.modified =
        static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec;
    result.stamp.device = static_cast<std::uint64_t>(info.st_dev);
    result.stamp.identity = static_cast<std::uint64_t>(info.st_ino);
    result.stamp.hash = HashBytes(result.bytes);
    return result;
}

// Why the file (the one at the end of any links) may not be replaced; empty when it may. `info` is
// its status, when it exists.
std::string Refusal(const struct stat* info) {
    if (info == nullptr) {
        return {};
    }
    if (!S_ISREG(info->st_mode)) {
        return "not a regular file";
    }
    return RefusalText(DecideReplace(OwnershipOf(*info), CurrentAccount()));
}

// Gives the temporary file the replaced file's owner and group. A group that cannot be kept is let
// go only where it makes no difference to anyone: when its rights are those of every other account.
bool KeepOwner(int descriptor, const struct stat& info) {
    const FileAccount account = CurrentAccount();
    if (info.st_uid == account.user && info.st_gid == account.group) {
        return true; // a new file is ours and has our group already
    }
    if (::fchown(descriptor, info.st_uid, info.st_gid) == 0) {
        return true;
    }
    if (info.st_uid != account.user) {
        return false;
    }
    const mode_t mode = info.st_mode & 0777;
    return ((mode >> 3) & 07) == (mode & 07);
}

// Writes a temporary file beside the file it replaces, flushes it to disk and renames it over that
// file, so the file holds either its old content or the new one, never a part. The temporary file
// is always a new one (never a name that exists, never opened through a link) and has the
// replaced file's permission bits from the start, so it is never readable by more accounts than
// that file; a new file gets the default ones. A replaced file keeps its owner and group.
SaveResult ReplaceAtomically(const std::filesystem::path& target, std::span<const std::uint8_t> bytes,
                             const FileStamp* expected, const TemporaryFileNamer& namer) {
    const std::optional<std::filesystem::path> file = FileToReplace(target);
    if (!file) {
        return {SaveStatus::Failed, {}};
    }
    mode_t mode = 0666; // as the umask allows
    struct stat info {};
    const bool replacing = ::stat(file->c_str(), &info) == 0;
    if (!replacing && errno != ENOENT) {
        return {SaveStatus::Failed, {}}; // its permissions cannot be known
    }
    if (std::string refusal = Refusal(replacing ? &info : nullptr); !refusal.empty()) {
        return {SaveStatus::Refused, std::move(refusal)};
    }
    if (replacing) {
        mode = info.st_mode & 0777; // not set-user-ID and its kin: the file is data
    }

    std::filesystem::path temporary;
    Descriptor descriptor(-1);
    for (int attempt = 0; attempt < kTemporaryAttempts && !descriptor; ++attempt) {
        temporary = file->parent_path() / TemporaryName(namer, file->filename(), attempt);
        const int opened =
            ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (opened < 0 && errno != EEXIST) {
            return {SaveStatus::Failed, {}}; // anything but a name that is taken: another would fail alike
        }
        descriptor.Reset(opened);
    }
    if (!descriptor) {
        return {SaveStatus::Failed, {}};
    }
    if (replacing) {
        if (!KeepOwner(descriptor.get(), info)) {
            descriptor.Close();
            ::unlink(temporary.c_str());
            return {SaveStatus::Refused, RefusalText(ReplaceVerdict::OwnerNotKept)};
        }
        // The umask may have taken bits the replaced file has; the file keeps exactly its own.
        ::fchmod(descriptor.get(), mode);
    }
    bool written = WriteAll(descriptor.get(), bytes) && ::fsync(descriptor.get()) == 0;
    written = descriptor.Close() && written;
    SaveStatus status = SaveStatus::Failed;
    if (written) {
        // Checked as late as can be: a change made after this point is outside any program's reach.
        const bool unchanged = expected == nullptr || [&] {
            const StampedFile now = ReadStamped(*file);
            return now && now.stamp == *expected;
        }();
        if (!unchanged) {
            status = SaveStatus::ChangedMeanwhile;
        } else if (::rename(temporary.c_str(), file->c_str()) == 0) {
            SyncFolder(file->parent_path());
            return {SaveStatus::Saved, {}};
        }
    }
    ::unlink(temporary.c_str());
    return {status, {}};
}

#endif

} // namespace

RegFileParseResult ParseRegFile(std::span<const std::uint8_t> bytes) {
    return ImportRegFile(bytes, {});
}

RegFileParseResult ImportRegFile(std::span<const std::uint8_t> bytes, std::vector<StoredKey> base) {
    RegFileParseResult result;
    try {
        std::u16string text;
        if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
            if (bytes.size() % 2 != 0) {
                result.error = "UTF-16 text with an odd number of bytes";
                return result;
            }
            text.reserve(bytes.size() / 2);
            for (std::size_t i = 2; i < bytes.size(); i += 2) {
                text.push_back(static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8)));
            }
        } else {
            if (bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
                bytes = bytes.subspan(3);
            }
            text = DecodeEightBit(bytes);
        }
        const auto firstLine = Trim(std::u16string_view(text).substr(0, text.find(u'\n')));
        RegFileParser parser(text, EqualsIgnoringCase(firstLine, kVersion4Header), std::move(base));
        result.keys = parser.Parse();
    } catch (const ParseFault& fault) {
        result.keys.clear();
        result.line = fault.line;
        result.error = "line " + std::to_string(fault.line) + ": " + fault.what;
    } catch (const std::exception& exception) {
        result.keys.clear();
        result.error = exception.what();
    }
    return result;
}

namespace {

void AppendKeyLine(std::u16string& text, std::u16string_view rootName, std::u16string_view path) {
    text += u'[';
    text += rootName;
    if (!path.empty()) {
        text += u'\\';
        text += path;
    }
    text += u"]\r\n";
}

std::vector<std::uint8_t> FileBytes(std::u16string_view text) {
    std::vector<std::uint8_t> bytes{0xFF, 0xFE};
    const auto encoded = EncodeUtf16(text);
    bytes.insert(bytes.end(), encoded.begin(), encoded.end());
    return bytes;
}

} // namespace

std::vector<std::uint8_t> FormatRegFile(const std::vector<StoredKey>& keys) {
    std::u16string text(kVersion5Header);
    text += u"\r\n\r\n";
    for (const auto& key : keys) {
        AppendKeyLine(text, key.rootName, key.path);
        for (const auto& value : key.values) {
            AppendValue(text, value);
        }
        text += u"\r\n";
    }
    return FileBytes(text);
}

std::vector<std::uint8_t> FormatRegEditFile(const std::vector<RegFileKeyEdits>& keys) {
    std::u16string text(kVersion5Header);
    text += u"\r\n\r\n";
    for (const auto& key : keys) {
        AppendKeyLine(text, key.rootName, key.path);
        for (const auto& edit : key.values) {
            if (edit.deleted) {
                if (edit.value.name.empty()) {
                    text += u'@';
                } else {
                    AppendQuoted(text, edit.value.name);
                }
                text += u"=-\r\n";
            } else {
                AppendValue(text, edit.value);
            }
        }
        text += u"\r\n";
    }
    return FileBytes(text);
}

bool WriteFileAtomically(const std::filesystem::path& target, std::span<const std::uint8_t> bytes,
                         const TemporaryFileNamer& namer) {
    return static_cast<bool>(SaveFileAtomically(target, bytes, nullptr, namer));
}

SaveResult SaveFileAtomically(const std::filesystem::path& target, std::span<const std::uint8_t> bytes,
                              const FileStamp* expected, const TemporaryFileNamer& namer) {
    try {
        return ReplaceAtomically(target, bytes, expected, namer);
    } catch (const std::exception&) {
        return {SaveStatus::Failed, {}};
    }
}

StampedFile ReadStampedFile(const std::filesystem::path& file) {
    try {
        return ReadStamped(file);
    } catch (const std::exception& exception) {
        StampedFile result;
        result.error = exception.what();
        return result;
    }
}

ReplaceVerdict DecideReplace(const FileOwnership& file, const FileAccount& account) {
    constexpr std::uint32_t kOwnerWrite = 0200;
    constexpr std::uint32_t kGroupWrite = 0020;
    constexpr std::uint32_t kOtherWrite = 0002;
    if ((file.mode & (kOwnerWrite | kGroupWrite | kOtherWrite)) == 0) {
        return ReplaceVerdict::ReadOnly; // for root too, who could write it
    }
    if (account.user == 0) {
        return ReplaceVerdict::Allowed; // root may write it, and gives the new file its owner and group
    }
    const bool owner = account.user == file.owner;
    const bool member =
        account.group == file.group || std::ranges::find(account.groups, file.group) != account.groups.end();
    const std::uint32_t writeBit = owner ? kOwnerWrite : member ? kGroupWrite : kOtherWrite;
    if ((file.mode & writeBit) == 0) {
        return ReplaceVerdict::NotWritable;
    }
    if (!owner) {
        return ReplaceVerdict::OwnerNotKept; // only root may give a file to another account
    }
    // An owner may give the file only a group of their own; another one's rights must then be
    // those every other account has, or the save would change who may do what.
    if (!member && ((file.mode >> 3) & 07) != (file.mode & 07)) {
        return ReplaceVerdict::GroupNotKept;
    }
    return ReplaceVerdict::Allowed;
}

std::string ReplaceRefusal(const std::filesystem::path& target) {
    try {
        const std::optional<std::filesystem::path> file = FileToReplace(target);
        if (!file) {
            return "the link leads nowhere";
        }
#ifdef _WIN32
        return Refusal(*file);
#else
        struct stat info {};
        if (::stat(file->c_str(), &info) != 0) {
            return errno == ENOENT ? std::string()
                                   : "the file cannot be looked at (" + ErrorText(errno) + ")";
        }
        return Refusal(&info);
#endif
    } catch (const std::exception& exception) {
        return exception.what();
    }
}

bool IsTemporaryFileName(const std::filesystem::path& fileName, const std::filesystem::path& name) {
    using String = std::filesystem::path::string_type;
    const String& file = fileName.native();
    const String& candidate = name.native();
    const std::size_t length = file.size() + 1 + kTemporaryDigits + kTemporarySuffix.size();
    if (candidate.size() != length || candidate.compare(0, file.size(), file) != 0 ||
        candidate[file.size()] != '.') {
        return false;
    }
    for (std::size_t i = 0; i < kTemporaryDigits; ++i) {
        const auto c = candidate[file.size() + 1 + i];
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) {
            return false;
        }
    }
    const std::size_t suffix = file.size() + 1 + kTemporaryDigits;
    for (std::size_t i = 0; i < kTemporarySuffix.size(); ++i) {
        if (static_cast<char16_t>(candidate[suffix + i]) != kTemporarySuffix[i]) {
            return false;
        }
    }
    return true;
}

// ---- the lock of a registry file ----

std::filesystem::path RegFileLock::LockFileOf(const std::filesystem::path& file) {
    std::filesystem::path lock = file;
    lock += ".lock";
    return lock;
}

#ifdef _WIN32

struct RegFileLock::Held {
    UniqueKernelHandle handle;
    Mode mode;

    Held(UniqueKernelHandle lockFile, Mode lockMode) : handle(std::move(lockFile)), mode(lockMode) {}
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
    ~Held() {
        // Closing the handle frees the lock too, but only when the system comes round to it.
        OVERLAPPED start{};
        ::UnlockFileEx(handle.get(), 0, 1, 0, &start);
    }
};

RegFileLock::Result RegFileLock::Acquire(const std::filesystem::path& file, Mode mode,
                                         std::chrono::milliseconds wait) {
    Result result;
    try {
        const std::optional<std::filesystem::path> resolved = FileToReplace(file);
        if (!resolved) {
            result.error = PathText(file) + ": the link leads nowhere";
            return result;
        }
        const std::filesystem::path lockFile = LockFileOf(*resolved);
        const auto deadline = std::chrono::steady_clock::now() + wait;
        // Opened without FILE_SHARE_DELETE: while any run holds it, no one can delete or rename it.
        const auto open = [&](DWORD access, DWORD disposition) {
            return UniqueKernelHandle(
                NullIfInvalid(::CreateFileW(lockFile.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                            nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr)));
        };
        while (true) {
            UniqueKernelHandle handle = mode == Mode::Exclusive
                                            ? open(GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS)
                                            : open(GENERIC_READ, OPEN_EXISTING);
            DWORD error = handle ? ERROR_SUCCESS : ::GetLastError();
            if (!handle && mode == Mode::Exclusive && error == ERROR_ACCESS_DENIED) {
                handle = open(GENERIC_READ, OPEN_EXISTING); // a lock file of another account
                error = handle ? ERROR_SUCCESS : ::GetLastError();
            }
            if (!handle && (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) &&
                mode == Mode::Shared) {
                result.status = Status::NoLockFile;
                return result;
            }
            if (!handle && error != ERROR_SHARING_VIOLATION) {
                result.error = PathText(lockFile) + ": the lock file cannot be made or opened";
                return result;
            }
            if (handle && ::GetFileType(handle.get()) != FILE_TYPE_DISK) {
                result.error = PathText(lockFile) + ": not a regular file";
                return result;
            }
            if (handle) {
                OVERLAPPED start{};
                const DWORD flags =
                    LOCKFILE_FAIL_IMMEDIATELY | (mode == Mode::Exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0);
                if (::LockFileEx(handle.get(), flags, 0, 1, 0, &start)) {
                    result.lock = std::make_unique<RegFileLock>(
                        Token{}, *resolved, std::make_unique<Held>(std::move(handle), mode));
                    result.status = Status::Locked;
                    return result;
                }
                const DWORD lockError = ::GetLastError();
                if (lockError != ERROR_LOCK_VIOLATION && lockError != ERROR_IO_PENDING) {
                    result.error = PathText(lockFile) + ": the lock file cannot be locked";
                    return result;
                }
            }
            if (std::chrono::steady_clock::now() >= deadline) {
                result.status = Status::Busy;
                return result;
            }
            ::Sleep(static_cast<DWORD>(kLockPollInterval.count()));
        }
    } catch (const std::exception& exception) {
        result = Result{};
        result.error = PathText(file) + ": " + exception.what();
    }
    return result;
}

#else

struct RegFileLock::Held {
    Descriptor descriptor; // closing it frees the lock
    Mode mode;
};

RegFileLock::Result RegFileLock::Acquire(const std::filesystem::path& file, Mode mode,
                                         std::chrono::milliseconds wait) {
    Result result;
    try {
        const std::optional<std::filesystem::path> resolved = FileToReplace(file);
        if (!resolved) {
            result.error = PathText(file) + ": the link leads nowhere";
            return result;
        }
        const std::filesystem::path lockFile = LockFileOf(*resolved);
        const auto deadline = std::chrono::steady_clock::now() + wait;
        const auto timeLeft = [&] { return std::chrono::steady_clock::now() < deadline; };
        // Never through a link, and never blocking on a FIFO planted at the name.
        constexpr int kFlags = O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK;
        while (true) {
            Descriptor descriptor(mode == Mode::Exclusive
                                      ? ::open(lockFile.c_str(), O_RDWR | O_CREAT | kFlags, 0666)
                                      : ::open(lockFile.c_str(), O_RDONLY | kFlags));
            if (!descriptor && mode == Mode::Exclusive && errno == EACCES) {
                descriptor.Reset(
                    ::open(lockFile.c_str(), O_RDONLY | kFlags)); // a lock file of another account
                if (!descriptor && errno == ENOENT) {
                    errno = EACCES; // none there, and the folder does not let us make one
                }
            }
            if (!descriptor) {
                if (errno == ENOENT && mode == Mode::Shared) {
                    result.status = Status::NoLockFile;
                    return result;
                }
                result.error = PathText(lockFile) + ": the lock file cannot be made or opened (" +
                               ErrorText(errno) + ")";
                return result;
            }
            struct stat locked {};
            if (::fstat(descriptor.get(), &locked) != 0 || !S_ISREG(locked.st_mode)) {
                result.error = PathText(lockFile) + ": not a regular file";
                return result;
            }
            const int operation = (mode == Mode::Exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB;
            while (::flock(descriptor.get(), operation) != 0) {
                if (errno == EINTR) {
                    continue;
                }
                if (errno != EWOULDBLOCK) {
                    result.error =
                        PathText(lockFile) + ": the lock file cannot be locked (" + ErrorText(errno) + ")";
                    return result;
                }
                if (!timeLeft()) {
                    result.status = Status::Busy;
                    return result;
                }
                std::this_thread::sleep_for(kLockPollInterval);
            }
            // A lock file deleted while we waited guards nothing: the one the name leads to now does.
            struct stat named {};
            if (::lstat(lockFile.c_str(), &named) == 0 && named.st_dev == locked.st_dev &&
                named.st_ino == locked.st_ino) {
                result.lock = std::make_unique<RegFileLock>(
                    Token{}, *resolved, std::make_unique<Held>(std::move(descriptor), mode));
                result.status = Status::Locked;
                return result;
            }
            if (!timeLeft()) {
                result.status = Status::Busy;
                return result;
            }
        }
    } catch (const std::exception& exception) {
        result = Result{};
        result.error = PathText(file) + ": " + exception.what();
    }
    return result;
}

#endif

RegFileLock::RegFileLock(Token, std::filesystem::path file, std::unique_ptr<Held> held)
    : file_(std::move(file)), held_(std::move(held)) {}

RegFileLock::~RegFileLock() = default;

std::size_t RegFileLock::RemoveStaleTemporaryFiles() const {
    if (held_->mode != Mode::Exclusive) {
        return 0;
    }
    std::size_t removed = 0;
    try {
        const std::filesystem::path folder = file_.has_parent_path() ? file_.parent_path() : ".";
        const std::filesystem::path name = file_.filename();
        std::error_code error;
        for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end;
             entry.increment(error)) {
            // Only files: a link or a folder of that name is no temporary file of ours.
            if (IsTemporaryFileName(name, entry->path().filename()) &&
                entry->symlink_status(error).type() == std::filesystem::file_type::regular &&
                std::filesystem::remove(entry->path(), error)) {
                ++removed;
            }
            error.clear();
        }
    } catch (const std::exception&) {
        // what is left is removed by a later run
    }
    return removed;
}

RegFileRegistryStore::OpenResult RegFileRegistryStore::Open(const std::filesystem::path& file) {
    OpenResult result;
    try {
        std::error_code error;
        const auto status = std::filesystem::status(file, error);
        if (status.type() == std::filesystem::file_type::not_found) {
            result.store = std::make_unique<RegFileRegistryStore>(Token{}, file, std::vector<StoredKey>{});
            return result;
        }
        if (error) {
            result.error = PathText(file) + ": " + error.message();
            return result;
        }
        if (!std::filesystem::is_regular_file(status)) {
            result.error = PathText(file) + ": not a regular file";
            return result;
        }
        std::ifstream stream(file, std::ios::binary);
        std::vector<std::uint8_t> bytes;
        if (stream) {
            bytes.assign(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>());
        }
        if (!stream && !stream.eof()) {
            result.error = PathText(file) + ": the file cannot be read";
            return result;
        }
        const RegFileParseResult parsed = ParseRegFile(bytes);
        if (!parsed) {
            result.error = PathText(file) + ": " + parsed.error;
            return result;
        }
        result.store = std::make_unique<RegFileRegistryStore>(Token{}, file, parsed.keys);
    } catch (const std::exception& exception) {
        result.store.reset();
        result.error = PathText(file) + ": " + exception.what();
    }
    return result;
}

RegFileRegistryStore::RegFileRegistryStore(Token, std::filesystem::path file,
                                           const std::vector<StoredKey>& content)
    : file_(std::move(file)) {
    memory_.Load(content);
    saved_ = memory_.Snapshot();
    savedBytes_ = FormatRegFile(saved_);
}

RegFileRegistryStore::~RegFileRegistryStore() = default;

StoreKey RegFileRegistryStore::Inner(StoreKey key) const {
    const auto it = handles_.find(key);
    return it == handles_.end() ? 0 : it->second.inner;
}

StoreKey RegFileRegistryStore::Register(RegistryRoot root, std::u16string_view path, std::uint32_t access,
                                        StoreKey inner) {
    const StoreKey key = nextHandle_++;
    handles_.emplace(key, Handle{root, std::u16string(path), access, inner});
    return key;
}

bool RegFileRegistryStore::Save() {
    try {
        std::vector<StoredKey> content = memory_.Snapshot();
        std::vector<std::uint8_t> bytes = FormatRegFile(content);
        if (bytes == savedBytes_) {
            return true; // nothing the file would show has changed, such as a new root with no keys
        }
        if (!ReplaceAtomically(file_, bytes, nullptr, {})) {
            return false;
        }
        saved_ = std::move(content);
        savedBytes_ = std::move(bytes);
        return true;
    } catch (...) {
        return false;
    }
}

void RegFileRegistryStore::RollBack() {
    memory_.Load(saved_);
    for (auto& [key, handle] : handles_) {
        handle.inner = 0;
        memory_.OpenKey(handle.root, handle.path, handle.access, handle.inner);
    }
}

StoreStatus RegFileRegistryStore::Commit(StoreStatus status) {
    if (status != StoreStatus::Ok || Save()) {
        return status;
    }
    RollBack();
    return StoreStatus::Failed;
}

StoreStatus RegFileRegistryStore::OpenKey(RegistryRoot root, std::u16string_view path, std::uint32_t access,
                                          StoreKey& key) {
    key = 0;
    StoreKey inner = 0;
    const StoreStatus status = memory_.OpenKey(root, path, access, inner);
    if (status == StoreStatus::Ok) {
        key = Register(root, path, access, inner);
    }
    return status;
}

StoreStatus RegFileRegistryStore::CreateKey(RegistryRoot root, std::u16string_view path, std::uint32_t access,
                                            StoreKey& key) {
    key = 0;
    // A key line carries its path as it is: a line break in a name would split it, and the file
    // could not be read again.
    if (path.find_first_of(u"\r\n") != std::u16string_view::npos) {
        return StoreStatus::InvalidName;
    }
    const bool existed = memory_.KeyExists(root, path);
    StoreKey inner = 0;
    StoreStatus status = memory_.CreateKey(root, path, access, inner);
    if (!existed) {
        status = Commit(status); // a rollback also drops the memory store's new handle
    }
    if (status == StoreStatus::Ok) {
        key = Register(root, path, access, inner);
    }
    return status;
}

StoreStatus RegFileRegistryStore::QueryValue(StoreKey key, std::u16string_view name, ValueType& type,
                                             std::span<std::uint8_t> buffer, std::uint32_t& size) {
    return memory_.QueryValue(Inner(key), name, type, buffer, size);
}

StoreStatus RegFileRegistryStore::SetValue(StoreKey key, std::u16string_view name, ValueType type,
                                           std::span<const std::uint8_t> data) {
    return Commit(memory_.SetValue(Inner(key), name, type, data));
}

StoreStatus RegFileRegistryStore::DeleteValue(StoreKey key, std::u16string_view name) {
    return Commit(memory_.DeleteValue(Inner(key), name));
}

StoreStatus RegFileRegistryStore::DeleteKey(RegistryRoot root, std::u16string_view path,
                                            std::uint32_t access) {
    return Commit(memory_.DeleteKey(root, path, access));
}

void RegFileRegistryStore::CloseKey(StoreKey key) {
    const auto it = handles_.find(key);
    if (it == handles_.end()) {
        return;
    }
    if (it->second.inner != 0) {
        memory_.CloseKey(it->second.inner);
    }
    handles_.erase(it);
}

} // namespace zentrim
