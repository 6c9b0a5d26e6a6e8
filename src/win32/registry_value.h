// Reading registry values whole, for everyone who reads the registry
// through the raw API with a key of their own.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace win32 {

// Reads value `name` of `key` whole into `data`, its type into `type`. A
// value longer than the first buffer is read again at the size the system
// reports; one that keeps growing between the calls is given up after a few
// rounds (ERROR_MORE_DATA). Returns the system's result; `data` is only
// meaningful on ERROR_SUCCESS.
LONG QueryRegistryValue(HKEY key, const std::string& name, DWORD* type, std::vector<BYTE>* data);

// The text of string value data: it need not end in a NUL, and ends at the
// first one when it holds one.
std::string RegistryText(const std::vector<BYTE>& data);

}  // namespace win32
