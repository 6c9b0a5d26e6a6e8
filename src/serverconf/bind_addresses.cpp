#include "serverconf/bind_addresses.h"

#include <windows.h>

#include "engine/file_helpers.h"
#include "serverconf/config_comment.h"
#include "serverconf/config_store.h"

namespace serverconf {
namespace {

using engine::Cut;

struct BindState {
  std::string outgoing;
  std::string ipv6;
};

BindState& State() {
  static BindState state;
  return state;
}

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
  return text.size() >= prefix.size() &&
         ::CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, text.c_str(), static_cast<int>(prefix.size()),
                          prefix.c_str(), static_cast<int>(prefix.size())) == CSTR_EQUAL;
}

}  // namespace

const std::string& OutgoingBindAddress() { return State().outgoing; }
const std::string& IPv6BindAddress() { return State().ipv6; }

void ApplyPathDatBinding() {
  const std::string& bind_line = PathOverrideLines().Line(10);
  if (bind_line.empty()) return;
  const BindOverride bind = ParseBindOverride(bind_line);
  Settings().SetString(settings_field::kBindAddresses, bind.bind_addresses);
  if (bind.outgoing) State().outgoing = Cut(*bind.outgoing);
}

void ReadServerBinding() {
  const std::optional<std::string> text = engine::ReadFileBytes(Paths().config_dir + "bind.dat");
  if (!text) return;
  for (const std::string& raw : SplitConfigLines(*text)) {
    std::string line;
    for (char c : TrimConfigText(StripConfigComment(raw)))
      if (c != ' ' && c != '\t') line += c;
    if (line.find('=') == std::string::npos) continue;
    if (StartsWithNoCase(line, "Outgoing_Bind=")) {
      const std::string value = line.substr(14);
      State().outgoing = Cut(value.substr(0, value.find(';')));
    } else if (StartsWithNoCase(line, "IPv6_Bind=")) {
      State().ipv6 = Cut(line.substr(10));
    }
  }
}

}  // namespace serverconf
