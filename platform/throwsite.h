#pragma once

#include <cstdint>
#include <string>

namespace vorsel {

// Where a thrown exception object was raised: the address of the throwing call as the program
// file's own addresses count it (what `addr2line -e <program>` takes), so it means the same
// whatever address the program was loaded at. An exception raised inside a library (the C++
// runtime's std::out_of_range, for example) counts at the program's call into that library.
// Nothing (0) when the object was not seen being thrown or the site lies outside the program.
uint32_t ThrowAddressOf(const void* exceptionObject);

// The address as eight upper-case hexadecimal digits ("0041A2C4"; "00000000" when unknown).
std::string ThrowAddressText(const void* exceptionObject);

}  // namespace vorsel
