#include "pe_resources.h"

#include <algorithm>
#include <map>
#include <stdexcept>
#include <vector>

namespace tools {
namespace {

// A layout the image cannot have; its text is the reason given to the caller.
struct Malformed : std::runtime_error {
  using std::runtime_error::runtime_error;
};

uint16_t Get16(const std::string& b, size_t at) {
  if (at > b.size() || b.size() - at < 2) throw Malformed("the image ends inside a header it names");
  return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8);
}

uint32_t Get32(const std::string& b, size_t at) { return Get16(b, at) | static_cast<uint32_t>(Get16(b, at + 2)) << 16; }

void Put16(std::string& b, size_t at, uint16_t value) {
  b[at] = static_cast<char>(value & 0xff);
  b[at + 1] = static_cast<char>(value >> 8);
}

void Put32(std::string& b, size_t at, uint32_t value) {
  Put16(b, at, static_cast<uint16_t>(value & 0xffff));
  Put16(b, at + 2, static_cast<uint16_t>(value >> 16));
}

uint64_t AlignUp(uint64_t value, uint32_t alignment) { return (value + alignment - 1) / alignment * alignment; }

char16_t Upper(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c; }

// The order of a resource directory's entries, which the loader searches by
// halving: names first, compared in upper case, then numbers, ascending.
struct IdOrder {
  bool operator()(const ResourceId& a, const ResourceId& b) const {
    if (a.named != b.named) return a.named;
    if (!a.named) return a.number < b.number;
    return std::lexicographical_compare(a.name.begin(), a.name.end(), b.name.begin(), b.name.end(),
                                        [](char16_t x, char16_t y) { return Upper(x) < Upper(y); });
  }
};

// A resource's data: where it lies in the image, or (added) its bytes.
struct Leaf {
  uint32_t rva = 0, size = 0, code_page = 0;
  std::optional<std::string> data;
};
using Languages = std::map<ResourceId, Leaf, IdOrder>;
using Names = std::map<ResourceId, Languages, IdOrder>;
using Types = std::map<ResourceId, Names, IdOrder>;

struct Section {
  uint32_t virtual_size, virtual_address, raw_size, raw_pointer;
};

constexpr size_t kSectionHeaderSize = 40;
constexpr uint32_t kResourceDirectory = 2, kSecurityDirectory = 4;

struct Headers {
  size_t coff = 0, optional = 0, directories = 0, section_table = 0;
  uint32_t directory_count = 0, section_alignment = 0, file_alignment = 0, size_of_headers = 0;
  std::vector<Section> sections;

