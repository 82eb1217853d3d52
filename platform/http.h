#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <stdexcept>
#include <string>

namespace vorsel {

// A GET that did not bring a whole, successful reply: no connection, a time-out, a status
// other than 2xx (redirects are not followed), or a body longer than the client accepts.
// The message says which.
class HttpError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Fetches small text documents. Blocking: the caller waits until the reply or the time-out.
class HttpClient {
 public:
  virtual ~HttpClient() = default;
  // The body of a 2xx reply; throws HttpError otherwise.
  virtual std::string Get(const std::string& url) = 0;
};

struct HttpLimits {
  std::chrono::milliseconds timeout{5000};  // for the whole exchange, connecting included
  size_t maxBodyBytes = 64 * 1024;
};

// The system's HTTP client (libcurl).
std::unique_ptr<HttpClient> CreateHttpClient(HttpLimits limits = {});

}  // namespace vorsel
