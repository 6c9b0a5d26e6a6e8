// The resources of setup.exe, checked from this test program, which links the
// same resource objects: the icon groups in their index order, the icon
// images, the logo, the version information and the manifest.
#include <windows.h>
#include <shellapi.h>
#include <winver.h>

#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "setup/res/resource_ids.h"
#include "win32/scoped_handle.h"

namespace {

struct IconTraits {
  using Type = HICON;
  static Type Null() { return nullptr; }
  static bool IsValid(Type h) { return h != nullptr; }
  static void Close(Type h) { ::DestroyIcon(h); }
};
struct GdiObjectTraits {
  using Type = HGDIOBJ;
  static Type Null() { return nullptr; }
  static bool IsValid(Type h) { return h != nullptr; }
  static void Close(Type h) { ::DeleteObject(h); }
};
struct MemoryDcTraits {
  using Type = HDC;
  static Type Null() { return nullptr; }
  static bool IsValid(Type h) { return h != nullptr; }
  static void Close(Type h) { ::DeleteDC(h); }
};
using ScopedIcon = win32::ScopedGeneric<IconTraits>;
using ScopedGdiObject = win32::ScopedGeneric<GdiObjectTraits>;
using ScopedMemoryDc = win32::ScopedGeneric<MemoryDcTraits>;

constexpr int kIconSizes[] = {16, 32, 48};

HMODULE Self() { return ::GetModuleHandleA(nullptr); }

std::string SelfPath() {
  char path[MAX_PATH] = {};
  DWORD n = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
  return std::string(path, n);
}

std::string ResourceName(LPSTR name) {
  if (IS_INTRESOURCE(name)) return "#" + std::to_string(reinterpret_cast<std::uintptr_t>(name));
  return name;
}

BOOL CALLBACK CollectName(HMODULE, LPCSTR, LPSTR name, LONG_PTR param) {
  // A system callback: nothing may be thrown out of it.
  try {
    reinterpret_cast<std::vector<std::string>*>(param)->push_back(ResourceName(name));
    return TRUE;
  } catch (...) {
    return FALSE;
  }
}

BOOL CALLBACK CollectLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR param) {
  try {
    reinterpret_cast<std::vector<WORD>*>(param)->push_back(language);
    return TRUE;
  } catch (...) {
    return FALSE;
  }
}

std::vector<std::string> NamesOfType(LPCSTR type) {
  std::vector<std::string> names;
  ::EnumResourceNamesA(Self(), type, CollectName, reinterpret_cast<LONG_PTR>(&names));
  return names;
}

// The bytes of one resource of this module; empty when it is missing.
std::string ResourceBytes(LPCSTR name, LPCSTR type) {
  HRSRC found = ::FindResourceA(Self(), name, type);
  if (!found) return {};
  HGLOBAL loaded = ::LoadResource(Self(), found);
  const void* data = loaded ? ::LockResource(loaded) : nullptr;
  if (!data) return {};
  return std::string(static_cast<const char*>(data), ::SizeofResource(Self(), found));
}

struct IconPixels {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> bgra;  // top-down rows of the colour bitmap
};

// Size and colour pixels of a loaded icon, through GetIconInfo.
IconPixels PixelsOf(HICON icon) {
  IconPixels out;
  ICONINFO info = {};
  if (!::GetIconInfo(icon, &info)) {
    ADD_FAILURE() << "GetIconInfo failed, error " << ::GetLastError();
    return out;
  }
  ScopedGdiObject color(info.hbmColor);
  ScopedGdiObject mask(info.hbmMask);
  if (!color) {
    ADD_FAILURE() << "icon has no colour bitmap";
    return out;
  }
  BITMAP bm = {};
  ::GetObjectA(color.get(), sizeof bm, &bm);
  out.width = bm.bmWidth;
  out.height = bm.bmHeight;
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = bm.bmWidth;
  bi.bmiHeader.biHeight = -bm.bmHeight;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  out.bgra.resize(static_cast<size_t>(bm.bmWidth) * bm.bmHeight);
  ScopedMemoryDc dc(::CreateCompatibleDC(nullptr));
  int lines = ::GetDIBits(dc.get(), static_cast<HBITMAP>(color.get()), 0, bm.bmHeight,
                          out.bgra.data(), &bi, DIB_RGB_COLORS);
  EXPECT_EQ(lines, bm.bmHeight) << "GetDIBits, error " << ::GetLastError();
  return out;
}

