// The extraction rules of a setup data file, apart from any file system:
// which entries are written (overwrite rule, keep list, include list), when
// reading stops and what the result is. ExtractDataFile (Win32) and the
// packing tool run these rules against their own ExtractTarget.
//
// Selection of an entry, by its name with '\' separators:
//   overwriteAll set         -> selected;
//   otherwise, no such file  -> selected;
//   otherwise (file exists)  -> selected only when keepList is not empty and
//                               does not contain ";" + lower-cased name + ";"
//                               (lower-cased list, plain substring search);
//   then, when the include list has items, only a lower-cased name equal to
//   one of them stays selected.
// Result: false when the header cannot be read or the container is damaged
// (it ends inside a name or size field, a name would leave the destination,
// a size is negative); entries before the damage stay written. True in every
// other case, including a target that cannot be created or written (reading
// stops there), compressed data that does not inflate (its target is left
// empty, reading goes on) and data cut short by the end of the file.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/setup_data_reader.h"
#include "engine/setup_data_stream.h"

namespace engine {

struct ExtractRules {
  bool overwriteAll = true;
  std::string keepList;     // ";name;dir\name;" - used only when overwriteAll is clear
  std::string includeList;  // "name;dir\name" - when not empty, only these are written
};

// The destination as the extraction sees it. Names are relative, with '\'
// separators, already checked to stay inside the destination.
class ExtractTarget {
 public:
  virtual ~ExtractTarget() = default;
  // True when a file (not a directory) of this name exists.
  virtual bool FileExists(const std::string& name) = 0;
  // Creates the directories of `name` (a failure there only shows as a file
  // that cannot be created), then creates the file or truncates an existing
  // one. Null when the file cannot be created.
  virtual std::unique_ptr<EntrySink> CreateTarget(const std::string& name) = 0;
};

enum class ExtractStop {
  kEndOfFile,         // result true
  kEmptyName,         // result true
  kTargetNotCreated,  // result true: reading stopped at this entry
  kWriteError,        // result true: reading stopped at this entry
  kDataReadError,     // result true: reading stopped at this entry
  kHeaderReadError,   // result false
  kTruncatedField,    // result false: damaged
  kUnsafeName,        // result false: damaged
  kNegativeSize,      // result false: damaged
  kFieldReadError,    // result false: a name or size field could not be read
};

struct ExtractReport {
  bool result = false;
  ExtractStop stop = ExtractStop::kEndOfFile;
  DataFileEntryInfo stopEntry;  // the entry where reading stopped, when there is one
  unsigned entries = 0;         // entries whose name and size were read
  unsigned written = 0;         // targets created and closed
  unsigned notSelected = 0;
  unsigned inflateFailures = 0;  // targets left empty because the data did not inflate
  bool dataTruncated = false;    // the file ended inside an entry's data
  uint64_t bytesWritten = 0;
};

const char* ExtractStopText(ExtractStop stop);

// The include list as the extraction uses it: lower-cased, split at ';',
// items trimmed, empty items dropped.
std::vector<std::string> ParseIncludeList(std::string_view includeList);

// Called once per entry whose name and size were read, after its data was
// handled (`selected` false: skipped; then status is how the skip went).
using ExtractObserver =
    std::function<void(const DataFileEntryInfo& entry, bool selected, SetupDataReader::DataStatus status)>;

// How the entries are read. kAhead reads and inflates them on a second
// thread, a bounded distance ahead of the target's file handling
// (read_ahead_reader.h), when the rules write every entry whatever exists
// (overwriteAll); otherwise, where an earlier entry may decide whether a
// later one is written, it is kInline. The result, the report and the
// target's and observer's calls are the same either way; with kAhead the
// source is read from the other thread and may be read beyond where the
// extraction stops.
enum class ExtractReading { kInline, kAhead };

// Reads the container from `source` (positioned at its start offset) into
// `target` under `rules`.
ExtractReport ExtractEntries(ByteSource& source, ExtractTarget& target, const ExtractRules& rules,
                             const ExtractObserver& observer = ExtractObserver(),
                             ExtractReading reading = ExtractReading::kInline);

}  // namespace engine
