#include "netinfo/modGetAll.h"

#include <array>
#include <vector>

#include "activity/modMain.h"
#include "netinfo/modConnections.h"

namespace tavrel::modGetAll {

namespace {

constexpr std::size_t kTableRows = 11;
constexpr int kSubscriptOutOfRange = 9;  // the error number the user is shown for a 12th row
constexpr const char* kCrLf = "\r\n";
constexpr const char* kStars = " **************************************";

void StampedLine(Env& env, std::string& r, const std::string& text) {
  r += modMain::TimeStamp(env.clock);
  r += text;
  r += kCrLf;
}

}  // namespace

std::string GetAllAddresses(Env& env) {
  std::vector<MibIpAddrRow> rows;
  // A table that cannot be read reports nothing at all.
  if (env.addresses.GetIpAddrTable(rows) != 0) return {};

  std::string r = std::to_string(rows.size()) + "   IP addresses found" + kCrLf;
  std::array<MibIpAddrRow, kTableRows> table{};
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (i >= table.size()) {
      env.desktop.MsgBox(std::to_string(kSubscriptOutOfRange), mb::kOkOnly, env.app.title);
      return r;
    }
    table[i] = rows[i];
    StampedLine(env, r, kStars);
    StampedLine(env, r, " IP address                   : " + modConnections::AddressToText(table[i].dwAddr));
    StampedLine(env, r, " IP Subnetmask            : " + modConnections::AddressToText(table[i].dwMask));
    StampedLine(env, r, " BroadCast IP address  : " + modConnections::AddressToText(table[i].dwBCastAddr));
    StampedLine(env, r, kStars);
  }
  return r;
}

}  // namespace tavrel::modGetAll
