// Questions about a path that its file attributes answer.
//
// Nothing is logged: a path that cannot be asked about (missing, no access,
// a drive without a disc) simply answers false.
#pragma once

#include <string>

namespace win32 {

// True when the attributes of `path` can be read (a file or a directory).
bool FileExists(const std::string& path);

// True when the attributes of `path` can be read and include the directory
// attribute. A junction or a symbolic link to a directory counts as one.
bool IsDirectory(const std::string& path);

// While one is alive, a question about a drive without a disc answers "not
// there" at once instead of the system asking the user to insert one.
class NoCriticalErrorBoxes {
 public:
  NoCriticalErrorBoxes();
  ~NoCriticalErrorBoxes();
  NoCriticalErrorBoxes(const NoCriticalErrorBoxes&) = delete;
  NoCriticalErrorBoxes& operator=(const NoCriticalErrorBoxes&) = delete;

 private:
  unsigned int previous_;  // the process's error mode before
};

}  // namespace win32
