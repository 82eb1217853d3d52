#include <curl/curl.h>

#include <memory>
#include <mutex>
#include <string>

#include "platform/http.h"

namespace vorsel {

namespace {

struct Download {
  std::string body;
  size_t limit = 0;
  bool tooLong = false;
};

size_t Collect(char* data, size_t size, size_t count, void* target) {
  auto* download = static_cast<Download*>(target);
  const size_t bytes = size * count;
  if (download->body.size() + bytes > download->limit) {
    download->tooLong = true;
    return 0;  // ends the transfer with CURLE_WRITE_ERROR
  }
  download->body.append(data, bytes);
  return bytes;
}

struct CurlEasyDeleter {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};

void InitialiseOnce() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

class CurlHttpClient : public HttpClient {
 public:
  explicit CurlHttpClient(HttpLimits limits) : limits_(limits) { InitialiseOnce(); }

  std::string Get(const std::string& url) override {
    const std::unique_ptr<CURL, CurlEasyDeleter> handle(curl_easy_init());
    if (!handle) {
      throw HttpError("Cannot start an HTTP request");
    }
    Download download;
    download.limit = limits_.maxBodyBytes;
    CURL* curl = handle.get();
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(limits_.timeout.count()));
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(limits_.timeout.count()));
    curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE,
                     static_cast<curl_off_t>(limits_.maxBodyBytes));
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Collect);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &download);
    char reason[CURL_ERROR_SIZE] = "";
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, reason);

    const CURLcode result = curl_easy_perform(curl);
    if (download.tooLong || result == CURLE_FILESIZE_EXCEEDED) {
      throw HttpError("The reply from " + url + " is longer than " +
                      std::to_string(limits_.maxBodyBytes) + " bytes");
    }
    if (result != CURLE_OK) {
      throw HttpError("Cannot fetch " + url + ": " +
                      (reason[0] != '\0' ? std::string(reason) : curl_easy_strerror(result)));
    }
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    if (status < 200 || status > 299) {
      throw HttpError("Cannot fetch " + url + ": HTTP status " + std::to_string(status));
    }
    return std::move(download.body);
  }

 private:
  HttpLimits limits_;
};

}  // namespace

std::unique_ptr<HttpClient> CreateHttpClient(HttpLimits limits) {
  return std::make_unique<CurlHttpClient>(limits);
}

}  // namespace vorsel
