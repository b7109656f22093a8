// The licence terms the About window opens ("License.rtf" beside the program): well-formed RTF that
// WordPad reads, in plain 7-bit text with escapes, and saying what a user must know.
#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <iterator>
#include <string>

namespace {

std::string ReadLicence() {
    std::ifstream file(std::string(ZENTRIM_RESOURCES_DIR) + "/license/License.rtf", std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// The text a reader shows: control words, control symbols and the groups of destinations that are
// not text (font table, colour table, document information) taken out.
std::string PlainText(const std::string& rtf, std::string& fault) {
    std::string text;
    int depth = 0;
    int skipBelow = 0; // inside a destination group opened at this depth: nothing is shown
    for (std::size_t i = 0; i < rtf.size(); ++i) {
        const char c = rtf[i];
        if (static_cast<unsigned char>(c) > 0x7F) {
            fault = "a byte above 7 bits at " + std::to_string(i);
            return {};
        }
        if (c == '{') {
            ++depth;
            for (const char* destination : {"\\fonttbl", "\\colortbl", "\\info", "\\*"}) {
                if (skipBelow == 0 && rtf.compare(i + 1, std::string(destination).size(), destination) == 0) {
                    skipBelow = depth;
                }
            }
        } else if (c == '}') {
            if (depth == skipBelow) {
                skipBelow = 0;
            }
            if (--depth < 0) {
                fault = "a closing brace without its group at " + std::to_string(i);
                return {};
            }
        } else if (c == '\\') {
            const char next = i + 1 < rtf.size() ? rtf[i + 1] : '\0';
            if (std::isalpha(static_cast<unsigned char>(next))) {
                std::size_t end = i + 1;
                while (end < rtf.size() && std::isalpha(static_cast<unsigned char>(rtf[end]))) {
                    ++end;
                }
                const std::string word = rtf.substr(i + 1, end - i - 1);
                if (end < rtf.size() &&
                    (rtf[end] == '-' || std::isdigit(static_cast<unsigned char>(rtf[end])))) {
                    ++end;
                    while (end < rtf.size() && std::isdigit(static_cast<unsigned char>(rtf[end]))) {
                        ++end;
                    }
                }
                if (end < rtf.size() && rtf[end] == ' ') {
                    ++end; // the space that ends a control word belongs to it
                }
                if (skipBelow == 0 && (word == "par" || word == "line")) {
                    text += '\n';
                }
                i = end - 1;
            } else if (next == '\'') {
                if (i + 3 >= rtf.size() || !std::isxdigit(static_cast<unsigned char>(rtf[i + 2])) ||
                    !std::isxdigit(static_cast<unsigned char>(rtf[i + 3]))) {
                    fault = "a \\' escape without two hex digits at " + std::to_string(i);
                    return {};
                }
                text += skipBelow == 0 ? "?" : "";
                i += 3;
            } else if (next == '\\' || next == '{' || next == '}') {
                text += skipBelow == 0 ? std::string(1, next) : "";
                ++i;
            } else if (next == '~' || next == '-' || next == '_' || next == '*') {
                ++i;
            } else {
                fault = std::string("an unknown control symbol \\") + next + " at " + std::to_string(i);
                return {};
            }
        } else if (c != '\r' && c != '\n' && skipBelow == 0 && depth > 0) {
            text += c;
        }
    }
    if (depth != 0) {
        fault = std::to_string(depth) + " groups left open";
    }
    return text;
}

TEST(LicenceTerms, AreWellFormedRtfThatSaysWhatAUserMustKnow) {
    const std::string rtf = ReadLicence();
    ASSERT_FALSE(rtf.empty()) << "no License.rtf";
    EXPECT_EQ(rtf.rfind("{\\rtf1\\ansi\\ansicpg1252", 0), 0u) << "RTF header";
    std::string fault;
    const std::string text = PlainText(rtf, fault);
    ASSERT_TRUE(fault.empty()) << fault;
    for (const char* needed :
         {"Zentrim End-User License Terms", "2.10.21.2024", "ORVANE", "registry values", "Restore",
          "sends the installed version number", "No warranty", "Limitation of liability",
          "http://www.orvane.com/support/", "Copyright ? 2024"}) {
        EXPECT_NE(text.find(needed), std::string::npos) << "the terms do not say \"" << needed << "\"";
    }
    EXPECT_EQ(text.find("\\"), std::string::npos) << "a control word shows as text";
}

} // namespace
