// The shipped executable itself: one 32-bit GUI program that needs only Windows' own DLLs;
// the release build of it is small, describes itself and comes out the same every time, and
// its package greets a newcomer with the read-me, the licence and the zip's checksum.
#include "resources/version.h"
#include "resources/web_addresses.h"
#include "tests/support/command_run.h"
#include "tests/support/record_text.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

namespace {

// The 64-bit tool reads the program and its 64-bit twin alike.
std::string object_dump(const std::string& exe) {
    return run_command("LC_ALL=C x86_64-w64-mingw32-objdump -p '" + exe + "'").output;
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

// format: "pei-i386" for the program, "pei-x86-64" for its 64-bit twin.
void expect_gui_program_importing_only_system_dlls(const std::string& exe,
                                                   const std::string& format) {
    const std::string dump = object_dump(exe);
    ASSERT_NE(dump.find("file format " + format + "\n"), std::string::npos) << exe;
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

// Stripped, and with no link time that would make two builds differ.
void expect_release_build(const std::string& exe) {
    const std::string dump = object_dump(exe);
    EXPECT_NE(dump.find("\tsymbols stripped"), std::string::npos) << exe;
    EXPECT_NE(dump.find("\tdebugging information removed"), std::string::npos) << exe;
    EXPECT_NE(dump.find("Time/Date\t\tThu Jan  1 00:00:00 1970"), std::string::npos) << exe;
}

TEST(Executable, IsA32BitGuiProgramImportingOnlySystemDlls) {
    expect_gui_program_importing_only_system_dlls(
        std::string(TRIVELLE_WIN32_BUILD) + "/trivelle.exe", "pei-i386");
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
    expect_gui_program_importing_only_system_dlls(release_exe, "pei-i386");
    expect_release_build(release_exe);
}

// The end-to-end tests drive the shipped file where 32-bit code runs, and otherwise its 64-bit
// twin: that one must be the release build too, with the same runtime and no thread library.
#ifdef TRIVELLE_E2E_PROGRAM
TEST(Release, TheEndToEndTestsDriveAReleaseBuild) {
    const std::string driven = TRIVELLE_E2E_PROGRAM;
    RecordProperty("program", driven);
    ASSERT_FALSE(file_bytes(driven).empty()) << driven;
    expect_gui_program_importing_only_system_dlls(driven, driven == release_exe ? "pei-i386"
                                                                                : "pei-x86-64");
    expect_release_build(driven);
}
#endif

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
    // The program is packed whole, next to the read-me and the licence.
    EXPECT_NE(first.find("trivelle-" + version + "-win32/trivelle.exe"), std::string::npos);
    EXPECT_NE(first.find("trivelle-" + version + "-win32/readme.txt"), std::string::npos);
    EXPECT_NE(first.find("trivelle-" + version + "-win32/license.txt"), std::string::npos);
}

const std::string package = release_check + "/first/trivelle-" + version + "-win32.zip";

// A member of the package, as an unpacking program sees it.
std::string packed(const std::string& name) {
    return run_command("python3 -c 'import sys, zipfile; sys.stdout.buffer.write("
                       "zipfile.ZipFile(sys.argv[1]).read(sys.argv[2]))' '" +
                       package + "' 'trivelle-" + version + "-win32/" + name + "'")
        .output;
}

// What Notepad shows well: a UTF-8 byte order mark, and every line ended by CR LF.
std::string notepad_text(const std::string& text) {
    std::string crlf = "\xEF\xBB\xBF";
    for (char c : text) {
        crlf += c == '\n' ? "\r\n" : std::string(1, c);
    }
    return crlf;
}

TEST(Release, CarriesTheLicenceThatNamesTheInformationBoxsCopyrightHolder) {
    const std::string licence = file_bytes(TRIVELLE_SOURCE_DIR "/LICENSE");
    ASSERT_FALSE(licence.empty());
    // The holder as the "i" button's information box names it, with the program's site.
    const std::string notice =
        utf8_text(u8"Required Notice: Copyright © 2026 Trivelle (") + link_pages[3] + ")\n";
    EXPECT_EQ(licence.rfind(notice, 0), 0u) << licence.substr(0, licence.find('\n'));
    EXPECT_NE(licence.find("# PolyForm Noncommercial License 1.0.0\n"), std::string::npos);
    EXPECT_EQ(packed("license.txt"), notepad_text(licence));
}

TEST(Release, TheReadMeGivesTheSiteTheUnsignedWarningAndTheChecksum) {
    const std::string readme = packed("readme.txt");
    ASSERT_EQ(readme.rfind("\xEF\xBB\xBF", 0), 0u) << "no byte order mark";
    for (size_t at = readme.find('\n'); at != std::string::npos; at = readme.find('\n', at + 1)) {
        ASSERT_EQ(readme[at - 1], '\r') << "a line ends without CR at byte " << at;
    }
    EXPECT_EQ(readme.find('@'), std::string::npos) << "a placeholder is left";
    const std::string zip_name = "trivelle-" + version + "-win32.zip";
    for (const std::string& text :
         {std::string(link_pages[3]), std::string("SmartScreen"),
          // Windows' own words, in the Russian part and in the English one.
          utf8_text(u8"«Подробнее»"), utf8_text(u8"«Выполнить в любом случае»"),
          std::string("\"More info\""), std::string("\"Run anyway\""),
          "certutil -hashfile " + zip_name + " SHA256", zip_name + ".sha256",
          std::string("license.txt")}) {
        EXPECT_NE(readme.find(text), std::string::npos) << text;
    }
}

TEST(Release, TheChecksumFileHoldsThePackagesSha256) {
    const std::string folder = release_check + "/first";
    const std::string zip_name = "trivelle-" + version + "-win32.zip";
    const std::string line = file_bytes(folder + "/" + zip_name + ".sha256");
    // The digest by a second implementation, and the line as sha256sum -c reads it.
    const std::string digest =
        run_command("python3 -c 'import hashlib, sys; print(hashlib.sha256(open(sys.argv[1], "
                    "\"rb\").read()).hexdigest())' '" +
                    package + "'")
            .output;
    ASSERT_EQ(digest.size(), 65u) << digest;
    EXPECT_EQ(line, digest.substr(0, 64) + "  " + zip_name + "\n");
    EXPECT_EQ(
        run_command("cd '" + folder + "' && sha256sum --check --status " + zip_name + ".sha256")
            .exit_code,
        0);
}
#endif

} // namespace
