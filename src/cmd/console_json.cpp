// The reports as JSON documents, one function per document form of the published schema.
#include "cmd/console_render.h"

#include "base/text.h"
#include "cmd/console_options.h"
#include "engine/custom_registry.h"

#include <nlohmann/json.hpp>

#include <array>

namespace zentrim {

namespace {

using Json = nlohmann::ordered_json;

constexpr int kSchemaVersion = 1;

std::string TypeName(ValueType type) {
    constexpr std::array<std::string_view, 12> kNames{"REG_NONE",
                                                      "REG_SZ",
                                                      "REG_EXPAND_SZ",
                                                      "REG_BINARY",
                                                      "REG_DWORD",
                                                      "REG_DWORD_BIG_ENDIAN",
                                                      "REG_LINK",
                                                      "REG_MULTI_SZ",
                                                      "REG_RESOURCE_LIST",
                                                      "REG_FULL_RESOURCE_DESCRIPTOR",
                                                      "REG_RESOURCE_REQUIREMENTS_LIST",
                                                      "REG_QWORD"};
    const auto number = static_cast<std::uint32_t>(type);
    return number < kNames.size() ? std::string(kNames[number]) : "REG_TYPE_" + std::to_string(number);
}

std::string HexDigits(std::span<const std::uint8_t> data) {
    constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (const std::uint8_t byte : data) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0xF];
    }
    return text;
}

std::uint64_t LittleEndian(std::span<const std::uint8_t> data) {
    std::uint64_t number = 0;
    for (std::size_t i = data.size(); i-- > 0;) {
        number = (number << 8) | data[i];
    }
    return number;
}

Json ValueJson(const std::optional<RawValue>& value) {
    if (!value) {
        return nullptr;
    }
    Json json;
    json["type"] = TypeName(value->type);
    json["size"] = value->data.size();
    json["hex"] = HexDigits(value->data);
    if ((value->type == ValueType::Dword && value->data.size() == 4) ||
        (value->type == ValueType::Qword && value->data.size() == 8)) {
        json["number"] = LittleEndian(value->data);
    }
    if (value->type == ValueType::String || value->type == ValueType::ExpandString) {
        json["text"] = ToUtf8(DecodeRegistryText(value->data));
    }
    return json;
}

Json PlaceJson(const TweakRow& row) {
    Json json;
    json["root"] = RootText(row.key.root);
    json["key"] = ToUtf8(BareKeyPath(row.key.path));
    json["name"] = ToUtf8(row.valueName);
    return json;
}

Json EntryJson(std::span<const std::string_view> names, int index) {
    Json json;
    json["index"] = index;
    const std::string_view name = EntryName(names, index);
    json["name"] = name.empty() ? Json(nullptr) : Json(std::string(name));
    return json;
}

Json ProfileJson(const Profile& profile) {
    const ProfileSelection& s = profile.selection;
    Json json;
    json["os"] = EntryJson(kOsNames, s.windowsIndex);
    json["cpu"] = EntryJson(kCpuNames, InList(s.processorIndex, kProcessorList.size()));
    json["internet"] = EntryJson(kInternetNames, InList(s.internetType, kInternetTypeList.size()));
    json["speed"] = std::string(EntryName(kSpeedNames, s.speedPosition));
    json["osClass"] = ConvertWindowsVersion(s.windowsIndex);
    json["source"] = profile.source;
    return json;
}

Json RegistryJson(const RegistryReport& registry) {
    Json json;
    json["source"] = registry.onFile ? "file" : "live";
    json["file"] = registry.onFile ? Json(registry.file) : Json(nullptr);
    json["arch"] =
        registry.architecture
            ? Json(std::string(EntryName(kArchitectureNames, static_cast<int>(*registry.architecture))))
            : Json(nullptr);
    return json;
}

Json Envelope(std::string_view command) {
    Json json;
    json["zentrimCmd"] = kSchemaVersion;
    json["command"] = std::string(command);
    return json;
}

std::string Dump(const Json& json) {
    return json.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

Json RunValuesJson(const std::vector<RunValue>& values) {
    Json list = Json::array();
    for (const RunValue& value : values) {
        Json entry = PlaceJson(*value.value.row);
        entry["rows"] = value.value.rows;
        entry["before"] = ValueJson(value.before);
        entry["after"] = ValueJson(value.after);
        entry["expected"] = ValueJson(value.expected);
        list.push_back(std::move(entry));
    }
    return list;
}

} // namespace

std::string_view ChangeKindName(RehearsalStore::Change::Kind kind) {
    switch (kind) {
    case RehearsalStore::Change::Kind::CreateKey:
        return "createKey";
    case RehearsalStore::Change::Kind::SetValue:
        return "set";
    case RehearsalStore::Change::Kind::DeleteValue:
        return "delete";
    case RehearsalStore::Change::Kind::DeleteKey:
        return "deleteKey";
    }
    return "";
}

