#include "service/media_stream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <memory>

#include "service/glib_handles.h"
#include "service/response_headers.h"

namespace {

constexpr std::uint64_t CHUNK_SIZE = 256 * 1024;
constexpr const char* STREAM_KEY = "yt-media-stream";

// One file being sent. It lives as long as its message (it is attached to
// it), and the libsoup IO asks for the next piece each time one is written.
class MediaStream {
 public:
  explicit MediaStream(int fd) : fd_(fd) {}
  ~MediaStream() { close(fd_); }
  MediaStream(const MediaStream&) = delete;
  MediaStream& operator=(const MediaStream&) = delete;

  // Learns the size to send; false when the file is not a regular file.
  bool Measure() {
    struct stat info {};
    if (fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) return false;
    remaining_ = static_cast<std::uint64_t>(info.st_size);
    return true;
  }
  std::uint64_t size() const { return remaining_; }

  // Appends the next piece of the file, and closes the body after the last.
  // A read that fails or finds the file shorter than announced closes the
  // body early: libsoup then drops the connection, so the client sees a
  // short transfer rather than wrong bytes.
  void AppendNextChunk(SoupMessageBody* body) {
    if (remaining_ == 0) {
      soup_message_body_complete(body);
      return;
    }
    const auto size = static_cast<std::size_t>(std::min(remaining_, CHUNK_SIZE));
    std::unique_ptr<guchar, GFreeDeleter> data(static_cast<guchar*>(g_malloc(size)));
    std::size_t filled = 0;
    while (filled < size) {
      const ssize_t got = pread(fd_, data.get() + filled, size - filled, static_cast<off_t>(offset_ + filled));
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) break;
      filled += static_cast<std::size_t>(got);
    }
    if (filled < size) {
      remaining_ = 0;
      soup_message_body_complete(body);
      return;
    }
    soup_message_body_append_take(body, data.release(), size);
    offset_ += size;
    remaining_ -= size;
    if (remaining_ == 0) soup_message_body_complete(body);
  }

  static void OnWroteChunk(SoupServerMessage* msg, gpointer self) {
    static_cast<MediaStream*>(self)->AppendNextChunk(soup_server_message_get_response_body(msg));
  }

  static void Destroy(gpointer self) { delete static_cast<MediaStream*>(self); }

 private:
  int fd_;
  std::uint64_t offset_ = 0;
  std::uint64_t remaining_ = 0;
};

}  // namespace

bool StreamMediaFile(SoupServerMessage* msg, const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  auto owned = std::make_unique<MediaStream>(fd);
  if (!owned->Measure()) return false;
  const std::uint64_t size = owned->size();
  // From here on the message owns the stream and frees it with itself.
  MediaStream* stream = owned.release();
  g_object_set_data_full(G_OBJECT(msg), STREAM_KEY, stream, MediaStream::Destroy);

  soup_server_message_set_status(msg, SOUP_STATUS_OK, nullptr);
  soup_message_headers_append(soup_server_message_get_response_headers(msg), "Content-Type", "video/mp4");
  AddLengthAndConnection(msg, size);
  if (soup_server_message_get_method(msg) == SOUP_METHOD_HEAD) return true;

  SoupMessageBody* body = soup_server_message_get_response_body(msg);
  soup_message_body_set_accumulate(body, FALSE);
  g_signal_connect(msg, "wrote-chunk", G_CALLBACK(MediaStream::OnWroteChunk), stream);
  stream->AppendNextChunk(body);
  return true;
}
