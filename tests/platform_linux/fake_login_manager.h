// A stand-in login manager on a private system bus of the test's own (a dbus-daemon that it starts
// and ends): it owns org.freedesktop.login1 and answers GetSessionByPID with one session, whose
// State is the one given, and PreparingForShutdown with false.
#pragma once

#include <dbus/dbus.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <sstream>
#include <string>
#include <thread>

#include "settings_test_util.h"

namespace tavrel::testutil {

class FakeLoginManager {
 public:
  explicit FakeLoginManager(std::string state) : state_(std::move(state)) {
    // The daemon answers once it listens: its address, then its process id.
    const auto r = Run({"dbus-daemon", "--session", "--fork", "--nopidfile", "--print-address=1", "--print-pid=1",
                        "--address=unix:path=" + (dir_ / "bus")});
    std::istringstream out(r.out);
    if (!std::getline(out, address_) || !(out >> daemon_) || r.exitCode != 0) return;
    DBusError err;
    dbus_error_init(&err);
    bus_ = dbus_connection_open_private(address_.c_str(), &err);
    if (bus_ && (!dbus_bus_register(bus_, &err) ||
                 dbus_bus_request_name(bus_, "org.freedesktop.login1", DBUS_NAME_FLAG_DO_NOT_QUEUE, &err) !=
                     DBUS_REQUEST_NAME_REPLY_PRIMARY_OWNER)) {
      dbus_connection_close(bus_);
      dbus_connection_unref(bus_);
      bus_ = nullptr;
    }
    dbus_error_free(&err);
    if (bus_) server_ = std::thread([this] { Serve(); });
  }
  ~FakeLoginManager() {
    stop_ = true;
    if (server_.joinable()) server_.join();
    if (bus_) {
      dbus_connection_close(bus_);
      dbus_connection_unref(bus_);
    }
    if (daemon_ > 0) ::kill(daemon_, SIGTERM);
  }
  FakeLoginManager(const FakeLoginManager&) = delete;
  FakeLoginManager& operator=(const FakeLoginManager&) = delete;

  bool Ready() const { return bus_ != nullptr; }
  const std::string& Address() const { return address_; }

 private:
  void Serve() {
    while (!stop_ && dbus_connection_read_write(bus_, 20)) {
      while (DBusMessage* msg = dbus_connection_pop_message(bus_)) {
        Answer(msg);
        dbus_message_unref(msg);
      }
    }
  }
  void Answer(DBusMessage* msg) {
    if (dbus_message_get_type(msg) != DBUS_MESSAGE_TYPE_METHOD_CALL) return;
    const std::string member = dbus_message_get_member(msg) ? dbus_message_get_member(msg) : "";
    DBusMessage* reply = nullptr;
    if (member == "GetSessionByPID") {
      reply = dbus_message_new_method_return(msg);
      const char* path = "/org/freedesktop/login1/session/_31";
      dbus_message_append_args(reply, DBUS_TYPE_OBJECT_PATH, &path, DBUS_TYPE_INVALID);
    } else if (member == "Get") {
      const char* iface = nullptr;
      const char* name = nullptr;
      dbus_message_get_args(msg, nullptr, DBUS_TYPE_STRING, &iface, DBUS_TYPE_STRING, &name, DBUS_TYPE_INVALID);
      reply = dbus_message_new_method_return(msg);
      DBusMessageIter it, v;
      dbus_message_iter_init_append(reply, &it);
      const bool state = name && std::strcmp(name, "State") == 0;
      const char* text = state_.c_str();
      const dbus_bool_t no = FALSE;
      dbus_message_iter_open_container(&it, DBUS_TYPE_VARIANT, state ? "s" : "b", &v);
      dbus_message_iter_append_basic(&v, state ? DBUS_TYPE_STRING : DBUS_TYPE_BOOLEAN,
                                     state ? static_cast<const void*>(&text) : &no);
      dbus_message_iter_close_container(&it, &v);
    } else {
      reply = dbus_message_new_error(msg, DBUS_ERROR_UNKNOWN_METHOD, "not here");
    }
    dbus_connection_send(bus_, reply, nullptr);
    dbus_connection_flush(bus_);
    dbus_message_unref(reply);
  }

  Scratch dir_;
  std::string address_;
  pid_t daemon_ = -1;
  DBusConnection* bus_ = nullptr;
  std::thread server_;
  std::atomic<bool> stop_{false};
  const std::string state_;
};

}  // namespace tavrel::testutil
