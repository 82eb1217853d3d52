#include <dirent.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <random>

#include "platform/link_transport.h"

namespace vorsel {

namespace {

class Descriptor {
 public:
  explicit Descriptor(int fd = -1) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) {
      close(fd_);
    }
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

std::optional<sockaddr_un> SocketAddress(const std::string& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof(address.sun_path)) {
    return std::nullopt;
  }
  std::memcpy(address.sun_path, path.data(), path.size());
  return address;
}

const sockaddr* AsSockaddr(const sockaddr_un& address) {
  return reinterpret_cast<const sockaddr*>(&address);
}

// A socket's name in the folder is the decimal text of a non-zero handle, without leading
// zeros, so that every handle has exactly one name.
std::optional<uint32_t> HandleOfName(std::string_view name) {
  if (name.empty() || name.size() > 10 || name.front() == '0') {
    return std::nullopt;
  }
  uint32_t value = 0;
  const auto result = std::from_chars(name.data(), name.data() + name.size(), value);
  if (result.ec != std::errc{} || result.ptr != name.data() + name.size()) {
    return std::nullopt;
  }
  return value;
}

bool IsOwnSocket(const std::string& path, struct stat& info) {
  return lstat(path.c_str(), &info) == 0 && S_ISSOCK(info.st_mode) && info.st_uid == geteuid();
}

// Removes the socket at `path` when no program is bound to it any more. Another user's file
// is never touched.
bool RemoveIfStale(const std::string& path) {
  struct stat before {};
  const auto address = SocketAddress(path);
  if (!address || !IsOwnSocket(path, before)) {
    return false;
  }
  const Descriptor probe(socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0));
  if (probe.get() < 0 || connect(probe.get(), AsSockaddr(*address), sizeof(*address)) == 0 ||
      errno != ECONNREFUSED) {
    return false;
  }
  struct stat now {};
  if (!IsOwnSocket(path, now) || now.st_ino != before.st_ino || now.st_dev != before.st_dev) {
    return false;
  }
  return unlink(path.c_str()) == 0;
}

