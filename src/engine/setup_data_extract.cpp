#include "engine/setup_data_extract.h"

#include <algorithm>

#include "engine/path_text.h"
#include "engine/read_ahead_reader.h"

namespace engine {
namespace {

// Passes bytes on to the target's sink and counts what stays written.
class CountingBytes final : public EntrySink {
 public:
  explicit CountingBytes(EntrySink& inner) : inner_(inner) {}
  bool Write(const void* data, size_t size) override {
    if (!inner_.Write(data, size)) return false;
    count_ += size;
    return true;
  }
  bool Truncate() override {
    count_ = 0;
    return inner_.Truncate();
  }
  bool Close() override { return inner_.Close(); }
  uint64_t count() const { return count_; }

 private:
  EntrySink& inner_;
  uint64_t count_ = 0;
};

class EntrySelector {
 public:
  explicit EntrySelector(const ExtractRules& rules)
      : overwriteAll_(rules.overwriteAll),
        keepList_(LowerAscii(rules.keepList)),
        include_(ParseIncludeList(rules.includeList)) {}

  // The include list alone, which is the whole selection when every entry
  // is overwritten.
  bool Included(const std::string& name) const {
    return include_.empty() || std::find(include_.begin(), include_.end(), LowerAscii(name)) != include_.end();
  }

  bool Selected(const std::string& name, ExtractTarget& target) const {
    // The include list is looked at first only because it is cheaper than
    // asking the file system; the outcome is the same in either order.
    if (!Included(name)) return false;
    if (overwriteAll_) return true;
    if (!target.FileExists(name)) return true;
    if (keepList_.empty()) return false;
    return keepList_.find(";" + LowerAscii(name) + ";") == std::string::npos;
  }

 private:
  bool overwriteAll_;
  std::string keepList_;
  std::vector<std::string> include_;
};

ExtractStop StopFor(SetupDataReader::NextStatus status) {
  using S = SetupDataReader::NextStatus;
  switch (status) {
    case S::kEnd: return ExtractStop::kEndOfFile;
    case S::kEmptyName: return ExtractStop::kEmptyName;
    case S::kTruncatedField: return ExtractStop::kTruncatedField;
    case S::kUnsafeName: return ExtractStop::kUnsafeName;
    case S::kNegativeSize: return ExtractStop::kNegativeSize;
    case S::kReadError: return ExtractStop::kFieldReadError;
    case S::kEntry: break;
  }
  return ExtractStop::kFieldReadError;
}

}  // namespace

const char* ExtractStopText(ExtractStop stop) {
  switch (stop) {
    case ExtractStop::kEndOfFile: return "end of file";
    case ExtractStop::kEmptyName: return "an empty name ends the container";
    case ExtractStop::kTargetNotCreated: return "a target file cannot be created";
    case ExtractStop::kWriteError: return "a target file cannot be written";
    case ExtractStop::kDataReadError: return "an entry's data cannot be read";
    case ExtractStop::kHeaderReadError: return "the header cannot be read";
    case ExtractStop::kTruncatedField: return "the file ends inside an entry's name or size field";
    case ExtractStop::kUnsafeName: return "an entry name would leave the destination";
    case ExtractStop::kNegativeSize: return "an entry's size field is negative";
    case ExtractStop::kFieldReadError: return "an entry's name or size cannot be read";
  }
  return "unknown";
}

std::vector<std::string> ParseIncludeList(std::string_view includeList) {
  return SplitList(LowerAscii(includeList), ';', true);
}

namespace {

// The extraction over either reader; both answer the same calls alike.
template <class Reader>
ExtractReport ReadEntries(Reader& reader, ExtractTarget& target, const EntrySelector& selector,
                          const ExtractObserver& observer) {
  ExtractReport report;
  if (reader.ReadHeader() != SetupDataReader::HeaderStatus::kOk) {
    report.stop = ExtractStop::kHeaderReadError;
    return report;
  }
  DataFileEntryInfo entry;
  for (;;) {
    SetupDataReader::NextStatus next = reader.Next(entry);
    if (next != SetupDataReader::NextStatus::kEntry) {
      report.stop = StopFor(next);
      report.result = report.stop == ExtractStop::kEndOfFile || report.stop == ExtractStop::kEmptyName;
      if (!report.result) report.stopEntry = entry;
      return report;
    }
    ++report.entries;

    if (!selector.Selected(entry.name, target)) {
      ++report.notSelected;
      SetupDataReader::DataStatus skipped = reader.ReadData(nullptr);
      if (observer) observer(entry, false, skipped);
      if (skipped == SetupDataReader::DataStatus::kTruncated) report.dataTruncated = true;
      if (skipped == SetupDataReader::DataStatus::kReadError) {
        report.stop = ExtractStop::kDataReadError;
        report.stopEntry = entry;
        report.result = true;
        return report;
      }
      continue;
    }

    std::unique_ptr<EntrySink> sink = target.CreateTarget(entry.name);
    if (!sink) {
      report.stop = ExtractStop::kTargetNotCreated;
      report.stopEntry = entry;
      report.result = true;
      return report;
    }
    CountingBytes counted(*sink);
    SetupDataReader::DataStatus status = reader.ReadData(&counted);
    bool closed = sink->Close();
    if (status == SetupDataReader::DataStatus::kComplete ||
        status == SetupDataReader::DataStatus::kInflateFailed ||
        status == SetupDataReader::DataStatus::kTruncated) {
      if (!closed) status = SetupDataReader::DataStatus::kWriteError;
    }
    if (observer) observer(entry, true, status);
    switch (status) {
      case SetupDataReader::DataStatus::kComplete:
        break;
      case SetupDataReader::DataStatus::kInflateFailed:
        ++report.inflateFailures;
        break;
      case SetupDataReader::DataStatus::kTruncated:
        report.dataTruncated = true;
        break;
      case SetupDataReader::DataStatus::kWriteError:
      case SetupDataReader::DataStatus::kReadError:
        report.stop = status == SetupDataReader::DataStatus::kWriteError ? ExtractStop::kWriteError
                                                                          : ExtractStop::kDataReadError;
        report.stopEntry = entry;
        report.result = true;
        return report;
    }
    ++report.written;
    report.bytesWritten += counted.count();
  }
}

}  // namespace

ExtractReport ExtractEntries(ByteSource& source, ExtractTarget& target, const ExtractRules& rules,
                             const ExtractObserver& observer, ExtractReading reading) {
  EntrySelector selector(rules);
  if (reading == ExtractReading::kAhead && rules.overwriteAll) {
    // With every entry overwritten the selection depends on the name alone,
    // so the reading thread can decide which data to inflate.
    ReadAheadReader reader(source,
                           [&selector](const DataFileEntryInfo& entry) { return selector.Included(entry.name); });
    return ReadEntries(reader, target, selector, observer);
  }
  SetupDataReader reader(source);
  return ReadEntries(reader, target, selector, observer);
}

}  // namespace engine
