// Crafted entry names against the setup's extractor: each name is packed into
// a container of its own with the writer library (a safe name of the same
// length is written and then replaced by the crafted bytes, since the writer
// itself refuses such names), then checked with DataFileIntact and extracted
// with ExtractDataFile into <work>\sandbox\dest\inner\. Afterwards no file
// may exist outside that destination: the sandbox, the drive's root and the
// Windows folder are searched for the mark every crafted file name carries.
//
//   crafted_names_bench <work folder>
//
// Prints one line per name and a summary; exit code 0 when nothing left the
// destination and every container was reported damaged.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "engine/extract_data_file.h"
#include "engine/setup_data_format.h"
#include "engine/setup_data_writer.h"

namespace {

constexpr const char* kMark = "tarnocrafted";

struct Crafted {
  std::string name;
  const char* kind;
};

std::vector<Crafted> CraftedNames() {
  const std::string m = kMark;
  const std::string long_segment(200, 'a');
  std::vector<Crafted> names = {
      // traversal
      {"..\\" + m + "1.txt", "traversal"},
      {"../" + m + "2.txt", "traversal"},
      {"..\\..\\" + m + "3.txt", "traversal"},
      {"a\\..\\..\\" + m + "4.txt", "traversal"},
      {"a/../../" + m + "5.txt", "traversal"},
      {"a\\b\\..\\..\\..\\" + m + "6.txt", "traversal"},
      {"..", "traversal"},
      {".", "traversal"},
      {".\\..\\" + m + "9.txt", "traversal"},
      {"a\\..", "traversal"},
      {"... \\" + m + "11.txt", "traversal"},
      {"..  /" + m + "12.txt", "traversal"},
      {"..\t\\" + m + "13.txt", "traversal"},
      // drives and absolute paths
      {"C:\\" + m + "14.txt", "drive"},
      {"C:" + m + "15.txt", "drive"},
      {"c:/" + m + "16.txt", "drive"},
      {"Z:\\" + m + "17.txt", "drive"},
      {"C:..\\" + m + "18.txt", "drive"},
      {"\\" + m + "19.txt", "absolute"},
      {"/" + m + "20.txt", "absolute"},
      {"\\windows\\" + m + "21.txt", "absolute"},
      // UNC and device paths
      {"\\\\127.0.0.1\\c$\\" + m + "22.txt", "UNC"},
      {"//127.0.0.1/c$/" + m + "23.txt", "UNC"},
      {"\\\\?\\C:\\" + m + "24.txt", "UNC"},
      {"\\\\.\\C:\\" + m + "25.txt", "UNC"},
      {"\\??\\C:\\" + m + "26.txt", "UNC"},
      // device names
      {"CON", "device"},
      {"nul", "device"},
      {"PRN.txt", "device"},
      {"aux.log", "device"},
      {"COM1", "device"},
      {"com9.txt", "device"},
      {"LPT1", "device"},
      {"lpt5.dat", "device"},
      {"a\\NUL", "device"},
      {"a\\con\\" + m + "36.txt", "device"},
      {"CONIN$", "device"},
      {"CONOUT$", "device"},
      {"clock$", "device"},
      {"nul .txt", "device"},
      {"COM\xB9", "device"},
      {"lpt\xB2.txt", "device"},
      // alternate data streams
      {m + "43.txt:stream", "stream"},
      {m + "44.txt::$DATA", "stream"},
      {"a:b", "stream"},
      {"dir\\" + m + "46.txt:hidden:$DATA", "stream"},
      {m + "47:$I30:$INDEX_ALLOCATION\\x.txt", "stream"},
      // trailing dots and blanks
      {m + "48.txt.", "trailing"},
      {m + "49.txt ", "trailing"},
      {m + "50.txt . .", "trailing"},
      {"dir.\\" + m + "51.txt", "trailing"},
      {"dir \\" + m + "52.txt", "trailing"},
      // mixed separators and control characters
      {"a/..\\..\\" + m + "53.txt", "mixed"},
      {"a\\../" + m + "54.txt", "mixed"},
      {"/\\127.0.0.1\\c$\\" + m + "55.txt", "mixed"},
      {std::string("a\x01") + m + "56.txt", "control"},
      // long names (the longest a name can be: 255 bytes)
      {long_segment + "\\..\\..\\" + m + "57.txt", "long"},
      {std::string(230, 'b') + "\\..\\" + m + "58", "long"},
      {"..\\" + std::string(230, 'c') + m + "59.txt", "long"},
      {std::string(235, 'd') + "\\" + m + "60.", "long"},
  };
  return names;
}

std::string Win32Text(DWORD error) {
  char text[512] = {};
  ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text, sizeof text,
                   nullptr);
  return text;
}

