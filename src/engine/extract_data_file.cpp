#include "engine/extract_data_file.h"

#include <windows.h>

#include <algorithm>
#include <memory>
#include <set>
#include <vector>

#include "engine/file_helpers.h"
#include "engine/path_text.h"
#include "engine/setup_data_format.h"
#include "win32/log.h"
#include "win32/scoped_handle.h"
#include "win32/win32_error.h"

namespace engine {
namespace {

// Reads the open data file `path` from `position` on; a failure is logged
// with the file's name and the position it happened at.
class HandleSource final : public ByteSource {
 public:
  HandleSource(HANDLE file, std::string path, uint64_t size, uint64_t position)
      : file_(file), path_(std::move(path)), size_(size), position_(position) {}

  bool Read(void* data, size_t size, size_t& got) override {
    DWORD read = 0;
    got = 0;
    DWORD want = static_cast<DWORD>(std::min<size_t>(size, 1u << 30));
    if (!::ReadFile(file_, data, want, &read, nullptr)) {
      DWORD error = ::GetLastError();
      if (error == ERROR_HANDLE_EOF) return true;
      win32::LogFailure("read data file", path_ + " at " + std::to_string(position_), error);
      return false;
    }
    got = read;
    position_ += read;
    return true;
  }

  // Seeks instead of reading what is not wanted, but never past the end, so
  // that a short skip still shows where the file ends.
  bool Skip(uint64_t count, uint64_t& skipped) override {
    skipped = position_ < size_ ? std::min(count, size_ - position_) : 0;
    if (skipped == 0) return true;
    LARGE_INTEGER distance;
    distance.QuadPart = static_cast<LONGLONG>(skipped);
    if (!::SetFilePointerEx(file_, distance, nullptr, FILE_CURRENT)) {
      win32::LogFailure("seek in data file", path_ + " at " + std::to_string(position_), ::GetLastError());
      skipped = 0;
      return false;
    }
    position_ += skipped;
    return true;
  }

 private:
  HANDLE file_;
  std::string path_;
  uint64_t size_;
  uint64_t position_;
};

// Opens the data file for reading and tells its size; empty (logged) on failure.
win32::ScopedHandle OpenDataFile(const std::string& path, uint64_t& size) {
  win32::ScopedHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                         FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) {
    win32::LogFailure("open data file", path, ::GetLastError());
    return file;
  }
  LARGE_INTEGER bytes;
  if (!::GetFileSizeEx(file.get(), &bytes)) {
    win32::LogFailure("read size of data file", path, ::GetLastError());
    return win32::ScopedHandle();
  }
  size = static_cast<uint64_t>(bytes.QuadPart);
  return file;
}

class HandleSink final : public EntrySink {
 public:
  HandleSink(win32::ScopedHandle file, std::string path) : file_(std::move(file)), path_(std::move(path)) {}

  bool Write(const void* data, size_t size) override {
    const char* p = static_cast<const char*>(data);
    while (size != 0) {
      DWORD written = 0;
      DWORD want = static_cast<DWORD>(std::min<size_t>(size, 1u << 30));
      if (!::WriteFile(file_.get(), p, want, &written, nullptr) || written == 0) {
        win32::LogFailure("write file", path_, ::GetLastError());
        return false;
      }
      p += written;
      size -= written;
    }
    return true;
  }

  bool Truncate() override {
    LARGE_INTEGER zero;
    zero.QuadPart = 0;
    if (!::SetFilePointerEx(file_.get(), zero, nullptr, FILE_BEGIN) || !::SetEndOfFile(file_.get())) {
      win32::LogFailure("empty file", path_, ::GetLastError());
      return false;
    }
    return true;
  }

  bool Close() override {
    HANDLE h = file_.release();
    if (!::CloseHandle(h)) {
      win32::LogFailure("close file", path_, ::GetLastError());
      return false;
    }
    return true;
  }

 private:
  win32::ScopedHandle file_;
  std::string path_;
};

// Takes inflated bytes and keeps none.
class DiscardSink final : public EntrySink {
 public:
  bool Write(const void*, size_t) override { return true; }
  bool Truncate() override { return true; }
  bool Close() override { return true; }
};

class DirectoryTarget final : public ExtractTarget {
 public:
  explicit DirectoryTarget(std::string destination) : destination_(std::move(destination)) {}

