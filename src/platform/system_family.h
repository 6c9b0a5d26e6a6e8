// Which family of Windows the setup runs on. On the NT family the servers
// are services; elsewhere they are ordinary windowed programs. The family is
// read once per run; a test replaces it to reach the other branch.
#pragma once

namespace platform {

class SystemFamily {
 public:
  virtual ~SystemFamily() = default;
  // True when the version information reports platform identifier 2 (NT).
  virtual bool IsNt() = 0;
};

// The current family: the system's own, or the one a test set.
bool IsNtFamily();

// Makes `family` (not owned) current until destroyed; for tests.
class ScopedSystemFamily {
 public:
  explicit ScopedSystemFamily(SystemFamily& family);
  ~ScopedSystemFamily();
  ScopedSystemFamily(const ScopedSystemFamily&) = delete;
  ScopedSystemFamily& operator=(const ScopedSystemFamily&) = delete;

 private:
  SystemFamily* previous_;
};

}  // namespace platform
