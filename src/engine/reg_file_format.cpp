#include "engine/reg_file_format.h"

#include "base/text.h"
#include "engine/custom_registry.h"

#include <array>
#include <exception>
#include <map>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <utility>

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

// 8-bit text: UTF-8 when it is well-formed, otherwise the Windows-1252 of older files.
std::u16string DecodeEightBit(std::span<const std::uint8_t> bytes) {
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return IsValidUtf8(text) ? FromUtf8(text) : FromWindows1252(text);
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
    if (IsDigit(c)) {
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
        if (StartsWithIgnoringCase(data, u"dword:")) {
            std::uint32_t number = 0;
            if (!ParseHexNumber(data.substr(6), 8, number)) {
                Fail("a dword needs 1 to 8 hex digits");
            }
            value.type = ValueType::Dword;
            const auto bytes = EncodeDword(number);
            value.data.assign(bytes.begin(), bytes.end());
            return;
        }
        if (!StartsWithIgnoringCase(data, u"hex")) {
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

} // namespace zentrim
