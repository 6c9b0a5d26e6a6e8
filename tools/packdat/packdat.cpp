#include "packdat.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <filesystem>
#include <iomanip>
#include <map>
#include <optional>
#include <system_error>

#include "engine/setup_data_extract.h"
#include "engine/setup_data_files.h"
#include "engine/setup_data_format.h"
#include "engine/setup_data_reader.h"
#include "engine/setup_data_writer.h"

namespace packdat {
namespace {

namespace fs = std::filesystem;
using engine::DataFileEntryInfo;
using engine::SetupDataReader;

const char kUsage[] =
    "usage: packdat <command> [options] ...\n"
    "\n"
    "Setup data files: the containers the setup unpacks (\"setup.Dat\", \"setupweb.dat\", ...).\n"
    "\n"
    "  packdat create [options] FOLDER CONTAINER\n"
    "      Packs every regular file below FOLDER, sorted by name, so that the same\n"
    "      folder always gives the same bytes. Names are relative paths with '\\'.\n"
    "      Symbolic links and other special files are skipped with a warning.\n"
    "      --zlib[=LEVEL], --zlib LEVEL   each entry one zlib stream (default, level 6)\n"
    "      --raw                          entries stored as they are\n"
    "      --names=prefixed|fixed256      length-prefixed names (default) or 256-byte fields\n"
    "      --header | --no-header         write the \"ILDS\" header (default); without it a\n"
    "                                     container is always raw with 256-byte names\n"
    "\n"
    "  packdat list [--offset=N] CONTAINER\n"
    "      Prints the header and, per entry, stored size, inflated size and name.\n"
    "\n"
    "  packdat verify [--offset=N] CONTAINER\n"
    "      Reads every entry and inflates compressed ones; fails on any damage.\n"
    "\n"
    "  packdat extract [options] CONTAINER DESTINATION\n"
    "      Unpacks with the setup's rules. A name that would leave DESTINATION makes the\n"
    "      container damaged; symbolic links inside DESTINATION are not followed.\n"
    "      --overwrite        replace existing files (the setup's overwriteAll)\n"
    "      --keep=LIST        \";a;dir\\b;\": existing files not named in LIST are replaced,\n"
    "                         those named stay (without --overwrite or --keep no\n"
    "                         existing file is replaced)\n"
    "      --include=LIST     \"a;dir\\b\": write only these entries\n"
    "      --offset=N         the container's header starts at byte N of the file\n"
    "\n"
    "  packdat --help | help\n"
    "\n"
    "Exit codes: 0 success, 1 damaged container or failed entry or I/O error, 2 usage error.\n";

class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

bool StartsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

std::optional<uint64_t> ParseNumber(const std::string& text) {
  uint64_t value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return value;
}

int ParseLevel(const std::string& text) {
  std::optional<uint64_t> level = ParseNumber(text);
  if (!level || *level > 9) throw UsageError("the zlib level must be 0 to 9, not \"" + text + "\"");
  return static_cast<int>(*level);
}

uint32_t ParseOffset(const std::string& text) {
  std::optional<uint64_t> offset = ParseNumber(text);
  if (!offset || *offset > UINT32_MAX) throw UsageError("--offset needs a number up to 4294967295, not \"" + text + "\"");
  return static_cast<uint32_t>(*offset);
}

// Positional arguments must number exactly `count`.
void ExpectOperands(const std::vector<std::string>& operands, size_t count, const char* what) {
  if (operands.size() != count) {
    throw UsageError(std::string("expected ") + what + ", got " + std::to_string(operands.size()) + " argument" +
                     (operands.size() == 1 ? "" : "s"));
  }
}

std::string Describe(const SetupDataReader& reader) {
  if (!reader.hasHeader()) return "no header: raw entries, 256-byte names";
  std::string text = "header ILDS, options " + std::to_string(reader.optionsLength()) + " bytes: ";
  text += reader.options().compressed ? "zlib entries" : "raw entries";
  text += reader.options().prefixedNames() ? ", length-prefixed names" : ", 256-byte names";
  text += " (nameFormat " + std::to_string(reader.options().nameFormat) + ")";
  return text;
}

// ---- create ----

struct PackFile {
  std::string name;  // '\' separators
  fs::path path;
  uint64_t size = 0;
};

std::string EntryNameOf(const fs::path& relative) {
  std::string name;
  for (const fs::path& part : relative) {
    if (!name.empty()) name += '\\';
    name += part.string();
  }
  return name;
}

bool SamePath(const fs::path& a, const fs::path& b) {
  std::error_code ec;
  return fs::equivalent(a, b, ec) && !ec;
}

int Create(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  engine::WriterOptions options;
  std::vector<std::string> operands;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--raw") {
      options.compressed = false;
    } else if (a == "--zlib") {
      options.compressed = true;
      if (i + 1 < args.size() && args[i + 1].size() == 1 && ParseNumber(args[i + 1])) options.level = ParseLevel(args[++i]);
    } else if (StartsWith(a, "--zlib=")) {
      options.compressed = true;
      options.level = ParseLevel(a.substr(7));
    } else if (a == "--names=prefixed") {
      options.nameFormat = engine::kNameFormatPrefixed;
    } else if (a == "--names=fixed256") {
      options.nameFormat = engine::kNameFormatFixed;
    } else if (a == "--header") {
      options.header = true;
    } else if (a == "--no-header") {
      options.header = false;
    } else if (StartsWith(a, "--")) {
      throw UsageError("unknown option for create: " + a);
    } else {
      operands.push_back(a);
    }
  }
  ExpectOperands(operands, 2, "FOLDER and CONTAINER");
  std::string problem = engine::SetupDataWriter::CheckOptions(options);
  if (!problem.empty()) throw UsageError(problem + " (use --raw --names=fixed256 with --no-header)");

