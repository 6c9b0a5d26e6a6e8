// The calling convention of the entry points of libraries outside the
// program (the storage library, the antivirus setup interface): stdcall on
// Windows, nothing elsewhere, so that their tables also build natively.
#pragma once

#ifndef TARNO_STDCALL
#if defined(_WIN32)
#define TARNO_STDCALL __stdcall
#else
#define TARNO_STDCALL
#endif
#endif
