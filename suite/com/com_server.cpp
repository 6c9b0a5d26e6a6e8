// The suite's stand-in in-process COM server, built twice: as "api.dll"
// (STANDIN_API) and as "cordanecom.dll". Each serves one class whose objects
// answer IPersist::GetClassID with that class.
//
// DllRegisterServer writes "CLSID\{class}" under HKEY_CLASSES_ROOT with the
// class's name and "InprocServer32" pointing at this library (threading model
// "Apartment"); DllUnregisterServer removes that key. A test makes either
// fail through "<library name>-fail.txt" beside the library: a line holding
// the entry point's name makes it return SELFREG_E_CLASS and change nothing.
#include <windows.h>
#include <objbase.h>

#include <string>

#include "com/com_standin_ids.h"
#include "support/suite_support.h"

namespace {

#ifdef STANDIN_API
constexpr const CLSID& kClass = suite::kApiClass;
constexpr const char* kClassKey = suite::kApiClassKey;
constexpr const char* kClassName = "Tarno.API";
constexpr const char* kLibraryName = "api";
#else
constexpr const CLSID& kClass = suite::kCordaneComClass;
constexpr const char* kClassKey = suite::kCordaneComClassKey;
constexpr const char* kClassName = "Cordane.COM";
constexpr const char* kLibraryName = "cordanecom";
#endif

constexpr HRESULT kSelfRegClassError = 0x80040201L;  // SELFREG_E_CLASS

HMODULE g_module = nullptr;
LONG g_locks = 0;  // live objects, factories and LockServer calls

bool FailureRequested(const char* entry) {
  char folder[MAX_PATH];
  if (!SuiteModuleFolder(g_module, folder, MAX_PATH)) return false;
  const std::string file = std::string(folder) + kLibraryName + "-fail.txt";
  return SuiteFindLine(file.c_str(), entry, nullptr, 0) != 0;
}

class Object : public IPersist {
 public:
  Object() { ::InterlockedIncrement(&g_locks); }
  virtual ~Object() { ::InterlockedDecrement(&g_locks); }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IPersist) {
      *out = static_cast<IPersist*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ::InterlockedIncrement(&references_); }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = ::InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return left;
  }
  HRESULT STDMETHODCALLTYPE GetClassID(CLSID* id) override {
    if (id == nullptr) return E_POINTER;
    *id = kClass;
    return S_OK;
  }

 private:
  LONG references_ = 1;
};

class Factory : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IClassFactory) {
      *out = static_cast<IClassFactory*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  // The factory is static; its references keep the library loaded.
  ULONG STDMETHODCALLTYPE AddRef() override { return ::InterlockedIncrement(&g_locks) + 1; }
  ULONG STDMETHODCALLTYPE Release() override { return ::InterlockedDecrement(&g_locks) + 1; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    Object* object = new (std::nothrow) Object;
    if (object == nullptr) return E_OUTOFMEMORY;
    const HRESULT result = object->QueryInterface(iid, out);
    object->Release();
    return result;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    if (lock)
      ::InterlockedIncrement(&g_locks);
    else
      ::InterlockedDecrement(&g_locks);
    return S_OK;
  }
};

Factory g_factory;

LONG SetText(HKEY key, const char* name, const std::string& text) {
  return ::RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>(text.size() + 1));
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) {
  if (reason == DLL_PROCESS_ATTACH) {
    g_module = instance;
    ::DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

extern "C" __declspec(dllexport) HRESULT WINAPI DllGetClassObject(REFCLSID id, REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (id != kClass) return CLASS_E_CLASSNOTAVAILABLE;
  return g_factory.QueryInterface(iid, out);
}

extern "C" __declspec(dllexport) HRESULT WINAPI DllCanUnloadNow() { return g_locks == 0 ? S_OK : S_FALSE; }

extern "C" __declspec(dllexport) HRESULT WINAPI DllRegisterServer() {
  if (FailureRequested("DllRegisterServer")) return kSelfRegClassError;
  char path[MAX_PATH];
  const DWORD n = ::GetModuleFileNameA(g_module, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return kSelfRegClassError;
  HKEY key = nullptr;
  HKEY server = nullptr;
  const std::string server_key = std::string(kClassKey) + "\\InprocServer32";
  LONG result = ::RegCreateKeyExA(HKEY_CLASSES_ROOT, kClassKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
  if (result == ERROR_SUCCESS) result = SetText(key, nullptr, kClassName);
  if (result == ERROR_SUCCESS)
    result = ::RegCreateKeyExA(HKEY_CLASSES_ROOT, server_key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &server,
                               nullptr);
  if (result == ERROR_SUCCESS) result = SetText(server, nullptr, std::string(path, n));
  if (result == ERROR_SUCCESS) result = SetText(server, "ThreadingModel", "Apartment");
  if (server != nullptr) ::RegCloseKey(server);
  if (key != nullptr) ::RegCloseKey(key);
  return result == ERROR_SUCCESS ? S_OK : kSelfRegClassError;
}

extern "C" __declspec(dllexport) HRESULT WINAPI DllUnregisterServer() {
  if (FailureRequested("DllUnregisterServer")) return kSelfRegClassError;
  const LONG result = ::RegDeleteTreeA(HKEY_CLASSES_ROOT, kClassKey);
  return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND ? S_OK : kSelfRegClassError;
}