  uint32_t DirectoryAddress(const std::string& b, uint32_t index) const {
    return index < directory_count ? Get32(b, directories + 8 * index) : 0;
  }
  uint32_t DirectorySize(const std::string& b, uint32_t index) const {
    return index < directory_count ? Get32(b, directories + 8 * index + 4) : 0;
  }
  // Where `size` bytes at `rva` lie in the file; they must lie within the
  // raw data of one section.
  size_t FileOffset(uint32_t rva, uint32_t size) const {
    for (const Section& s : sections)
      if (rva >= s.virtual_address && uint64_t(rva) + size <= uint64_t(s.virtual_address) + s.raw_size)
        return size_t(s.raw_pointer) + (rva - s.virtual_address);
    throw Malformed("a resource address outside the image's sections");
  }
};

bool PowerOfTwo(uint32_t value) { return value != 0 && (value & (value - 1)) == 0; }

Headers ReadHeaders(const std::string& b) {
  if (b.size() < 0x40 || b.compare(0, 2, "MZ") != 0) throw Malformed("not a Windows program (no MZ header)");
  Headers h;
  const uint32_t pe = Get32(b, 0x3c);
  if (Get32(b, pe) != 0x00004550) throw Malformed("not a PE image");
  h.coff = pe + 4;
  const uint16_t section_count = Get16(b, h.coff + 2);
  const uint16_t optional_size = Get16(b, h.coff + 16);
  h.optional = h.coff + 20;
  const uint16_t magic = Get16(b, h.optional);
  if (magic != 0x10b && magic != 0x20b) throw Malformed("neither a PE32 nor a PE32+ image");
  const bool plus = magic == 0x20b;
  h.section_alignment = Get32(b, h.optional + 32);
  h.file_alignment = Get32(b, h.optional + 36);
  h.size_of_headers = Get32(b, h.optional + 60);
  if (!PowerOfTwo(h.section_alignment) || !PowerOfTwo(h.file_alignment))
    throw Malformed("the image's alignments are no powers of two");
  h.directory_count = Get32(b, h.optional + (plus ? 108 : 92));
  h.directories = h.optional + (plus ? 112 : 96);
  if (h.directory_count > 16 || h.directories + 8 * size_t(h.directory_count) > h.optional + optional_size)
    throw Malformed("the image's data directories do not fit its optional header");
  if (h.directory_count <= kResourceDirectory) throw Malformed("the image has no resource directory entry");
  h.section_table = h.optional + optional_size;
  for (uint16_t k = 0; k < section_count; ++k) {
    const size_t at = h.section_table + kSectionHeaderSize * k;
    h.sections.push_back({Get32(b, at + 8), Get32(b, at + 12), Get32(b, at + 16), Get32(b, at + 20)});
    if (uint64_t(h.sections.back().raw_pointer) + h.sections.back().raw_size > b.size())
      throw Malformed("a section's data lies beyond the end of the file");
  }
  return h;
}

// Reads the resource directory: three levels (type, name, language) of
// directories whose offsets count from the directory's start.
class TreeReader {
 public:
  TreeReader(const std::string& b, const Headers& h) : b_(b), h_(h), root_(h.DirectoryAddress(b, kResourceDirectory)) {}

  Types Read() {
    Types types;
    if (root_ == 0) return types;
    for (const Entry& type : Entries(0, true)) {
      Names& names = Insert(types, type.id);
      for (const Entry& name : Entries(type.target, true)) {
        Languages& languages = Insert(names, name.id);
        for (const Entry& language : Entries(name.target, false)) {
          const size_t at = At(language.target, 16);
          Insert(languages, language.id) = Leaf{Get32(b_, at), Get32(b_, at + 4), Get32(b_, at + 8), std::nullopt};
        }
      }
    }
    return types;
  }

 private:
  struct Entry {
    ResourceId id;
    uint32_t target;
  };

  size_t At(uint32_t offset, uint32_t size) const {
    if (offset > UINT32_MAX - root_) throw Malformed("a resource offset beyond the image");
    return h_.FileOffset(root_ + offset, size);
  }

  template <class Map>
  static typename Map::mapped_type& Insert(Map& map, const ResourceId& id) {
    auto [where, inserted] = map.try_emplace(id);
    if (!inserted) throw Malformed("a resource directory lists one entry twice");
    return where->second;
  }

  std::vector<Entry> Entries(uint32_t offset, bool directories) {
    const size_t at = At(offset, 16);
    const uint32_t count = uint32_t(Get16(b_, at + 12)) + Get16(b_, at + 14);
    const size_t first = At(offset + 16, 8 * count);
    std::vector<Entry> entries;
    for (uint32_t k = 0; k < count; ++k) {
      const uint32_t name = Get32(b_, first + 8 * k), target = Get32(b_, first + 8 * k + 4);
      if (((target & 0x80000000u) != 0) != directories)
        throw Malformed("a resource directory entry of the wrong kind for its level");
      Entry entry{{}, target & 0x7fffffffu};
      if (name & 0x80000000u) {
        const uint32_t string = name & 0x7fffffffu;
        const uint16_t length = Get16(b_, At(string, 2));
        const size_t chars = At(string + 2, 2u * length);
        entry.id.named = true;
        for (uint16_t c = 0; c < length; ++c) entry.id.name += static_cast<char16_t>(Get16(b_, chars + 2 * c));
      } else {
        if (name > 0xffff) throw Malformed("a resource number above 65535");
        entry.id.number = static_cast<uint16_t>(name);
      }
      entries.push_back(std::move(entry));
    }
    return entries;
  }

