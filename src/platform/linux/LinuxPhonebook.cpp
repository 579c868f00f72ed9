#include "platform/linux/LinuxPhonebook.h"

#include <dirent.h>
#include <sys/stat.h>
#include <algorithm>
#include <map>
#include <sstream>

#include "core/Convert.h"
#include "platform/linux/Descriptors.h"
#include "platform/linux/ProcessRunner.h"
#include "platform/linux/StopRequest.h"

namespace tavrel {

using linux_platform::ProcessRequest;
using linux_platform::ProcessResult;
using linux_platform::RunProcess;
using linux_platform::StopRequested;

namespace phonebook_text {

std::vector<std::string> SplitTerse(const std::string& line) {
  std::vector<std::string> out(1);
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (c == '\\' && i + 1 < line.size()) {
      out.back() += line[++i];
    } else if (c == ':') {
      out.emplace_back();
    } else {
      out.back() += c;
    }
  }
  return out;
}

std::vector<std::string> PppWords(const std::string& line) {
  std::vector<std::string> words;
  std::string w;
  bool inWord = false;
  char quote = 0;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quote) {
      if (c == quote)
        quote = 0;
      else if (c == '\\' && i + 1 < line.size())
        w += line[++i];
      else
        w += c;
      continue;
    }
    if (c == '#') break;
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      if (inWord) words.push_back(w), w.clear(), inWord = false;
      continue;
    }
    inWord = true;
    if (c == '"' || c == '\'')
      quote = c;
    else if (c == '\\' && i + 1 < line.size())
      w += line[++i];
    else
      w += c;
  }
  if (inWord) words.push_back(w);
  return words;
}

std::string VpnItem(const std::string& rendered, const std::string& key) {
  // Items are separated by ", "; a backslash escapes the next character.
  std::vector<std::string> items(1);
  for (std::size_t i = 0; i < rendered.size(); ++i) {
    const char c = rendered[i];
    if (c == '\\' && i + 1 < rendered.size())
      items.back() += rendered[++i];
    else if (c == ',')
      items.emplace_back();
    else
      items.back() += c;
  }
  for (const auto& item : items) {
    const auto eq = item.find(" = ");
    if (eq == std::string::npos) continue;
    if (convert::Trim(std::string_view(item).substr(0, eq), " ") == key) return item.substr(eq + 3);
  }
  return {};
}

std::string PppQuote(const std::string& word) {
  std::string q = "\"";
  for (const char c : word) {
    if (c == '"' || c == '\\') q += '\\';
    q += c;
  }
  return q + "\"";
}

}  // namespace phonebook_text

namespace {

using phonebook_text::PppWords;

constexpr std::size_t kMaxFileBytes = 1 << 20;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string l;
  while (std::getline(in, l)) lines.push_back(l);
  return lines;
}

std::string ReadFileBounded(const std::string& path) {
  return linux_platform::ReadWholeFile(path, kMaxFileBytes).value_or(std::string());
}

bool IsRegularFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Where a NetworkManager connection type keeps its account: the user name's property and the
// secret properties a typed password is given for (NetworkManager takes the one the profile asks
// for). Some live in a setting that a profile of the type may lack (802.1X, Wi-Fi security):
// they count only when the profile has the field named beside them.
struct NmKey {
  const char* property = nullptr;
  const char* onlyWith = nullptr;  // a field the profile must have; none: always
};
struct NmAccountKeys {
  NmKey user;
  std::vector<NmKey> passwords;
};
NmAccountKeys AccountKeysOf(const std::string& type) {
  constexpr const char* k8021x = "802-1x.eap";
  constexpr const char* kWifiSecurity = "802-11-wireless-security.key-mgmt";
  if (type == "pppoe") return {{"pppoe.username"}, {{"pppoe.password"}}};
  if (type == "gsm") return {{"gsm.username"}, {{"gsm.password"}}};
  if (type == "cdma") return {{"cdma.username"}, {{"cdma.password"}}};
  if (type == "adsl") return {{"adsl.username"}, {{"adsl.password"}}};
  if (type == "vpn") return {{"vpn.user-name"}, {{"vpn.secrets.password"}}};
  if (type == "bluetooth") return {{}, {{"gsm.password", "gsm.apn"}, {"cdma.password", "cdma.number"}}};
  if (type == "802-11-wireless")
    return {{"802-1x.identity", k8021x},
            {{"802-11-wireless-security.psk", kWifiSecurity},
             {"802-11-wireless-security.wep-key0", kWifiSecurity},
             {"802-1x.password", k8021x}}};
  if (type == "802-3-ethernet") return {{"802-1x.identity", k8021x}, {{"802-1x.password", k8021x}}};
  return {};
}

