// decode_result_link: prints the ten fields of a result link and whether its checksum holds.
#include "record/field_display.h"
#include "record/result_link.h"

#include <cstring>
#include <iostream>
#include <string>

namespace {

constexpr const char* field_names[] = {
    "initial ball count",
    "colours",
    "rounds and lines per round",
    "moves",
    "nickname",
    "country",
    "city",
    "hidden text",
    "birth year",
    "e-mail",
};

constexpr int exit_checksum_fails = 1;
constexpr int exit_refused = 2;

void print_usage() {
    std::cerr << "usage: decode_result_link [--raw] LINK\n"
                 "       decode_result_link [--raw] [-]   (reads the link from standard input)\n"
                 "LINK is a whole result link or only the hexadecimal text after its '?'.\n"
                 "Texts are shown in UTF-8; --raw leaves them in code page 1251.\n"
                 "Exit status: 0 the checksum holds, 1 it does not, 2 not a result link.\n";
}

std::string trimmed(const std::string& text) {
    const char* blanks = " \t\r\n";
    const size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos) {
        return std::string();
    }
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

} // namespace

int main(int argc, char** argv) {
    bool raw = false;
    const char* link_argument = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--raw") == 0) {
            raw = true;
        } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            print_usage();
            return 0;
        } else if (link_argument == nullptr) {
            link_argument = argv[i];
        } else {
            print_usage();
            return exit_refused;
        }
    }
    std::string link;
    if (link_argument == nullptr || std::strcmp(link_argument, "-") == 0) {
        std::getline(std::cin, link);
    } else {
        link = link_argument;
    }

    const DecodedResult decoded = decode_result_link(trimmed(link));
    if (!decoded.valid) {
        std::cerr << "decode_result_link: not a result link: " << decoded.error << "\n";
        return exit_refused;
    }
    for (size_t i = 0; i < decoded.fields.size(); ++i) {
        const char* name = i < std::size(field_names) ? field_names[i] : "(no such field)";
        std::cout << "field " << i + 1 << ", " << name << ": "
                  << displayable_field(decoded.fields[i], raw) << "\n";
    }
    if (decoded.fields.size() != std::size(field_names)) {
        std::cout << "note: this record has " << decoded.fields.size() << " field(s), not "
                  << std::size(field_names) << "\n";
    }
    if (decoded.checksum_holds) {
        std::cout << "checksum: " << decoded.stated_checksum << ", holds\n";
        return 0;
    }
    std::cout << "checksum: the link says " << decoded.stated_checksum << ", its bytes add up to "
              << decoded.computed_checksum << ": does not hold\n";
    return exit_checksum_fails;
}
