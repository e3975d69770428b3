// Included before every source of the release build. The standard library declares its
// std::string members as instantiated inside the library itself; the program would then pull
// in the library's whole string object file, every member of it, kept alive by its unwinding
// tables. Instantiated here instead, only the members the program calls are compiled and kept.
#include <bits/c++config.h>
#undef _GLIBCXX_EXTERN_TEMPLATE
#define _GLIBCXX_EXTERN_TEMPLATE 0
