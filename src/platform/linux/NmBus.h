// A small NetworkManager client on the D-Bus system bus: the few facts the connection probe
// needs, on one private connection that is kept between calls and opened again when it drops.
//
// The facts are fetched with short method calls (each bounded by the call timeout) when the
// connection opens, and again only after NetworkManager has signalled a change (its properties,
// its profiles, or its name changing owner); reading them otherwise costs one non-blocking look
// at the bus socket, so a probe every few seconds stays cheap.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>

struct DBusConnection;
struct DBusMessage;

namespace tavrel::linux_platform {

// NetworkManager's device types that carry a modem-style link.
inline constexpr std::uint32_t kNmDeviceTypeModem = 8;
inline constexpr std::uint32_t kNmDeviceTypePpp = 23;

class NmBus {
 public:
  // timeout: bound of each method call. retryAfter: how long a failed connect to the bus is
  // remembered before the next try, so that a machine without a system bus pays nothing per tick.
  explicit NmBus(std::chrono::milliseconds timeout = std::chrono::milliseconds(250),
                 std::chrono::milliseconds retryAfter = std::chrono::seconds(10));
  ~NmBus();
  NmBus(const NmBus&) = delete;
  NmBus& operator=(const NmBus&) = delete;

  // NetworkManager's NetworkingEnabled property: nothing when it does not answer.
  std::optional<bool> NetworkingEnabled();
  // Number of connection profiles NetworkManager holds: nothing when it does not answer.
  std::optional<std::uint32_t> ProfileCount();
  // Method calls made so far (to see that unchanged facts cost none).
  std::uint64_t Calls() const { return calls_; }
  // NetworkManager's device type of the device whose IP interface has this name and index;
  // nothing when NetworkManager does not answer or knows no such device. Remembered per
  // interface index (the kernel does not reuse an index soon), so it costs a call only once.
  std::optional<std::uint32_t> DeviceTypeOf(const std::string& ipInterface, int ifIndex);

 private:
  DBusConnection* Bus();
  void Drop();
  // Reads pending signals without blocking and fetches the facts again when they changed.
  void Refresh();
  DBusMessage* Call(DBusMessage* call);

  std::chrono::milliseconds timeout_;
  std::chrono::milliseconds retryAfter_;
  DBusConnection* bus_ = nullptr;
  std::chrono::steady_clock::time_point nextTry_{};
  std::map<int, std::pair<std::string, std::optional<std::uint32_t>>> deviceTypes_;
  bool stale_ = true;  // fetch the facts at the next read
  std::optional<bool> networkingEnabled_;
  std::optional<std::uint32_t> profileCount_;
  std::uint64_t calls_ = 0;
};

}  // namespace tavrel::linux_platform
