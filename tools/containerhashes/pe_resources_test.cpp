// Resources added to a finished program image: the image's own resources
// stay readable where they were, the added one reads back, the headers the
// loader uses are consistent, entries are in the order the loader searches,
// and images that cannot take a resource are left unchanged. The images are
// small PE32 and PE32+ images made here; the Windows build's tests load the
// real setup.exe with its added resource.
#include "pe_resources.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tools {
namespace {

uint32_t Get32(const std::string& b, size_t at) {
  return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8 | uint32_t(uint8_t(b[at + 2])) << 16 |
         uint32_t(uint8_t(b[at + 3])) << 24;
}
uint16_t Get16(const std::string& b, size_t at) { return uint16_t(uint8_t(b[at]) | uint8_t(b[at + 1]) << 8); }
void Put32(std::string& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = char(v >> (8 * i));
}
void Put16(std::string& b, size_t at, uint16_t v) {
  b[at] = char(v & 0xff);
  b[at + 1] = char(v >> 8);
}

constexpr size_t kPe = 0x40, kCoff = kPe + 4, kOptional = kCoff + 20;
constexpr uint32_t kOldResourceRva = 0x2000;

// The resource section of the images: type 3 (icon) number 1, language
// 1033, "icon bytes"; type "TEXTS" number 7, language 0, "named type".
std::string OldResourceSection() {
  std::string s(0x200, '\0');
  auto directory = [&](size_t at, uint16_t named, uint16_t ids) {
    Put16(s, at + 12, named);
    Put16(s, at + 14, ids);
  };
  auto entry = [&](size_t at, uint32_t name, uint32_t target) {
    Put32(s, at, name);
    Put32(s, at + 4, target);
  };
  directory(0, 1, 1);                        // root: "TEXTS", 3
  entry(16, 0x80000000u | 0x100, 0x80000000u | 40);
  entry(24, 3, 0x80000000u | 64);
  directory(40, 0, 1);                       // TEXTS: 7
  entry(56, 7, 0x80000000u | 88);
  directory(64, 0, 1);                       // 3: 1
  entry(80, 1, 0x80000000u | 112);
  directory(88, 0, 1);                       // TEXTS/7: language 0
  entry(104, 0, 0x140);
  directory(112, 0, 1);                      // 3/1: language 1033
  entry(128, 1033, 0x150);
  const std::u16string texts = u"TEXTS";
  Put16(s, 0x100, uint16_t(texts.size()));
  for (size_t c = 0; c < texts.size(); ++c) Put16(s, 0x102 + 2 * c, texts[c]);
  auto leaf = [&](size_t at, size_t data_at, const std::string& data) {
    Put32(s, at, kOldResourceRva + uint32_t(data_at));
    Put32(s, at + 4, uint32_t(data.size()));
    s.replace(data_at, data.size(), data);
  };
  leaf(0x140, 0x180, "named type");
  leaf(0x150, 0x1a0, "icon bytes");
  return s;
}

// A program image with .text at 0x1000 and, when asked, .rsrc at 0x2000;
// `headers_size` is where the first section's data begins.
std::string MakeImage(bool plus, bool resources, uint32_t headers_size = 0x400) {
  const uint16_t optional_size = plus ? 240 : 224;
  std::string b(headers_size, '\0');
  b[0] = 'M';
  b[1] = 'Z';
  Put32(b, 0x3c, kPe);
  b.replace(kPe, 4, std::string("PE\0\0", 4));
  const uint16_t sections = resources ? 2 : 1;
  Put16(b, kCoff, plus ? 0x8664 : 0x14c);
  Put16(b, kCoff + 2, sections);
  Put16(b, kCoff + 16, optional_size);
  Put16(b, kOptional, plus ? 0x20b : 0x10b);
  Put32(b, kOptional + 8, resources ? 0x200 : 0);  // initialised data
  Put32(b, kOptional + 32, 0x1000);
  Put32(b, kOptional + 36, 0x200);
  Put32(b, kOptional + 56, resources ? 0x3000 : 0x2000);
  Put32(b, kOptional + 60, headers_size);
  Put32(b, kOptional + (plus ? 108 : 92), 16);
  const size_t directories = kOptional + (plus ? 112 : 96);
  const size_t table = kOptional + optional_size;
  auto section = [&](size_t index, const char* name, uint32_t rva, uint32_t raw_pointer) {
    const size_t at = table + 40 * index;
    b.replace(at, std::string(name).size(), name);
    Put32(b, at + 8, 0x200);
    Put32(b, at + 12, rva);
    Put32(b, at + 16, 0x200);
    Put32(b, at + 20, raw_pointer);
  };
  section(0, ".text", 0x1000, headers_size);
  b += std::string(0x200, '\xcc');
  if (resources) {
    section(1, ".rsrc", kOldResourceRva, headers_size + 0x200);
    b += OldResourceSection();
    Put32(b, directories + 16, kOldResourceRva);
    Put32(b, directories + 20, 0x1c0);
  }
  return b;
}

size_t Directories(const std::string& image) { return kOptional + (Get16(image, kOptional) == 0x20b ? 112 : 96); }

std::string Read(const std::string& image, const ResourceId& type, const ResourceId& name, uint16_t language) {
  return ReadPeResource(image, type, name, language).value_or("<none>");
}

class PeResourcesTest : public ::testing::TestWithParam<bool> {};

TEST_P(PeResourcesTest, AddedResourceReadsBackAndTheOldOnesStay) {
  const std::string before = MakeImage(GetParam(), true);
  std::string image = before;
  const ResourceId rcdata = ResourceId::Number(kResourceTypeRcData);
  ASSERT_EQ(AddPeResource(image, rcdata, ResourceId::Name("container_sha256"), kLanguageNeutral, "the list\n"), "");

  EXPECT_EQ(Read(image, rcdata, ResourceId::Name("CONTAINER_SHA256"), 0), "the list\n");
  EXPECT_EQ(Read(image, rcdata, ResourceId::Name("Container_Sha256"), 0), "the list\n") << "names ignore case";
  EXPECT_EQ(Read(image, ResourceId::Number(3), ResourceId::Number(1), 1033), "icon bytes");
  EXPECT_EQ(Read(image, ResourceId::Name("texts"), ResourceId::Number(7), 0), "named type");
  EXPECT_EQ(Read(before, ResourceId::Number(3), ResourceId::Number(1), 1033), "icon bytes") << "the test's image";

  // One section more, at the end of the image and of the file, holding the
  // directory the image now names; the old sections' bytes are unchanged.
  ASSERT_EQ(Get16(image, kCoff + 2), 3);
  const size_t table = kOptional + Get16(image, kCoff + 16);
  const size_t added = table + 2 * 40;
  EXPECT_EQ(image.substr(added, 6), ".rsrc2");
  const uint32_t rva = Get32(image, added + 12), raw_size = Get32(image, added + 16), raw = Get32(image, added + 20);
  EXPECT_EQ(rva, 0x3000u);
  EXPECT_EQ(raw, before.size());
  EXPECT_EQ(raw_size % 0x200, 0u);
  EXPECT_EQ(image.size(), size_t(raw) + raw_size);
  EXPECT_EQ(Get32(image, added + 36), 0x40000040u);
  EXPECT_EQ(Get32(image, Directories(image) + 16), rva);
  EXPECT_EQ(Get32(image, Directories(image) + 20), Get32(image, added + 8));
  EXPECT_EQ(Get32(image, kOptional + 56), rva + ((Get32(image, added + 8) + 0xfff) & ~0xfffu)) << "SizeOfImage";
  EXPECT_EQ(Get32(image, kOptional + 8), 0x200u + raw_size) << "SizeOfInitializedData";
  EXPECT_EQ(Get32(image, kOptional + 64), PeChecksum(image));
  EXPECT_NE(Get32(image, kOptional + 64), 0u);
  EXPECT_EQ(image.substr(0x400, 0x400), before.substr(0x400, 0x400)) << "the sections' data moved or changed";
}

TEST_P(PeResourcesTest, ImageWithoutResources) {
  std::string image = MakeImage(GetParam(), false);
  ASSERT_EQ(AddPeResource(image, ResourceId::Number(10), ResourceId::Number(5), 1033, "five"), "");
  EXPECT_EQ(Read(image, ResourceId::Number(10), ResourceId::Number(5), 1033), "five");
  EXPECT_EQ(Read(image, ResourceId::Number(10), ResourceId::Number(5), 0), "<none>") << "another language";
  EXPECT_EQ(Read(image, ResourceId::Number(10), ResourceId::Number(6), 1033), "<none>");
}

// Added again, the resource is replaced; its old data is no longer named.
TEST_P(PeResourcesTest, AddingTheSameResourceReplacesIt) {
  std::string image = MakeImage(GetParam(), true);
  const ResourceId rcdata = ResourceId::Number(kResourceTypeRcData), name = ResourceId::Name("LIST");
  ASSERT_EQ(AddPeResource(image, rcdata, name, 0, "first"), "");
  ASSERT_EQ(AddPeResource(image, rcdata, ResourceId::Name("list"), 0, "second, longer"), "");
  EXPECT_EQ(Read(image, rcdata, name, 0), "second, longer");
  EXPECT_EQ(Read(image, ResourceId::Number(3), ResourceId::Number(1), 1033), "icon bytes");
}

INSTANTIATE_TEST_SUITE_P(Formats, PeResourcesTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "Pe32Plus" : "Pe32"; });

