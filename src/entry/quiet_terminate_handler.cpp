// The DLL's replacement for libstdc++'s verbose terminate handler.
#include <stdlib.h>

#include <exception>

// The runtime's default handler prints the escaping exception's demangled
// type, which links the demangler and the runtime's printf with its float
// formatting: two thirds of the DLL. The converters catch every code they
// throw, so terminating is a fault either way; ending quietly keeps them out.
namespace __gnu_cxx {
void __verbose_terminate_handler() { abort(); }
}  // namespace __gnu_cxx
