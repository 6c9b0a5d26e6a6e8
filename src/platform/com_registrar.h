// What the service step needs of the COM server registration: registering
// one self-registering library by its full path. The Windows integration
// provides the product's implementation; tests record the calls.
#pragma once

#include <string>

namespace platform {

class ComRegistrar {
 public:
  virtual ~ComRegistrar() = default;
  // Registers the library at `path`; true on success. Must not throw.
  virtual bool RegisterComServer(const std::string& path) = 0;
};

}  // namespace platform