  fs::path folder(operands[0]);
  fs::path container(operands[1]);
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) {
    err << "packdat: " << operands[0] << " is not a folder\n";
    return kExitFailed;
  }

  std::vector<PackFile> files;
  fs::recursive_directory_iterator it(folder, ec), end;
  if (ec) {
    err << "packdat: cannot read " << operands[0] << ": " << ec.message() << "\n";
    return kExitFailed;
  }
  for (; it != end; it.increment(ec)) {
    if (ec) break;
    fs::file_status status = it->symlink_status(ec);
    if (ec) break;
    if (fs::is_directory(status)) continue;
    if (!fs::is_regular_file(status)) {
      err << "packdat: warning: skipping " << it->path().string()
          << (fs::is_symlink(status) ? " (symbolic link)" : " (not a regular file)") << "\n";
      continue;
    }
    if (SamePath(it->path(), container)) continue;  // an older copy of the output inside the folder
    PackFile file;
    file.path = it->path();
    file.name = EntryNameOf(it->path().lexically_relative(folder));
    file.size = it->file_size(ec);
    if (ec) break;
    files.push_back(std::move(file));
  }
  if (ec) {
    err << "packdat: cannot read " << operands[0] << ": " << ec.message() << "\n";
    return kExitFailed;
  }
  std::sort(files.begin(), files.end(), [](const PackFile& a, const PackFile& b) { return a.name < b.name; });

  // Windows does not tell names apart by letter case; two such entries would
  // overwrite each other on extraction.
  std::map<std::string, std::string> byLowerName;
  for (const PackFile& file : files) {
    auto [at, inserted] = byLowerName.emplace(engine::LowerAscii(file.name), file.name);
    if (!inserted) {
      err << "packdat: " << at->second << " and " << file.name
          << " differ only in letter case; Windows would extract them to one file\n";
      return kExitFailed;
    }
  }

  std::string temporary = container.string() + ".partial";
  std::string error;
  std::unique_ptr<engine::FileOutput> output = engine::FileOutput::Create(temporary, error);
  if (!output) {
    err << "packdat: " << error << "\n";
    return kExitFailed;
  }
  auto fail = [&](const std::string& message) {
    err << "packdat: " << message << "\n";
    output.reset();
    fs::remove(temporary, ec);
    return kExitFailed;
  };
  engine::SetupDataWriter writer(*output, options);
  if (!writer.Begin()) return fail(writer.error());
  uint64_t total = 0;
  for (const PackFile& file : files) {
    std::unique_ptr<engine::FileSource> source = engine::FileSource::Open(file.path.string(), 0, error);
    if (!source) return fail(error);
    engine::SetupDataWriter::AddStatus status = writer.Add(file.name, *source);
    if (status != engine::SetupDataWriter::AddStatus::kOk) return fail(file.path.string() + ": " + writer.error());
    total += file.size;
  }
  uint64_t containerSize = output->position();
  if (!output->Close()) return fail("cannot write " + temporary);
  output.reset();
  fs::rename(temporary, container, ec);
  if (ec) return fail("cannot rename " + temporary + " to " + container.string() + ": " + ec.message());
  out << "packed " << files.size() << " file" << (files.size() == 1 ? "" : "s") << ", " << total << " bytes, into "
      << container.string() << " (" << containerSize << " bytes, "
      << (options.compressed ? "zlib level " + std::to_string(options.level) : std::string("raw")) << ", "
      << (options.nameFormat >= engine::kNameFormatPrefixed ? "length-prefixed" : "256-byte") << " names, "
      << (options.header ? "with" : "without") << " header)\n";
  return kExitOk;
}

