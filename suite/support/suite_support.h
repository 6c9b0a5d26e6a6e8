// "suitesupport.dll": the companion library of the suite's stand-in
// libraries. It lies beside each of them and is bound through their import
// tables, so a stand-in loads only when its own folder may serve its
// dependencies. It keeps the stand-ins' call logs and reads the files with
// which a test makes a stand-in's call fail.
#pragma once

#include <windows.h>

#ifdef SUITE_SUPPORT_BUILD
#define SUITE_SUPPORT_API extern "C" __declspec(dllexport)
#else
#define SUITE_SUPPORT_API extern "C" __declspec(dllimport)
#endif

// Appends `line` and CR LF to the file `path` (created when missing).
SUITE_SUPPORT_API BOOL WINAPI SuiteAppendLine(const char* path, const char* line);

// Looks in the text file `path` for the first line whose first word is
// `word`; copies what follows the word and its blank (up to `rest_size` - 1
// characters) into `rest`. 1 when such a line exists, 0 otherwise (also when
// the file is missing).
SUITE_SUPPORT_API int WINAPI SuiteFindLine(const char* path, const char* word, char* rest, int rest_size);

// The folder of `module` with a trailing backslash, into `folder`
// (`folder_size` bytes). 0 when it does not fit.
SUITE_SUPPORT_API int WINAPI SuiteModuleFolder(HMODULE module, char* folder, int folder_size);