// The stored account of the types whose user name and password are plain properties.
bool SimpleAccountType(const std::string& type) {
  return type == "pppoe" || type == "gsm" || type == "cdma" || type == "adsl";
}

// A dial succeeded only when its helper was seen to end with status 0.
std::uint32_t DialResult(const ProcessResult& r) {
  if (r.cancelled) return phonebook_error::kCancelled;
  if (!r.started) return phonebook_error::kCannotStart;
  if (r.timedOut) return phonebook_error::kTimeout;
  return r.exitCode == 0 ? 0 : phonebook_error::kDialFailed;
}

}  // namespace

LinuxPhonebook::LinuxPhonebook(PhonebookOptions options) : options_(std::move(options)) {}

std::vector<LinuxPhonebook::Entry> LinuxPhonebook::NmProfiles() {
  std::vector<Entry> out;
  ProcessRequest req;
  req.argv = {options_.nmcli, "-t", "-f", "NAME,TYPE", "connection", "show"};
  req.timeout = options_.listTimeout;
  const ProcessResult r = RunProcess(req);
  if (!r.started || r.timedOut || r.exitCode != 0) return out;
  for (const auto& line : Lines(r.out)) {
    const auto f = phonebook_text::SplitTerse(line);
    if (f.size() < 2 || f[0].empty()) continue;
    if (f[1] == "loopback") continue;
    out.push_back({f[0], false, f[1]});
  }
  return out;
}

