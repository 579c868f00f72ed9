// A small HTTP/1.1 server on 127.0.0.1 for the downloader tests of both platforms (POSIX sockets
// or Winsock): one thread accepts, one thread per connection answers what the test's handler
// says, slowly, cut short or not at all when asked to. Every wait watches the stop flag, so the
// server always shuts down within a few tens of milliseconds.
#pragma once

#ifdef _WIN32
#include "platform/win32/Win32Api.h"

#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace tavrel::testhttp {

using namespace std::chrono_literals;

#ifdef _WIN32
using Socket = SOCKET;
inline constexpr Socket kNoSocket = INVALID_SOCKET;
inline constexpr int kSocketFlags = 0, kSendFlags = 0;
inline void CloseSocket(Socket s) { ::closesocket(s); }
#else
using Socket = int;
inline constexpr Socket kNoSocket = -1;
// Not handed to programs a test starts; a client gone away is an error, not a signal.
inline constexpr int kSocketFlags = SOCK_CLOEXEC, kSendFlags = MSG_NOSIGNAL;
inline void CloseSocket(Socket s) { ::close(s); }
#endif

struct Request {
  std::string method;
  std::string target;
  std::map<std::string, std::string> headers;  // names in lower case
  std::string Header(const std::string& lowerName) const {
    const auto it = headers.find(lowerName);
    return it == headers.end() ? std::string() : it->second;
  }
};

struct Reply {
  int status = 200;
  std::vector<std::pair<std::string, std::string>> headers{};
  std::string body{};
  // Content-Length: the body's size unless told otherwise; none: the body ends with the
  // connection.
  bool withLength = true;
  std::optional<std::uint64_t> announcedLength{};
  // Pause before the status line (a server that never answers: longer than the test).
  std::chrono::milliseconds delay{0};
  // Sent instead of a whole answer, then the connection closes (a head cut off).
  std::optional<std::string> raw{};
  // The body in pieces of chunkSize with a pause between them.
  std::size_t chunkSize = 1u << 16;
  std::chrono::milliseconds chunkPause{0};
};

inline Reply Status(int status) { return {.status = status, .body = std::to_string(status) + " page"}; }
inline Reply Body(std::string body) { return {.body = std::move(body)}; }
inline Reply Redirect(const std::string& location, int status = 302) {
  return {.status = status, .headers = {{"Location", location}}};
}

class Server {
 public:
  using Handler = std::function<Reply(const Request&)>;

  explicit Server(Handler handler) : handler_(std::move(handler)) {
#ifdef _WIN32
    WSADATA wsa;
    ::WSAStartup(0x0202, &wsa);
#endif
    listen_ = ::socket(AF_INET, SOCK_STREAM | kSocketFlags, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (listen_ == kNoSocket || ::bind(listen_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        ::listen(listen_, 16) != 0 || ::getsockname(listen_, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
      if (listen_ != kNoSocket) CloseSocket(listen_);
      throw std::runtime_error("bind/listen on 127.0.0.1");
    }
    port_ = ntohs(a.sin_port);
    acceptor_ = std::thread([this] { AcceptLoop(); });
  }

  ~Server() {
    stop_ = true;
    acceptor_.join();  // no more workers after this
    for (auto& t : workers_) t.join();
    CloseSocket(listen_);
#ifdef _WIN32
    ::WSACleanup();
#endif
  }
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  std::uint16_t Port() const { return port_; }
  std::string Url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port_) + path; }
  std::vector<Request> Requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
  }

 private:
  // Waits until s is readable (or writable) unless the server stops first.
  bool Ready(Socket s, bool write) const {
    while (!stop_) {
      fd_set set;
      FD_ZERO(&set);
      FD_SET(s, &set);
      timeval tv{0, 20000};
      const int r = ::select(static_cast<int>(s) + 1, write ? nullptr : &set, write ? &set : nullptr, nullptr, &tv);
      if (r > 0) return true;
      if (r < 0) return false;
    }
    return false;
  }
  // Sleeps for d unless the server stops first.
  bool Pause(std::chrono::milliseconds d) const {
    const auto end = std::chrono::steady_clock::now() + d;
    while (!stop_) {
      if (std::chrono::steady_clock::now() >= end) return true;
      std::this_thread::sleep_for(5ms);
    }
    return false;
  }
  bool SendAll(Socket s, std::string_view d) const {
    while (!d.empty() && Ready(s, true)) {
      const auto n = ::send(s, d.data(), static_cast<int>(d.size()), kSendFlags);
      if (n <= 0) return false;  // the client went away
      d.remove_prefix(static_cast<std::size_t>(n));
    }
    return d.empty();
  }

  void AcceptLoop() {
    while (Ready(listen_, false)) {
      const Socket s = ::accept(listen_, nullptr, nullptr);
      if (s == kNoSocket) continue;
      std::lock_guard<std::mutex> lock(mutex_);
      workers_.emplace_back([this, s] {
        Serve(s);
        CloseSocket(s);
      });
    }
  }

  void Serve(Socket s) {
    std::string in;
    char buf[4096];
    while (in.find("\r\n\r\n") == std::string::npos) {
      const auto n = Ready(s, false) ? ::recv(s, buf, sizeof buf, 0) : 0;
      if (n <= 0 || in.size() > 65536) return;
      in.append(buf, static_cast<std::size_t>(n));
    }
    Request req;
    std::istringstream head(in.substr(0, in.find("\r\n\r\n")));
    std::string line;
    head >> req.method >> req.target;
    std::getline(head, line);
    while (std::getline(head, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      const auto colon = line.find(':');
      if (colon == std::string::npos) continue;
      std::string name = line.substr(0, colon);
      for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      const auto value = line.find_first_not_of(' ', colon + 1);
      req.headers[name] = value == std::string::npos ? "" : line.substr(value);
    }
    {
      std::lock_guard<std::mutex> lock(mutex_);
      requests_.push_back(req);
    }
    const Reply reply = handler_(req);
    if (!Pause(reply.delay)) return;
    if (reply.raw) {
      SendAll(s, *reply.raw);
      return;
    }
    std::string out = "HTTP/1.1 " + std::to_string(reply.status) + " Status\r\n";
    for (const auto& [k, v] : reply.headers) out += k + ": " + v + "\r\n";
    if (reply.withLength)
      out += "Content-Length: " + std::to_string(reply.announcedLength.value_or(reply.body.size())) + "\r\n";
    if (!SendAll(s, out + "Connection: close\r\n\r\n")) return;
    for (std::size_t off = 0; off < reply.body.size(); off += reply.chunkSize)
      if ((off > 0 && !Pause(reply.chunkPause)) ||
          !SendAll(s, std::string_view(reply.body).substr(off, reply.chunkSize)))
        return;
  }

  Handler handler_;
  Socket listen_ = kNoSocket;
  std::uint16_t port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread acceptor_;
  mutable std::mutex mutex_;
  std::vector<std::thread> workers_;
  std::vector<Request> requests_;
};

}  // namespace tavrel::testhttp