std::string ViewName(RegistryView view) {
    return view == RegistryView::Bits32() ? "32-bit" : "64-bit";
}

std::string RootText(RegistryRoot root) {
    return ToUtf8(RootName(root));
}

std::string_view RunName(RunKind kind) {
    return kind == RunKind::Optimize ? "optimize" : "restore";
}

std::string RenderJson(const StatusReport& report) {
    Json json = Envelope("status");
    json["registry"] = RegistryJson(report.registry);
    json["backup"] = {{"held", report.held},
                      {"since", report.since ? Json(*report.since) : Json(nullptr)},
                      {"record", report.record}};
    Json damaged = Json::array();
    for (const UnusableEntry& entry : report.damaged) {
        Json place = PlaceJson(*entry.row);
        place["state"] = entry.state;
        damaged.push_back(std::move(place));
    }
    json["backup"]["damaged"] = std::move(damaged);
    const auto optionalJson = [](std::optional<int> value) { return value ? Json(*value) : Json(nullptr); };
    json["storedChoices"] = {{"processorType", optionalJson(report.processorType)},
                             {"internetType", optionalJson(report.internetType)},
                             {"speedSetting", optionalJson(report.speedSetting)}};
    json["profile"] = ProfileJson(report.profile);
    json["language"] = report.language;
    Json values = Json::array();
    for (const StatusRow& row : report.values) {
        Json entry;
        entry["row"] = row.row->number;
        entry.update(PlaceJson(*row.row));
        entry["current"] = ValueJson(row.current);
        entry["optimized"] = ValueJson(row.optimized);
        entry["matches"] = row.optimized ? Json(row.current == row.optimized) : Json(nullptr);
        values.push_back(std::move(entry));
    }
    json["values"] = std::move(values);
    json["summary"] = {{"written", report.written}, {"matching", report.matching}};
    return Dump(json);
}

std::string RenderJson(const PlanReport& report) {
    Json json = Envelope("plan");
    json["registry"] = RegistryJson(report.registry);
    json["run"] = std::string(RunName(report.kind));
    json["profile"] = ProfileJson(report.profile);
    Json backup;
    backup["held"] = report.held;
    backup["taken"] = report.taken;
    Json kept = Json::array();
    for (const LiveValueReport& value : report.kept) {
        Json entry = PlaceJson(*value.value.row);
        entry["rows"] = value.value.rows;
        entry["value"] = ValueJson(value.contents);
        kept.push_back(std::move(entry));
    }
    backup["values"] = std::move(kept);
    json["backup"] = std::move(backup);

    Json operations = Json::array();
    int step = 0;
    for (const PlannedOperation& operation : report.operations) {
        const RehearsalStore::Change& change = operation.change;
        Json entry;
        entry["step"] = ++step;
        entry["op"] = std::string(ChangeKindName(change.kind));
        entry["purpose"] = operation.purpose.purpose;
        entry["rows"] = operation.purpose.rows;
        entry["root"] = RootText(change.root);
        entry["key"] = ToUtf8(change.path);
        entry["view"] = ViewName(change.view);
        entry["name"] = ToUtf8(change.name);
        entry["current"] = ValueJson(change.before);
        entry["new"] = ValueJson(change.after);
        operations.push_back(std::move(entry));
    }
    json["operations"] = std::move(operations);
    json["restartOffered"] = report.restartOffered;
    return Dump(json);
}

std::string RenderJson(const RunReport& report) {
    Json json = Envelope(RunName(report.kind));
    json["registry"] = RegistryJson(report.registry);
    json["profile"] = ProfileJson(report.profile);
    json["outcome"] = report.outcome;
    json["exitCode"] = report.exitCode;
    json["steps"] = report.steps;
    json["messages"] = report.messages;
    json["backupHeld"] = report.backupHeld;
    json["summary"] = {{"changed", report.changed.size()},
                       {"unchanged", report.unchanged.size()},
                       {"refused", report.refused.size()}};
    json["changed"] = RunValuesJson(report.changed);
    json["unchanged"] = RunValuesJson(report.unchanged);
    json["refused"] = RunValuesJson(report.refused);
    json["restart"] = {{"offered", report.restartOffered},
                       {"requested", report.restartOffered && report.restartRequested}};
    return Dump(json);
}

std::string RenderJson(const ExportUndoReport& report) {
    Json json = Envelope("export-undo");
    json["registry"] = RegistryJson(report.registry);
    json["file"] = report.file;
    Json values = Json::array();
    for (const LiveValueReport& value : report.values) {
        Json entry = PlaceJson(*value.value.row);
        entry["value"] = ValueJson(value.contents);
        values.push_back(std::move(entry));
    }
    json["values"] = std::move(values);
    return Dump(json);
}

std::string RenderJson(const ErrorReport& report) {
    Json json = Envelope("error");
    json["exitCode"] = report.exitCode;
    json["message"] = report.message;
    return Dump(json);
}

} // namespace zentrim