std::vector<std::string> LinuxPhonebook::Peers() {
  std::vector<std::string> names;
  const std::string folder = options_.pppRoot + "/peers";
  DIR* d = ::opendir(folder.c_str());
  if (!d) return names;
  while (const dirent* e = ::readdir(d)) {
    const std::string n = e->d_name;
    if (n.empty() || n[0] == '.' || n.back() == '~') continue;
    if (!IsRegularFile(folder + "/" + n)) continue;
    names.push_back(n);
  }
  ::closedir(d);
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<LinuxPhonebook::Entry> LinuxPhonebook::Entries() {
  std::vector<Entry> all = NmProfiles();
  for (auto& p : Peers()) {
    const bool hidden = std::any_of(all.begin(), all.end(), [&](const Entry& e) { return !e.peer && e.name == p; });
    if (!hidden) all.push_back({std::move(p), true, {}});
  }
  return all;
}

bool LinuxPhonebook::FindEntry(const std::string& name, Entry& entry) {
  if (name.empty()) return false;
  for (auto& e : Entries()) {
    if (e.name == name) {
      entry = std::move(e);
      return true;
    }
  }
  return false;
}

std::uint32_t LinuxPhonebook::RasEnumEntries(std::vector<RasEntryName>& entries, std::uint32_t& count) {
  count = 0;
  const auto all = Entries();
  for (const auto& e : all) {
    if (count >= entries.size()) return phonebook_error::kBufferTooSmall;
    auto& field = entries[count].szEntryName;
    field.fill('\0');
    e.name.copy(field.data(), field.size() - 1);
    ++count;
  }
  return 0;
}

bool LinuxPhonebook::NmAccount(const Entry& e, Account& a) {
  a = {};
  std::vector<std::string> fields;
  const bool vpn = e.nmType == "vpn";
  if (vpn) {
    fields = {"vpn.user-name", "vpn.data", "vpn.secrets"};
  } else if (SimpleAccountType(e.nmType)) {
    const NmAccountKeys k = AccountKeysOf(e.nmType);
    fields = {k.user.property, k.passwords.front().property};
  } else {
    return true;  // a type without a plain account: nothing stored, nothing missing
  }

  std::string list;
  for (const auto& f : fields) list += (list.empty() ? "" : ",") + f;
  ProcessRequest req;
  req.argv = {options_.nmcli, "-s", "--escape", "no", "-g", list, "connection", "show", "id", e.name};
  req.timeout = options_.listTimeout;
  ProcessResult r = RunProcess(req);
  if (!r.started || r.timedOut || r.exitCode != 0) return false;
  auto lines = Lines(r.out);
  lines.resize(fields.size());
  if (vpn) {
    a.user = lines[0];
    if (a.user.empty()) a.user = phonebook_text::VpnItem(lines[1], "username");
    if (a.user.empty()) a.user = phonebook_text::VpnItem(lines[1], "user");
    a.password = phonebook_text::VpnItem(lines[2], "password");
  } else {
    a.user = lines[0];
    a.password = lines[1];
  }
  std::fill(r.out.begin(), r.out.end(), '\0');
  for (auto& l : lines) std::fill(l.begin(), l.end(), '\0');
  return true;
}

bool LinuxPhonebook::PeerAccount(const std::string& name, Account& a) {
  a = {};
  const std::string peerFile = options_.pppRoot + "/peers/" + name;
  if (!IsRegularFile(peerFile)) return false;
  std::string remote;
  for (const auto& line : Lines(ReadFileBounded(peerFile))) {
    const auto w = PppWords(line);
    for (std::size_t i = 0; i + 1 < w.size(); ++i) {
      if (w[i] == "user") a.user = w[i + 1];
      if (w[i] == "remotename") remote = w[i + 1];
    }
  }
  if (a.user.empty()) return true;
  for (const char* secrets : {"/pap-secrets", "/chap-secrets"}) {
    for (const auto& line : Lines(ReadFileBounded(options_.pppRoot + secrets))) {
      const auto w = PppWords(line);
      if (w.size() < 3 || w[0] != a.user) continue;
      if (w[1] != "*" && w[1] != remote && !(remote.empty() && w[1] == name)) continue;
      a.password = w[2];
      return true;
    }
  }
  return true;
}

std::uint32_t LinuxPhonebook::RasGetEntryDialParams(RasDialParams& params, bool& passwordSaved) {
  passwordSaved = false;
  const std::string name(params.szEntryName.data(),
                         std::find(params.szEntryName.begin(), params.szEntryName.end(), '\0'));
  Entry e;
  if (!FindEntry(name, e)) return phonebook_error::kCannotFindEntry;
  Account a;
  const bool ok = e.peer ? PeerAccount(e.name, a) : NmAccount(e, a);
  if (!ok) return phonebook_error::kCannotFindEntry;
  params.szUserName.fill('\0');
  params.szPassword.fill('\0');
  a.user.copy(params.szUserName.data(), params.szUserName.size() - 1);
  a.password.copy(params.szPassword.data(), params.szPassword.size() - 1);
  passwordSaved = !a.password.empty();
  std::fill(a.password.begin(), a.password.end(), '\0');
  return 0;
}

std::map<std::string, std::string> LinuxPhonebook::NmFields(const std::string& name,
                                                            const std::vector<std::string>& fields) {
  std::map<std::string, std::string> out;
  std::string list;
  for (const auto& f : fields) list += (list.empty() ? "" : ",") + f;
  // Terse "field:value" lines, values escaped; fields of a setting the profile lacks are left out
  // (nmcli's -g would leave them out too, without saying which).
  ProcessRequest q;
  q.argv = {options_.nmcli, "-t", "-f", list, "connection", "show", "id", name};
  q.timeout = options_.listTimeout;
  const ProcessResult r = RunProcess(q);
  if (!r.started || r.timedOut || r.cancelled || r.exitCode != 0) return out;
  for (const auto& line : Lines(r.out)) {
    const auto kv = phonebook_text::SplitTerse(line);
    if (kv.size() == 2) out[kv[0]] = kv[1];
  }
  return out;
}

std::uint32_t LinuxPhonebook::DialNm(const Entry& e, const std::string& user, const std::string& password) {
  const NmAccountKeys keys = AccountKeysOf(e.nmType);
  std::vector<std::string> fields{"ipv4.dhcp-timeout"};
  for (const NmKey& k : keys.passwords)
    if (k.onlyWith) fields.push_back(k.onlyWith);
  if (keys.user.property) {
    fields.push_back(keys.user.property);
    if (keys.user.onlyWith) fields.push_back(keys.user.onlyWith);
  }
  std::sort(fields.begin() + 1, fields.end());
  fields.erase(std::unique(fields.begin(), fields.end()), fields.end());
  const auto profile = NmFields(e.name, fields);
  if (StopRequested()) return phonebook_error::kCancelled;
  const auto applies = [&](const NmKey& k) { return k.property && (!k.onlyWith || profile.count(k.onlyWith)); };

  // The profile's own DHCP wait may be longer than the usual bound.
  auto wait = options_.dialTimeout;
  if (const auto it = profile.find("ipv4.dhcp-timeout"); it != profile.end()) {
    const long dhcp = std::strtol(it->second.c_str(), nullptr, 10);
    if (dhcp > 0 && dhcp < 3600 && std::chrono::seconds(dhcp + 30) > wait) wait = std::chrono::seconds(dhcp + 30);
  }

  // The account is the settings' one: a user name that differs from the profile's is set on the
  // running profile only (--temporary), so that the profile stored on disk stays as it is. An
  // empty user name keeps the profile's own.
  if (applies(keys.user) && !user.empty()) {
    const auto current = profile.find(keys.user.property);
    if (current == profile.end() || current->second != user) {
      ProcessRequest m;
      m.argv = {options_.nmcli, "connection", "modify", "--temporary", "id", e.name, keys.user.property, user};
      m.timeout = options_.listTimeout;
      const ProcessResult r = RunProcess(m);
      if (r.cancelled) return phonebook_error::kCancelled;
      if (!r.started) return phonebook_error::kCannotStart;
      if (r.timedOut || r.exitCode != 0) return phonebook_error::kDialFailed;
    }
  }

  ProcessRequest req;
  req.argv = {options_.nmcli, "--wait", std::to_string(wait.count()), "connection", "up", "id", e.name};
  if (!password.empty()) {
    // One line per secret the profile may ask for.
    for (const NmKey& k : keys.passwords)
      if (applies(k)) req.stdinData += std::string(k.property) + ":" + password + "\n";
  }
  if (!req.stdinData.empty()) {
    req.argv.insert(req.argv.end(), {"passwd-file", "/dev/stdin"});
    req.useStdin = true;
    if (req.stdinData.size() > linux_platform::kMaxProcessInput) {
      std::fill(req.stdinData.begin(), req.stdinData.end(), '\0');
      return phonebook_error::kBadPassword;
    }
  }
  // nmcli gives up after its own wait; the process bound only catches a helper that hangs.
  req.timeout = wait + std::chrono::seconds(15);
  ProcessResult r = RunProcess(req);
  std::fill(req.stdinData.begin(), req.stdinData.end(), '\0');
  return DialResult(r);
}

std::uint32_t LinuxPhonebook::DialPeer(const std::string& name, const std::string& user, const std::string& password) {
  ProcessRequest req;
  req.argv = {options_.pppd, "call", name, "updetach"};
  if (!user.empty()) req.argv.insert(req.argv.end(), {"user", user});
  if (!password.empty()) {
    req.argv.insert(req.argv.end(), {"file", "/dev/fd/3"});
    req.useFd3 = true;
    req.fd3Data = "password " + phonebook_text::PppQuote(password) + "\n";
  }
  req.timeout = options_.dialTimeout;
  ProcessResult r = RunProcess(req);
  std::fill(req.fd3Data.begin(), req.fd3Data.end(), '\0');
  return DialResult(r);
}

std::uint32_t LinuxPhonebook::RasDial(const RasDialParams& params) {
  const auto text = [](const auto& field) {
    return std::string(field.data(), std::find(field.begin(), field.end(), '\0'));
  };
  const std::string name = text(params.szEntryName);
  std::string password = text(params.szPassword);
  if (password.find_first_of("\r\n") != std::string::npos) return phonebook_error::kBadPassword;
  Entry e;
  if (!FindEntry(name, e)) return phonebook_error::kCannotFindEntry;
  const std::string user = text(params.szUserName);
  const std::uint32_t rc = e.peer ? DialPeer(name, user, password) : DialNm(e, user, password);
  std::fill(password.begin(), password.end(), '\0');
  return rc;
}

}  // namespace tavrel
