/* Stand-in of a library the mail server's programs load (the TLS, directory
 * and regular-expression libraries). The setup only installs it; the
 * stand-in answers its own name so that a test can tell which file it is. */
#include <windows.h>

__declspec(dllexport) const char* StandInLibraryName(void) { return TARNO_LIBRARY_NAME; }

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)instance;
  (void)reason;
  (void)reserved;
  return TRUE;
}