// The loader halves the entries of a directory to find one: names first in
// upper-case order, then numbers ascending.
TEST(PeResourcesOrderTest, EntriesAreInTheOrderTheLoaderSearches) {
  std::string image = MakeImage(false, true);
  const ResourceId rcdata = ResourceId::Number(kResourceTypeRcData);
  for (const ResourceId& name : {ResourceId::Number(9), ResourceId::Name("beta"), ResourceId::Number(2),
                                 ResourceId::Name("ALPHA"), ResourceId::Name("alphabet")})
    ASSERT_EQ(AddPeResource(image, rcdata, name, 0, "x"), "");
  // The last section holds the directory; offsets count from its start.
  const size_t table = kOptional + Get16(image, kCoff + 16);
  const size_t last = table + 40 * (Get16(image, kCoff + 2) - 1);
  const std::string tree = image.substr(Get32(image, last + 20), Get32(image, last + 8));
  auto entries = [&](size_t directory) {
    std::vector<std::string> names;
    const size_t count = Get16(tree, directory + 12) + Get16(tree, directory + 14);
    for (size_t k = 0; k < count; ++k) {
      const uint32_t name = Get32(tree, directory + 16 + 8 * k);
      if (name & 0x80000000u) {
        const size_t at = name & 0x7fffffffu;
        std::string text;
        for (size_t c = 0; c < Get16(tree, at); ++c) text += char(Get16(tree, at + 2 + 2 * c));
        names.push_back(text);
      } else {
        names.push_back(std::to_string(name));
      }
    }
    return names;
  };
  EXPECT_EQ(entries(0), (std::vector<std::string>{"TEXTS", "3", "10"}));
  EXPECT_EQ(Get16(tree, 12), 1) << "named entries of the root";
  const uint32_t rcdata_directory = Get32(tree, 16 + 8 * 2 + 4) & 0x7fffffffu;
  EXPECT_EQ(entries(rcdata_directory), (std::vector<std::string>{"ALPHA", "ALPHABET", "BETA", "2", "9"}));
}

