#include "serverconf/webserver_config.h"

#include <cstdio>
#include <fstream>
#include <stdexcept>

namespace serverconf {
namespace {

constexpr std::string_view kModuleMarker = "wcs.dll";
constexpr std::string_view kFilterHeader = "[Filter]";
constexpr std::string_view kFilterEntry = "=modules\\wcs.dll|[wcs]";
constexpr std::string_view kVirtualHostHeader = "[Virtual-Host]";
constexpr std::string_view kVirtualHostEntry = "/wcs/=[wcs]";
constexpr std::string_view kOldModule = "webmail\\web.dll";
constexpr std::string_view kNewModule = "php\\php.dll";

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Headers are matched without regard to case, ASCII letters only, as the
// server itself reads them; the positions are those of the original text.
std::size_t FindNoCase(std::string_view text, std::string_view what) {
  if (what.empty() || text.size() < what.size()) return std::string_view::npos;
  for (std::size_t i = 0; i + what.size() <= text.size(); ++i) {
    std::size_t k = 0;
    while (k < what.size() && AsciiLower(text[i + k]) == AsciiLower(what[k])) ++k;
    if (k == what.size()) return i;
  }
  return std::string_view::npos;
}

// The line end the file already uses, so that added lines match their
// neighbours; a file of one line gets the server's usual CR LF.
std::string_view LineEndOf(std::string_view text) {
  const std::size_t lf = text.find('\n');
  if (lf == std::string_view::npos || (lf > 0 && text[lf - 1] == '\r')) return "\r\n";
  return "\n";
}

struct InsertPoint {
  std::size_t pos;
  bool needs_line_end;  // the text ends in a line without a line end
};

InsertPoint AfterHeaderLine(std::string_view text, std::size_t header) {
  const std::size_t lf = text.find('\n', header);
  if (lf == std::string_view::npos) return {text.size(), true};
  return {lf + 1, false};
}

// Where a new last line of the section whose header is at `header` goes: in
// front of the first empty line or the next section's header, or at the end.
InsertPoint SectionEnd(std::string_view text, std::size_t header) {
  InsertPoint at = AfterHeaderLine(text, header);
  if (at.needs_line_end) return at;
  std::size_t line = at.pos;
  while (line < text.size()) {
    const std::size_t lf = text.find('\n', line);
    const bool empty = lf != std::string_view::npos &&
                       (lf == line || (lf == line + 1 && text[line] == '\r'));
    if (empty) return {line, false};
    const std::size_t first = text.find_first_not_of(" \t", line);
    if (first != std::string_view::npos && first < lf && text[first] == '[') return {line, false};
    if (lf == std::string_view::npos) return {text.size(), true};
    line = lf + 1;
  }
  return {text.size(), false};
}

void InsertLine(std::string& text, InsertPoint at, std::string_view line, std::string_view eol) {
  std::string added;
  if (at.needs_line_end) added += eol;
  added += line;
  added += eol;
  text.insert(at.pos, added);
}

// A section the file lacks goes at its end, one blank line after the old
// content (whose trailing blanks and control characters give way to it).
InsertPoint AppendSection(std::string& text, std::string_view header, std::string_view eol) {
  std::size_t keep = text.size();
  while (keep > 0 && static_cast<unsigned char>(text[keep - 1]) <= ' ') --keep;
  text.resize(keep);
  if (!text.empty()) {
    text += eol;
    text += eol;
  }
  text += header;
  text += eol;
  return {text.size(), false};
}

void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
  std::string out;
  std::size_t done = 0;
  for (std::size_t hit = text.find(from); hit != std::string::npos; hit = text.find(from, done)) {
    out.append(text, done, hit - done);
    out += to;
    done = hit + from.size();
  }
  if (done == 0) return;
  out.append(text, done, std::string::npos);
  text = std::move(out);
}

bool ReadWhole(const std::string& path, std::string& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in.is_open()) return false;
  std::string data;
  char buffer[16384];
  while (in.read(buffer, sizeof buffer)) data.append(buffer, sizeof buffer);
  data.append(buffer, static_cast<std::size_t>(in.gcount()));
  // A read error (not the end of the file) means the content is incomplete.
  if (in.bad() || !in.eof()) return false;
  out = std::move(data);
  return true;
}