ScopedIcon LoadIconAt(const char* name, int size) {
  return ScopedIcon(
      static_cast<HICON>(::LoadImageA(Self(), name, IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
}

std::string Joined(const std::vector<std::string>& names) {
  std::string text;
  for (const auto& n : names) text += (text.empty() ? "" : ", ") + n;
  return "[" + text + "]";
}

// The groups whose image of the same size is `icon`, pixel for pixel.
std::vector<std::string> SameAs(const IconPixels& icon, const std::vector<IconPixels>& images) {
  std::vector<std::string> same;
  for (size_t k = 0; k < images.size(); ++k)
    if (!icon.bgra.empty() && icon.bgra == images[k].bgra)
      same.push_back(setup_res::kIconGroups[k]);
  return same;
}

// Icon groups: the shortcuts pick the icons by index, and the index is the
// order in which the resource directory lists the groups.

TEST(IconGroups, AreExactlyTheFourNamesInIndexOrder) {
  std::vector<std::string> expected(std::begin(setup_res::kIconGroups),
                                    std::end(setup_res::kIconGroups));
  EXPECT_EQ(NamesOfType(RT_GROUP_ICON), expected)
      << "actual " << Joined(NamesOfType(RT_GROUP_ICON)) << ", expected " << Joined(expected);
  EXPECT_EQ(setup_res::kMainIconIndex, 0);
  EXPECT_STREQ(setup_res::kIconGroups[setup_res::kUninstallIconIndex], "UNINSTALLICON");
  EXPECT_STREQ(setup_res::kIconGroups[setup_res::kWebIconIndex], "XICON1");
  EXPECT_STREQ(setup_res::kIconGroups[setup_res::kAdminIconIndex], "XICON2");
}

TEST(IconGroups, EachHoldsOne32BitImageOfEverySize) {
  // GRPICONDIR and its entries as they are stored in the resource.
#pragma pack(push, 2)
  struct GroupEntry {
    BYTE width, height, colors, reserved;
    WORD planes, bit_count;
    DWORD bytes;
    WORD id;
  };
  struct GroupHeader {
    WORD reserved, type, count;
  };
#pragma pack(pop)
  for (const char* name : setup_res::kIconGroups) {
    SCOPED_TRACE(name);
    std::string group = ResourceBytes(name, RT_GROUP_ICON);
    ASSERT_GE(group.size(), sizeof(GroupHeader));
    GroupHeader header;
    std::memcpy(&header, group.data(), sizeof header);
    EXPECT_EQ(header.type, 1);
    ASSERT_EQ(group.size(), sizeof header + header.count * sizeof(GroupEntry));
    std::set<int> sizes;
    for (int i = 0; i < header.count; ++i) {
      GroupEntry e;
      std::memcpy(&e, group.data() + sizeof header + i * sizeof e, sizeof e);
      SCOPED_TRACE("image " + std::to_string(e.width) + "x" + std::to_string(e.height));
      sizes.insert(e.width);
      EXPECT_EQ(e.width, e.height);
      EXPECT_EQ(e.bit_count, 32);
      // The image itself: a BITMAPINFOHEADER (not a PNG), doubled height,
      // BGRA pixels, then the AND mask.
      std::string image = ResourceBytes(MAKEINTRESOURCEA(e.id), RT_ICON);
      ASSERT_EQ(image.size(), e.bytes);
      ASSERT_GE(image.size(), sizeof(BITMAPINFOHEADER));
      BITMAPINFOHEADER bih;
      std::memcpy(&bih, image.data(), sizeof bih);
      ASSERT_EQ(bih.biSize, sizeof bih) << "image is not a DIB";
      EXPECT_EQ(bih.biWidth, e.width);
      EXPECT_EQ(bih.biHeight, 2 * e.height);
      EXPECT_EQ(bih.biBitCount, 32);
      EXPECT_EQ(bih.biCompression, static_cast<DWORD>(BI_RGB));
      const size_t w = e.width, h = e.height, mask_stride = (w + 31) / 32 * 4;
      ASSERT_EQ(image.size(), sizeof bih + w * h * 4 + mask_stride * h);
      const auto* px = reinterpret_cast<const unsigned char*>(image.data()) + sizeof bih;
      const auto* mask = px + w * h * 4;
      size_t transparent = 0, opaque = 0, mismatched = 0;
      std::set<std::uint32_t> colours;
      for (size_t y = 0; y < h; ++y) {
        for (size_t x = 0; x < w; ++x) {
          const unsigned char* p = px + (y * w + x) * 4;
          bool masked = (mask[y * mask_stride + x / 8] & (0x80 >> (x % 8))) != 0;
          if (p[3] == 0) ++transparent;
          if (p[3] == 255) {
            ++opaque;
            colours.insert(p[0] | p[1] << 8 | p[2] << 16);
          }
          // The mask marks exactly the pixels that alpha leaves out, and
          // those are black, so that a reader without alpha draws the same.
          if (masked != (p[3] == 0) || (masked && (p[0] | p[1] | p[2]) != 0)) ++mismatched;
        }
      }
      EXPECT_EQ(mismatched, 0u) << "pixels where mask and alpha disagree";
      EXPECT_GT(transparent, 0u) << "an icon with no transparent pixel";
      EXPECT_GT(opaque, w * h / 4) << "an icon that is mostly see-through";
      EXPECT_GE(colours.size(), 12u) << "too few colours for a drawn picture";
    }
    EXPECT_EQ(sizes, (std::set<int>{16, 32, 48}));
  }
}

TEST(IconGroups, LoadAtEachSizeAsThatSize) {
  for (const char* name : setup_res::kIconGroups) {
    for (int size : kIconSizes) {
      SCOPED_TRACE(std::string(name) + " at " + std::to_string(size));
      ::SetLastError(0xdeadbeef);
      ScopedIcon icon = LoadIconAt(name, size);
      ASSERT_TRUE(icon) << "LoadImage failed, error " << ::GetLastError();
      IconPixels p = PixelsOf(icon.get());
      EXPECT_EQ(p.width, size);
      EXPECT_EQ(p.height, size);
    }
  }
}

TEST(IconGroups, ExtractIconExGivesTheFourInNameOrder) {
  const std::string path = SelfPath();
  EXPECT_EQ(::ExtractIconExA(path.c_str(), -1, nullptr, nullptr, 0), 4u) << path;

  // The pictures differ, so comparing them tells which group an index gave.
  const int large_size = ::GetSystemMetrics(SM_CXICON),
            small_size = ::GetSystemMetrics(SM_CXSMICON);
  std::vector<IconPixels> large;
  for (const char* name : setup_res::kIconGroups)
    large.push_back(PixelsOf(LoadIconAt(name, large_size).get()));
  for (size_t i = 0; i < large.size(); ++i)
    for (size_t j = i + 1; j < large.size(); ++j)
      EXPECT_NE(large[i].bgra, large[j].bgra)
          << setup_res::kIconGroups[i] << " looks like " << setup_res::kIconGroups[j];

  for (int index = 0; index < 4; ++index) {
    SCOPED_TRACE("index " + std::to_string(index));
    HICON big_raw = nullptr, small_raw = nullptr;
    ::ExtractIconExA(path.c_str(), index, &big_raw, &small_raw, 1);
    ScopedIcon big_icon(big_raw), small_icon(small_raw);
    ASSERT_TRUE(big_icon);
    ASSERT_TRUE(small_icon);
    IconPixels big_pixels = PixelsOf(big_icon.get()), small_pixels = PixelsOf(small_icon.get());
    EXPECT_EQ(big_pixels.width, large_size);
    EXPECT_EQ(small_pixels.width, small_size);
    std::vector<std::string> same = SameAs(big_pixels, large);
    EXPECT_EQ(same, std::vector<std::string>{setup_res::kIconGroups[index]})
        << "large icon is " << Joined(same);
    // The small one is not compared: Wine 8 makes it by shrinking a larger
    // image into a few colours, where Windows takes the 16-pixel image as it
    // is. PrivateExtractIcons below covers 16 pixels.
  }
  HICON none = nullptr;
  EXPECT_EQ(::ExtractIconExA(path.c_str(), 4, &none, nullptr, 1), 0u);
  ScopedIcon no_icon(none);
  EXPECT_FALSE(no_icon) << "an icon at index 4";
}

// The same index order at every size, through the extraction that shell
// links and the taskbar use for a chosen size.
TEST(IconGroups, PrivateExtractIconsGivesTheFourInNameOrderAtEverySize) {
  const std::string path = SelfPath();
  for (int size : kIconSizes) {
    std::vector<IconPixels> images;
    for (const char* name : setup_res::kIconGroups)
      images.push_back(PixelsOf(LoadIconAt(name, size).get()));
    for (int index = 0; index < 4; ++index) {
      SCOPED_TRACE("index " + std::to_string(index) + " at " + std::to_string(size));
      HICON raw = nullptr;
      UINT id = 0;
      UINT got =
          ::PrivateExtractIconsA(path.c_str(), index, size, size, &raw, &id, 1, LR_DEFAULTCOLOR);
      ScopedIcon icon(raw);
      ASSERT_EQ(got, 1u);
      ASSERT_TRUE(icon);
      std::vector<std::string> same = SameAs(PixelsOf(icon.get()), images);
      EXPECT_EQ(same, std::vector<std::string>{setup_res::kIconGroups[index]})
          << "icon is " << Joined(same);
    }
  }
}

// The logo of the wizard's white top band.
TEST(Logo, IsA59By50BitmapOnWhite) {
  ::SetLastError(0xdeadbeef);
  ScopedGdiObject logo(
      ::LoadImageA(Self(), TARNO_RES_LOGO, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  ASSERT_TRUE(logo) << "LoadImage LOGO failed, error " << ::GetLastError();
  DIBSECTION dib = {};
  ASSERT_EQ(::GetObjectA(logo.get(), sizeof dib, &dib), static_cast<int>(sizeof dib));
  EXPECT_EQ(dib.dsBm.bmWidth, TARNO_RES_LOGO_WIDTH);
  EXPECT_EQ(dib.dsBm.bmHeight, TARNO_RES_LOGO_HEIGHT);
  EXPECT_EQ(dib.dsBm.bmBitsPixel, 24);
  ASSERT_NE(dib.dsBm.bmBits, nullptr);
  const auto* bits = static_cast<const unsigned char*>(dib.dsBm.bmBits);
  auto pixel = [&](int x, int y) {  // bottom-up rows
    const unsigned char* p = bits + (dib.dsBm.bmHeight - 1 - y) * dib.dsBm.bmWidthBytes + x * 3;
    return static_cast<std::uint32_t>(p[0] | p[1] << 8 | p[2] << 16);
  };
  const int w = dib.dsBm.bmWidth, h = dib.dsBm.bmHeight;
  for (auto [x, y] : {std::pair{0, 0}, {w - 1, 0}, {0, h - 1}, {w - 1, h - 1}})
    EXPECT_EQ(pixel(x, y), 0xFFFFFFu) << "corner " << x << "," << y << " is not white";
  std::set<std::uint32_t> colours;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) colours.insert(pixel(x, y));
  EXPECT_GE(colours.size(), 12u) << "too few colours for a drawn picture";
  int drawn = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) drawn += pixel(x, y) != 0xFFFFFFu;
  EXPECT_GT(drawn, w * h / 3) << "the mark covers too little of the logo";
}

// Version information, as Explorer and the uninstall entry read it.

struct VersionBlock {
  std::vector<char> data;
  std::string String(const std::string& key) {
    void* value = nullptr;
    UINT len = 0;
    std::string sub = "\\StringFileInfo\\040904E4\\" + key;
    if (!::VerQueryValueA(data.data(), sub.c_str(), &value, &len) || !value) return "<missing>";
    return std::string(static_cast<const char*>(value));
  }
};

VersionBlock ReadVersion() {
  VersionBlock block;
  const std::string path = SelfPath();
  DWORD ignored = 0;
  DWORD size = ::GetFileVersionInfoSizeA(path.c_str(), &ignored);
  EXPECT_NE(size, 0u) << "GetFileVersionInfoSize, error " << ::GetLastError();
  if (size == 0) return block;
  block.data.resize(size);
  EXPECT_TRUE(::GetFileVersionInfoA(path.c_str(), 0, size, block.data.data()))
      << "GetFileVersionInfo, error " << ::GetLastError();
  return block;
}

TEST(VersionInfo, FixedPartIs8_3_8_0) {
  VersionBlock v = ReadVersion();
  ASSERT_FALSE(v.data.empty());
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT len = 0;
  ASSERT_TRUE(::VerQueryValueA(v.data.data(), "\\", reinterpret_cast<void**>(&fixed), &len));
  ASSERT_GE(len, sizeof *fixed);
  EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
  auto text = [](DWORD ms, DWORD ls) {
    return std::to_string(HIWORD(ms)) + "." + std::to_string(LOWORD(ms)) + "." +
           std::to_string(HIWORD(ls)) + "." + std::to_string(LOWORD(ls));
  };
  EXPECT_EQ(text(fixed->dwFileVersionMS, fixed->dwFileVersionLS), "8.3.8.0");
  EXPECT_EQ(text(fixed->dwProductVersionMS, fixed->dwProductVersionLS), "8.3.8.0");
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
  EXPECT_EQ(fixed->dwFileFlags & fixed->dwFileFlagsMask, 0u)
      << "debug, patched or pre-release flags";
}

TEST(VersionInfo, StringsAreInUSEnglishAnsiTable) {
  VersionBlock v = ReadVersion();
  ASSERT_FALSE(v.data.empty());
  WORD* translation = nullptr;
  UINT len = 0;
  ASSERT_TRUE(::VerQueryValueA(v.data.data(), "\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&translation), &len));
  ASSERT_EQ(len, 4u) << "one language and code page";
  EXPECT_EQ(translation[0], 0x0409);
  EXPECT_EQ(translation[1], 1252);

  struct Expected {
    const char* key;
    const char* value;
  };
  static constexpr Expected kStrings[] = {
      {"CompanyName", "Cordane"},
      {"FileDescription", "Tarno Mail Server Setup"},
      {"FileVersion", "8.3.8"},
      {"InternalName", "setup.exe"},
      {"OriginalFilename", "setup.exe"},
      {"ProductName", "Tarno Mail Server"},
      {"ProductVersion", "8.3.8"},
  };
  for (const Expected& e : kStrings) EXPECT_EQ(v.String(e.key), e.value) << e.key;
  std::string copyright = v.String("LegalCopyright");
  EXPECT_EQ(copyright.rfind("Copyright", 0), 0u) << copyright;
  EXPECT_NE(copyright.find("Cordane"), std::string::npos) << copyright;
}

// The manifest.

// The text of the first element (from "<" to ">") that contains `needle`;
// empty when there is none.
std::string ElementWith(const std::string& xml, const std::string& needle) {
  size_t at = xml.find(needle);
  if (at == std::string::npos) return {};
  size_t open = xml.rfind('<', at), close = xml.find('>', at);
  if (open == std::string::npos || close == std::string::npos) return {};
  return xml.substr(open, close - open + 1);
}

size_t Count(const std::string& text, const std::string& needle) {
  size_t n = 0;
  for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) ++n;
  return n;
}

TEST(Manifest, IsTheOnlyManifestResource) {
  EXPECT_EQ(NamesOfType(RT_MANIFEST), std::vector<std::string>{"#1"})
      << "actual " << Joined(NamesOfType(RT_MANIFEST));
  std::vector<WORD> languages;
  ::EnumResourceLanguagesA(Self(), RT_MANIFEST, MAKEINTRESOURCEA(1), CollectLanguage,
                           reinterpret_cast<LONG_PTR>(&languages));
  EXPECT_EQ(languages.size(), 1u) << "a second manifest in another language";
}

TEST(Manifest, AsksForAdministratorAndCommonControls6) {
  const std::string xml = ResourceBytes(MAKEINTRESOURCEA(1), RT_MANIFEST);
  ASSERT_FALSE(xml.empty()) << "no manifest resource 1";
  SCOPED_TRACE(xml);
  EXPECT_EQ(xml.rfind("<?xml", 0), 0u);

  std::string level = ElementWith(xml, "<requestedExecutionLevel");
  EXPECT_NE(level.find("level=\"requireAdministrator\""), std::string::npos) << level;
  EXPECT_NE(level.find("uiAccess=\"false\""), std::string::npos) << level;
  EXPECT_EQ(Count(xml, "<requestedExecutionLevel"), 1u);

  std::string controls = ElementWith(xml, "name=\"Microsoft.Windows.Common-Controls\"");
  ASSERT_FALSE(controls.empty());
  EXPECT_EQ(controls.rfind("<assemblyIdentity", 0), 0u) << controls;
  EXPECT_NE(controls.find("version=\"6.0.0.0\""), std::string::npos) << controls;
  EXPECT_NE(controls.find("publicKeyToken=\"6595b64144ccf1df\""), std::string::npos) << controls;
  EXPECT_TRUE(controls.find("processorArchitecture=\"x86\"") != std::string::npos ||
              controls.find("processorArchitecture=\"*\"") != std::string::npos)
      << controls;

  static constexpr const char* kSupportedOs[] = {
      "{e2011457-1546-43c5-a5fe-008deee3d3f0}",  // Vista
      "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  // 7
      "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  // 8
      "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  // 8.1
      "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  // 10 and 11
  };
  for (const char* id : kSupportedOs)
    EXPECT_EQ(Count(xml, std::string("<supportedOS Id=\"") + id + "\"/>"), 1u) << id;
  EXPECT_EQ(Count(xml, "<supportedOS"), std::size(kSupportedOs));

  std::string dpi = ElementWith(xml, "<dpiAware");
  EXPECT_NE(dpi.find("http://schemas.microsoft.com/SMI/2005/WindowsSettings"), std::string::npos)
      << dpi;
  EXPECT_NE(xml.find(">true</dpiAware>"), std::string::npos);
}

// The manifest is not only present but in force: the process's activation
// context sends comctl32 to the side-by-side version 6 assembly instead of
// the system directory's version 5. (The path is what tells: Wine 8's
// comctl32 reports 5.81 from DllGetVersion in either place.)
TEST(Manifest, LoadsCommonControls6FromSideBySide) {
  win32::ScopedModule comctl(::LoadLibraryA("comctl32.dll"));
  ASSERT_TRUE(comctl) << "LoadLibrary comctl32, error " << ::GetLastError();
  char path[MAX_PATH] = {};
  ASSERT_NE(::GetModuleFileNameA(comctl.get(), path, MAX_PATH), 0u);
  std::string lower = path;
  for (char& ch : lower) ch = static_cast<char>(::tolower(static_cast<unsigned char>(ch)));
  // The assembly of the process's own architecture (the x86-64 build runs the
  // same tests where 32-bit code cannot run).
  const std::string arch = sizeof(void*) == 8 ? "amd64_" : "x86_";
  EXPECT_NE(lower.find("\\winsxs\\" + arch + "microsoft.windows.common-controls_6595b64144ccf1df_6."),
            std::string::npos)
      << path;
}

}  // namespace
