#include "engine/built_containers.h"

#include "win32/log.h"
#include "win32/scoped_handle.h"
#include "win32/win32_error.h"

namespace engine {

std::optional<std::vector<ContainerHash>> BuiltContainerList(HMODULE module) {
  if (module == nullptr) module = ::GetModuleHandleA(nullptr);
  // Resources are part of the mapped image: nothing to free.
  HRSRC found = ::FindResourceA(module, kContainerHashResource, RT_RCDATA);
  if (found == nullptr) return std::nullopt;
  HGLOBAL loaded = ::LoadResource(module, found);
  const void* data = loaded != nullptr ? ::LockResource(loaded) : nullptr;
  if (data == nullptr) {
    win32::LogFailure("reading the container list of", "the setup program", ::GetLastError());
    return std::vector<ContainerHash>();
  }
  const std::string_view text(static_cast<const char*>(data), ::SizeofResource(module, found));
  std::optional<std::vector<ContainerHash>> list = ParseContainerHashList(text);
  if (!list) {
    win32::LogLine("distribution: the container list of the setup program cannot be read; no container belongs to it");
    return std::vector<ContainerHash>();
  }
  return list;
}

std::optional<Sha256Digest> Sha256OfFile(const std::string& path) {
  win32::ScopedHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                         FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) {
    win32::LogFailure("open", path, ::GetLastError());
    return std::nullopt;
  }
  Sha256 hash;
  std::string buffer(1 << 16, '\0');
  for (;;) {
    DWORD read = 0;
    if (!::ReadFile(file.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr)) {
      win32::LogFailure("read", path, ::GetLastError());
      return std::nullopt;
    }
    if (read == 0) break;
    hash.Update(buffer.data(), read);
  }
  return hash.Final();
}

bool ContainerOfThisBuild(const std::string& container, HMODULE module) {
  const std::optional<std::vector<ContainerHash>> list = BuiltContainerList(module);
  if (!list) return true;
  const std::string name = container.substr(container.find_last_of("\\/") + 1);
  const ContainerHash* built = FindContainerHash(*list, name);
  if (built == nullptr) {
    win32::LogLine("distribution: " + container + " is no container of this setup's distribution (its list names " +
                   std::to_string(list->size()) + " others)");
    return false;
  }
  const std::optional<Sha256Digest> digest = Sha256OfFile(container);
  if (!digest) return false;
  if (*digest != built->digest) {
    win32::LogLine("distribution: " + container + " is not the container this setup was built with (SHA-256 " +
                   HexDigest(*digest) + ", built " + HexDigest(built->digest) + ")");
    return false;
  }
  return true;
}

}  // namespace engine
