// The setup data reader and the extraction rules on arbitrary bytes, as
// ExtractDataFile meets a damaged or hostile container. Every name that
// reaches the destination is checked here independently of the reader's own
// rule: it must stay inside the destination. Reading ahead on a second
// thread must not change the outcome.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "engine/setup_data_extract.h"
#include "engine/setup_data_reader.h"

namespace {

// Inflated data beyond this is refused (a write error ends the read), so that
// a small input that inflates to gigabytes does not stall the fuzzer.
constexpr uint64_t kMaxWritten = 8u << 20;

bool LeavesDestination(const std::string& name) {
  if (name.empty() || name[0] == '\\' || name[0] == '/') return true;
  if (name.find(':') != std::string::npos) return true;
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = name.find_first_of("\\/", start);
    if (end == std::string::npos) end = name.size();
    std::string segment = name.substr(start, end - start);
    while (!segment.empty() && (segment.back() == ' ' || segment.back() == '.')) segment.pop_back();
    if (segment.empty() && end > start && name.substr(start, end - start).find('.') != std::string::npos) return true;
    start = end + 1;
  }
  return false;
}

class BoundedSink final : public engine::EntrySink {
 public:
  explicit BoundedSink(uint64_t& total) : total_(total) {}
  bool Write(const void*, size_t size) override {
    if (size == 0 || size > (1u << 18)) __builtin_trap();  // pieces are bounded
    if (total_ + size > kMaxWritten) return false;
    total_ += size;
    return true;
  }
  bool Truncate() override { return true; }
  bool Close() override { return true; }

 private:
  uint64_t& total_;
};

class CheckingTarget final : public engine::ExtractTarget {
 public:
  explicit CheckingTarget(uint8_t existing) : existing_(existing) {}
  bool FileExists(const std::string& name) override {
    if (LeavesDestination(name)) __builtin_trap();
    return !name.empty() && (static_cast<uint8_t>(name[0]) & existing_) != 0;
  }
  std::unique_ptr<engine::EntrySink> CreateTarget(const std::string& name) override {
    if (LeavesDestination(name) || engine::IsEndOfContainerName(name)) __builtin_trap();
    if (name.size() == 7) return nullptr;  // some targets cannot be created
    return std::make_unique<BoundedSink>(written_);
  }

 private:
  uint8_t existing_;
  uint64_t written_ = 0;
};

bool SameReport(const engine::ExtractReport& a, const engine::ExtractReport& b) {
  return a.result == b.result && a.stop == b.stop && a.stopEntry.name == b.stopEntry.name &&
         a.stopEntry.offset == b.stopEntry.offset && a.entries == b.entries && a.written == b.written &&
         a.notSelected == b.notSelected && a.inflateFailures == b.inflateFailures &&
         a.dataTruncated == b.dataTruncated && a.bytesWritten == b.bytesWritten;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::span<const unsigned char> bytes(data, size);

  // The extraction with each overwrite rule.
  for (int rule = 0; rule < 3; ++rule) {
    engine::MemorySource source(bytes);
    CheckingTarget target(size != 0 ? data[size - 1] : 0);
    engine::ExtractRules rules;
    rules.overwriteAll = rule == 0;
    rules.keepList = rule == 2 ? ";slapd.conf;schema\\core.schema;a;" : "";
    rules.includeList = rule == 2 && size % 2 != 0 ? "a;b\\c;slapd.conf" : "";
    engine::ExtractReport report = engine::ExtractEntries(source, target, rules);
    if (report.written > report.entries) __builtin_trap();
    if (report.stop == engine::ExtractStop::kHeaderReadError) __builtin_trap();  // memory never fails
  }

  // Read ahead on a second thread, the extraction must come out the same.
  {
    engine::ExtractRules rules;
    rules.includeList = size % 2 != 0 ? "a;b\\c;slapd.conf" : "";
    engine::MemorySource inlineSource(bytes);
    engine::MemorySource aheadSource(bytes);
    CheckingTarget inlineTarget(0);
    CheckingTarget aheadTarget(0);
    engine::ExtractReport inlineReport = engine::ExtractEntries(inlineSource, inlineTarget, rules, {},
                                                                engine::ExtractReading::kInline);
    engine::ExtractReport aheadReport =
        engine::ExtractEntries(aheadSource, aheadTarget, rules, {}, engine::ExtractReading::kAhead);
    if (!SameReport(inlineReport, aheadReport)) __builtin_trap();
  }

  // A plain walk that skips every data part: it must see the same entries.
  engine::MemorySource source(bytes);
  engine::SetupDataReader reader(source);
  reader.ReadHeader();
  engine::DataFileEntryInfo entry;
  uint64_t last = 0;
  while (reader.Next(entry) == engine::SetupDataReader::NextStatus::kEntry) {
    if (entry.offset < last || entry.offset > size || entry.size < 0) __builtin_trap();
    last = entry.offset;
    reader.ReadData(nullptr);
  }
  if (reader.position() > size) __builtin_trap();
  return 0;
}
