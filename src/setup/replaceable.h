// A process-wide implementation of an interface that a test may replace:
// the windows call Current, which is the one last set with Replace, or the
// product's own when none is set (or nullptr was set back).
#pragma once

#include <utility>

namespace setup {

template <class Interface>
class Replaceable {
 public:
  static Interface& Current(Interface& product) { return replaced_ != nullptr ? *replaced_ : product; }
  // Makes `with` (not owned) current; returns the one set before.
  static Interface* Replace(Interface* with) { return std::exchange(replaced_, with); }

 private:
  static inline Interface* replaced_ = nullptr;
};

}  // namespace setup
