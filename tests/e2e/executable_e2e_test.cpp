// The shipped executable itself: one 32-bit GUI program that needs only Windows' own DLLs.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <set>
#include <string>

namespace {

std::string object_dump(const std::string& exe) {
    std::string text;
    FILE* pipe = popen(("LC_ALL=C i686-w64-mingw32-objdump -p '" + exe + "'").c_str(), "r");
    if (!pipe) {
        return text;
    }
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        text.append(buffer, n);
    }
    pclose(pipe);
    return text;
}

TEST(Executable, IsA32BitGuiProgramImportingOnlySystemDlls) {
    const std::string dump = object_dump(std::string(TRIVELLE_WIN32_BUILD) + "/trivelle.exe");
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

} // namespace
