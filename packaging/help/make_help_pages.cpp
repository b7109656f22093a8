// Writes the help file's settings page from the program's catalogue:
//     make_help_pages OUTPUT_FOLDER      writes OUTPUT_FOLDER/settings.htm
#include "settings_page.h"

#include <cstdio>
#include <fstream>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_help_pages OUTPUT_FOLDER\n");
        return 2;
    }
    const std::string path = std::string(argv[1]) + "/settings.htm";
    std::ofstream file(path, std::ios::binary);
    file << zentrim::help::SettingsPage();
    if (!file) {
        std::fprintf(stderr, "make_help_pages: cannot write %s\n", path.c_str());
        return 1;
    }
    return 0;
}
