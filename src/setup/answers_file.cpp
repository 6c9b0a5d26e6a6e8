#include "setup/answers_file.h"

#include <cctype>
#include <set>
#include <vector>

#include "messages/setup_messages.h"

namespace setup {
namespace {

enum class Kind { kFolder, kEdition, kConsole, kYesNo, kText };

using Field = void (*)(UnattendedAnswers&, const std::string&, bool flag);

struct KeyDesign {
  const char* section;  // upper case
  const char* key;      // upper case
  const char* name;     // as documented
  Kind kind;
  Field store;
};

// One row per key, in the order the answers file documents them.
constexpr KeyDesign kKeys[] = {
    {"SETUP", "DESTINATION", "Destination", Kind::kFolder,
     [](UnattendedAnswers& a, const std::string& v, bool) { a.destination = v; }},
    {"SETUP", "EDITION", "Edition", Kind::kEdition,
     [](UnattendedAnswers& a, const std::string& v, bool) {
       const std::string upper = UpperCaseAscii(v);
       a.edition = upper == "PROFESSIONAL" ? 1 : upper == "STANDARD" ? 0 : 2;
     }},
    {"SETUP", "CONSOLEMODE", "ConsoleMode", Kind::kConsole,
     [](UnattendedAnswers& a, const std::string& v, bool) { a.basic_console = UpperCaseAscii(v) == "BASIC"; }},
    {"COMPONENTS", "WEBMAIL", "WebMail", Kind::kYesNo,
     [](UnattendedAnswers& a, const std::string&, bool f) { a.web_mail = f; }},
    {"COMPONENTS", "ANTISPAM", "AntiSpam", Kind::kYesNo,
     [](UnattendedAnswers& a, const std::string&, bool f) { a.anti_spam = f; }},
    {"COMPONENTS", "ANTIVIRUS", "AntiVirus", Kind::kYesNo,
     [](UnattendedAnswers& a, const std::string&, bool f) { a.anti_virus = f; }},
    {"COMPONENTS", "INSTANTMESSAGING", "InstantMessaging", Kind::kYesNo,
     [](UnattendedAnswers& a, const std::string&, bool f) { a.instant_messaging = f; }},
    {"COMPONENTS", "GROUPWARE", "GroupWare", Kind::kYesNo,
     [](UnattendedAnswers& a, const std::string&, bool f) { a.groupware = f; }},
    {"USER", "NAME", "Name", Kind::kText, [](UnattendedAnswers& a, const std::string& v, bool) { a.user_name = v; }},
    {"USER", "EMAIL", "Email", Kind::kText,
     [](UnattendedAnswers& a, const std::string& v, bool) { a.user_email = v; }},
    {"USER", "COMPANY", "Company", Kind::kText,
     [](UnattendedAnswers& a, const std::string& v, bool) { a.user_company = v; }},
    {"USER", "COUNTRY", "Country", Kind::kText,
     [](UnattendedAnswers& a, const std::string& v, bool) { a.user_country = v; }},
    {"FIRSTRUN", "RUN", "Run", Kind::kYesNo,
     [](UnattendedAnswers& a, const std::string&, bool f) { a.run_first_run_wizard = f; }},
    {"FIRSTRUN", "HOSTNAME", "HostName", Kind::kText,
     [](UnattendedAnswers& a, const std::string& v, bool) { a.host_name = v; }},
    {"FIRSTRUN", "DOMAIN", "Domain", Kind::kText,
     [](UnattendedAnswers& a, const std::string& v, bool) { a.domain = v; }},
    {"FIRSTRUN", "ADMINUSER", "AdminUser", Kind::kText,
     [](UnattendedAnswers& a, const std::string& v, bool) { a.admin_user = v; }},
    {"FIRSTRUN", "ADMINPASSWORD", "AdminPassword", Kind::kText,
     [](UnattendedAnswers& a, const std::string& v, bool) { a.admin_password = v; }},
};

constexpr const char* kSections[] = {"SETUP", "COMPONENTS", "USER", "FIRSTRUN"};

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

bool IsBlank(const std::string& text) { return Trim(text).empty(); }

std::optional<bool> YesNo(const std::string& value) {
  const std::string upper = UpperCaseAscii(value);
  if (upper == "YES" || upper == "TRUE" || upper == "1") return true;
  if (upper == "NO" || upper == "FALSE" || upper == "0") return false;
  return std::nullopt;
}

// Empty when `value` fits `kind`, else what the key takes.
std::string Expected(Kind kind, const std::string& value) {
  const std::string upper = UpperCaseAscii(value);
  switch (kind) {
    case Kind::kFolder:
      return IsAbsoluteFolder(value) ? "" : "an absolute folder such as C:\\Program Files\\Tarno\\";
    case Kind::kEdition:
      return upper == "PROFESSIONAL" || upper == "STANDARD" || upper == "LITE" ? "" : "Professional, Standard or Lite";
    case Kind::kConsole:
      return upper == "ADVANCED" || upper == "BASIC" ? "" : "Advanced or Basic";
    case Kind::kYesNo:
      return YesNo(value) ? "" : "yes or no";
    case Kind::kText:
      return "";
  }
  return "";
}

std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i == text.size() || text[i] == '\n' || text[i] == '\r') {
      if (i < text.size() || start < text.size()) lines.push_back(text.substr(start, i - start));
      if (i + 1 < text.size() && text[i] == '\r' && text[i + 1] == '\n') ++i;
      start = i + 1;
    }
  }
  return lines;
}

