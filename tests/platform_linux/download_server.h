// A small HTTP/1.1 server on 127.0.0.1 for the download tests: one thread accepts, one thread per
// connection answers what the test's handler says, slowly or not at all when asked to. Every wait
// watches the stop flag, so the server always shuts down within a few tens of milliseconds.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <chrono>
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

struct Request {
  std::string method;
  std::string target;  // as sent: a path, or an absolute URL when sent to a proxy
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
  // Content-Length: the body's size unless told otherwise; none means the body ends when the
  // connection closes.
  bool withLength = true;
  std::optional<std::uint64_t> announcedLength{};
  // Pause before the status line.
  std::chrono::milliseconds delay{0};
  // Send the body in pieces of chunkSize with a pause between them.
  std::size_t chunkSize = 1u << 16;
  std::chrono::milliseconds chunkPause{0};
  // Sent exactly as it stands instead of all of the above, then the connection closes.
  std::optional<std::string> raw{};
};

inline Reply Status(int status) { return {.status = status, .body = std::to_string(status)}; }
inline Reply Body(std::string body) { return {.body = std::move(body)}; }
inline Reply Redirect(const std::string& location, int status = 302) {
  return {.status = status, .headers = {{"Location", location}}};
}

class Server {
 public:
  using Handler = std::function<Reply(const Request&)>;

  explicit Server(Handler handler) : handler_(std::move(handler)) {
    listen_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{.sin_family = AF_INET, .sin_port = 0, .sin_addr = {htonl(INADDR_LOOPBACK)}, .sin_zero = {}};
    socklen_t len = sizeof a;
    if (listen_ < 0 || ::bind(listen_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        ::listen(listen_, 16) != 0 ||
        ::getsockname(listen_, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
      ::close(listen_);
      throw std::runtime_error("bind/listen on 127.0.0.1");
    }
    port_ = ntohs(a.sin_port);
    acceptor_ = std::thread([this] { AcceptLoop(); });
  }

  ~Server() {
    stop_ = true;
    acceptor_.join();  // no more workers after this
    for (auto& t : workers_) t.join();
    ::close(listen_);
  }
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  std::uint16_t Port() const { return port_; }
  std::string Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
  }
  std::vector<Request> Requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
  }

 private:
  // Waits until fd is ready for events (or, with fd -1, for d) unless the server stops first.
  bool Wait(int fd, short events, std::chrono::milliseconds d = 0ms) const {
    const auto end = std::chrono::steady_clock::now() + d;
    while (!stop_) {
      pollfd p{fd, events, 0};
      if (fd < 0 && std::chrono::steady_clock::now() >= end) return true;
      const int r = ::poll(&p, fd < 0 ? 0 : 1, fd < 0 ? 5 : 20);
      if (fd >= 0 && r > 0) return true;
      if (r < 0 && errno != EINTR) return false;
    }
    return false;
  }
  bool SendAll(int fd, std::string_view d) const {
    while (!d.empty() && Wait(fd, POLLOUT)) {
      const ssize_t n = ::send(fd, d.data(), d.size(), MSG_NOSIGNAL);
      if (n < 0 && errno != EINTR && errno != EAGAIN) return false;  // the client went away
      d.remove_prefix(n > 0 ? static_cast<std::size_t>(n) : 0);
    }
    return d.empty();
  }

  void AcceptLoop() {
    while (Wait(listen_, POLLIN)) {
      const int fd = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
      std::lock_guard<std::mutex> lock(mutex_);
      if (fd >= 0) workers_.emplace_back([this, fd] {
        Serve(fd);
        ::close(fd);
      });
    }
  }

  void Serve(int fd) {
    std::string in;
    char buf[4096];
    while (in.find("\r\n\r\n") == std::string::npos) {
      const ssize_t n = Wait(fd, POLLIN) ? ::recv(fd, buf, sizeof buf, 0) : 0;
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
    if (reply.raw) {
      SendAll(fd, *reply.raw);
      return;
    }
    std::string out = "HTTP/1.1 " + std::to_string(reply.status) + " Status\r\n";
    for (const auto& [k, v] : reply.headers) out += k + ": " + v + "\r\n";
    if (reply.withLength)
      out += "Content-Length: " + std::to_string(reply.announcedLength.value_or(reply.body.size())) + "\r\n";
    if (!Wait(-1, 0, reply.delay) || !SendAll(fd, out + "Connection: close\r\n\r\n")) return;
    for (std::size_t off = 0; off < reply.body.size(); off += reply.chunkSize)
      if ((off > 0 && !Wait(-1, 0, reply.chunkPause)) ||
          !SendAll(fd, std::string_view(reply.body).substr(off, reply.chunkSize)))
        return;
  }

  Handler handler_;
  int listen_ = -1;
  std::uint16_t port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread acceptor_;
  mutable std::mutex mutex_;
  std::vector<std::thread> workers_;
  std::vector<Request> requests_;
};

}  // namespace tavrel::testhttp
