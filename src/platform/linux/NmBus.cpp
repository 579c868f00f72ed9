#include "platform/linux/NmBus.h"

#include <dbus/dbus.h>

namespace tavrel::linux_platform {

namespace {

constexpr const char* kNmService = "org.freedesktop.NetworkManager";
constexpr const char* kNmPath = "/org/freedesktop/NetworkManager";
constexpr const char* kNmInterface = "org.freedesktop.NetworkManager";
constexpr const char* kSettingsPath = "/org/freedesktop/NetworkManager/Settings";
constexpr const char* kSettingsInterface = "org.freedesktop.NetworkManager.Settings";
constexpr const char* kDeviceInterface = "org.freedesktop.NetworkManager.Device";
constexpr const char* kProperties = "org.freedesktop.DBus.Properties";

struct MessageRef {
  DBusMessage* m = nullptr;
  explicit MessageRef(DBusMessage* msg) : m(msg) {}
  ~MessageRef() {
    if (m) dbus_message_unref(m);
  }
  MessageRef(const MessageRef&) = delete;
  MessageRef& operator=(const MessageRef&) = delete;
};

// Sends a method call and waits at most timeoutMs for the reply; nothing on any error.
DBusMessage* CallBlocking(DBusConnection* bus, DBusMessage* call, int timeoutMs) {
  if (!call) return nullptr;
  // Never ask the bus to start NetworkManager: only a running one answers.
  dbus_message_set_auto_start(call, FALSE);
  DBusError err;
  dbus_error_init(&err);
  DBusMessage* reply = dbus_connection_send_with_reply_and_block(bus, call, timeoutMs, &err);
  dbus_error_free(&err);
  return reply;
}

// Opens the single variant of a Properties.Get reply.
bool EnterVariant(DBusMessage* reply, DBusMessageIter& inner) {
  DBusMessageIter it;
  if (!dbus_message_iter_init(reply, &it) || dbus_message_iter_get_arg_type(&it) != DBUS_TYPE_VARIANT) return false;
  dbus_message_iter_recurse(&it, &inner);
  return true;
}

DBusMessage* NewGetProperty(const char* path, const char* iface, const char* prop) {
  DBusMessage* call = dbus_message_new_method_call(kNmService, path, kProperties, "Get");
  if (call && !dbus_message_append_args(call, DBUS_TYPE_STRING, &iface, DBUS_TYPE_STRING, &prop, DBUS_TYPE_INVALID)) {
    dbus_message_unref(call);
    return nullptr;
  }
  return call;
}

// Signals that tell that NetworkManager's facts may have changed.
constexpr const char* kMatchRules[] = {
    "type='signal',sender='org.freedesktop.DBus',interface='org.freedesktop.DBus',"
    "member='NameOwnerChanged',arg0='org.freedesktop.NetworkManager'",
    "type='signal',sender='org.freedesktop.NetworkManager',path='/org/freedesktop/NetworkManager'",
    "type='signal',sender='org.freedesktop.NetworkManager',"
    "path='/org/freedesktop/NetworkManager/Settings'",
};

}  // namespace

NmBus::NmBus(std::chrono::milliseconds timeout, std::chrono::milliseconds retryAfter)
    : timeout_(timeout), retryAfter_(retryAfter) {}

NmBus::~NmBus() { Drop(); }

void NmBus::Drop() {
  if (bus_) {
    dbus_connection_close(bus_);
    dbus_connection_unref(bus_);
    bus_ = nullptr;
  }
  deviceTypes_.clear();
}

DBusConnection* NmBus::Bus() {
  if (bus_ && !dbus_connection_get_is_connected(bus_)) Drop();
  if (bus_) return bus_;
  const auto now = std::chrono::steady_clock::now();
  if (now < nextTry_) return nullptr;
  DBusError err;
  dbus_error_init(&err);
  // A private connection: closing it never disturbs another user of the shared one.
  bus_ = dbus_bus_get_private(DBUS_BUS_SYSTEM, &err);
  dbus_error_free(&err);
  if (!bus_) {
    nextTry_ = now + retryAfter_;
    return nullptr;
  }
  dbus_connection_set_exit_on_disconnect(bus_, FALSE);
  for (const char* rule : kMatchRules) {
    DBusError e;
    dbus_error_init(&e);
    dbus_bus_add_match(bus_, rule, &e);  // waits for the bus's answer
    dbus_error_free(&e);
  }
  stale_ = true;
  return bus_;
}

DBusMessage* NmBus::Call(DBusMessage* call) {
  ++calls_;
  return CallBlocking(bus_, call, static_cast<int>(timeout_.count()));
}

void NmBus::Refresh() {
  if (!Bus()) return;
  // Whatever arrived since the last look: any signal we asked for means "look again".
  dbus_connection_read_write(bus_, 0);
  while (DBusMessage* m = dbus_connection_pop_message(bus_)) {
    if (dbus_message_get_type(m) == DBUS_MESSAGE_TYPE_SIGNAL) {
      stale_ = true;
      if (dbus_message_is_signal(m, "org.freedesktop.DBus", "NameOwnerChanged")) deviceTypes_.clear();
    }
    dbus_message_unref(m);
  }
  if (!dbus_connection_get_is_connected(bus_)) {
    Drop();
    networkingEnabled_.reset();
    profileCount_.reset();
    return;
  }
  if (!stale_) return;
  stale_ = false;
  networkingEnabled_.reset();
  profileCount_.reset();

  MessageRef get(NewGetProperty(kNmPath, kNmInterface, "NetworkingEnabled"));
  MessageRef reply(get.m ? Call(get.m) : nullptr);
  DBusMessageIter v;
  if (reply.m && EnterVariant(reply.m, v) && dbus_message_iter_get_arg_type(&v) == DBUS_TYPE_BOOLEAN) {
    dbus_bool_t b = FALSE;
    dbus_message_iter_get_basic(&v, &b);
    networkingEnabled_ = b != FALSE;
  }
  if (!networkingEnabled_) return;  // not on the bus: a signal says when it comes

  MessageRef list(dbus_message_new_method_call(kNmService, kSettingsPath, kSettingsInterface, "ListConnections"));
  MessageRef paths(list.m ? Call(list.m) : nullptr);
  DBusMessageIter it, arr;
  if (paths.m && dbus_message_iter_init(paths.m, &it) && dbus_message_iter_get_arg_type(&it) == DBUS_TYPE_ARRAY) {
    std::uint32_t n = 0;
    dbus_message_iter_recurse(&it, &arr);
    while (dbus_message_iter_get_arg_type(&arr) == DBUS_TYPE_OBJECT_PATH) {
      ++n;
      dbus_message_iter_next(&arr);
    }
    profileCount_ = n;
  }
}

std::optional<bool> NmBus::NetworkingEnabled() {
  Refresh();
  return networkingEnabled_;
}

std::optional<std::uint32_t> NmBus::ProfileCount() {
  Refresh();
  return profileCount_;
}

std::optional<std::uint32_t> NmBus::DeviceTypeOf(const std::string& ipInterface, int ifIndex) {
  Refresh();
  if (!bus_ || !networkingEnabled_) return std::nullopt;
  const auto known = deviceTypes_.find(ifIndex);
  if (known != deviceTypes_.end() && known->second.first == ipInterface && known->second.second)
    return known->second.second;

  MessageRef call(dbus_message_new_method_call(kNmService, kNmPath, kNmInterface, "GetDeviceByIpIface"));
  const char* name = ipInterface.c_str();
  if (!call.m || !dbus_message_append_args(call.m, DBUS_TYPE_STRING, &name, DBUS_TYPE_INVALID)) return std::nullopt;
  MessageRef reply(Call(call.m));
  const char* path = nullptr;
  if (!reply.m || dbus_message_get_type(reply.m) != DBUS_MESSAGE_TYPE_METHOD_RETURN ||
      !dbus_message_get_args(reply.m, nullptr, DBUS_TYPE_OBJECT_PATH, &path, DBUS_TYPE_INVALID))
    return std::nullopt;
  MessageRef get(NewGetProperty(path, kDeviceInterface, "DeviceType"));
  MessageRef type(get.m ? Call(get.m) : nullptr);
  DBusMessageIter v;
  if (!type.m || !EnterVariant(type.m, v) || dbus_message_iter_get_arg_type(&v) != DBUS_TYPE_UINT32)
    return std::nullopt;
  dbus_uint32_t t = 0;
  dbus_message_iter_get_basic(&v, &t);
  if (deviceTypes_.size() > 64) deviceTypes_.clear();
  deviceTypes_[ifIndex] = {ipInterface, t};
  return t;
}

}  // namespace tavrel::linux_platform
