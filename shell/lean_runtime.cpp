// Linked into the release build only. The program catches no exception, so each one the
// standard library could throw (out of memory, a string or vector too long) would end the
// program. It ends here at once, without the exception classes, the unwinder and the
// demangler that would print a message to a console the windowed program does not have.
#include <cstdlib>
#include <new>

namespace std {

void __throw_bad_alloc() { abort(); }
void __throw_bad_array_new_length() { abort(); }
void __throw_length_error(const char*) { abort(); }
void __throw_out_of_range_fmt(const char*, ...) { abort(); }

} // namespace std

void* operator new(std::size_t size) {
    if (void* block = std::malloc(size ? size : 1)) {
        return block;
    }
    std::abort();
}

void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
