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
// A throttled body goes out in about this many pieces a second.
constexpr std::uint64_t THROTTLED_PIECES_PER_SECOND = 20;

// One file being sent. It lives as long as its message (it is attached to
// it), and the libsoup IO asks for the next piece each time one is written.
class MediaStream {
 public:
  MediaStream(int fd, SoupServerMessage* msg, std::uint64_t rate)
      : fd_(fd),
        msg_(msg),
        rate_(rate),
        pieceSize_(rate == 0 ? CHUNK_SIZE : std::clamp<std::uint64_t>(rate / THROTTLED_PIECES_PER_SECOND, 1, CHUNK_SIZE)) {}
  ~MediaStream() {
    CancelWait();
    close(fd_);
  }
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
    const auto size = static_cast<std::size_t>(std::min(remaining_, pieceSize_));
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

  // Unthrottled, the next piece follows at once. Throttled, it waits as long
  // as the last piece takes at the given rate; libsoup pauses the message
  // when it runs out of body, and the timer wakes it again.
  static void OnWroteChunk(SoupServerMessage* msg, gpointer data) {
    auto* self = static_cast<MediaStream*>(data);
    if (self->rate_ == 0) {
      self->AppendNextChunk(soup_server_message_get_response_body(msg));
      return;
    }
    const std::uint64_t delayMs = std::max<std::uint64_t>(1, self->pieceSize_ * 1000 / self->rate_);
    self->CancelWait();
    self->waitSource_ = g_timeout_add(static_cast<guint>(delayMs), SendAfterWait, self);
  }

  static gboolean SendAfterWait(gpointer data) {
    auto* self = static_cast<MediaStream*>(data);
    self->waitSource_ = 0;
    self->AppendNextChunk(soup_server_message_get_response_body(self->msg_));
    soup_server_message_unpause(self->msg_);
    return G_SOURCE_REMOVE;
  }

  // A message that ends early (the client went away) must not be woken.
  static void OnFinished(SoupServerMessage*, gpointer data) { static_cast<MediaStream*>(data)->CancelWait(); }

  static void Destroy(gpointer self) { delete static_cast<MediaStream*>(self); }

 private:
  void CancelWait() {
    if (waitSource_ != 0) g_source_remove(waitSource_);
    waitSource_ = 0;
  }

  int fd_;
  SoupServerMessage* msg_;  // owns this stream, so outlives it
  std::uint64_t rate_;      // bytes per second; 0 is unthrottled
  std::uint64_t pieceSize_;
  guint waitSource_ = 0;
  std::uint64_t offset_ = 0;
  std::uint64_t remaining_ = 0;
};

}  // namespace

bool StreamMediaFile(SoupServerMessage* msg, const std::string& path, std::uint64_t rate) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  auto owned = std::make_unique<MediaStream>(fd, msg, rate);
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
  g_signal_connect(msg, "finished", G_CALLBACK(MediaStream::OnFinished), stream);
  stream->AppendNextChunk(body);
  return true;
}
