// Benchmark phases for setup data files. Each run of the program is one phase
// in a fresh process, so that its peak memory is its own; the driver
// bench/run-setupdata-bench.sh runs the phases in turn, repeats them and
// compares medians of the same run.
//
//   setupdata_bench gen DIR [--files N] [--mb M] [--seed S]   deterministic payload
//   setupdata_bench extract CONTAINER DEST   the setup's extraction (ExtractDataFile on
//                                            Windows, the same rules on a folder natively)
//   setupdata_bench minimal CONTAINER DEST   the least extractor: read, inflate,
//                                            create/write/close, no checks
//   setupdata_bench inflate CONTAINER        reference: zlib inflating the same entries
//                                            from memory into memory
//   setupdata_bench reader-inflate CONTAINER the reader's inflate of the same entries,
//                                            memory to memory (no file system)
//   setupdata_bench copy PAYLOAD DEST        reference: a plain copy of the same files
//   setupdata_bench idle                     the process's own baseline memory
//
// Each phase prints one line: phase=... seconds=... bytes=... files=... peak_kb=...
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "engine/setup_data_files.h"
#include "engine/setup_data_reader.h"

#ifdef _WIN32
#include <windows.h>
#include <psapi.h>

#include "engine/extract_data_file.h"
#else
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

#ifdef _WIN32
constexpr char kSep = '\\';
#else
constexpr char kSep = '/';
#endif

struct Peak {
  uint64_t kb = 0;         // peak resident set (working set on Windows)
  uint64_t privateKb = 0;  // Windows: peak private bytes; 0 natively
};

Peak PeakMemory() {
  Peak peak;
#ifdef _WIN32
  PROCESS_MEMORY_COUNTERS counters;
  counters.cb = sizeof counters;
  if (::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters)) {
    peak.kb = counters.PeakWorkingSetSize / 1024;
    peak.privateKb = counters.PeakPagefileUsage / 1024;
  }
#else
  rusage usage;
  if (getrusage(RUSAGE_SELF, &usage) == 0) peak.kb = static_cast<uint64_t>(usage.ru_maxrss);
#endif
  return peak;
}