bool WriteWhole(const std::string& path, std::string_view data) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out.is_open()) return false;
  out.write(data.data(), static_cast<std::streamsize>(data.size()));
  out.close();
  return !out.fail();
}

// Puts `data` in place of the file at `path` so that the file holds either its
// old or its new content at every moment a reader can look.
bool ReplaceFileContent(const std::string& path, std::string_view data) {
  const std::string fresh = path + ".setup-new";
  const std::string aside = path + ".setup-old";
  std::remove(fresh.c_str());  // left behind by an interrupted run, if at all
  if (!WriteWhole(fresh, data)) {
    std::remove(fresh.c_str());
    return false;
  }
  if (std::rename(fresh.c_str(), path.c_str()) == 0) return true;
  // The Windows C runtime does not rename onto an existing file: move the old
  // one aside for the moment of the swap and back when the swap fails.
  std::remove(aside.c_str());
  if (std::rename(path.c_str(), aside.c_str()) != 0) {
    std::remove(fresh.c_str());
    return false;
  }
  if (std::rename(fresh.c_str(), path.c_str()) != 0) {
    std::rename(aside.c_str(), path.c_str());
    std::remove(fresh.c_str());
    return false;
  }
  std::remove(aside.c_str());
  return true;
}

}  // namespace

std::size_t FindFrom(std::string_view sub, std::string_view text, long long start, long long end) {
  if (sub.empty() || text.empty()) return 0;
  const long long length = static_cast<long long>(text.size());
  if (start < 1) start = 1;
  if (end < 1 || end > length) end = length;
  if (start > end) return 0;
  const std::size_t hit = text.find(sub, static_cast<std::size_t>(start - 1));
  if (hit == std::string_view::npos || static_cast<long long>(hit) + 1 > end) return 0;
  return hit + 1;
}

std::string UpdateWebServerConfigText(std::string_view original) {
  std::string text(original);
  const std::string_view eol = LineEndOf(original);
  if (FindFrom(kModuleMarker, text, 1) == 0) {
    const std::size_t filter = FindNoCase(text, kFilterHeader);
    const InsertPoint filter_at = filter == std::string::npos
                                      ? AppendSection(text, kFilterHeader, eol)
                                      : SectionEnd(text, filter);
    InsertLine(text, filter_at, kFilterEntry, eol);

    const std::size_t host = FindNoCase(text, kVirtualHostHeader);
    const InsertPoint host_at = host == std::string::npos
                                    ? AppendSection(text, kVirtualHostHeader, eol)
                                    : AfterHeaderLine(text, host);
    InsertLine(text, host_at, kVirtualHostEntry, eol);
  }
  ReplaceAll(text, kOldModule, kNewModule);
  return text;
}

WebServerConfigUpdate UpdateWebServerConfigFile(const std::string& path) {
  std::string text;
  if (!ReadWhole(path, text)) return WebServerConfigUpdate::kNotRead;
  if (!ReplaceFileContent(path, UpdateWebServerConfigText(text))) {
    return WebServerConfigUpdate::kWriteFailed;
  }
  return WebServerConfigUpdate::kWritten;
}

std::string WebServerConfigPath(const std::string& install_dir) {
  return install_dir + "config\\webserver.cfg";
}

void UpdateWebServerConfig(const std::string& install_dir) {
  try {
    UpdateWebServerConfigFile(WebServerConfigPath(install_dir));
  } catch (const std::exception&) {
    // Only memory can run out here; the web server keeps its old, working
    // configuration and the upgrade goes on, as with any failure of this edit.
  }
}

}  // namespace serverconf