AnswersReading Failure(std::string error) { return {std::nullopt, std::move(error)}; }

}  // namespace

bool IsAbsoluteFolder(std::string_view folder) {
  if (folder.size() >= 3 && std::isalpha(static_cast<unsigned char>(folder[0])) && folder[1] == ':' &&
      (folder[2] == '\\' || folder[2] == '/'))
    return true;
  return folder.size() >= 5 && folder.substr(0, 2) == "\\\\" && folder[2] != '\\' &&
         folder.find('\\', 2) != std::string_view::npos;
}

AnswersReading ParseAnswers(std::string_view text) {
  // A byte order mark of an editor that saved the file as UTF-8.
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  UnattendedAnswers answers;
  std::string section, section_name;
  std::set<const KeyDesign*> given;
  const std::vector<std::string_view> lines = Lines(text);
  for (size_t n = 0; n < lines.size(); ++n) {
    const std::string where = "line " + std::to_string(n + 1) + ": ";
    const std::string_view line = Trim(lines[n]);
    if (line.empty() || line.front() == ';' || line.front() == '#') continue;
    for (unsigned char c : line)
      if (c < 0x20 && c != '\t') return Failure(where + "a control character in the line");
    if (line.front() == '[') {
      if (line.back() != ']') return Failure(where + "a section name lacks its \"]\"");
      const std::string name(Trim(line.substr(1, line.size() - 2)));
      section = UpperCaseAscii(name);
      section_name = name;
      bool known = false;
      for (const char* s : kSections) known = known || section == s;
      if (!known) return Failure(where + "unknown section [" + name + "]");
      continue;
    }
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos) return Failure(where + "neither a section, a key=value line nor a comment");
    const std::string key(Trim(line.substr(0, equals)));
    std::string value(Trim(line.substr(equals + 1)));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
    if (section.empty()) return Failure(where + "the key \"" + key + "\" stands before any section");
    const KeyDesign* design = nullptr;
    for (const KeyDesign& k : kKeys)
      if (section == k.section && UpperCaseAscii(key) == k.key) design = &k;
    if (design == nullptr) return Failure(where + "unknown key \"" + key + "\" in [" + section_name + "]");
    if (!given.insert(design).second) return Failure(where + "the key \"" + design->name + "\" is given twice");
    const std::string expected = Expected(design->kind, value);
    if (!expected.empty())
      return Failure(where + "bad value \"" + value + "\" for " + design->name + " (expected " + expected + ")");
    design->store(answers, value, design->kind == Kind::kYesNo && *YesNo(value));
  }
  if (answers.destination.empty()) return Failure("the answer Destination in [Setup] is missing");
  if (answers.run_first_run_wizard &&
      (IsBlank(answers.host_name) || IsBlank(answers.domain) || IsBlank(answers.admin_user)))
    return Failure("[FirstRun] Run=yes needs HostName, Domain and AdminUser");
  return {answers, ""};
}

}  // namespace setup
