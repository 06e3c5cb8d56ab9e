#include "download/file_transfer.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <system_error>
#include <thread>
#include <utility>

#include "download/curl_easy.h"

struct TransferRecord {
  TransferRecord(const Text& address, const Text& fileName) : address(address), fileName(fileName) {}

  // Written only by the transfer; read whole, without a lock, by its starter.
  std::atomic<int32_t> status{TRANSFER_RUNNING};
  std::atomic<int64_t> received{0};
  const Text address;
  const Text fileName;
};

namespace {

// libcurl's default receive buffer is 16 KiB; a larger one needs far fewer
// receive calls for the same bytes. It does not change the size of the pieces
// handed to StoreBodyBytes (at most 16 KiB each).
constexpr long TRANSFER_RECEIVE_BUFFER = 512 * 1024;
// Pieces gather here and reach the file in one write per round of receives:
// on a fast link one write instead of dozens. Larger buffers measured slower
// (the bytes no longer stay in the processor's cache between the receive and
// the write).
constexpr std::size_t TRANSFER_WRITE_BUFFER = 1024 * 1024;
constexpr long TRANSFER_MAX_REDIRECTS = 30;

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() { Close(); }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }
  explicit operator bool() const { return fd_ >= 0; }
  // Hands the descriptor over; this object no longer closes it.
  int Release() { return std::exchange(fd_, -1); }
  // Closes the descriptor held so far and takes `fd` in its place.
  void Reset(int fd) {
    Close();
    fd_ = fd;
  }
  // False when the data may not have reached the file.
  bool Close() {
    if (fd_ < 0) return true;
    const int result = ::close(fd_);
    fd_ = -1;
    return result == 0;
  }

 private:
  int fd_;
};

// The bytes written, fewer than `size` when the file takes no more.
std::size_t WriteAll(int fd, const char* data, std::size_t size) {
  std::size_t written = 0;
  while (written < size) {
    const ssize_t result = ::write(fd, data + written, size - written);
    if (result < 0 && errno == EINTR) continue;
    if (result <= 0) break;
    written += static_cast<std::size_t>(result);
  }
  return written;
}

// The body's way into the file, used by the transfer thread alone. Pieces
// wait in the buffer only until libcurl has no more data at hand (its progress
// call after each round of receives) or the buffer is full, so a stalled
// server never keeps received bytes out of the file. The shared count grows
// only by what a write put into the file.
class BodySink {
 public:
  BodySink(TransferRecord& record, int fd)
      : record_(record), fd_(fd), buffer_(std::make_unique_for_overwrite<char[]>(TRANSFER_WRITE_BUFFER)) {}

  // Takes a piece; false when the file refused bytes (a full disk).
  bool Take(const char* data, std::size_t size) {
    if (used_ + size > TRANSFER_WRITE_BUFFER && !Flush()) return false;
    if (size > TRANSFER_WRITE_BUFFER) return Record(WriteAll(fd_, data, size)) == size;
    std::memcpy(buffer_.get() + used_, data, size);
    used_ += size;
    return true;
  }

  // Writes what waits; false when not all of it reached the file.
  bool Flush() {
    if (used_ == 0) return true;
    const std::size_t pending = std::exchange(used_, 0);
    return Record(WriteAll(fd_, buffer_.get(), pending)) == pending;
  }

 private:
  std::size_t Record(std::size_t written) {
    // The thread's own running sum; the record sees one plain store per write.
    inFile_ += static_cast<int64_t>(written);
    record_.received.store(inFile_, std::memory_order_release);
    return written;
  }

  TransferRecord& record_;
  const int fd_;
  std::unique_ptr<char[]> buffer_;
  std::size_t used_ = 0;
  int64_t inFile_ = 0;
};

// libcurl's write callback. Taking fewer bytes than offered (a full disk)
// ends the transfer with a write error.
size_t StoreBodyBytes(char* data, size_t size, size_t count, void* userdata) {
  const size_t n = size * count;
  return static_cast<BodySink*>(userdata)->Take(data, n) ? n : 0;
}

// libcurl's progress call, made after each round of receives (and now and
// then while the server is silent). A failed write aborts the transfer.
int FlushReceivedBytes(void* userdata, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  return static_cast<BodySink*>(userdata)->Flush() ? 0 : 1;
}