// ---- list and verify ----

struct ReadOptions {
  uint32_t offset = 0;
  std::string container;
};

ReadOptions ParseReadOptions(const std::vector<std::string>& args, const char* command) {
  ReadOptions options;
  std::vector<std::string> operands;
  for (const std::string& a : args) {
    if (StartsWith(a, "--offset=")) {
      options.offset = ParseOffset(a.substr(9));
    } else if (StartsWith(a, "--")) {
      throw UsageError(std::string("unknown option for ") + command + ": " + a);
    } else {
      operands.push_back(a);
    }
  }
  ExpectOperands(operands, 1, "CONTAINER");
  options.container = operands[0];
  return options;
}

// Walks every entry, inflating compressed ones; `list` prints them. Returns
// the exit code; every problem is reported on `err`.
int Walk(const ReadOptions& options, bool list, std::ostream& out, std::ostream& err) {
  std::string error;
  std::unique_ptr<engine::FileSource> source = engine::FileSource::Open(options.container, options.offset, error);
  if (!source) {
    err << "packdat: " << error << "\n";
    return kExitFailed;
  }
  SetupDataReader reader(*source);
  if (reader.ReadHeader() != SetupDataReader::HeaderStatus::kOk) {
    err << "packdat: " << options.container << ": cannot read the header\n";
    return kExitFailed;
  }
  if (list) {
    out << options.container << ": " << Describe(reader) << "\n";
    out << std::setw(12) << "stored" << std::setw(12) << "inflated" << "  name\n";
  }
  unsigned entries = 0, failures = 0;
  uint64_t stored = 0, inflated = 0;
  DataFileEntryInfo entry;
  SetupDataReader::NextStatus next;
  while ((next = reader.Next(entry)) == SetupDataReader::NextStatus::kEntry) {
    ++entries;
    engine::CountingSink sink;
    SetupDataReader::DataStatus status = reader.ReadData(&sink);
    stored += static_cast<uint64_t>(entry.size);
    bool ok = status == SetupDataReader::DataStatus::kComplete;
    if (ok) inflated += sink.count();
    if (list) {
      out << std::setw(12) << entry.size << std::setw(12) << (ok ? std::to_string(sink.count()) : std::string("-"))
          << "  " << entry.name << "\n";
    }
    if (!ok) {
      ++failures;
      err << "packdat: " << options.container << ": entry \"" << entry.name << "\" at offset " << entry.offset << ": "
          << engine::DataStatusText(status);
      if (!reader.inflateError().empty()) err << " (" << reader.inflateError() << ")";
      err << "\n";
      if (status == SetupDataReader::DataStatus::kReadError) return kExitFailed;
    }
  }
  bool damaged = false;
  switch (next) {
    case SetupDataReader::NextStatus::kEnd:
      break;
    case SetupDataReader::NextStatus::kEmptyName: {
      uint64_t rest = source->size() - std::min<uint64_t>(source->size(), options.offset + reader.position());
      if (rest != 0 && list) {
        out << "(an empty name at offset " << entry.offset << " ends the container; " << rest
            << " bytes after it are not read)\n";
      }
      break;
    }
    case SetupDataReader::NextStatus::kUnsafeName:
      damaged = true;
      err << "packdat: " << options.container << ": damaged: entry \"" << entry.name << "\" at offset "
          << entry.offset << " " << engine::EntryNameProblemText(entry.problem) << "\n";
      break;
    default:
      damaged = true;
      err << "packdat: " << options.container << ": damaged at offset " << entry.offset << ": "
          << engine::NextStatusText(next) << "\n";
      break;
  }
  if (list) {
    out << entries << " entr" << (entries == 1 ? "y" : "ies") << ", " << stored << " bytes stored, " << inflated
        << " bytes inflated\n";
  } else if (!damaged && failures == 0) {
    out << options.container << ": " << entries << " entr" << (entries == 1 ? "y" : "ies") << " verified, "
        << inflated << " bytes (" << Describe(reader) << ")\n";
  }
  return damaged || failures != 0 ? kExitFailed : kExitOk;
}

// ---- extract ----

// Only for the wording of messages: what the header says about the entries.
bool ContainerIsCompressed(const std::string& container, uint32_t offset) {
  std::string error;
  std::unique_ptr<engine::FileSource> source = engine::FileSource::Open(container, offset, error);
  if (!source) return false;
  SetupDataReader reader(*source);
  return reader.ReadHeader() == SetupDataReader::HeaderStatus::kOk && reader.options().compressed;
}

