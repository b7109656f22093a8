#include "settings_page.h"

#include "base/text.h"
#include "engine/tweak_catalogue.h"

#include <algorithm>
#include <string_view>
#include <vector>

namespace zentrim::help {

namespace {

// The areas of the settings page: which keys belong to each, in the order the page shows them.
struct Area {
    std::string_view title;
    std::string_view introduction;
    std::vector<TweakKey> keys;
};

std::vector<Area> Areas() {
    using namespace tweak_keys;
    return {
        {"File system", "How Windows keeps track of files on NTFS drives.", {kFileSystem}},
        {"Memory",
         "How Windows uses the computer's memory for programs and for its own code.",
         {kMemoryManagement}},
        {"Processor time",
         "How Windows shares the processor between the program in front and the others.",
         {kPriorityControl}},
        {"System failures", "What Windows does after a system failure.", {kCrashControl}},
        {"Desktop", "Animations and scrolling on the desktop.", {kWindowMetrics, kDesktop}},
        {"Web browsing",
         "Connections to web servers and the behaviour of Internet Explorer.",
         {kInternetSettings, kInternetExplorerMain, kAutoComplete}},
        {"Network (TCP/IP)",
         "How Windows sends and receives data over the network. Most of these are written only when the "
         "internet type is not dial-up or ISDN.",
         {kTcpipParameters, kTcpipParametersSlash, kNetbtParameters, kTcpipInterfaces, kPsched}},
        {"Explorer and shortcuts",
         "How Explorer resolves shortcuts and shows thumbnails.",
         {kExplorerPolicies, kExplorer}},
        {"Start-up and services",
         "Messages, services and checks while Windows starts.",
         {kNtWindows, kMessenger, kSessionManager, kBootOptimize, kP3Parameters}},
    };
}

// What each value does, in plain words, by its name.
std::string_view WhatItDoes(std::u16string_view name) {
    struct Entry {
        std::u16string_view name;
        std::string_view text;
    };
    static constexpr Entry kEntries[] = {
        {u"NtfsDisableLastAccessupdate",
         "Stops NTFS from recording the time each file was last read, which saves "
         "a disk write every time a file is opened."},
        {u"NtfsMftZoneReservation",
         "Reserves more room for the table of files on NTFS drives, so that it stays "
         "in one piece on drives with many files."},
        {u"ContigFileAllocSize", "Asks NTFS to give files larger pieces of the disk at a time, so that they "
                                 "are less fragmented."},
        {u"DisablePagingExecutive", "Whether Windows may move its own code and drivers out of memory to the "
                                    "page file."},
        {u"LargeSystemCache", "Whether Windows favours its file cache over the memory of programs."},
        {u"IoPageLockLimit", "How much memory Windows may lock for reading and writing disks and devices."},
        {u"Win32PrioritySeparation", "How Windows divides processor time between the program in front and "
                                     "programs in the background."},
        {u"AutoReboot", "Whether Windows restarts by itself after a system failure."},
        {u"SendAlert", "Whether Windows sends an administrative alert after a system failure."},
        {u"MinAnimate", "Whether windows are animated when they are minimised and restored."},
        {u"SmoothScroll", "Turns smooth scrolling of lists off, so that they scroll at once."},
        {u"MaxConnectionsPerServer",
         "How many connections the browser and other programs open at once to one "
         "web server (HTTP 1.1)."},
        {u"MaxConnectionsPer1_0Server",
         "How many connections are opened at once to one web server that speaks "
         "the older HTTP 1.0."},
        {u"Use StyleSheets", "Lets Internet Explorer use the style sheets of web pages."},
        {u"Append Completion", "Lets the address bar complete what you type from addresses you have used."},
        {u"SynAttackProtect", "Protection against floods of half-open connections (SYN attacks)."},
        {u"TcpMaxHalfOpen", "How many half-open connections are allowed before that protection starts."},
        {u"TcpMaxHalfOpenRetried", "How many half-open connections that are being retried are allowed before "
                                   "that protection starts."},
        {u"EnablePMTUDiscovery", "Whether Windows finds out the largest packet a connection can carry."},
        {u"EnableDeadGWDetect", "Whether Windows switches to another gateway when it thinks one has failed."},
        {u"KeepAliveTime",
         "How long (in milliseconds) an idle connection waits before Windows checks that the "
         "other side is still there."},
        {u"EnableICMPRedirects", "Whether Windows follows routing redirections sent by the network."},
        {u"KeepAliveInterval", "How long (in milliseconds) Windows waits between those checks when no answer "
                               "comes."},
        {u"DefaultTTL", "How many network hops a packet may take before it is dropped."},
        {u"EnablePMTUBHDetect",
         "Whether Windows looks for routers that drop large packets without saying so."},
        {u"SackOpts", "Selective acknowledgements: only lost pieces of data are sent again."},
        {u"Tcp1323Opts", "Large receive windows and time stamps on connections (RFC 1323)."},
        {u"GlobalMaxTcpWindowSize", "The largest amount of data a connection may receive before it "
                                    "acknowledges it, for every network adapter."},
        {u"TcpWindowSize", "The amount of data a connection may receive before it acknowledges it."},
        {u"TcpMaxDupAcks", "How many duplicate acknowledgements make Windows send lost data again at once."},
        {u"NoNameReleaseOnDemand", "Keeps the computer's NetBIOS name when another computer asks for it."},
        {u"PerformRouterDiscovery", "Whether Windows looks for routers on the network by itself."},
        {u"NonBestEffortLimit",
         "How much of the connection's bandwidth Windows may keep back for programs that "
         "ask for it (in percent)."},
        {u"MaxOutstandingSends", "How many network sends may wait at once in the packet scheduler."},
        {u"LinkResolveIgnoreLinkInfo", "Whether a shortcut whose target moved is found by its stored link "
                                       "information."},
        {u"NoResolveSearch", "Stops Windows from searching the disk for the target of a broken shortcut."},
        {u"ThumbnailSize", "The size of picture thumbnails in Explorer, in pixels."},
        {u"ThumbnailQuality", "The quality of picture thumbnails in Explorer, in percent."},
        {u"NoPopUpsOnBoot", "Stops message boxes about failed drivers and services while Windows starts."},
        {u"Error Mode", "Where Windows shows hard error messages: on the screen or only in the event log."},
        {u"Start", "How the Messenger service starts; 4 turns it off."},
        {u"EnablePrefetcher", "What the prefetcher prepares to speed up starting Windows and programs."},
        {u"AutoChkTimeOut", "How many seconds Windows waits before it checks a drive at start-up."},
        {u"Enable", "Whether Windows arranges the files it needs at start-up in one place on the disk."},
        {u"HackFlags", "A compatibility setting of the P3 processor driver."},
    };
    for (const Entry& entry : kEntries) {
        if (entry.name == name) {
            return entry.text;
        }
    }
    return {};
}

std::string Escaped(std::u16string_view text) {
    std::string out;
    for (const char c : ToUtf8(text)) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string ValueText(const TweakValue& value) {
    switch (value.type) {
    case TweakType::Dword:
        return "REG_DWORD " + std::to_string(value.number);
    case TweakType::String:
        return "REG_SZ \"" + Escaped(value.text) + "\"";
    case TweakType::Binary: {
        std::string text = "REG_BINARY";
        static constexpr char kHex[] = "0123456789ABCDEF";
        for (const std::uint8_t byte : value.bytes) {
            text += ' ';
            text += kHex[byte >> 4];
            text += kHex[byte & 0xF];
        }
        return text;
    }
    }
    return {};
}

std::string_view WhenWritten(TweakCondition condition) {
    switch (condition) {
    case TweakCondition::Always:
        return "always";
    case TweakCondition::NotServer2003:
        return "every Windows but Windows Server 2003";
    case TweakCondition::NotDialUpOrIsdn:
        return "every internet type but dial-up and ISDN";
    case TweakCondition::ServerOrXp:
        return "Windows Server 2003, 2008, 2012 and Windows XP";
    case TweakCondition::VistaOrLaterDesktop:
        return "Windows Vista, 7, 8, 10 and 11";
    }
    return {};
}

// The choices for which a row of the condition is not written; empty for "always".
std::string_view NotWritten(TweakCondition condition) {
    switch (condition) {
    case TweakCondition::Always:
        return {};
    case TweakCondition::NotServer2003:
        return "Windows Server 2003";
    case TweakCondition::NotDialUpOrIsdn:
        return "dial-up and ISDN";
    case TweakCondition::ServerOrXp:
        return "Windows Server 2000, Vista, 7, 8, 10 and 11";
    case TweakCondition::VistaOrLaterDesktop:
        return "Windows Server 2000, 2003, 2008, 2012 and Windows XP";
    }
    return {};
}

// The key's place, with a line-break opportunity after each backslash, so that long paths wrap at
// the help window's width instead of widening the page.
std::string Place(const TweakKey& key) {
    const std::string root =
        key.root == RegistryRoot::LocalMachine ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER";
    std::string place = root + "\\<wbr>";
    for (const char c : Escaped(BareKeyPath(key.path))) {
        place += c;
        if (c == '\\') {
            place += "<wbr>";
        }
    }
    return place;
}

bool InArea(const Area& area, const TweakRow& row) {
    for (const TweakKey& key : area.keys) {
        if (key == row.key) {
            return true;
        }
    }
    return false;
}

TweakValue BoostValue(const TweakRow& row) {
    return WrittenValue(row, {os_class::kWindows10, 0, kSpeedBoost});
}

TweakValue MaximumBoostValue(const TweakRow& row) {
    return WrittenValue(row, {os_class::kWindows10, 0, kSpeedMaximumBoost});
}

// The value a row writes, naming both speed positions only where they differ.
std::string WrittenText(const TweakRow& row) {
    const TweakValue boost = BoostValue(row);
    const TweakValue maximum = MaximumBoostValue(row);
    if (boost == maximum) {
        return ValueText(boost);
    }
    return ValueText(boost) + " with Boost, " + ValueText(maximum) + " with Maximum Boost";
}

// Every row that writes the same registry value as `row` (the row itself included), in run order.
std::vector<const TweakRow*> RowsOfTheSameValue(const TweakRow& row) {
    std::vector<const TweakRow*> rows;
    for (const TweakRow& other : kTweakRows) {
        if (NameSameValue(row.key, row.valueName, other.key, other.valueName)) {
            rows.push_back(&other);
        }
    }
    return rows;
}

std::string RowList(const std::vector<const TweakRow*>& rows) {
    std::string list;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        list += i == 0 ? "" : i + 1 == rows.size() ? " and " : ", ";
        list += std::to_string(rows[i]->number);
    }
    return list;
}

// Which of several rows that write one value decides it, for which choices. The run writes the rows
// in number order, so the value ends as the last one written: the latest row wins wherever its
// condition holds, the one before it where that fails and its own holds, and so on.
std::string WhichRowWins(const std::vector<const TweakRow*>& rows) {
    std::string text = "<b>Written by rows " + RowList(rows) +
                       ".</b> Zentrim writes the rows in number order, so where more than one of them is "
                       "written the later row wins. ";
    const TweakRow* later = nullptr;
    for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
        const TweakRow& current = **row;
        std::string lead = "Row " + std::to_string(current.number) + " wins";
        if (later != nullptr) {
            const bool onlyOneLater = row == rows.rbegin() + 1;
            lead = onlyOneLater && current.condition == TweakCondition::Always
                       ? "With " + std::string(NotWritten(later->condition)) + ", row " +
                             std::to_string(current.number) + " wins"
                       : "Otherwise row " + std::to_string(current.number) + " wins";
        }
        if (current.condition == TweakCondition::Always) {
            text += lead + (later == nullptr ? " whatever the choices" : "") + ": the value ends as " +
                    WrittenText(current) + ".";
            if (row + 1 != rows.rend()) {
                std::vector<const TweakRow*> earlier(row + 1, rows.rend());
                std::reverse(earlier.begin(), earlier.end());
                text += earlier.size() == 1
                            ? " Row " + RowList(earlier) + " writes it earlier in the same run, so its " +
                                  WrittenText(*earlier.front()) + " never lasts."
                            : " Rows " + RowList(earlier) +
                                  " write it earlier in the same run, so their values never last.";
            }
            return text;
        }
        text += lead + " where it is written (" + std::string(WhenWritten(current.condition)) +
                "): the value ends as " + WrittenText(current) + ". ";
        later = &current;
    }
    return text + "Otherwise Zentrim does not write it.";
}

std::string Anchor(const TweakRow& row) {
    return "row" + std::to_string(row.number);
}

// One setting as a block that reads at the help window's width: its name and place as the heading,
// a small table of the row and its values, then when it is written and what it does.
std::string SettingBlock(const TweakRow& row) {
    std::string block = "<div class=\"setting\" id=\"" + Anchor(row) + "\">\n<h3><b>" +
                        Escaped(row.valueName) + "</b><br><span class=\"place\">" + Place(row.key) +
                        "</span></h3>\n";
    block += "<table class=\"values\">\n<tr><th>Row</th><th>Boost</th><th>Maximum Boost</th></tr>\n"
             "<tr class=\"row\"><td>" +
             std::to_string(row.number) + "</td><td>" + ValueText(BoostValue(row)) + "</td><td>" +
             ValueText(MaximumBoostValue(row)) + "</td></tr>\n</table>\n";
    block += "<p><b>Written:</b> " + std::string(WhenWritten(row.condition)) + "</p>\n";
    block += "<p>" + std::string(WhatItDoes(row.valueName)) + "</p>\n";
    const std::vector<const TweakRow*> rows = RowsOfTheSameValue(row);
    if (rows.size() > 1) {
        block += "<p class=\"repeated\">" + WhichRowWins(rows) + "</p>\n";
    }
    return block + "</div>\n";
}

// The values more than one row writes, each once, as links to the first of their rows.
std::string RepeatedValues() {
    std::string list;
    for (const TweakRow& row : kTweakRows) {
        const std::vector<const TweakRow*> rows = RowsOfTheSameValue(row);
        if (rows.size() > 1 && rows.front() == &row) {
            list += "<li><a href=\"#" + Anchor(row) + "\">" + Escaped(row.valueName) + "</a>: rows " +
                    RowList(rows) + "</li>\n";
        }
    }
    if (list.empty()) {
        return {};
    }
    return "<p>Some values are written by more than one row; the block of each of those rows says which "
           "row wins for which choices:</p>\n<ul>\n" +
           list + "</ul>\n";
}

} // namespace

std::string SettingsPage() {
    std::string page =
        "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>The settings Zentrim "
        "changes</title>\n"
        "<link rel=\"stylesheet\" href=\"style.css\">\n</head>\n<body>\n"
        "<!-- Made by packaging/help/make_help_pages from the program's catalogue: do not edit. -->\n"
        "<h1>The settings Zentrim changes</h1>\n"
        "<p>These are all the settings that \"Optimize now\" writes, grouped by what they are for; within "
        "each group they are in the order Zentrim writes them. \"Boost\" and \"Maximum Boost\" are the two "
        "positions of the speed setting; only the connections per server differ between them. Before the "
        "first change Zentrim records every one of these values as you had it, and \"Restore\" puts each "
        "back exactly: see <a href=\"backup.htm\">Backup and Restore</a>.</p>\n";
    page += RepeatedValues();
    for (const Area& area : Areas()) {
        page += "<h2>" + std::string(area.title) + "</h2>\n<p>" + std::string(area.introduction) + "</p>\n";
        for (const TweakRow& row : kTweakRows) {
            if (InArea(area, row)) {
                page += SettingBlock(row);
            }
        }
    }
    page += "</body>\n</html>\n";
    return page;
}

} // namespace zentrim::help
