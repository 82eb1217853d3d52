#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace vorsel::test {

// A one-thread HTTP server on 127.0.0.1 and a free port, for the life of the object. Each
// request gets the reply the handler builds from its request line ("GET /path HTTP/1.1"); an
// empty reply leaves the connection unanswered until the server stops.
class LoopbackHttpServer {
 public:
  using Handler = std::function<std::string(const std::string& requestLine)>;

  explicit LoopbackHttpServer(Handler handler) : handler_(std::move(handler)) {
    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    if (listener_ < 0) {
      throw std::runtime_error("cannot create a socket");
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener_, 8) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
      close(listener_);
      throw std::runtime_error("cannot listen on the loopback address");
    }
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }

  ~LoopbackHttpServer() {
    stop_ = true;
    thread_.join();
    close(listener_);
  }

  LoopbackHttpServer(const LoopbackHttpServer&) = delete;
  LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

  std::string Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
  }

  std::vector<std::string> Requests() {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
  }

  // A complete reply with the status line and body given.
  static std::string Reply(const std::string& status, const std::string& body,
                           const std::string& extraHeaders = "") {
    return "HTTP/1.1 " + status +
           "\r\nContent-Type: text/plain\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\nConnection: close\r\n" + extraHeaders + "\r\n" + body;
  }

 private:
  bool WaitReadable(int fd) {
    while (!stop_) {
      pollfd entry{fd, POLLIN, 0};
      const int ready = poll(&entry, 1, 50);
      if (ready > 0) {
        return true;
      }
    }
    return false;
  }

  void Serve() {
    while (WaitReadable(listener_)) {
      const int connection = accept(listener_, nullptr, nullptr);
      if (connection < 0) {
        continue;
      }
      Answer(connection);
      close(connection);
    }
  }

  void Answer(int connection) {
    std::string request;
    char buffer[4096];
    while (request.find("\r\n\r\n") == std::string::npos && WaitReadable(connection)) {
      const ssize_t got = read(connection, buffer, sizeof buffer);
      if (got <= 0) {
        return;
      }
      request.append(buffer, static_cast<size_t>(got));
    }
    const std::string line = request.substr(0, request.find("\r\n"));
    {
      std::lock_guard<std::mutex> lock(mutex_);
      requests_.push_back(line);
    }
    const std::string reply = handler_(line);
    if (reply.empty()) {
      while (!stop_) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      }
      return;
    }
    size_t sent = 0;
    while (sent < reply.size()) {
      const ssize_t put = send(connection, reply.data() + sent, reply.size() - sent, MSG_NOSIGNAL);
      if (put <= 0) {
        return;  // the client gave up, as it does on an overlong reply
      }
      sent += static_cast<size_t>(put);
    }
  }

  Handler handler_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::vector<std::string> requests_;
  std::thread thread_;
};

}  // namespace vorsel::test