int Extract(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  engine::ExtractRules rules;
  rules.overwriteAll = false;
  uint32_t offset = 0;
  std::vector<std::string> operands;
  for (const std::string& a : args) {
    if (a == "--overwrite") {
      rules.overwriteAll = true;
    } else if (StartsWith(a, "--keep=")) {
      rules.keepList = a.substr(7);
    } else if (StartsWith(a, "--include=")) {
      rules.includeList = a.substr(10);
    } else if (StartsWith(a, "--offset=")) {
      offset = ParseOffset(a.substr(9));
    } else if (StartsWith(a, "--")) {
      throw UsageError("unknown option for extract: " + a);
    } else {
      operands.push_back(a);
    }
  }
  ExpectOperands(operands, 2, "CONTAINER and DESTINATION");
  if (rules.overwriteAll && !rules.keepList.empty()) throw UsageError("--keep has no effect with --overwrite");

  std::error_code ec;
  fs::create_directories(operands[1], ec);
  if (!fs::is_directory(operands[1], ec)) {
    err << "packdat: cannot create " << operands[1] << (ec ? ": " + ec.message() : std::string()) << "\n";
    return kExitFailed;
  }
  std::string error;
  std::unique_ptr<engine::FileSource> source = engine::FileSource::Open(operands[0], offset, error);
  if (!source) {
    err << "packdat: " << error << "\n";
    return kExitFailed;
  }
  engine::FolderTarget target(operands[1]);
  bool compressed = ContainerIsCompressed(operands[0], offset);
  bool entryFailed = false;
  engine::ExtractReport report = engine::ExtractEntries(
      *source, target, rules, [&](const DataFileEntryInfo& entry, bool selected, SetupDataReader::DataStatus status) {
        if (status == SetupDataReader::DataStatus::kComplete) return;
        entryFailed = true;
        err << "packdat: entry \"" << entry.name << "\" at offset " << entry.offset << ": "
            << engine::DataStatusText(status);
        if (!selected) {
          err << " (not extracted)";
        } else if (status == SetupDataReader::DataStatus::kInflateFailed ||
                   (status == SetupDataReader::DataStatus::kTruncated && compressed)) {
          err << "; the file is left empty";
        } else if (status == SetupDataReader::DataStatus::kTruncated) {
          err << "; the file holds the bytes that were there";
        }
        err << "\n";
      });
  bool clean = report.stop == engine::ExtractStop::kEndOfFile || report.stop == engine::ExtractStop::kEmptyName;
  if (!clean) {
    err << "packdat: " << operands[0] << ": " << engine::ExtractStopText(report.stop);
    if (report.stop != engine::ExtractStop::kHeaderReadError) {
      err << " at entry \"" << report.stopEntry.name << "\", offset " << report.stopEntry.offset;
    }
    if (report.stop == engine::ExtractStop::kUnsafeName) {
      err << " (" << engine::EntryNameProblemText(report.stopEntry.problem) << ")";
    }
    if (report.stop == engine::ExtractStop::kTargetNotCreated && !target.lastError().empty()) {
      err << ": " << target.lastError();
    }
    err << "; reading stopped there (the setup would answer " << (report.result ? "true" : "false") << ")\n";
  }
  out << "extracted " << report.written << " of " << report.entries << " entr" << (report.entries == 1 ? "y" : "ies")
      << " into " << operands[1] << " (" << report.bytesWritten << " bytes";
  if (report.notSelected != 0) {
    out << ", " << report.notSelected << " not selected";
    if (!rules.overwriteAll) out << "; existing files stay unless --overwrite or --keep is given";
  }
  out << ")\n";
  return clean && !entryFailed ? kExitOk : kExitFailed;
}

}  // namespace

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  try {
    if (args.empty()) throw UsageError("no command given");
    const std::string& command = args[0];
    std::vector<std::string> rest(args.begin() + 1, args.end());
    if (command == "--help" || command == "-h" || command == "help") {
      out << kUsage;
      return kExitOk;
    }
    for (const std::string& a : rest) {
      if (a == "--help" || a == "-h") {
        out << kUsage;
        return kExitOk;
      }
    }
    if (command == "create") return Create(rest, out, err);
    if (command == "list") return Walk(ParseReadOptions(rest, "list"), true, out, err);
    if (command == "verify") return Walk(ParseReadOptions(rest, "verify"), false, out, err);
    if (command == "extract") return Extract(rest, out, err);
    throw UsageError("unknown command \"" + command + "\"");
  } catch (const UsageError& e) {
    err << "packdat: " << e.what() << "\n(packdat --help shows the commands)\n";
    return kExitUsage;
  } catch (const std::exception& e) {
    err << "packdat: " << e.what() << "\n";
    return kExitFailed;
  }
}

}  // namespace packdat