bool WriteAll(const std::string& path, const std::string& bytes) {
  HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    std::printf("cannot create %s: %s", path.c_str(), Win32Text(::GetLastError()).c_str());
    return false;
  }
  DWORD written = 0;
  const bool ok = ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                  written == bytes.size();
  ::CloseHandle(file);
  return ok;
}

// A compressed container holding one harmless entry, then the crafted one,
// then another harmless entry.
bool PackCrafted(const std::string& crafted, std::string& container) {
  engine::StringOutput out;
  engine::SetupDataWriter writer(out, engine::WriterOptions{});
  const std::string stand_in(crafted.size(), 'q');
  if (!writer.Begin() || writer.Add("before.txt", "before") != engine::SetupDataWriter::AddStatus::kOk ||
      writer.Add(stand_in, std::string(kMark) + " crafted content") != engine::SetupDataWriter::AddStatus::kOk ||
      writer.Add("after.txt", "after") != engine::SetupDataWriter::AddStatus::kOk) {
    std::printf("writer: %s\n", writer.error().c_str());
    return false;
  }
  container = out.bytes();
  const std::string field = std::string(1, static_cast<char>(stand_in.size())) + stand_in;
  const size_t at = container.find(field);
  if (at == std::string::npos) return false;
  container.replace(at + 1, crafted.size(), crafted);
  return true;
}

