// The help file's settings page is made from the program's catalogue: the committed page must be what
// the generator makes now (run packaging/help's make_help_pages after a catalogue change), and it must
// list every row of the design's table with its place and values.
#include "settings_page.h"
#include "support/design_catalogue.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

namespace zentrim {
namespace {

std::string Committed() {
    std::ifstream file(std::string(ZENTRIM_HELP_DIR) + "/html/settings.htm", std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

TEST(HelpPages, TheCommittedSettingsPageIsTheGeneratorsPage) {
    EXPECT_TRUE(Committed() == help::SettingsPage())
        << "packaging/help/html/settings.htm is out of date: run make_help_pages packaging/help/html";
}

TEST(HelpPages, TheSettingsPageListsEveryRowWithItsPlaceAndDescription) {
    const std::string page = help::SettingsPage();
    std::size_t rows = 0;
    for (std::size_t at = page.find("<tr class=\"row\">"); at != std::string::npos;
         at = page.find("<tr class=\"row\">", at + 1)) {
        ++rows;
    }
    EXPECT_EQ(rows, 47u);
    for (const design::Row& row : design::DesignTable()) {
        std::string name;
        for (const char16_t c : row.name) {
            name += static_cast<char>(c);
        }
        EXPECT_NE(page.find("<tr class=\"row\"><td>" + std::to_string(row.number) + "</td>"),
                  std::string::npos)
            << "row " << row.number;
        EXPECT_NE(page.find("<b>" + name + "</b>"), std::string::npos) << name;
    }
    EXPECT_EQ(page.find("</td><td></td></tr>"), std::string::npos) << "a row without a description";
    EXPECT_NE(page.find("REG_DWORD 4</td><td>REG_DWORD 8"), std::string::npos) << "connections per server";
}

std::string Read(const std::string& name) {
    std::ifstream file(std::string(ZENTRIM_HELP_DIR) + "/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// The help project that chmcmd compiles into "Zentrim.chm": the window type the program opens, the
// topic it asks for, and contents and index entries that all lead to pages of the project.
TEST(HelpPages, TheProjectDefinesTheHelpWindowTheMainTopicAndWorkingLinks) {
    const std::string project = Read("Zentrim.hhp");
    EXPECT_NE(project.find("Default topic=html/main.htm"), std::string::npos);
    EXPECT_NE(project.find("Default Window=HelpWindow"), std::string::npos);
    EXPECT_NE(project.find("\nHelpWindow=\"Zentrim Help\",\"toc.hhc\",\"index.hhk\",\"html/main.htm\""),
              std::string::npos);
    const std::string files = project.substr(project.find("[FILES]"));
    for (const std::string& contents : {Read("toc.hhc"), Read("index.hhk")}) {
        std::size_t links = 0;
        for (std::size_t at = contents.find("value=\"html/"); at != std::string::npos;
             at = contents.find("value=\"html/", at + 1)) {
            const std::string page = contents.substr(at + 7, contents.find('"', at + 7) - at - 7);
            EXPECT_NE(files.find(page), std::string::npos) << page << " is not in the project";
            EXPECT_FALSE(Read(page).empty()) << page << " does not exist";
            ++links;
        }
        EXPECT_GE(links, 7u);
    }
}

// The pictures of the pages: each one a page shows is a PNG file of the project, listed for chmcmd
// (a picture missing from the list is left out of "Zentrim.chm" and shows as a broken image), and
// says in words what it shows for those who cannot see it.
TEST(HelpPages, EveryPictureOfAPageIsInTheProjectAndDescribedInWords) {
    const std::string project = Read("Zentrim.hhp");
    const std::string files = project.substr(project.find("[FILES]"));
    std::size_t pictures = 0;
    for (std::size_t line = files.find("\nhtml/"); line != std::string::npos;
         line = files.find("\nhtml/", line + 1)) {
        const std::string page = files.substr(line + 1, files.find_first_of("\r\n", line + 1) - line - 1);
        if (!page.ends_with(".htm")) {
            continue;
        }
        const std::string text = Read(page);
        for (std::size_t at = text.find("<img "); at != std::string::npos; at = text.find("<img ", at + 1)) {
            const std::string tag = text.substr(at, text.find('>', at) - at);
            const std::size_t source = tag.find("src=\"../");
            ASSERT_NE(source, std::string::npos) << page << ": " << tag;
            const std::string picture = tag.substr(source + 8, tag.find('"', source + 8) - source - 8);
            EXPECT_NE(files.find("\n" + picture + "\n"), std::string::npos)
                << picture << " is not in the project";
            EXPECT_EQ(Read(picture).substr(0, 8), "\x89PNG\r\n\x1a\n") << picture << " is not a PNG file";
            const std::size_t alt = tag.find("alt=\"");
            EXPECT_TRUE(alt != std::string::npos && tag[alt + 5] != '"')
                << page << ": a picture without words";
            ++pictures;
        }
    }
    EXPECT_GE(pictures, 5u);
}

} // namespace
} // namespace zentrim