// The folder is a real folder of this user that nobody else may enter; a folder that grants
// others access is closed again, one that belongs to somebody else is not used.
bool IsPrivateFolder(const std::string& folder, LinkFolderUse use) {
  if (use == LinkFolderUse::Create && mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
    return false;
  }
  const Descriptor directory(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  struct stat info {};
  if (directory.get() < 0 || fstat(directory.get(), &info) != 0 || info.st_uid != geteuid()) {
    return false;
  }
  return (info.st_mode & 077) == 0 || fchmod(directory.get(), info.st_mode & 0700) == 0;
}

bool FromThisUser(msghdr& message) {
  bool own = false;
  for (cmsghdr* part = CMSG_FIRSTHDR(&message); part != nullptr;
       part = CMSG_NXTHDR(&message, part)) {
    if (part->cmsg_level != SOL_SOCKET) {
      continue;
    }
    if (part->cmsg_type == SCM_CREDENTIALS && part->cmsg_len >= CMSG_LEN(sizeof(ucred))) {
      ucred credentials{};
      std::memcpy(&credentials, CMSG_DATA(part), sizeof(credentials));
      own = credentials.uid == getuid();
    } else if (part->cmsg_type == SCM_RIGHTS) {
      // Descriptors are no part of a link message: close whatever a sender slipped in.
      const size_t count = (part->cmsg_len - CMSG_LEN(0)) / sizeof(int);
      for (size_t i = 0; i < count; ++i) {
        int fd = -1;
        std::memcpy(&fd, CMSG_DATA(part) + i * sizeof(int), sizeof(int));
        close(fd);
      }
    }
  }
  return own;
}

class NoLink : public LinkTransport {
 public:
  explicit NoLink(uint32_t number) : number_(number) {}
  uint32_t Handle() const override { return 0; }
  uint32_t MessageNumber() const override { return number_; }
  void Broadcast(const LinkDatagram&) override {}
  void Post(uint32_t, const LinkDatagram&) override {}
  int ReceiveDescriptor() const override { return -1; }
  size_t ReceivePending(const Receiver&, size_t) override { return 0; }

 private:
  uint32_t number_;
};

class SocketLink : public LinkTransport {
 public:
  SocketLink(uint32_t number, std::string folder, int fd)
      : number_(number), folder_(std::move(folder)), fd_(fd), creator_(getpid()) {}
  ~SocketLink() override {
    // A forked child that inherited the object leaves its parent's socket alone.
    if (handle_ != 0 && getpid() == creator_) {
      unlink(PathOf(handle_).c_str());
    }
  }

  // Binds the socket under a free handle: the process id when it is free, else a random one.
  bool Bind() {
    std::random_device entropy;
    uint32_t candidate = static_cast<uint32_t>(getpid());
    for (int attempt = 0; attempt < 16; ++attempt) {
      if (candidate != 0) {
        switch (TryBind(candidate)) {
          case BindOutcome::Bound:
            handle_ = candidate;
            return true;
          case BindOutcome::Failed:
            return false;
          case BindOutcome::InUse:
            break;
        }
      }
      candidate = static_cast<uint32_t>(entropy());
    }
    return false;
  }

  uint32_t Handle() const override { return handle_; }
  uint32_t MessageNumber() const override { return number_; }

  void Broadcast(const LinkDatagram& datagram) override {
    DIR* directory = opendir(folder_.c_str());
    if (directory == nullptr) {
      return;
    }
    while (const dirent* entry = readdir(directory)) {
      if (const auto handle = HandleOfName(entry->d_name)) {
        Post(*handle, datagram);
      }
    }
    closedir(directory);
  }

  void Post(uint32_t handle, const LinkDatagram& datagram) override {
    const std::string path = PathOf(handle);
    struct stat info {};
    const auto address = SocketAddress(path);
    if (!address || !IsOwnSocket(path, info)) {
      return;
    }
    const auto bytes = EncodeLinkDatagram(datagram);
    if (sendto(fd_.get(), bytes.data(), bytes.size(), MSG_DONTWAIT | MSG_NOSIGNAL,
               AsSockaddr(*address), sizeof(*address)) < 0 &&
        errno == ECONNREFUSED) {
      RemoveIfStale(path);
    }
  }

  int ReceiveDescriptor() const override { return fd_.get(); }

  size_t ReceivePending(const Receiver& receiver, size_t limit) override {
    size_t taken = 0;
    while (taken < limit) {
      // One byte more than a datagram, so that a longer one shows as too long.
      std::array<uint8_t, kLinkDatagramSize + 1> buffer{};
      sockaddr_un from{};
      alignas(cmsghdr) char control[CMSG_SPACE(sizeof(ucred)) + CMSG_SPACE(4 * sizeof(int))];
      iovec part{buffer.data(), buffer.size()};
      msghdr message{};
      message.msg_name = &from;
      message.msg_namelen = sizeof(from);
      message.msg_iov = &part;
      message.msg_iovlen = 1;
      message.msg_control = control;
      message.msg_controllen = sizeof(control);
      const ssize_t length = recvmsg(fd_.get(), &message, MSG_DONTWAIT | MSG_CMSG_CLOEXEC);
      if (length < 0) {
        if (errno == EINTR) {
          continue;
        }
        break;
      }
      ++taken;
      const bool fromThisUser = FromThisUser(message);
      const auto datagram =
          DecodeLinkDatagram(std::span<const uint8_t>(buffer.data(), static_cast<size_t>(length)));
      if (datagram && fromThisUser && (message.msg_flags & MSG_TRUNC) == 0 &&
          SentFromFolder(from, message.msg_namelen, datagram->wparam)) {
        receiver(*datagram);
      }
    }
    return taken;
  }

 private:
  std::string PathOf(uint32_t handle) const { return folder_ + "/" + std::to_string(handle); }

  enum class BindOutcome { Bound, InUse, Failed };

  // A name held by a program that is gone is taken over.
  BindOutcome TryBind(uint32_t handle) {
    const std::string path = PathOf(handle);
    const auto address = SocketAddress(path);
    if (!address) {
      return BindOutcome::Failed;
    }
    if (bind(fd_.get(), AsSockaddr(*address), sizeof(*address)) == 0) {
      return BindOutcome::Bound;
    }
    if (errno != EADDRINUSE) {
      return BindOutcome::Failed;
    }
    if (RemoveIfStale(path) && bind(fd_.get(), AsSockaddr(*address), sizeof(*address)) == 0) {
      return BindOutcome::Bound;
    }
    return BindOutcome::InUse;
  }

  // Only a socket of the suite's folder may send, and it must sign with its own name, the
  // address answers go to.
  bool SentFromFolder(const sockaddr_un& from, socklen_t length, uint32_t handle) const {
    const size_t offset = offsetof(sockaddr_un, sun_path);
    if (length <= offset || from.sun_path[0] == '\0') {
      return false;
    }
    const std::string_view path(from.sun_path, strnlen(from.sun_path, length - offset));
    return path == PathOf(handle);
  }

  uint32_t number_;
  std::string folder_;
  Descriptor fd_;
  pid_t creator_;
  uint32_t handle_ = 0;
};

}  // namespace

std::optional<std::string> LinkFolder(std::string_view name) {
  if (name.empty()) {
    return std::nullopt;
  }
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && runtime[0] == '/') {
    std::string folder(runtime);
    while (folder.size() > 1 && folder.back() == '/') {
      folder.pop_back();
    }
    return folder + "/" + std::string(name);
  }
  return "/tmp/" + std::string(name) + "-" + std::to_string(getuid());
}

std::unique_ptr<LinkTransport> OpenLinkTransport(std::string_view name, LinkFolderUse use) {
  const uint32_t number = RegisterLinkMessage(name);
  const auto folder = LinkFolder(name);
  if (!folder || !IsPrivateFolder(*folder, use)) {
    return std::make_unique<NoLink>(number);
  }
  const int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    return std::make_unique<NoLink>(number);
  }
  auto link = std::make_unique<SocketLink>(number, *folder, fd);
  const int on = 1;
  if (setsockopt(fd, SOL_SOCKET, SO_PASSCRED, &on, sizeof(on)) != 0 || !link->Bind()) {
    return std::make_unique<NoLink>(number);
  }
  return link;
}

}  // namespace vorsel