// Opens `partName` for this transfer alone, emptied: others may read it, but
// only one transfer writes it. A second download into the same name while the
// first runs gets -1 and leaves the first one's bytes alone (emptying or
// writing into them would damage a file reported as complete). The lock goes
// with the last descriptor of the file; a stale ".part" left by an ended
// process holds none and is taken over.
int OpenPartFile(const std::string& partName) {
  // A few tries: the holder may rename or remove the file between our open
  // and our lock, and then the name stands for a new file.
  for (int attempt = 0; attempt < 3; ++attempt) {
    FileDescriptor file(::open(partName.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666));
    if (!file) return -1;
    if (::flock(file.get(), LOCK_EX | LOCK_NB) != 0) return -1;  // another transfer writes it
    struct stat opened {};
    struct stat named {};
    if (::fstat(file.get(), &opened) != 0) return -1;
    if (::stat(partName.c_str(), &named) != 0 || opened.st_dev != named.st_dev || opened.st_ino != named.st_ino)
      continue;
    // Created anew: stale bytes of an earlier attempt never mix in.
    if (::ftruncate(file.get(), 0) != 0) return -1;
    return file.Release();
  }
  return -1;
}

// Fetches into `partName`; true when the whole body arrived with a status
// below 400 and is safely in the file. `partLock` keeps the file's lock (a
// second descriptor of it) past the file's close, until the caller has renamed
// it; a failed fetch deletes the file while it is still locked.
bool FetchInto(TransferRecord& record, const std::string& partName, FileDescriptor& partLock) {
  CurlEasy handle = MakeCurlEasy();
  if (!handle) return false;
  FileDescriptor file(OpenPartFile(partName));
  if (!file) return false;
  partLock.Reset(::fcntl(file.get(), F_DUPFD_CLOEXEC, 0));  // not inherited by programs we start
  if (!partLock) {
    ::unlink(partName.c_str());
    return false;
  }

  BodySink sink(record, file.get());
  CURL* h = handle.get();
  curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(h, CURLOPT_MAXREDIRS, TRANSFER_MAX_REDIRECTS);
  curl_easy_setopt(h, CURLOPT_URL, record.address.c_str());
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, StoreBodyBytes);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, &sink);
  curl_easy_setopt(h, CURLOPT_BUFFERSIZE, TRANSFER_RECEIVE_BUFFER);
  curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, FlushReceivedBytes);
  curl_easy_setopt(h, CURLOPT_XFERINFODATA, &sink);
  curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
  // An error page must never be saved as the file: stop before its body.
  curl_easy_setopt(h, CURLOPT_FAILONERROR, 1L);

  bool ok = curl_easy_perform(h) == CURLE_OK;
  ok = sink.Flush() && ok;
  long status = 0;
  // FAILONERROR lets some authentication answers through; the final status decides.
  ok = ok && curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status) == CURLE_OK && status < 400;
  ok = file.Close() && ok;
  if (!ok) ::unlink(partName.c_str());
  return ok;
}

void RunTransfer(TransferRecord& record) {
  const std::string partName = record.fileName.str() + ".part";
  FileDescriptor partLock(-1);  // released after the rename below
  bool ok = FetchInto(record, partName, partLock);
  // Only a complete file replaces what the user had under that name.
  if (ok && std::rename(partName.c_str(), record.fileName.c_str()) != 0) {
    ::unlink(partName.c_str());
    ok = false;
  }
  record.status = ok ? TRANSFER_SUCCEEDED : TRANSFER_FAILED;
}

}  // namespace

TransferHandle StartTransfer(const Text& address, const Text& fileName, int32_t flags) {
  auto record = std::make_shared<TransferRecord>(address, fileName);
  if ((flags & TRANSFER_IN_BACKGROUND) == 0) {
    RunTransfer(*record);
    return record;
  }
  try {
    // Nobody joins the thread: it holds its own share of the record and ends
    // on its own; the starter polls TransferProgress.
    std::thread([record] { RunTransfer(*record); }).detach();
  } catch (const std::system_error&) {
    return nullptr;
  }
  return record;
}

int64_t TransferProgress(const TransferHandle& transfer) {
  if (!transfer) return TRANSFER_FAILED;
  const int32_t status = transfer->status.load();
  return status == TRANSFER_RUNNING ? transfer->received.load() : status;
}
