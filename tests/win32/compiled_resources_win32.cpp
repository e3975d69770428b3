// The program's compiled resources, read from the resources linked into this test program.
#include "tests/support/compiled_resources.h"

#include <windows.h>

namespace {

BOOL CALLBACK first_language(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR found) {
    *reinterpret_cast<WORD*>(found) = language;
    return FALSE;
}

} // namespace

CompiledResource compiled_resource(uint16_t type, uint16_t id) {
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(type));
    if (!found) {
        return {};
    }
    CompiledResource r;
    r.found = true;
    EnumResourceLanguagesA(module, MAKEINTRESOURCEA(type), MAKEINTRESOURCEA(id), first_language,
                           reinterpret_cast<LONG_PTR>(&r.language));
    const auto* bytes = static_cast<const uint8_t*>(LockResource(LoadResource(module, found)));
    r.bytes.assign(bytes, bytes + SizeofResource(module, found));
    return r;
}
