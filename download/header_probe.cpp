#include "download/header_probe.h"

#include <cstddef>
#include <new>
#include <string>

#include "download/curl_easy.h"
#include "text/text_ops.h"

namespace {

constexpr std::size_t HEADER_BUFFER_STEP = 1024;

}  // namespace

size_t CollectHeaderBytes(char* data, size_t size, size_t count, void* userdata) {
  auto* buffer = static_cast<HeaderBuffer*>(userdata);
  const size_t n = size * count;
  try {
    if (buffer->bytes.size() + n >= buffer->bytes.capacity())
      buffer->bytes.reserve(buffer->bytes.size() + n + HEADER_BUFFER_STEP);
    buffer->bytes.append(data, n);
  } catch (const std::bad_alloc&) {
    return 0;
  }
  return n;
}

Text ProbeHeaders(const Text& address) {
  CurlEasy handle = MakeCurlEasy();
  if (!handle) return Text();
  HeaderBuffer buffer;
  buffer.bytes.reserve(HEADER_BUFFER_STEP);

  CURL* h = handle.get();
  curl_easy_setopt(h, CURLOPT_NOBODY, 1L);
  curl_easy_setopt(h, CURLOPT_URL, address.c_str());
  curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, CollectHeaderBytes);
  curl_easy_setopt(h, CURLOPT_HEADERDATA, &buffer);
  if (curl_easy_perform(h) != CURLE_OK) return Text();  // even when some lines had arrived
  return TextFromBytes(buffer.bytes.data(), static_cast<int64_t>(buffer.bytes.size()));
}