  const std::string& b_;
  const Headers& h_;
  uint32_t root_;
};

// Lays out a resource directory for the section at `section_rva`: all
// directories, then the names, then the data entries, then the data of the
// added resources. Existing data entries keep their addresses.
std::string WriteTree(const Types& types, uint32_t section_rva) {
  size_t directories = 16 + 8 * types.size(), strings = 0, leaves = 0;
  auto count_name = [&](const ResourceId& id) { strings += id.named ? 2 + 2 * id.name.size() : 0; };
  for (const auto& [type, names] : types) {
    count_name(type);
    directories += 16 + 8 * names.size();
    for (const auto& [name, languages] : names) {
      count_name(name);
      directories += 16 + 8 * languages.size();
      for (const auto& [language, leaf] : languages) {
        count_name(language);
        ++leaves;
      }
    }
  }
  const size_t entries_at = AlignUp(directories + strings, 4);
  std::string out(AlignUp(entries_at + 16 * leaves, 8), '\0');
  size_t next_directory = 0, next_string = directories, next_entry = entries_at;

  auto directory = [&](const auto& map) {
    const size_t at = next_directory;
    next_directory += 16 + 8 * map.size();
    const auto named = std::count_if(map.begin(), map.end(), [](const auto& item) { return item.first.named; });
    Put16(out, at + 12, static_cast<uint16_t>(named));
    Put16(out, at + 14, static_cast<uint16_t>(map.size() - named));
    return at;
  };
  auto name_field = [&](const ResourceId& id) -> uint32_t {
    if (!id.named) return id.number;
    const size_t at = next_string;
    Put16(out, at, static_cast<uint16_t>(id.name.size()));
    for (size_t c = 0; c < id.name.size(); ++c) Put16(out, at + 2 + 2 * c, id.name[c]);
    next_string += 2 + 2 * id.name.size();
    return 0x80000000u | static_cast<uint32_t>(at);
  };
  auto data_entry = [&](const Leaf& leaf) {
    const size_t at = next_entry;
    next_entry += 16;
    uint32_t rva = leaf.rva, size = leaf.size;
    if (leaf.data) {
      out.resize(AlignUp(out.size(), 8), '\0');
      rva = section_rva + static_cast<uint32_t>(out.size());
      size = static_cast<uint32_t>(leaf.data->size());
      out += *leaf.data;
    }
    Put32(out, at, rva);
    Put32(out, at + 4, size);
    Put32(out, at + 8, leaf.code_page);
    return static_cast<uint32_t>(at);
  };
  auto entry = [&](size_t directory_at, size_t index, uint32_t name, uint32_t target) {
    Put32(out, directory_at + 16 + 8 * index, name);
    Put32(out, directory_at + 16 + 8 * index + 4, target);
  };

  const size_t root = directory(types);
  size_t t = 0;
  for (const auto& [type, names] : types) {
    const size_t type_at = directory(names);
    entry(root, t++, name_field(type), 0x80000000u | static_cast<uint32_t>(type_at));
    size_t n = 0;
    for (const auto& [name, languages] : names) {
      const size_t name_at = directory(languages);
      entry(type_at, n++, name_field(name), 0x80000000u | static_cast<uint32_t>(name_at));
      size_t l = 0;
      for (const auto& [language, leaf] : languages) entry(name_at, l++, name_field(language), data_entry(leaf));
    }
  }
  return out;
}

}  // namespace

ResourceId ResourceId::Name(std::string_view name) {
  ResourceId id;
  id.named = true;
  for (char c : name) id.name += Upper(static_cast<char16_t>(static_cast<unsigned char>(c)));
  return id;
}

uint32_t PeChecksum(const std::string& image) {
  size_t checksum_at = SIZE_MAX;
  try {
    checksum_at = ReadHeaders(image).optional + 64;
  } catch (const Malformed&) {
  }
  uint64_t sum = 0;
  for (size_t at = 0; at < image.size(); at += 2) {
    if (at == checksum_at || at == checksum_at + 2) continue;
    uint32_t word = static_cast<uint8_t>(image[at]);
    if (at + 1 < image.size()) word |= uint32_t(static_cast<uint8_t>(image[at + 1])) << 8;
    sum += word;
    sum = (sum & 0xffff) + (sum >> 16);
  }
  sum = (sum & 0xffff) + (sum >> 16);
  return static_cast<uint32_t>(sum + image.size());
}

