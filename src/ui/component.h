// The component tree of the setup's windows.
//
// A component has a name (unique among its owner's components), a class name
// ("TButton", "TAdvancedRegistry", ...) and owns the components created on
// it, in creation order; they are destroyed with it. The language file walks
// this tree: the application owns the forms, each form owns its controls and
// non-visual components.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace ui {

class Component {
 public:
  Component(std::string name, std::string class_name)
      : name_(std::move(name)), class_name_(std::move(class_name)) {}
  virtual ~Component() { DestroyComponents(); }
  Component(const Component&) = delete;
  Component& operator=(const Component&) = delete;

  const std::string& name() const { return name_; }
  const std::string& class_name() const { return class_name_; }
  Component* owner() const { return owner_; }
  const std::vector<std::unique_ptr<Component>>& components() const { return components_; }

  // Creates a component owned by this one and returns it; it lives until this one is destroyed.
  template <class T, class... Args>
  T* Create(Args&&... args) {
    auto component = std::make_unique<T>(std::forward<Args>(args)...);
    T* raw = component.get();
    raw->owner_ = this;
    components_.push_back(std::move(component));
    return raw;
  }

  // The owned component named `name` (exact case), or nullptr.
  Component* FindComponent(const std::string& name) const {
    for (const auto& c : components_)
      if (c->name() == name) return c.get();
    return nullptr;
  }

 protected:
  // Owned components go in reverse creation order, later ones first.
  void DestroyComponents() {
    while (!components_.empty()) components_.pop_back();
  }

 private:
  std::string name_;
  std::string class_name_;
  Component* owner_ = nullptr;
  std::vector<std::unique_ptr<Component>> components_;
};

}  // namespace ui
