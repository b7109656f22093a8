// The text format of regedit exports ("Windows Registry Editor Version 5.00"): reading such a file
// into keys and values, and writing keys and values, or edits of them, as regedit writes them.
#pragma once

#include "engine/memory_registry_store.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace zentrim {

struct RegFileParseResult {
    std::vector<StoredKey> keys; // the content, once every deletion in the file has been applied
    std::string error;           // what is wrong and on which line; empty when the file was read
    std::size_t line = 0;        // the line of the fault, counted from 1; 0 when it concerns the whole file

    explicit operator bool() const { return error.empty(); }
};

// Reads a .reg file: UTF-16LE with its byte order mark, or UTF-8 with or without one (8-bit text
// that is not UTF-8 is read as Windows-1252); the "Windows Registry Editor Version 5.00" or the
// older "REGEDIT4" header; CR LF or LF line ends. Keys are merged by name without regard to case,
// and root names are given in their long form (HKLM becomes HKEY_LOCAL_MACHINE).
RegFileParseResult ParseRegFile(std::span<const std::uint8_t> bytes);

// Applies a .reg file to existing content as "reg import" applies it to the registry: values are
// set or replaced, "name"=- deletes a value and [-key] a key with everything below it.
RegFileParseResult ImportRegFile(std::span<const std::uint8_t> bytes, std::vector<StoredKey> base);

// Writes keys as regedit exports them: UTF-16LE with its byte order mark, CR LF line ends, the
// version 5 header, and each key followed by its values and an empty line. Data that the quoted
// or dword forms cannot carry exactly is written as hex, so every value reads back byte for byte.
std::vector<std::uint8_t> FormatRegFile(const std::vector<StoredKey>& keys);

// One value line of a file that edits the registry: the value to set, or (deleted) the name of one
// to delete, written "name"=-.
struct RegFileValueEdit {
    StoredValue value;
    bool deleted = false;
};

struct RegFileKeyEdits {
    std::u16string rootName;
    std::u16string path;
    std::vector<RegFileValueEdit> values;
};

// A file of edits in the same form as FormatRegFile, which "reg import" and a double-click apply.
std::vector<std::uint8_t> FormatRegEditFile(const std::vector<RegFileKeyEdits>& keys);

} // namespace zentrim
