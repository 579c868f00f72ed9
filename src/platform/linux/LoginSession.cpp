#include "platform/linux/LoginSession.h"

#include <dbus/dbus.h>
#include <unistd.h>

#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>

namespace tavrel::linux_platform {

namespace {

constexpr const char* kService = "org.freedesktop.login1";
constexpr const char* kManagerPath = "/org/freedesktop/login1";
constexpr const char* kManager = "org.freedesktop.login1.Manager";
constexpr const char* kSession = "org.freedesktop.login1.Session";
constexpr const char* kProperties = "org.freedesktop.DBus.Properties";

class Bus {
 public:
  // The system bus as the environment names it at this moment (libdbus would keep the first
  // address it saw for the whole process).
  Bus() {
    const char* env = std::getenv("DBUS_SYSTEM_BUS_ADDRESS");
    const std::string address = env && *env ? env : "unix:path=/run/dbus/system_bus_socket";
    DBusError err;
    dbus_error_init(&err);
    bus_ = dbus_connection_open_private(address.c_str(), &err);
    if (bus_) {
      dbus_connection_set_exit_on_disconnect(bus_, FALSE);
      if (!dbus_bus_register(bus_, &err)) {
        dbus_connection_close(bus_);
        dbus_connection_unref(bus_);
        bus_ = nullptr;
      }
    }
    dbus_error_free(&err);
  }
  ~Bus() {
    if (bus_) {
      dbus_connection_close(bus_);
      dbus_connection_unref(bus_);
    }
  }
  Bus(const Bus&) = delete;
  Bus& operator=(const Bus&) = delete;
  explicit operator bool() const { return bus_ != nullptr; }

  // Sends the call (taken over) and returns the reply, or null on any error.
  DBusMessage* Call(DBusMessage* call, int timeoutMs) {
    if (!call) return nullptr;
    dbus_message_set_auto_start(call, FALSE);  // only a running login manager answers
    DBusError err;
    dbus_error_init(&err);
    DBusMessage* reply = dbus_connection_send_with_reply_and_block(bus_, call, timeoutMs, &err);
    dbus_error_free(&err);
    dbus_message_unref(call);
    return reply;
  }

  // A property's variant: its basic value copied into out (a bool or a string).
  bool Property(const char* path, const char* iface, const char* name, int type, void* out, int timeoutMs) {
    DBusMessage* call = dbus_message_new_method_call(kService, path, kProperties, "Get");
    if (!call ||
        !dbus_message_append_args(call, DBUS_TYPE_STRING, &iface, DBUS_TYPE_STRING, &name, DBUS_TYPE_INVALID)) {
      if (call) dbus_message_unref(call);
      return false;
    }
    DBusMessage* reply = Call(call, timeoutMs);
    if (!reply) return false;
    DBusMessageIter it, inner;
    bool ok = dbus_message_iter_init(reply, &it) && dbus_message_iter_get_arg_type(&it) == DBUS_TYPE_VARIANT;
    if (ok) {
      dbus_message_iter_recurse(&it, &inner);
      ok = dbus_message_iter_get_arg_type(&inner) == type;
      if (ok && type == DBUS_TYPE_STRING) {
        const char* s = nullptr;
        dbus_message_iter_get_basic(&inner, &s);
        *static_cast<std::string*>(out) = s ? s : "";
      } else if (ok) {
        dbus_message_iter_get_basic(&inner, out);
      }
    }
    dbus_message_unref(reply);
    return ok;
  }

 private:
  DBusConnection* bus_ = nullptr;
};

bool AskLoginManager(pid_t pid, int timeoutMs) {
  Bus bus;
  if (!bus) return false;
  // The machine is going down: every session is being stopped.
  dbus_bool_t shuttingDown = FALSE;
  if (bus.Property(kManagerPath, kManager, "PreparingForShutdown", DBUS_TYPE_BOOLEAN, &shuttingDown, timeoutMs) &&
      shuttingDown)
    return true;
  // The session of this process, and its state.
  DBusMessage* call = dbus_message_new_method_call(kService, kManagerPath, kManager, "GetSessionByPID");
  const dbus_uint32_t upid = static_cast<dbus_uint32_t>(pid);
  if (!call || !dbus_message_append_args(call, DBUS_TYPE_UINT32, &upid, DBUS_TYPE_INVALID)) {
    if (call) dbus_message_unref(call);
    return false;
  }
  DBusMessage* reply = bus.Call(call, timeoutMs);
  if (!reply) return false;
  const char* path = nullptr;
  DBusError err;
  dbus_error_init(&err);
  std::string session;
  if (dbus_message_get_args(reply, &err, DBUS_TYPE_OBJECT_PATH, &path, DBUS_TYPE_INVALID) && path) session = path;
  dbus_error_free(&err);
  dbus_message_unref(reply);
  if (session.empty()) return false;
  std::string state;
  return bus.Property(session.c_str(), kSession, "State", DBUS_TYPE_STRING, &state, timeoutMs) && state == "closing";
}

struct Answer {
  std::mutex m;
  std::condition_variable cv;
  bool done = false;
  bool closing = false;
};

}  // namespace

bool SessionClosing(std::chrono::milliseconds bound) {
  auto answer = std::make_shared<Answer>();
  const int timeoutMs = static_cast<int>(bound.count() > 0 ? bound.count() : 1);
  try {
    // On a thread of its own: connecting to a bus that does not answer has no bound of its own.
    std::thread([answer, pid = ::getpid(), timeoutMs] {
      const bool closing = AskLoginManager(pid, timeoutMs);
      std::lock_guard lock(answer->m);
      answer->closing = closing;
      answer->done = true;
      answer->cv.notify_one();
    }).detach();
  } catch (const std::system_error&) { return false; }
  std::unique_lock lock(answer->m);
  answer->cv.wait_for(lock, bound, [&] { return answer->done; });
  return answer->done && answer->closing;
}

}  // namespace tavrel::linux_platform
