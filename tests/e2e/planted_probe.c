/* The check of the planted-library test itself: loads each library named on
   the command line by name, with the ordinary search order, the way a program
   that does not restrict its search would. Exit code: how many loaded. */
#include <windows.h>

int main(int argc, char** argv) {
  int loaded = 0;
  for (int i = 1; i < argc; ++i)
    if (LoadLibraryA(argv[i]) != NULL) ++loaded;
  return loaded;
}