// Files whose name holds the mark, below `directory` (not entering `skip`).
void FindMarked(const std::string& directory, const std::string& skip, int depth, std::vector<std::string>& found) {
  if (depth > 6) return;
  WIN32_FIND_DATAA data;
  HANDLE find = ::FindFirstFileA((directory + "*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = data.cFileName;
    if (name == "." || name == "..") continue;
    const std::string path = directory + name;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (_stricmp((path + "\\").c_str(), skip.c_str()) != 0 && !(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        FindMarked(path + "\\", skip, depth + 1, found);
    } else if (name.find(kMark) != std::string::npos) {
      found.push_back(path);
    }
  } while (::FindNextFileA(find, &data));
  ::FindClose(find);
}

std::string Printable(const std::string& name) {
  std::string text;
  for (unsigned char c : name) {
    if (c < ' ' || c >= 0x7F) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      text += hex;
    } else {
      text += static_cast<char>(c);
    }
  }
  return text.size() > 60 ? text.substr(0, 28) + "..." + text.substr(text.size() - 28) : text;
}

void RemoveTree(const std::string& directory) {
  WIN32_FIND_DATAA data;
  HANDLE find = ::FindFirstFileA((directory + "*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = data.cFileName;
      if (name == "." || name == "..") continue;
      const std::string path = directory + name;
      if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        RemoveTree(path + "\\");
      else {
        ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileA(path.c_str());
      }
    } while (::FindNextFileA(find, &data));
    ::FindClose(find);
  }
  ::RemoveDirectoryA(directory.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::printf("usage: crafted_names_bench <work folder>\n");
    return 2;
  }
  std::string work = argv[1];
  if (work.back() != '\\') work += '\\';
  RemoveTree(work);
  ::CreateDirectoryA(work.c_str(), nullptr);
  const std::string sandbox = work + "sandbox\\";
  const std::string dest = sandbox + "dest\\inner\\";
  char windows[MAX_PATH];
  ::GetWindowsDirectoryA(windows, MAX_PATH);
  const std::string windows_dir = std::string(windows) + "\\";
  const std::string drive_root = dest.substr(0, 3);
  char current[MAX_PATH];
  ::GetCurrentDirectoryA(MAX_PATH, current);

  const std::vector<Crafted> names = CraftedNames();
  int damaged = 0, intact_answered_damaged = 0, escaped = 0, packed = 0;
  std::vector<std::string> not_damaged;
  for (size_t i = 0; i < names.size(); ++i) {
    const Crafted& c = names[i];
    std::string bytes;
    if (!PackCrafted(c.name, bytes)) {
      std::printf("%2zu %-9s %-64s could not be packed\n", i + 1, c.kind, Printable(c.name).c_str());
      continue;
    }
    ++packed;
    const std::string container = work + "crafted" + std::to_string(i + 1) + ".dat";
    if (!WriteAll(container, bytes)) return 2;
    RemoveTree(sandbox);
    ::CreateDirectoryA(sandbox.c_str(), nullptr);
    const bool intact = engine::DataFileIntact(container);
    engine::ExtractReport report;
    const bool result = engine::ExtractDataFile(container, dest, true, "", 0, "", &report);
    std::vector<std::string> outside;
    FindMarked(sandbox, dest, 0, outside);
    FindMarked(drive_root, sandbox, 4, outside);  // the drive's root itself, not below
    FindMarked(windows_dir, sandbox, 6, outside);
    FindMarked(std::string(current) + "\\", sandbox, 6, outside);
    if (!intact) ++intact_answered_damaged;
    if (!result) ++damaged;
    else not_damaged.push_back(Printable(c.name));
    escaped += static_cast<int>(outside.size());
    std::printf("%2zu %-9s %-64s check:%s extract:%s (%s, %u written)%s\n", i + 1, c.kind, Printable(c.name).c_str(),
                intact ? "intact " : "damaged", result ? "true " : "false", engine::ExtractStopText(report.stop),
                report.written, outside.empty() ? "" : "  OUTSIDE THE DESTINATION:");
    for (const std::string& path : outside) {
      std::printf("     %s\n", path.c_str());
      ::DeleteFileA(path.c_str());
    }
  }
  // The control: the longest valid name is no damage; it is written inside
  // the destination or, when the path grows too long, not at all.
  {
    const std::string valid = std::string(230, 'e') + "\\" + kMark + "ok.txt";
    std::string bytes;
    if (PackCrafted(valid, bytes) && WriteAll(work + "valid.dat", bytes)) {
      RemoveTree(sandbox);
      ::CreateDirectoryA(sandbox.c_str(), nullptr);
      engine::ExtractReport report;
      const bool intact = engine::DataFileIntact(work + "valid.dat");
      const bool result = engine::ExtractDataFile(work + "valid.dat", dest, true, "", 0, "", &report);
      std::vector<std::string> outside;
      FindMarked(sandbox, dest, 0, outside);
      escaped += static_cast<int>(outside.size());
      std::printf("control: a valid %zu-byte name: check:%s extract:%s (%s, %u written), %zu outside\n",
                  valid.size(), intact ? "intact" : "damaged", result ? "true" : "false",
                  engine::ExtractStopText(report.stop), report.written, outside.size());
    }
  }
  RemoveTree(work);
  std::printf("\n%zu names, %d packed: %d reported damaged by the check before the servers stop, %d by the "
              "extraction; files outside the destination: %d\n",
              names.size(), packed, intact_answered_damaged, damaged, escaped);
  for (const std::string& name : not_damaged) std::printf("  not reported damaged: %s\n", name.c_str());
  return escaped == 0 && intact_answered_damaged == packed && damaged == packed ? 0 : 1;
}
