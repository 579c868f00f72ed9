// A small HTTP/1.1 server on 127.0.0.1 for the download tests: one thread accepts, one thread per
// connection answers what the test's handler says, slowly or not at all when asked to. Every wait
// watches the stop flag, so the server always shuts down within a few tens of milliseconds.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
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
  std::vector<std::pair<std::string, std::string>> headers;
  std::string body;
  // Content-Length: the body's size unless told otherwise; none means the body ends when the
  // connection closes.
  bool withLength = true;
  std::optional<std::uint64_t> announcedLength;
  // Accept the request and never answer it.
  bool silent = false;
  // Pause before the status line.
  std::chrono::milliseconds delay{0};
  // Send the body in pieces of chunkSize with a pause between them.
  std::size_t chunkSize = 1u << 16;
  std::chrono::milliseconds chunkPause{0};
  // After the body, keep the connection open without sending anything more.
  bool hangAfterBody = false;
};

inline Reply Status(int status) {
  Reply r;
  r.status = status;
  r.body = std::to_string(status);
  return r;
}
inline Reply Body(std::string body) {
  Reply r;
  r.body = std::move(body);
  return r;
}
inline Reply Redirect(const std::string& location, int status = 302) {
  Reply r;
  r.status = status;
  r.headers.emplace_back("Location", location);
  return r;
}

class Server {
 public:
  using Handler = std::function<Reply(const Request&)>;

  explicit Server(Handler handler) : handler_(std::move(handler)) {
    listen_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listen_ < 0) throw std::runtime_error("socket");
    const int one = 1;
    ::setsockopt(listen_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    socklen_t len = sizeof a;
    if (::bind(listen_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
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
    acceptor_.join();
    std::vector<std::thread> workers;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      workers.swap(workers_);
    }
    for (auto& t : workers) t.join();
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
  // Waits until fd is ready for events or the server stops; false on stop.
  bool WaitReady(int fd, short events) const {
    while (!stop_) {
      pollfd p{fd, events, 0};
      const int r = ::poll(&p, 1, 20);
      if (r > 0) return true;
      if (r < 0 && errno != EINTR) return false;
    }
    return false;
  }
  bool Pause(std::chrono::milliseconds d) const {
    const auto end = std::chrono::steady_clock::now() + d;
    while (!stop_ && std::chrono::steady_clock::now() < end) std::this_thread::sleep_for(5ms);
    return !stop_;
  }
  bool SendAll(int fd, const char* data, std::size_t len) const {
    while (len > 0) {
      if (!WaitReady(fd, POLLOUT)) return false;
      const ssize_t n = ::send(fd, data, len, MSG_NOSIGNAL);
      if (n < 0) {
        if (errno == EINTR || errno == EAGAIN) continue;
        return false;  // the client went away
      }
      data += n;
      len -= static_cast<std::size_t>(n);
    }
    return true;
  }

  void AcceptLoop() {
    while (WaitReady(listen_, POLLIN)) {
      const int fd = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd < 0) continue;
      std::lock_guard<std::mutex> lock(mutex_);
      workers_.emplace_back([this, fd] {
        Serve(fd);
        ::close(fd);
      });
    }
  }

  void Serve(int fd) {
    std::string in;
    char buf[4096];
    while (in.find("\r\n\r\n") == std::string::npos) {
      if (!WaitReady(fd, POLLIN)) return;
      const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
      if (n <= 0) return;
      in.append(buf, static_cast<std::size_t>(n));
      if (in.size() > 65536) return;
    }
    Request req = Parse(in.substr(0, in.find("\r\n\r\n")));
    {
      std::lock_guard<std::mutex> lock(mutex_);
      requests_.push_back(req);
    }
    const Reply reply = handler_(req);
    if (reply.silent) {
      while (WaitReady(fd, POLLIN)) {
        if (::recv(fd, buf, sizeof buf, 0) <= 0) return;  // until the client gives up
      }
      return;
    }
    if (!Pause(reply.delay)) return;
    std::string head = "HTTP/1.1 " + std::to_string(reply.status) + " " + Reason(reply.status) + "\r\n";
    for (const auto& [k, v] : reply.headers) head += k + ": " + v + "\r\n";
    if (reply.withLength) {
      head += "Content-Length: " +
              std::to_string(reply.announcedLength.value_or(reply.body.size())) + "\r\n";
    }
    head += "Connection: close\r\n\r\n";
    if (!SendAll(fd, head.data(), head.size())) return;
    for (std::size_t off = 0; off < reply.body.size(); off += reply.chunkSize) {
      if (off > 0 && !Pause(reply.chunkPause)) return;
      const std::size_t n = std::min(reply.chunkSize, reply.body.size() - off);
      if (!SendAll(fd, reply.body.data() + off, n)) return;
    }
    if (reply.hangAfterBody) {
      while (WaitReady(fd, POLLIN)) {
        if (::recv(fd, buf, sizeof buf, 0) <= 0) return;
      }
    }
  }

  static Request Parse(const std::string& head) {
    Request r;
    std::size_t pos = head.find("\r\n");
    const std::string line = head.substr(0, pos);
    const auto sp1 = line.find(' ');
    const auto sp2 = line.find(' ', sp1 + 1);
    r.method = line.substr(0, sp1);
    if (sp1 != std::string::npos) r.target = line.substr(sp1 + 1, sp2 - sp1 - 1);
    while (pos != std::string::npos) {
      const std::size_t start = pos + 2;
      pos = head.find("\r\n", start);
      const std::string h = head.substr(start, pos == std::string::npos ? std::string::npos : pos - start);
      const auto colon = h.find(':');
      if (colon == std::string::npos) continue;
      std::string name = h.substr(0, colon);
      for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      std::string value = h.substr(colon + 1);
      value.erase(0, value.find_first_not_of(' '));
      r.headers[name] = value;
    }
    return r;
  }

  static std::string Reason(int status) {
    switch (status) {
      case 200: return "OK";
      case 204: return "No Content";
      case 301: return "Moved Permanently";
      case 302: return "Found";
      case 404: return "Not Found";
      case 500: return "Internal Server Error";
      default: return "Status";
    }
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

// A port on 127.0.0.1 that nothing listens on (it was free a moment ago).
inline std::uint16_t UnusedPort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  ::close(fd);
  return ntohs(a.sin_port);
}

}  // namespace tavrel::testhttp
