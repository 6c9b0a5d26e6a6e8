/* A library planted beside setup.exe under the name of a library the setup or
   the system loads by name. When a process loads it, it leaves a mark: a file
   named after itself with ".loaded" appended, holding the loading program's
   path. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)reserved;
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  char path[MAX_PATH + 8];
  DWORD n = GetModuleFileNameA(instance, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return TRUE;
  lstrcatA(path, ".loaded");
  HANDLE mark = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
  if (mark == INVALID_HANDLE_VALUE) return TRUE;
  char program[MAX_PATH];
  DWORD length = GetModuleFileNameA(NULL, program, MAX_PATH);
  DWORD written = 0;
  WriteFile(mark, program, length, &written, NULL);
  CloseHandle(mark);
  return TRUE;
}