std::string AddPeResource(std::string& image, const ResourceId& type, const ResourceId& name, uint16_t language,
                          std::string_view data) {
  try {
    const Headers h = ReadHeaders(image);
    if (h.DirectoryAddress(image, kSecurityDirectory) != 0 || h.DirectorySize(image, kSecurityDirectory) != 0)
      return "the program is signed already: resources are written before signing";
    const size_t slot = h.section_table + kSectionHeaderSize * h.sections.size();
    size_t first_data = h.size_of_headers;
    for (const Section& s : h.sections)
      if (s.raw_size != 0) first_data = std::min<size_t>(first_data, s.raw_pointer);
    if (slot + kSectionHeaderSize > first_data || slot + kSectionHeaderSize > image.size() ||
        image.find_first_not_of('\0', slot) < slot + kSectionHeaderSize)
      return "the program's headers have no room for one more section";
    if (h.sections.size() >= 0xffff) return "the program has the most sections an image can have";

    Types types = TreeReader(image, h).Read();
    types[type][name][ResourceId::Number(language)] = Leaf{0, 0, 0, std::string(data)};

    uint64_t end = 0;
    for (const Section& s : h.sections)
      end = std::max(end, uint64_t(s.virtual_address) + AlignUp(s.virtual_size ? s.virtual_size : s.raw_size,
                                                                 h.section_alignment));
    const uint64_t section_rva = AlignUp(end, h.section_alignment);
    if (section_rva > UINT32_MAX / 2) return "the program's image is too large";
    const std::string tree = WriteTree(types, static_cast<uint32_t>(section_rva));
    const uint64_t raw_size = AlignUp(tree.size(), h.file_alignment);
    const uint64_t raw_pointer = AlignUp(image.size(), h.file_alignment);
    if (raw_pointer + raw_size > UINT32_MAX) return "the program would grow beyond 4 GiB";

    std::string header(kSectionHeaderSize, '\0');
    header.replace(0, 6, ".rsrc2");
    Put32(header, 8, static_cast<uint32_t>(tree.size()));
    Put32(header, 12, static_cast<uint32_t>(section_rva));
    Put32(header, 16, static_cast<uint32_t>(raw_size));
    Put32(header, 20, static_cast<uint32_t>(raw_pointer));
    Put32(header, 36, 0x40000040u);  // initialised data, readable

    image.resize(raw_pointer, '\0');
    image += tree;
    image.resize(raw_pointer + raw_size, '\0');
    image.replace(slot, kSectionHeaderSize, header);
    Put16(image, h.coff + 2, static_cast<uint16_t>(h.sections.size() + 1));
    Put32(image, h.optional + 8, static_cast<uint32_t>(Get32(image, h.optional + 8) + raw_size));  // initialised data
    Put32(image, h.optional + 56, static_cast<uint32_t>(section_rva + AlignUp(tree.size(), h.section_alignment)));
    Put32(image, h.directories + 8 * kResourceDirectory, static_cast<uint32_t>(section_rva));
    Put32(image, h.directories + 8 * kResourceDirectory + 4, static_cast<uint32_t>(tree.size()));
    Put32(image, h.optional + 64, PeChecksum(image));
    return std::string();
  } catch (const Malformed& e) {
    return e.what();
  }
}

std::optional<std::string> ReadPeResource(const std::string& image, const ResourceId& type, const ResourceId& name,
                                          uint16_t language) {
  try {
    const Headers h = ReadHeaders(image);
    const Types types = TreeReader(image, h).Read();
    const auto t = types.find(type);
    if (t == types.end()) return std::nullopt;
    const auto n = t->second.find(name);
    if (n == t->second.end()) return std::nullopt;
    const auto l = n->second.find(ResourceId::Number(language));
    if (l == n->second.end()) return std::nullopt;
    return image.substr(h.FileOffset(l->second.rva, l->second.size), l->second.size);
  } catch (const Malformed&) {
    return std::nullopt;
  }
}

}  // namespace tools
