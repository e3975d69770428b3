// The stored settings record: the default value of HKEY_CURRENT_USER\Software\Trivelle.
#include "record/stored_record_win32.h"

#include <windows.h>

#include <algorithm>
#include <vector>

namespace {

constexpr const char record_path[] = "Software\\Trivelle";

} // namespace

bool read_stored_record(std::string& text) {
    text.clear();
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, record_path, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    bool read = false;
    DWORD size = 0;
    if (RegQueryValueExA(key, nullptr, nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS &&
        size <= max_stored_record_size) {
        // The data need not end in a zero byte (another type, or a value written without
        // one): the buffer has one spare zero byte, and the text ends at the data's end anyway.
        std::vector<char> data(size_t(size) + 1, '\0');
        DWORD got = size;
        if (RegQueryValueExA(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(data.data()),
                             &got) == ERROR_SUCCESS) {
            const auto end = data.begin() + std::min(got, size);
            text.assign(data.begin(), std::find(data.begin(), end, '\0'));
            read = true;
        }
    }
    RegCloseKey(key);
    return read;
}

bool write_stored_record(const std::string& text) {
    // Created from the hive's root: a subkey cannot be created through a handle opened only
    // for reading, which would make the very first store fail on Windows.
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, record_path, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    const bool written =
        RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       DWORD(text.size() + 1)) == ERROR_SUCCESS;
    RegCloseKey(key);
    return written;
}
