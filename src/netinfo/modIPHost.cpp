#include "netinfo/modIPHost.h"

#include "core/Convert.h"
#include "netinfo/modConnections.h"

namespace tavrel::modIPHost {

namespace {

constexpr std::uint16_t kVersion11 = 0x0101;

void Message(Env& env, const std::string& text) { env.desktop.MsgBox(text, mb::kOkOnly, env.app.title); }

// A number the way the error messages show it: a leading space in place of the sign when it
// is not negative.
std::string SignedText(int n) { return (n >= 0 ? " " : "") + std::to_string(n); }

// The host name as the platform's fixed buffer holds it: at most 255 characters, ending at the
// first zero character.
std::string BufferText(std::string name) {
  const auto zero = name.find('\0');
  if (zero != std::string::npos) name.resize(zero);
  if (name.size() > 255) name.resize(255);
  return name;
}

}  // namespace

bool SocketsInitialize(Env& env) {
  WsaData data;
  if (env.sockets.WSAStartup(kVersion11, data) != 0) {
    Message(env, "The 32-bit Windows Socket is not responding.");
    return false;
  }
  if (static_cast<std::int16_t>(data.iMaxSockets) < 1) {
    Message(env, "This application requires a minimum of 1 supported sockets.");
    return false;
  }
  const int major = LoByte(data.wVersion);
  const int minor = HiByte(data.wVersion);
  if (major < 1 || (major == 1 && minor < 1)) {
    Message(env, "Sockets version " + std::to_string(major) + "." + std::to_string(minor) +
                     " is not supported by 32-bit Windows Sockets.");
    return false;
  }
  return true;
}

void SocketsCleanup(Env& env) {
  if (env.sockets.WSACleanup() != 0) Message(env, "Socket error occurred in Cleanup.");
}

std::string GetIPHostName(Env& env) {
  if (!SocketsInitialize(env)) return {};
  std::string result;
  std::string name;
  if (env.sockets.gethostname(name) == -1) {
    Message(env, "Windows Sockets error " + SignedText(env.sockets.WSAGetLastError()) +
                     " has occurred.  Unable to successfully get Host Name.");
  } else {
    result = BufferText(std::move(name));
  }
  SocketsCleanup(env);
  return result;
}

std::string GetIPAddress(Env& env) {
  if (!SocketsInitialize(env)) return {};
  std::string name;
  if (env.sockets.gethostname(name) == -1) {
    Message(env, "Windows Sockets error " + SignedText(env.sockets.WSAGetLastError()) +
                     " has occurred. Unable to successfully get Host Name.");
    SocketsCleanup(env);
    return {};
  }
  const auto address = env.sockets.gethostbyname(std::string(convert::Trim(BufferText(std::move(name)), " ")));
  if (!address) {
    Message(env, "Windows Sockets are not responding. Unable to successfully get Host Name.");
    SocketsCleanup(env);
    return {};
  }
  std::string text = modConnections::OctetsToText(address->data(), address->size());
  SocketsCleanup(env);
  return text;
}

}  // namespace tavrel::modIPHost
