// The classes of the suite's stand-in COM servers "api.dll" and
// "cordanecom.dll".
#pragma once

#include <windows.h>

namespace suite {

// {7B1E0C52-4D3A-4F6B-9E21-3A5C8D0F1A01}, "Tarno.API"
inline constexpr CLSID kApiClass = {0x7b1e0c52, 0x4d3a, 0x4f6b, {0x9e, 0x21, 0x3a, 0x5c, 0x8d, 0x0f, 0x1a, 0x01}};
inline constexpr char kApiClassKey[] = "CLSID\\{7B1E0C52-4D3A-4F6B-9E21-3A5C8D0F1A01}";
// {7B1E0C52-4D3A-4F6B-9E21-3A5C8D0F1A02}, "Cordane.COM"
inline constexpr CLSID kCordaneComClass = {0x7b1e0c52, 0x4d3a, 0x4f6b,
                                           {0x9e, 0x21, 0x3a, 0x5c, 0x8d, 0x0f, 0x1a, 0x02}};
inline constexpr char kCordaneComClassKey[] = "CLSID\\{7B1E0C52-4D3A-4F6B-9E21-3A5C8D0F1A02}";

}  // namespace suite
