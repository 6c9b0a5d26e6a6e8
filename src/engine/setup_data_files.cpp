#include "engine/setup_data_files.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

namespace engine {
namespace {

namespace fs = std::filesystem;

#ifdef _WIN32
constexpr char kSeparator = '\\';
int SeekTo(std::FILE* f, uint64_t offset) { return _fseeki64(f, static_cast<__int64>(offset), SEEK_SET); }
int SeekEnd(std::FILE* f) { return _fseeki64(f, 0, SEEK_END); }
int64_t Tell(std::FILE* f) { return _ftelli64(f); }
#else
constexpr char kSeparator = '/';
int SeekTo(std::FILE* f, uint64_t offset) { return fseeko(f, static_cast<off_t>(offset), SEEK_SET); }
int SeekEnd(std::FILE* f) { return fseeko(f, 0, SEEK_END); }
int64_t Tell(std::FILE* f) { return ftello(f); }
#endif

std::string ErrnoText() { return std::strerror(errno); }

class FileSink final : public EntrySink {
 public:
  FileSink(std::FILE* file, std::string path) : file_(file), path_(std::move(path)) {}
  ~FileSink() override {
    if (file_ != nullptr) std::fclose(file_);
  }
  bool Write(const void* data, size_t size) override {
    return file_ != nullptr && std::fwrite(data, 1, size, file_) == size;
  }
  bool Truncate() override {
    if (file_ != nullptr) std::fclose(file_);
    file_ = std::fopen(path_.c_str(), "wb");
    if (file_ != nullptr) std::setvbuf(file_, nullptr, _IONBF, 0);
    return file_ != nullptr;
  }
  bool Close() override {
    if (file_ == nullptr) return false;
    bool ok = std::fflush(file_) == 0 && !std::ferror(file_);
    ok = std::fclose(file_) == 0 && ok;
    file_ = nullptr;
    return ok;
  }

 private:
  std::FILE* file_;
  std::string path_;
};

}  // namespace

std::unique_ptr<FileSource> FileSource::Open(const std::string& path, uint64_t startOffset, std::string& error) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    error = "cannot open " + path + ": " + ErrnoText();
    return nullptr;
  }
  // Reads come in 64 KiB pieces already; a stdio buffer would only copy them.
  std::setvbuf(file, nullptr, _IONBF, 0);
  int64_t size = -1;
  if (SeekEnd(file) == 0) size = Tell(file);
  if (size < 0 || SeekTo(file, std::min<uint64_t>(startOffset, static_cast<uint64_t>(size))) != 0) {
    error = "cannot seek in " + path + ": " + ErrnoText();
    std::fclose(file);
    return nullptr;
  }
  uint64_t position = std::min<uint64_t>(startOffset, static_cast<uint64_t>(size));
  return std::unique_ptr<FileSource>(new FileSource(file, static_cast<uint64_t>(size), position));
}

FileSource::FileSource(std::FILE* file, uint64_t size, uint64_t position)
    : file_(file), size_(size), position_(position) {}

FileSource::~FileSource() { std::fclose(file_); }

bool FileSource::Read(void* data, size_t size, size_t& got) {
  got = std::fread(data, 1, size, file_);
  position_ += got;
  return got != 0 || !std::ferror(file_);
}

bool FileSource::Skip(uint64_t count, uint64_t& skipped) {
  skipped = position_ < size_ ? std::min(count, size_ - position_) : 0;
  if (skipped == 0) return true;
  if (SeekTo(file_, position_ + skipped) != 0) {
    skipped = 0;
    return false;
  }
  position_ += skipped;
  return true;
}

std::unique_ptr<FileOutput> FileOutput::Create(const std::string& path, std::string& error) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    error = "cannot create " + path + ": " + ErrnoText();
    return nullptr;
  }
  std::setvbuf(file, nullptr, _IOFBF, 1 << 18);
  return std::unique_ptr<FileOutput>(new FileOutput(file));
}

FileOutput::~FileOutput() {
  if (file_ != nullptr) std::fclose(file_);
}

bool FileOutput::Write(const void* data, size_t size) {
  if (file_ == nullptr || std::fwrite(data, 1, size, file_) != size) return false;
  position_ += size;
  return true;
}

bool FileOutput::WriteAt(uint64_t offset, const void* data, size_t size) {
  if (file_ == nullptr || offset + size > position_) return false;
  if (SeekTo(file_, offset) != 0) return false;
  bool ok = std::fwrite(data, 1, size, file_) == size;
  return SeekTo(file_, position_) == 0 && ok;
}

bool FileOutput::Close() {
  if (file_ == nullptr) return false;
  bool ok = std::fflush(file_) == 0 && !std::ferror(file_);
  ok = std::fclose(file_) == 0 && ok;
  file_ = nullptr;
  return ok;
}

std::string JoinEntryPath(const std::string& destination, const std::string& name) {
  std::string path = destination;
  for (char c : name) path += (c == '\\' || c == '/') ? kSeparator : c;
  return path;
}

FolderTarget::FolderTarget(std::string destination) : destination_(std::move(destination)) {
  if (destination_.empty() || (destination_.back() != '/' && destination_.back() != kSeparator)) {
    destination_ += kSeparator;
  }
}

bool FolderTarget::FileExists(const std::string& name) {
  std::error_code ec;
  fs::file_status status = fs::symlink_status(JoinEntryPath(destination_, name), ec);
  return !ec && fs::exists(status) && !fs::is_directory(status);
}

bool FolderTarget::EnsureDirectories(const std::string& name) {
  size_t last = name.find_last_of('\\');
  if (last == std::string::npos) return true;
  std::string relative = name.substr(0, last);
  if (checkedDirectories_.count(relative) != 0) return true;
  // Each level below the destination is looked at with symlink_status, so a
  // link planted in the tree cannot carry a file elsewhere.
  size_t start = 0;
  while (start <= relative.size()) {
    size_t end = relative.find('\\', start);
    if (end == std::string::npos) end = relative.size();
    std::string level = relative.substr(0, end);
    if (!level.empty() && checkedDirectories_.count(level) == 0) {
      std::string path = JoinEntryPath(destination_, level);
      std::error_code ec;
      fs::file_status status = fs::symlink_status(path, ec);
      if (fs::is_symlink(status)) {
        lastError_ = path + " is a symbolic link; not followed";
        return false;
      }
      if (!fs::exists(status)) {
        fs::create_directory(path, ec);
        status = fs::symlink_status(path, ec);
      }
      if (!fs::is_directory(status)) {
        lastError_ = "cannot create directory " + path + (ec ? ": " + ec.message() : "");
        return false;
      }
      checkedDirectories_.insert(level);
    }
    start = end + 1;
  }
  return true;
}

std::unique_ptr<EntrySink> FolderTarget::CreateTarget(const std::string& name) {
  lastError_.clear();
  if (!EnsureDirectories(name)) return nullptr;
  std::string path = JoinEntryPath(destination_, name);
  std::error_code ec;
  if (fs::is_symlink(fs::symlink_status(path, ec))) {
    lastError_ = path + " is a symbolic link; not followed";
    return nullptr;
  }
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    lastError_ = "cannot create " + path + ": " + ErrnoText();
    return nullptr;
  }
  // The reader hands over pieces of 64 KiB and more; stdio would only split them.
  std::setvbuf(file, nullptr, _IONBF, 0);
  return std::make_unique<FileSink>(file, path);
}

}  // namespace engine