// User plus kernel time of the process so far: steadier than wall time on a
// shared machine, printed beside it.
double CpuSeconds() {
#ifdef _WIN32
  FILETIME created, exited, kernel, user;
  if (!::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
  auto seconds = [](const FILETIME& t) {
    return static_cast<double>((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
  };
  return seconds(kernel) + seconds(user);
#else
  rusage usage;
  if (getrusage(RUSAGE_SELF, &usage) != 0) return 0;
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
#endif
}

double g_cpuAtStart = 0;

void Report(const std::string& phase, double seconds, uint64_t bytes, uint64_t files) {
  Peak peak = PeakMemory();
  std::printf("phase=%s seconds=%.4f cpu=%.4f bytes=%llu files=%llu peak_kb=%llu private_kb=%llu\n", phase.c_str(),
              seconds, CpuSeconds() - g_cpuAtStart, static_cast<unsigned long long>(bytes),
              static_cast<unsigned long long>(files), static_cast<unsigned long long>(peak.kb),
              static_cast<unsigned long long>(peak.privateKb));
  std::fflush(stdout);
}

Clock::time_point Start() {
  g_cpuAtStart = CpuSeconds();
  return Clock::now();
}

double Since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// ---- gen ----

struct Random {
  uint64_t state;
  uint64_t Next() {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state;
  }
  double Unit() { return static_cast<double>(Next() >> 11) / 9007199254740992.0; }
};

// Text that compresses about as well as program documentation and
// configuration files do with zlib level 6 (roughly 3:1).
void MakeText(Random& random, std::vector<std::string>& words, size_t size, std::string& out) {
  out.clear();
  size_t line = 0;
  while (out.size() < size) {
    const std::string& word = words[random.Next() % words.size()];
    out += word;
    line += word.size() + 1;
    if (line > 60 + random.Next() % 20) {
      out += "\r\n";
      line = 0;
    } else {
      out += ' ';
    }
  }
  out.resize(size);
}

int Generate(const std::string& dir, uint64_t files, uint64_t megabytes, uint64_t seed) {
  Random random{seed * 0x9E3779B97F4A7C15ull + 1};
  std::vector<std::string> words;
  for (int i = 0; i < 400; ++i) {
    std::string word;
    size_t length = 2 + random.Next() % 9;
    for (size_t j = 0; j < length; ++j) word += static_cast<char>('a' + random.Next() % 26);
    if (random.Next() % 7 == 0) word[0] = static_cast<char>(word[0] - 'a' + 'A');
    words.push_back(word);
  }
  // Sizes log-uniform between 256 bytes and 400 KB, scaled to the total.
  std::vector<double> raw(files);
  double sum = 0;
  for (double& r : raw) {
    r = 256.0 * std::pow(400000.0 / 256.0, random.Unit());
    sum += r;
  }
  uint64_t total = megabytes * 1000000ull;
  uint64_t textBytes = 0, written = 0;
  std::string data;
  auto start = Start();
  for (uint64_t i = 0; i < files; ++i) {
    uint64_t size = static_cast<uint64_t>(raw[i] * static_cast<double>(total) / sum);
    if (i + 1 == files) size = total > written ? total - written : 0;
    // 60 % of the bytes are text, the rest incompressible binary.
    bool text = static_cast<double>(textBytes) < 0.6 * static_cast<double>(written + size);
    std::string name = "d" + std::to_string(i % 37) + kSep + "s" + std::to_string(i % 11) + kSep + "f" +
                       std::to_string(i) + (text ? ".txt" : ".bin");
    fs::path path = fs::path(dir) / name;
    fs::create_directories(path.parent_path());
    if (text) {
      MakeText(random, words, size, data);
      textBytes += size;
    } else {
      data.resize(size);
      for (size_t k = 0; k + 8 <= data.size(); k += 8) {
        uint64_t v = random.Next();
        std::memcpy(&data[k], &v, 8);
      }
      for (size_t k = data.size() & ~size_t{7}; k < data.size(); ++k) data[k] = static_cast<char>(random.Next());
    }
    std::ofstream out(path, std::ios::binary);
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
    if (!out) {
      std::fprintf(stderr, "cannot write %s\n", path.string().c_str());
      return 1;
    }
    written += size;
  }
  Report("gen", Since(start), written, files);
  std::fprintf(stderr, "payload: %llu files, %llu bytes, %.1f %% text\n", static_cast<unsigned long long>(files),
               static_cast<unsigned long long>(written), 100.0 * static_cast<double>(textBytes) / static_cast<double>(written));
  return 0;
}

// ---- extract ----

int Extract(const std::string& container, const std::string& dest) {
  auto start = Start();
#ifdef _WIN32
  engine::ExtractReport report;
  bool ok = engine::ExtractDataFile(container, dest, true, "", 0, "", &report);
#else
  std::string error;
  std::unique_ptr<engine::FileSource> source = engine::FileSource::Open(container, 0, error);
  if (!source) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  fs::create_directories(dest);
  engine::FolderTarget target(dest);
  engine::ExtractReport report = engine::ExtractEntries(*source, target, engine::ExtractRules());
  bool ok = report.result;
#endif
  double seconds = Since(start);
  if (!ok || report.stop != engine::ExtractStop::kEndOfFile || report.inflateFailures != 0) {
    std::fprintf(stderr, "extraction failed: %s\n", engine::ExtractStopText(report.stop));
    return 1;
  }
  Report("extract", seconds, report.bytesWritten, report.written);
  return 0;
}

// ---- minimal ----

// Reads the container front to back with a plain 64 KiB buffer.
class PlainReader {
 public:
  explicit PlainReader(const std::string& path) {
#ifdef _WIN32
    file_ = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    ok_ = file_ != INVALID_HANDLE_VALUE;
#else
    fd_ = ::open(path.c_str(), O_RDONLY);
    ok_ = fd_ >= 0;
#endif
  }
  ~PlainReader() {
#ifdef _WIN32
    if (ok_) ::CloseHandle(file_);
#else
    if (ok_) ::close(fd_);
#endif
  }
  bool ok() const { return ok_; }
  // Makes at least one byte available; false at end.
  bool Fill() {
    if (pos_ < len_) return true;
    pos_ = 0;
#ifdef _WIN32
    DWORD got = 0;
    if (!::ReadFile(file_, buf_, sizeof buf_, &got, nullptr)) got = 0;
    len_ = got;
#else
    ssize_t got = ::read(fd_, buf_, sizeof buf_);
    len_ = got > 0 ? static_cast<size_t>(got) : 0;
#endif
    return len_ != 0;
  }
  bool Take(void* out, size_t n) {
    char* p = static_cast<char*>(out);
    while (n != 0) {
      if (!Fill()) return false;
      size_t k = std::min(n, len_ - pos_);
      std::memcpy(p, buf_ + pos_, k);
      pos_ += k;
      p += k;
      n -= k;
    }
    return true;
  }
  const unsigned char* data() const { return buf_ + pos_; }
  size_t available() const { return len_ - pos_; }
  void Consume(size_t n) { pos_ += n; }

 private:
#ifdef _WIN32
  HANDLE file_ = INVALID_HANDLE_VALUE;
#else
  int fd_ = -1;
#endif
  bool ok_ = false;
  unsigned char buf_[65536];
  size_t pos_ = 0, len_ = 0;
};

class PlainFile {
 public:
  explicit PlainFile(const std::string& path) {
#ifdef _WIN32
    file_ = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ok_ = file_ != INVALID_HANDLE_VALUE;
#else
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ok_ = fd_ >= 0;
#endif
  }
  ~PlainFile() {
#ifdef _WIN32
    if (ok_) ::CloseHandle(file_);
#else
    if (ok_) ::close(fd_);
#endif
  }
  bool ok() const { return ok_; }
  bool Write(const void* p, size_t n) {
#ifdef _WIN32
    DWORD done = 0;
    return ::WriteFile(file_, p, static_cast<DWORD>(n), &done, nullptr) && done == n;
#else
    return ::write(fd_, p, n) == static_cast<ssize_t>(n);
#endif
  }

 private:
#ifdef _WIN32
  HANDLE file_ = INVALID_HANDLE_VALUE;
#else
  int fd_ = -1;
#endif
  bool ok_ = false;
};

void MakeDirectory(const std::string& path) {
#ifdef _WIN32
  ::CreateDirectoryA(path.c_str(), nullptr);
#else
  ::mkdir(path.c_str(), 0755);
#endif
}

// Creates every level of the directory part of `name` below `dest` once.
void MakeParents(const std::string& dest, const std::string& name, std::set<std::string>& made) {
  for (size_t i = name.find(kSep); i != std::string::npos; i = name.find(kSep, i + 1)) {
    std::string level = name.substr(0, i);
    if (made.insert(level).second) MakeDirectory(dest + kSep + level);
  }
}

int Minimal(const std::string& container, const std::string& dest) {
  auto start = Start();
  PlainReader in(container);
  if (!in.ok()) return 1;
  MakeDirectory(dest);
  unsigned char header[13];
  if (!in.Take(header, sizeof header) || std::memcmp(header, "ILDS", 4) != 0 || header[9] < 2) {
    std::fprintf(stderr, "minimal: needs a container with header and length-prefixed names\n");
    return 1;
  }
  bool compressed = header[8] != 0;
  std::vector<unsigned char> out(1 << 18);
  std::set<std::string> made;
  uint64_t bytes = 0, files = 0;
  unsigned char length = 0;
  while (in.Take(&length, 1)) {
    std::string name(length, '\0');
    uint32_t size = 0;
    if (!in.Take(name.data(), length) || !in.Take(&size, 4)) return 1;
    for (char& c : name) {
      if (c == '\\' || c == '/') c = kSep;
    }
    MakeParents(dest, name, made);
    PlainFile file(dest + kSep + name);
    if (!file.ok()) return 1;
    uint64_t left = size;
    if (compressed) {
      z_stream zs;
      std::memset(&zs, 0, sizeof zs);
      inflateInit(&zs);
      int ret = Z_OK;
      while (ret != Z_STREAM_END && left != 0 && in.Fill()) {
        size_t offered = static_cast<size_t>(std::min<uint64_t>(left, in.available()));
        zs.next_in = const_cast<unsigned char*>(in.data());
        zs.avail_in = static_cast<uInt>(offered);
        do {
          zs.next_out = out.data();
          zs.avail_out = static_cast<uInt>(out.size());
          ret = inflate(&zs, Z_NO_FLUSH);
          size_t produced = out.size() - zs.avail_out;
          if (produced) file.Write(out.data(), produced);
          bytes += produced;
        } while (ret == Z_OK && zs.avail_out == 0);
        size_t used = offered - zs.avail_in;
        in.Consume(used);
        left -= used;
        if (ret != Z_OK && ret != Z_STREAM_END) return 1;
      }
      inflateEnd(&zs);
    } else {
      while (left != 0 && in.Fill()) {
        size_t k = static_cast<size_t>(std::min<uint64_t>(left, in.available()));
        file.Write(in.data(), k);
        in.Consume(k);
        left -= k;
        bytes += k;
      }
    }
    ++files;
  }
  Report("minimal", Since(start), bytes, files);
  return 0;
}

// ---- inflate reference ----

int InflateReference(const std::string& container) {
  // Untimed: the stored entries into memory, and their inflated sizes.
  struct Stored {
    std::string data;
    uLong inflated;
  };
  std::vector<Stored> entries;
  uLong largest = 0;
  PlainReader in(container);
  unsigned char header[13];
  if (!in.ok() || !in.Take(header, sizeof header) || header[8] == 0 || header[9] < 2) {
    std::fprintf(stderr, "inflate: needs a compressed container with length-prefixed names\n");
    return 1;
  }
  std::vector<unsigned char> scratch(1 << 18);
  unsigned char length = 0;
  while (in.Take(&length, 1)) {
    std::string name(length, '\0');
    uint32_t size = 0;
    if (!in.Take(name.data(), length) || !in.Take(&size, 4)) return 1;
    Stored stored;
    stored.data.resize(size);
    if (!in.Take(stored.data.data(), size)) return 1;
    z_stream zs;
    std::memset(&zs, 0, sizeof zs);
    inflateInit(&zs);
    zs.next_in = reinterpret_cast<Bytef*>(stored.data.data());
    zs.avail_in = size;
    int ret;
    do {
      zs.next_out = scratch.data();
      zs.avail_out = static_cast<uInt>(scratch.size());
      ret = inflate(&zs, Z_NO_FLUSH);
    } while (ret == Z_OK);
    stored.inflated = zs.total_out;
    inflateEnd(&zs);
    largest = std::max(largest, stored.inflated);
    entries.push_back(std::move(stored));
  }
  std::vector<Bytef> output(largest + 1);
  auto start = Start();
  uint64_t bytes = 0;
  for (const Stored& stored : entries) {
    uLongf produced = static_cast<uLongf>(output.size());
    if (uncompress(output.data(), &produced, reinterpret_cast<const Bytef*>(stored.data.data()),
                   static_cast<uLong>(stored.data.size())) != Z_OK) {
      return 1;
    }
    bytes += produced;
  }
  Report("inflate", Since(start), bytes, entries.size());
  return 0;
}

// ---- the reader's own inflate, memory to memory ----

// The same entries as the inflate reference, through SetupDataReader into a
// counting sink: the cost of the reader itself, with no file system involved.
int ReaderInflate(const std::string& container) {
  std::ifstream in(container, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!in && !in.eof()) return 1;
  auto start = Start();
  engine::MemorySource source(bytes);
  engine::SetupDataReader reader(source);
  if (reader.ReadHeader() != engine::SetupDataReader::HeaderStatus::kOk) return 1;
  engine::DataFileEntryInfo entry;
  uint64_t total = 0, files = 0;
  while (reader.Next(entry) == engine::SetupDataReader::NextStatus::kEntry) {
    engine::CountingSink sink;
    if (reader.ReadData(&sink) != engine::SetupDataReader::DataStatus::kComplete) return 1;
    total += sink.count();
    ++files;
  }
  Report("reader-inflate", Since(start), total, files);
  return 0;
}

// ---- copy reference ----

int Copy(const std::string& payload, const std::string& dest) {
  std::vector<std::string> names;  // untimed: the file list
  for (const auto& e : fs::recursive_directory_iterator(payload)) {
    if (e.is_regular_file()) names.push_back(e.path().lexically_relative(payload).string());
  }
  std::sort(names.begin(), names.end());
  auto start = Start();
  MakeDirectory(dest);
  std::set<std::string> made;
  uint64_t bytes = 0;
  for (const std::string& name : names) {
    MakeParents(dest, name, made);
    std::string from = payload + kSep + name, to = dest + kSep + name;
#ifdef _WIN32
    if (!::CopyFileA(from.c_str(), to.c_str(), FALSE)) return 1;
#else
    std::error_code ec;
    fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec);
    if (ec) return 1;
#endif
    bytes += fs::file_size(to);
  }
  Report("copy", Since(start), bytes, names.size());
  return 0;
}

uint64_t Option(const std::vector<std::string>& args, const std::string& name, uint64_t fallback) {
  for (size_t i = 0; i + 1 < args.size(); ++i) {
    if (args[i] == name) return std::stoull(args[i + 1]);
  }
  return fallback;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) {
    std::fprintf(stderr, "usage: setupdata_bench gen|extract|minimal|inflate|copy|idle ...\n");
    return 2;
  }
  const std::string& phase = args[0];
  if (phase == "gen" && args.size() >= 2) {
    return Generate(args[1], Option(args, "--files", 3000), Option(args, "--mb", 150), Option(args, "--seed", 1));
  }
  if (phase == "extract" && args.size() == 3) return Extract(args[1], args[2]);
  if (phase == "minimal" && args.size() == 3) return Minimal(args[1], args[2]);
  if (phase == "inflate" && args.size() == 2) return InflateReference(args[1]);
  if (phase == "reader-inflate" && args.size() == 2) return ReaderInflate(args[1]);
  if (phase == "copy" && args.size() == 3) return Copy(args[1], args[2]);
  if (phase == "idle") {
    Report("idle", 0, 0, 0);
    return 0;
  }
  std::fprintf(stderr, "setupdata_bench: bad arguments for %s\n", phase.c_str());
  return 2;
}