  bool FileExists(const std::string& name) override {
    DWORD attributes = ::GetFileAttributesA((destination_ + name).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
  }

  std::unique_ptr<EntrySink> CreateTarget(const std::string& name) override {
    std::string directory = DirectoryOf(name);
    // Entries of one directory follow each other, so each directory is made
    // once per call; a failure shows when its files cannot be created.
    if (!directory.empty() && made_.insert(LowerAscii(directory)).second) {
      ForceDirectoryTree(destination_ + directory);
    }
    std::string path = destination_ + name;
    win32::ScopedHandle file(::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
      win32::LogFailure("create file", path, ::GetLastError());
      return nullptr;
    }
    return std::make_unique<HandleSink>(std::move(file), path);
  }

 private:
  std::string destination_;
  std::set<std::string> made_;
};

void LogEntry(const std::string& container, const DataFileEntryInfo& entry, bool selected,
              SetupDataReader::DataStatus status) {
  if (!selected || status == SetupDataReader::DataStatus::kComplete) return;
  // Write and read errors were logged by the sink and the source.
  if (status == SetupDataReader::DataStatus::kInflateFailed || status == SetupDataReader::DataStatus::kTruncated) {
    win32::LogLine("extract " + container + ": entry \"" + entry.name + "\" at offset " +
                   std::to_string(entry.offset) + ": " + DataStatusText(status) + "; the file is left " +
                   (status == SetupDataReader::DataStatus::kTruncated ? "with what was there" : "empty"));
  }
}

void LogStop(const std::string& container, const ExtractReport& report) {
  switch (report.stop) {
    case ExtractStop::kEndOfFile:
    case ExtractStop::kEmptyName:
      return;
    case ExtractStop::kTargetNotCreated:  // logged by CreateTarget
    case ExtractStop::kWriteError:        // logged by the sink
    case ExtractStop::kDataReadError:     // logged by the source
    case ExtractStop::kHeaderReadError:
    case ExtractStop::kFieldReadError:
      return;
    case ExtractStop::kUnsafeName:
      win32::LogLine("extract " + container + ": damaged, entry \"" + report.stopEntry.name + "\" at offset " +
                     std::to_string(report.stopEntry.offset) + " " + EntryNameProblemText(report.stopEntry.problem));
      return;
    case ExtractStop::kTruncatedField:
    case ExtractStop::kNegativeSize:
      win32::LogLine("extract " + container + ": damaged at offset " + std::to_string(report.stopEntry.offset) +
                     ": " + ExtractStopText(report.stop));
      return;
  }
}

}  // namespace

bool ExtractDataFile(const std::string& dataFilePath, const std::string& destinationDir, bool overwriteAll,
                     const std::string& keepList, uint32_t startOffset, const std::string& includeList,
                     ExtractReport* report) {
  ExtractReport local;
  ExtractReport& result = report != nullptr ? *report : local;
  result = ExtractReport();
  if (dataFilePath.empty() || destinationDir.empty()) {
    win32::LogLine("extract data file: no " + std::string(dataFilePath.empty() ? "container" : "destination") +
                   " given");
    return false;
  }
  ExtractRules rules;
  rules.overwriteAll = overwriteAll;
  rules.keepList = keepList;
  rules.includeList = includeList;

  std::string destination = AdjustTrailingBackslash(destinationDir, true, false);
  if (!ForceDirectoryTree(destination)) return false;  // logged there

  uint64_t size = 0;
  win32::ScopedHandle file = OpenDataFile(dataFilePath, size);
  if (!file) return false;
  if (startOffset != 0) {
    LARGE_INTEGER offset;
    offset.QuadPart = startOffset;
    if (!::SetFilePointerEx(file.get(), offset, nullptr, FILE_BEGIN)) {
      win32::LogFailure("seek in data file", dataFilePath, ::GetLastError());
      return false;
    }
  }
  HandleSource source(file.get(), dataFilePath, size, startOffset);
  DirectoryTarget target(destination);
  // Reading and inflating run ahead on a second thread while this one
  // creates, writes and closes the files, which is where the time goes.
  result = ExtractEntries(
      source, target, rules,
      [&](const DataFileEntryInfo& entry, bool selected, SetupDataReader::DataStatus status) {
        LogEntry(dataFilePath, entry, selected, status);
      },
      ExtractReading::kAhead);
  LogStop(dataFilePath, result);
  return result.result;
}

bool DataFileIntact(const std::string& dataFilePath) {
  uint64_t size = 0;
  win32::ScopedHandle file = OpenDataFile(dataFilePath, size);
  if (!file) return false;
  HandleSource source(file.get(), dataFilePath, size, 0);
  SetupDataReader reader(source);
  if (reader.ReadHeader() != SetupDataReader::HeaderStatus::kOk) return false;  // logged by the source
  // Compressed data is inflated and dropped: a changed byte shows as a stream
  // that does not inflate or whose check value does not match.
  DiscardSink discard;
  EntrySink* sink = reader.options().compressed ? &discard : nullptr;
  DataFileEntryInfo entry;
  SetupDataReader::NextStatus next;
  while ((next = reader.Next(entry)) == SetupDataReader::NextStatus::kEntry) {
    SetupDataReader::DataStatus data = reader.ReadData(sink);
    if (data != SetupDataReader::DataStatus::kComplete) {
      win32::LogLine("data file " + dataFilePath + " is damaged: entry " + entry.name + ": " + DataStatusText(data));
      return false;
    }
  }
  if (next == SetupDataReader::NextStatus::kEnd || next == SetupDataReader::NextStatus::kEmptyName) return true;
  win32::LogLine("data file " + dataFilePath + " is damaged at " + std::to_string(entry.offset) + ": " +
                 NextStatusText(next));
  return false;
}

namespace {

bool IsLink(DWORD attributes) { return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }

// Removes one entry: a link as a link, a directory with all it holds, a file
// after its attributes are cleared. Logs what stays.
bool RemoveEntry(const std::string& path, DWORD attributes) {
  bool directory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  if (IsLink(attributes)) {
    // Attributes are left alone: changing them might reach the link's target.
    if (directory ? ::RemoveDirectoryA(path.c_str()) : ::DeleteFileA(path.c_str())) return true;
    win32::LogFailure("remove link", path, ::GetLastError());
    return false;
  }
  if (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) {
    ::SetFileAttributesA(path.c_str(), directory ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL);
  }
  if (!directory) {
    if (::DeleteFileA(path.c_str())) return true;
    win32::LogFailure("delete file", path, ::GetLastError());
    return false;
  }
  struct Child {
    std::string name;
    DWORD attributes;
  };
  std::vector<Child> children;  // listed first, so that deleting does not disturb the listing
  WIN32_FIND_DATAA data;
  {
    win32::ScopedFindHandle find(::FindFirstFileA((path + "\\*").c_str(), &data));
    if (find) {
      do {
        std::string name = data.cFileName;
        if (name != "." && name != "..") children.push_back({name, data.dwFileAttributes});
      } while (::FindNextFileA(find.get(), &data));
    }
  }
  bool ok = true;
  for (const Child& child : children) ok = RemoveEntry(path + "\\" + child.name, child.attributes) && ok;
  if (::RemoveDirectoryA(path.c_str())) return ok;
  if (ok) win32::LogFailure("remove directory", path, ::GetLastError());
  return false;
}

}  // namespace

bool PrepareFreshDirectory(const std::string& directory) {
  std::string root = AdjustTrailingBackslash(directory, false, false);
  if (root.empty() || (root.size() == 2 && root[1] == ':')) {
    win32::LogFailure("prepare fresh directory", "\"" + directory + "\"", ERROR_INVALID_PARAMETER);
    return false;
  }
  DWORD attributes = ::GetFileAttributesA(root.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && !RemoveEntry(root, attributes)) return false;
  return ForceDirectoryTree(root + "\\");
}

void RemoveExtractedTree(const std::string& directory) {
  // Whatever stays (a read-only file, a file in use) is left silently: the
  // tree is a staging copy and nothing reads it again.
  DeleteDirectoryTree(AdjustTrailingBackslash(directory, true, false), "*.*", true);
}

}  // namespace engine
