#include "settings_page.h"

#include "base/text.h"
#include "engine/tweak_catalogue.h"

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

std::string Place(const TweakKey& key) {
    const std::string root =
        key.root == RegistryRoot::LocalMachine ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER";
    return root + "\\" + Escaped(BareKeyPath(key.path));
}

bool InArea(const Area& area, const TweakRow& row) {
    for (const TweakKey& key : area.keys) {
        if (key == row.key) {
            return true;
        }
    }
    return false;
}

} // namespace

std::string SettingsPage() {
    std::string page =
        "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>The settings Zentrim "
        "changes</title>\n"
        "<link rel=\"stylesheet\" href=\"style.css\">\n</head>\n<body>\n"
        "<!-- Made by packaging/help/make_help_pages from the program's catalogue: do not edit. -->\n"
        "<h1>The settings Zentrim changes</h1>\n"
        "<p>These are all the settings that \"Optimize now\" writes, in the order it writes them, grouped by "
        "what they are for. \"Boost\" and \"Maximum Boost\" are the two positions of the speed setting; only "
        "the connections per server differ between them. Before the first change Zentrim records every one "
        "of "
        "these values as you had it, and \"Restore\" puts each back exactly: see <a "
        "href=\"backup.htm\">Backup "
        "and Restore</a>.</p>\n";
    for (const Area& area : Areas()) {
        page += "<h2>" + std::string(area.title) + "</h2>\n<p>" + std::string(area.introduction) + "</p>\n";
        page +=
            "<table>\n<tr><th>Row</th><th>Registry place and value</th><th>Boost</th><th>Maximum Boost</th>"
            "<th>Written</th><th>What it does</th></tr>\n";
        for (const TweakRow& row : kTweakRows) {
            if (!InArea(area, row)) {
                continue;
            }
            page += "<tr class=\"row\"><td>" + std::to_string(row.number) + "</td><td>" + Place(row.key) +
                    "<br><b>" + Escaped(row.valueName) + "</b></td><td>" +
                    ValueText(WrittenValue(row, {os_class::kWindows10, 0, kSpeedBoost})) + "</td><td>" +
                    ValueText(WrittenValue(row, {os_class::kWindows10, 0, kSpeedMaximumBoost})) +
                    "</td><td>" + std::string(WhenWritten(row.condition)) + "</td><td>" +
                    std::string(WhatItDoes(row.valueName)) + "</td></tr>\n";
        }
        page += "</table>\n";
    }
    page += "</body>\n</html>\n";
    return page;
}

} // namespace zentrim::help
