// The phonebook on Linux: NetworkManager connection profiles (through nmcli) and pppd peers
// (/etc/ppp/peers), dialled synchronously with a time bound.
//
// Entries: NetworkManager's profiles first, in the order nmcli lists them (active ones first,
// then by name; loopback profiles left out), then the pppd peers by file name; a peer with the
// name of a profile is hidden by the profile.
//
// Stored account:
//   PPPoE, DSL  pppoe.username / pppoe.password, adsl.username / adsl.password
//   mobile      gsm.username / gsm.password, cdma.username / cdma.password
//   VPN         vpn.user-name, else the "username" or "user" item of vpn.data / the "password"
//               item of vpn.secrets
//   other NM    none: the fetch succeeds with an empty user name and password
//   pppd peer   the "user" option of the peer file / the secret of that user in pap-secrets,
//               else chap-secrets (server "*" or the peer's "remotename")
//
// Dialling: `nmcli --wait N connection up id NAME` (N = 90 s, or the profile's own DHCP wait
// plus 30 s when that is longer), the password through `passwd-file /dev/stdin` fed by a pipe,
// as every secret the profile's type may ask for (PPPoE, DSL, mobile and VPN passwords, Wi-Fi
// keys, 802.1X passwords). The dial uses the given user name: where it differs from the
// profile's (pppoe/adsl/gsm/cdma user name, vpn.user-name, 802-1x.identity of a profile with
// 802.1X), it is set first with `nmcli connection modify --temporary`, which changes the running
// profile only, never the one stored on disk; an empty user name keeps the profile's own. A pppd
// peer is dialled with `pppd call NAME updetach`, the user name as its "user" option and the
// password in an options file read from a pipe (`file /dev/fd/3`). No password ever reaches a
// command line or the environment. Every helper runs with argv (no shell) and its process group
// is ended when it outlives its bound or the program stops; the dial returns 0 only when the
// helper was seen to end reporting the connection up.
#pragma once

#include <chrono>
#include <map>
#include <string>
#include <vector>

#include "core/IPhonebook.h"

namespace tavrel {

struct PhonebookOptions {
  std::string nmcli = "/usr/bin/nmcli";
  std::string pppd = "/usr/sbin/pppd";
  std::string pppRoot = "/etc/ppp";  // holds peers/, pap-secrets, chap-secrets
  std::chrono::seconds dialTimeout{90};
  std::chrono::milliseconds listTimeout{10000};  // each nmcli query
};

// Error numbers of the phonebook (the platform's own numbers where one fits).
namespace phonebook_error {
inline constexpr std::uint32_t kBufferTooSmall = 603;  // more entries than records
inline constexpr std::uint32_t kCannotFindEntry = 623;
inline constexpr std::uint32_t kCancelled = 631;  // the program is stopping
inline constexpr std::uint32_t kTimeout = 638;
inline constexpr std::uint32_t kDialFailed = 651;
inline constexpr std::uint32_t kCannotStart = 656;  // the dialler could not be run
inline constexpr std::uint32_t kBadPassword = 691;  // a password no dialler can take (line break)
}  // namespace phonebook_error

class LinuxPhonebook : public IPhonebook {
 public:
  explicit LinuxPhonebook(PhonebookOptions options = {});

  std::uint32_t RasDial(const RasDialParams& params) override;
  std::uint32_t RasEnumEntries(std::vector<RasEntryName>& entries, std::uint32_t& count) override;
  std::uint32_t RasGetEntryDialParams(RasDialParams& params, bool& passwordSaved) override;

  struct Entry {
    std::string name;
    bool peer = false;   // a pppd peer; otherwise a NetworkManager profile
    std::string nmType;  // NetworkManager's connection type ("pppoe", "gsm", "vpn", ...)
  };
  std::vector<Entry> Entries();

 private:
  struct Account {
    std::string user;
    std::string password;
  };
  std::vector<Entry> NmProfiles();
  std::vector<std::string> Peers();
  bool FindEntry(const std::string& name, Entry& entry);
  bool NmAccount(const Entry& e, Account& account);
  bool PeerAccount(const std::string& name, Account& account);
  // The named fields of a profile that it has (terse `connection show`).
  std::map<std::string, std::string> NmFields(const std::string& name, const std::vector<std::string>& fields);
  std::uint32_t DialNm(const Entry& e, const std::string& user, const std::string& password);
  std::uint32_t DialPeer(const std::string& name, const std::string& user, const std::string& password);

  PhonebookOptions options_;
};

// Helpers of the text formats, exposed for their tests.
namespace phonebook_text {
// Splits one line of `nmcli -t` output at unescaped ':' and removes the escapes.
std::vector<std::string> SplitTerse(const std::string& line);
// Words of a pppd options or secrets file line: blanks separate, '#' starts a comment, "..." or
// '...' quote, a backslash escapes the next character.
std::vector<std::string> PppWords(const std::string& line);
// The value of key in nmcli's "key = value, key = value" rendering of vpn.data / vpn.secrets.
std::string VpnItem(const std::string& rendered, const std::string& key);
// A word quoted for a pppd options file.
std::string PppQuote(const std::string& word);
}  // namespace phonebook_text

}  // namespace tavrel
