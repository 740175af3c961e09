// The stub is built without exceptions. The standard library's containers still call
// these reporting functions on misuse or exhausted memory; defining them here ends the
// process instead and keeps the library's exception and unwinding machinery (most of the
// stub's size otherwise) out of the program.
#include <windows.h>

namespace std {

[[noreturn]] static void Abandon() noexcept { ExitProcess(3); }

[[noreturn]] void __throw_bad_alloc() { Abandon(); }
[[noreturn]] void __throw_bad_array_new_length() { Abandon(); }
[[noreturn]] void __throw_length_error(const char*) { Abandon(); }
[[noreturn]] void __throw_logic_error(const char*) { Abandon(); }
[[noreturn]] void __throw_out_of_range(const char*) { Abandon(); }
[[noreturn]] void __throw_out_of_range_fmt(const char*, ...) { Abandon(); }
[[noreturn]] void __throw_invalid_argument(const char*) { Abandon(); }
[[noreturn]] void __throw_bad_function_call() { Abandon(); }

}  // namespace std