TEST(PeResourcesRefusalTest, ImagesThatCannotTakeAResourceStayUnchanged) {
  struct Case {
    const char* what;
    std::string image;
    const char* reason;
  };
  std::string signed_image = MakeImage(false, true);
  Put32(signed_image, Directories(signed_image) + 8 * 4, 0x600);
  Put32(signed_image, Directories(signed_image) + 8 * 4 + 4, 0x100);
  // The section table ends where the first section's data begins.
  const uint32_t tight = uint32_t(kOptional + 224 + 2 * 40);
  std::string not_pe = MakeImage(false, true);
  not_pe[kPe + 1] = 'X';
  const Case cases[] = {
      {"text", "just some text", "not a Windows program (no MZ header)"},
      {"no PE signature", not_pe, "not a PE image"},
      {"signed", signed_image, "the program is signed already: resources are written before signing"},
      {"no room", MakeImage(false, true, tight), "the program's headers have no room for one more section"},
  };
  for (const Case& c : cases) {
    std::string image = c.image;
    EXPECT_EQ(AddPeResource(image, ResourceId::Number(10), ResourceId::Number(1), 0, "data"), c.reason) << c.what;
    EXPECT_EQ(image, c.image) << c.what << ": changed";
  }
  std::string room = MakeImage(false, true, tight + 40);
  EXPECT_EQ(AddPeResource(room, ResourceId::Number(10), ResourceId::Number(1), 0, "data"), "") << "room for one more";
}

// The loader's checksum: 16-bit words added with their carries folded back,
// the CheckSum field left out, the file's length added.
TEST(PeChecksumTest, KnownSums) {
  std::string image = MakeImage(false, false);
  const uint32_t sum = PeChecksum(image);
  Put32(image, kOptional + 64, 0xdeadbeef);
  EXPECT_EQ(PeChecksum(image), sum) << "the CheckSum field itself does not count";
  EXPECT_EQ(PeChecksum(std::string("\x01\x00\x02\x00", 4)), 3u + 4u);
  EXPECT_EQ(PeChecksum(std::string("\xff\xff\x02\x00\x07", 5)), 2u + 7u + 5u) << "a carry folded back, an odd byte";
}

}  // namespace
}  // namespace tools
