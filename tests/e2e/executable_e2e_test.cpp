// The shipped executable itself: one 32-bit GUI program that needs only Windows' own DLLs;
// the release build of it is small, describes itself and comes out the same every time.
#include "resources/version.h"
#include "tests/support/command_run.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

namespace {

std::string object_dump(const std::string& exe) {
    return run_command("LC_ALL=C i686-w64-mingw32-objdump -p '" + exe + "'").output;
}

std::string file_bytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// The resource texts as Windows stores them: UTF-16, little-endian.
std::string utf16(const std::string& ascii) {
    std::string wide;
    for (char c : ascii) {
        wide += c;
        wide += '\0';
    }
    return wide;
}

void expect_32_bit_gui_program_importing_only_system_dlls(const std::string& exe) {
    const std::string dump = object_dump(exe);
    ASSERT_NE(dump.find("file format pei-i386"), std::string::npos);
    EXPECT_NE(dump.find("Subsystem\t\t00000002\t(Windows GUI)"), std::string::npos);

    // DLL names are case-blind; the import libraries spell them differently (COMCTL32.DLL).
    const std::set<std::string> system_dlls = {"kernel32.dll", "user32.dll",  "gdi32.dll",
                                               "advapi32.dll", "shell32.dll", "comctl32.dll",
                                               "msvcrt.dll"};
    int imports = 0;
    for (size_t at = dump.find("DLL Name: "); at != std::string::npos;
         at = dump.find("DLL Name: ", at + 1)) {
        const size_t start = at + 10;
        const std::string dll = dump.substr(start, dump.find('\n', start) - start);
        std::string lower = dll;
        for (char& c : lower) {
            c = char(std::tolower(static_cast<unsigned char>(c)));
        }
        EXPECT_TRUE(system_dlls.count(lower)) << "imports " << dll;
        ++imports;
    }
    EXPECT_GT(imports, 0);
}

TEST(Executable, IsA32BitGuiProgramImportingOnlySystemDlls) {
    expect_32_bit_gui_program_importing_only_system_dlls(std::string(TRIVELLE_WIN32_BUILD) +
                                                         "/trivelle.exe");
}

#ifdef TRIVELLE_RELEASE_CHECK
// scripts/test runs scripts/release twice, in two trees, each packing into a folder of its own.
const std::string release_exe = std::string(TRIVELLE_RELEASE_BUILD) + "/trivelle.exe";
const std::string release_check = TRIVELLE_RELEASE_CHECK;

#define TRIVELLE_TEXT_OF(x) #x
#define TRIVELLE_TEXT(x) TRIVELLE_TEXT_OF(x)
const std::string version = TRIVELLE_TEXT(TRIVELLE_VERSION_MAJOR) "." TRIVELLE_TEXT(
    TRIVELLE_VERSION_MINOR) "." TRIVELLE_TEXT(TRIVELLE_VERSION_PATCH);

TEST(Release, IsASmall32BitGuiProgramImportingOnlySystemDlls) {
    const std::string exe = file_bytes(release_exe);
    ASSERT_FALSE(exe.empty()) << release_exe;
    EXPECT_LE(exe.size(), 256u * 1024);
    expect_32_bit_gui_program_importing_only_system_dlls(release_exe);
    // Stripped, and with no link time that would make two builds differ.
    const std::string dump = object_dump(release_exe);
    EXPECT_NE(dump.find("\tsymbols stripped"), std::string::npos);
    EXPECT_NE(dump.find("\tdebugging information removed"), std::string::npos);
    EXPECT_NE(dump.find("Time/Date\t\tThu Jan  1 00:00:00 1970"), std::string::npos);
}

TEST(Release, DescribesItselfAndAsksForNoDpiAwareness) {
    const std::string exe = file_bytes(release_exe);
    for (const std::string& text : {std::string("VS_VERSION_INFO"), std::string("ProductName"),
                                    std::string("FileDescription"), std::string("LegalCopyright"),
                                    std::string("Trivelle"), version}) {
        EXPECT_NE(exe.find(utf16(text)), std::string::npos) << text;
    }
    const size_t manifest = exe.find("<assembly");
    ASSERT_NE(manifest, std::string::npos);
    const std::string text = exe.substr(manifest, exe.find("</assembly>", manifest) - manifest);
    EXPECT_NE(text.find("level=\"asInvoker\""), std::string::npos);
    // Windows 10 and 11, the last of the systems it names.
    EXPECT_NE(text.find("supportedOS Id=\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}\""),
              std::string::npos);
    EXPECT_EQ(text.find("<dpiAware"), std::string::npos);
    EXPECT_EQ(text.find("<dpiAwareness"), std::string::npos);
}

TEST(Release, TwoBuildsGiveTheSameBytes) {
    const std::string zip = "/trivelle-" + version + "-win32.zip";
    const std::string first = file_bytes(release_check + "/first" + zip);
    const std::string second = file_bytes(release_check + "/second" + zip);
    ASSERT_FALSE(first.empty()) << release_check << "/first" << zip;
    EXPECT_TRUE(first == second) << "the two packages differ";
    EXPECT_TRUE(file_bytes(release_exe) == file_bytes(release_check + "/tree/trivelle.exe"))
        << "the two programs differ";
    // The program is packed whole, next to the read-me.
    EXPECT_NE(first.find("trivelle-" + version + "-win32/trivelle.exe"), std::string::npos);
    EXPECT_NE(first.find("trivelle-" + version + "-win32/readme.txt"), std::string::npos);
}
#endif

} // namespace
