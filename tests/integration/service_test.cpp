// The local conversion service, run as the program finds it: a child process
// on a free port of 127.0.0.1, talked to over raw sockets (to see the exact
// bytes on the wire) and through the download pipeline's own functions.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "download/header_fields.h"
#include "download/header_probe.h"
#include "download/page_fetch.h"
#include "tests/support/scratch_dir.h"

extern char** environ;

namespace {

using testserver::ReadFile;
using testserver::ScratchDir;
using testserver::WriteFile;
using Clock = std::chrono::steady_clock;

constexpr auto WAIT_LIMIT = std::chrono::seconds(10);

class UniqueFd {
 public:
  explicit UniqueFd(int fd = -1) : fd_(fd) {}
  ~UniqueFd() {
    if (fd_ >= 0) close(fd_);
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

// yt-local-service as a child process: stdout on a pipe (its first line is
// the port), stderr into a file. Killed at the end if still running.
class ServiceProcess {
 public:
  ServiceProcess(const std::vector<std::string>& args, const std::string& stderrPath) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return;
    stdout_ = std::make_unique<UniqueFd>(fds[0]);
    UniqueFd writeEnd(fds[1]);

    std::vector<std::string> argv{YT_LOCAL_SERVICE};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> raw;
    for (auto& a : argv) raw.push_back(a.data());
    raw.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, writeEnd.get(), 1);
    posix_spawn_file_actions_addopen(&actions, 2, stderrPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (posix_spawn(&pid_, raw[0], &actions, nullptr, raw.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
  }

  ~ServiceProcess() {
    if (pid_ > 0 && !exitCode_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  ServiceProcess(const ServiceProcess&) = delete;
  ServiceProcess& operator=(const ServiceProcess&) = delete;

  // The first line of stdout as a port, or 0 when none came in time.
  int ReadPort() {
    std::string line;
    const auto deadline = Clock::now() + WAIT_LIMIT;
    while (pid_ > 0 && Clock::now() < deadline) {
      pollfd p{stdout_->get(), POLLIN, 0};
      if (poll(&p, 1, 100) <= 0) continue;
      char c;
      if (read(stdout_->get(), &c, 1) != 1) return 0;
      if (c == '\n') return std::atoi(line.c_str());
      line += c;
    }
    return 0;
  }

  // The exit code once the process has ended, waiting at most WAIT_LIMIT;
  // -1 when it did not end or ended through a signal.
  int WaitForExit() {
    const auto deadline = Clock::now() + WAIT_LIMIT;
    while (pid_ > 0 && Clock::now() < deadline) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return *exitCode_;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return -1;
  }

  int Stop(int signal) {
    kill(pid_, signal);
    return WaitForExit();
  }

 private:
  pid_t pid_ = -1;
  std::unique_ptr<UniqueFd> stdout_;
  std::optional<int> exitCode_;
};

// Sends `request` as it stands and reads the answer until the server closes
// the connection (requests here say "Connection: close").
std::string Exchange(int port, const std::string& request) {
  UniqueFd fd(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return {};
  if (send(fd.get(), request.data(), request.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(request.size())) return {};
  std::string answer;
  char buffer[65536];
  const auto deadline = Clock::now() + WAIT_LIMIT;
  while (Clock::now() < deadline) {
    pollfd p{fd.get(), POLLIN, 0};
    if (poll(&p, 1, 100) <= 0) continue;
    const ssize_t got = read(fd.get(), buffer, sizeof buffer);
    if (got <= 0) break;
    answer.append(buffer, static_cast<size_t>(got));
  }
  return answer;
}

std::string Request(const std::string& method, const std::string& target, const char* version = "HTTP/1.1") {
  return method + " " + target + " " + version + "\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";
}

struct Answer {
  std::string head;  // status line to the empty line, CR LF included
  std::string body;
};

Answer Split(const std::string& raw) {
  const auto end = raw.find("\r\n\r\n");
  if (end == std::string::npos) return {raw, ""};
  return {raw.substr(0, end + 4), raw.substr(end + 4)};
}

std::string StatusLine(const std::string& raw) { return raw.substr(0, raw.find("\r\n")); }

std::string Escape(const std::string& s) {
  return std::regex_replace(s, std::regex(R"([.?*+^$()\[\]{}|\\])"), R"(\$&)");
}

// Bytes that differ from position to position, so that a misplaced piece shows.
std::string PatternBytes(size_t size) {
  std::string bytes(size, '\0');
  uint32_t x = 2463534242u;
  for (auto& b : bytes) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    b = static_cast<char>(x);
  }
  return bytes;
}

// Sizes around the service's 256 KiB reading piece.
constexpr size_t CLIP_SIZE = 3 * 256 * 1024 + 17;

class LocalServiceTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    scratch_ = std::make_unique<ScratchDir>();
    std::filesystem::create_directory(scratch_->path() / "media");
    WriteFile(scratch_->path() / "media" / "clip_A-1.mp4", PatternBytes(CLIP_SIZE));
    WriteFile(scratch_->path() / "media" / "piece.mp4", PatternBytes(256 * 1024));
    WriteFile(scratch_->path() / "media" / "one.mp4", "x");
    // Outside the media folder: no ID may reach it.
    WriteFile(scratch_->path() / "secret.mp4", "secret");
    service_ = std::make_unique<ServiceProcess>(
        std::vector<std::string>{"--listen", "127.0.0.1:0", "--media", scratch_->File("media"), "--answer",
                                 "gone=http://127.0.0.1:1/gone.mp4", "--answer", "blank=", "--answer",
                                 "eq=http://h/x?a=b&c=d", "--answer", "one=not an address "},
        scratch_->File("stderr.log"));
    port_ = service_->ReadPort();
  }
  static void TearDownTestSuite() {
    service_.reset();
    scratch_.reset();
  }
  void SetUp() override { ASSERT_GT(port_, 0) << "the service did not start"; }

  static std::string Origin() { return "http://127.0.0.1:" + std::to_string(port_); }
  static std::string Query(const std::string& vid) { return "/vd/vd.php?vid=" + vid + "&vformat=mp4"; }
  static std::string MediaFile(const std::string& name) { return ReadFile(scratch_->path() / "media" / name); }

  static inline std::unique_ptr<ScratchDir> scratch_;
  static inline std::unique_ptr<ServiceProcess> service_;
  static inline int port_ = 0;
};

TEST_F(LocalServiceTest, QueryAnswersTheBareAddressOfAKnownVideo) {
  const Answer answer = Split(Exchange(port_, Request("GET", Query("clip_A-1"))));
  EXPECT_EQ(StatusLine(answer.head), "HTTP/1.1 200 OK");
  EXPECT_EQ(answer.body, Origin() + "/get/clip_A-1.mp4");

  // The program's own fetch sees the same text, with no line end after it.
  EXPECT_EQ(FetchPageText(Text(Origin() + Query("clip_A-1"))).str(), Origin() + "/get/clip_A-1.mp4");
}

TEST_F(LocalServiceTest, QueryAnswersEmptyForUnknownMalformedOrUnsafeIds) {
  const std::string targets[] = {
      Query("nosuch"),
      Query(""),
      Query("..%2Fsecret"),
      Query("../secret"),
      Query("media%2Fclip_A-1"),
      Query("clip_A-1.mp4"),
      Query("clip_A-1%00"),
      Query("clip_A-1%20"),
      Query("clip_A-1+"),
      "/vd/vd.php?vid=nosuch&vformat=mp4&vid=clip_A-1",
      "/vd/vd.php?vid=clip_A-1&vformat=webm",
      "/vd/vd.php?vid=clip_A-1",
      "/vd/vd.php",
  };
  for (const auto& target : targets) {
    const Answer answer = Split(Exchange(port_, Request("GET", target)));
    EXPECT_EQ(StatusLine(answer.head), "HTTP/1.1 200 OK") << target;
    EXPECT_EQ(answer.body, "") << target;
  }
}

TEST_F(LocalServiceTest, ScriptedAnswersGoOutAsTheyStand) {
  const std::pair<std::string, std::string> cases[] = {
      {"gone", "http://127.0.0.1:1/gone.mp4"},
      {"blank", ""},
      {"eq", "http://h/x?a=b&c=d"},  // split at the first "=" only
      {"one", "not an address "},    // overrides the file one.mp4
  };
  for (const auto& [id, text] : cases) EXPECT_EQ(Split(Exchange(port_, Request("GET", Query(id)))).body, text) << id;
}

// The pipeline reads the redirect target as the text between "Location:"
// and the "Content-Length:" that must follow it directly, with CR LF ends.
TEST_F(LocalServiceTest, RedirectSendsLocationDirectlyBeforeContentLengthThenConnection) {
  const std::string target = Origin() + "/media/clip_A-1.mp4";
  const std::regex layout("HTTP/1\\.1 302 Found\r\nDate: [^\r\n]+\r\nContent-Type: text/html\r\nLocation: " +
                          Escape(target) + "\r\nContent-Length: ([0-9]+)\r\nConnection: close\r\n\r\n");
  std::smatch match;

  const std::string head = Exchange(port_, Request("HEAD", "/get/clip_A-1.mp4"));
  ASSERT_TRUE(std::regex_match(head, match, layout)) << head;

  const Answer get = Split(Exchange(port_, Request("GET", "/get/clip_A-1.mp4")));
  ASSERT_TRUE(std::regex_match(get.head, match, layout)) << get.head;
  EXPECT_EQ(std::stoul(match[1]), get.body.size());
  EXPECT_NE(get.body.find(target), std::string::npos);

  // HTTP/1.0, as the most basic clients speak it, gets the same layout.
  const std::string old = Exchange(port_, Request("HEAD", "/get/clip_A-1.mp4", "HTTP/1.0"));
  EXPECT_NE(old.find("\r\nLocation: " + target + "\r\nContent-Length: "), std::string::npos) << old;
}

TEST_F(LocalServiceTest, MediaHeadSendsContentLengthThenConnectionAndNoBody) {
  const std::regex layout("HTTP/1\\.1 200 OK\r\nDate: [^\r\n]+\r\nContent-Type: video/mp4\r\nContent-Length: " +
                          std::to_string(CLIP_SIZE) + "\r\nConnection: close\r\n\r\n");
  const std::string head = Exchange(port_, Request("HEAD", "/media/clip_A-1.mp4"));
  EXPECT_TRUE(std::regex_match(head, layout)) << head;
}

TEST_F(LocalServiceTest, MediaGetSendsTheFileBytesWhole) {
  for (const std::string name : {"clip_A-1.mp4", "piece.mp4", "one.mp4"}) {
    const Answer answer = Split(Exchange(port_, Request("GET", "/media/" + name)));
    const std::string expected = MediaFile(name);
    EXPECT_NE(answer.head.find("\r\nContent-Length: " + std::to_string(expected.size()) + "\r\nConnection: "),
              std::string::npos)
        << answer.head;
    EXPECT_TRUE(answer.body == expected) << name << ": " << answer.body.size() << " bytes, expected "
                                         << expected.size();
  }
}

// What the download pipeline learns from the service: the address from the
// query, the target from the first probe, the size from the second.
TEST_F(LocalServiceTest, PipelineProbesLearnTargetAndSizeFromTheService) {
  const Text address = FetchPageText(Text(Origin() + Query("clip_A-1")));
  const Text first = ProbeHeaders(address);
  const Text target = ExtractRedirectTarget(first);
  EXPECT_EQ(target.str(), Origin() + "/media/clip_A-1.mp4") << first.str();
  const Text second = ProbeHeaders(target);
  EXPECT_EQ(ExtractContentLength(second), static_cast<int64_t>(CLIP_SIZE)) << second.str();
}

TEST_F(LocalServiceTest, PathsOutsideTheServedIdsAreNotFound) {
  const std::string targets[] = {
      "/get/nosuch.mp4",
      "/media/nosuch.mp4",
      "/get/secret.mp4",
      "/media/..%2Fsecret.mp4",
      "/media/%2E%2E/secret.mp4",
      "/media/clip_A-1.mp4x",
      "/media/.mp4",
      "/get/clip_A-1",
      "/vd/vd.php/x",
      "/nothing",
      "/media/clip_A-1.mp4%00.txt",
      "/get/clip_A-1.mp4%00",
  };
  for (const auto& target : targets) {
    const std::string status = StatusLine(Exchange(port_, Request("GET", target)));
    EXPECT_TRUE(status == "HTTP/1.1 404 Not Found" || status == "HTTP/1.1 400 Bad Request")
        << target << " -> " << status;
  }
  EXPECT_EQ(StatusLine(Exchange(port_, Request("POST", "/media/clip_A-1.mp4"))), "HTTP/1.1 405 Method Not Allowed");
}

// Run with the build's defaults: the sample video, the banner, the page.
TEST(LocalServiceRun, ServesTheBuiltSampleVideoBannerAndProductPage) {
  ScratchDir scratch;
  ServiceProcess service({"--listen", "127.0.0.1:0"}, scratch.File("stderr.log"));
  const int port = service.ReadPort();
  ASSERT_GT(port, 0);
  const std::string origin = "http://127.0.0.1:" + std::to_string(port);

  const std::string sample = ReadFile(YT_SAMPLE_VIDEO);
  ASSERT_GT(sample.size(), 10000u) << YT_SAMPLE_VIDEO;
  // An MP4 whose index comes before its data, so playback can start at once.
  EXPECT_EQ(sample.substr(4, 4), "ftyp");
  ASSERT_NE(sample.find("moov"), std::string::npos);
  EXPECT_LT(sample.find("moov"), sample.find("mdat"));

  const Answer query = Split(Exchange(port, Request("GET", "/vd/vd.php?vid=q9JfxzGmj24&vformat=mp4")));
  ASSERT_EQ(query.body, origin + "/get/q9JfxzGmj24.mp4");
  const Answer media = Split(Exchange(port, Request("GET", "/media/q9JfxzGmj24.mp4")));
  EXPECT_TRUE(media.body == sample);

  const Answer banner = Split(Exchange(port, Request("GET", "/ad.png")));
  EXPECT_NE(banner.head.find("\r\nContent-Type: image/png\r\n"), std::string::npos) << banner.head;
  ASSERT_GT(banner.body.size(), 24u);
  EXPECT_EQ(banner.body.substr(0, 8), "\x89PNG\r\n\x1a\n");
  EXPECT_EQ(banner.body.substr(16, 8), std::string("\0\0\x01\xd4\0\0\0\x3c", 8));  // 468 x 60

  const Answer page = Split(Exchange(port, Request("GET", "/")));
  EXPECT_EQ(StatusLine(page.head), "HTTP/1.1 200 OK");
  EXPECT_NE(page.body.find("<html"), std::string::npos);
}

TEST(LocalServiceRun, LogsOneLinePerRequestAndEndsCleanlyOnTermAndInt) {
  for (const int signal : {SIGTERM, SIGINT}) {
    ScratchDir scratch;
    std::filesystem::create_directory(scratch.path() / "media");
    WriteFile(scratch.path() / "media" / "v1.mp4", "video");
    ServiceProcess service({"--listen", "127.0.0.1:0", "--media", scratch.File("media")}, scratch.File("err"));
    const int port = service.ReadPort();
    ASSERT_GT(port, 0);
    Exchange(port, Request("GET", "/vd/vd.php?vid=v1&vformat=mp4"));
    Exchange(port, Request("HEAD", "/get/v1.mp4"));
    Exchange(port, Request("GET", "/media/v1.mp4"));
    Exchange(port, Request("GET", "/missing"));
    EXPECT_EQ(service.Stop(signal), 0) << "signal " << signal;
    EXPECT_EQ(ReadFile(scratch.path() / "err"),
              "GET /vd/vd.php?vid=v1&vformat=mp4 200\n"
              "HEAD /get/v1.mp4 302\n"
              "GET /media/v1.mp4 200\n"
              "GET /missing 404\n");
  }
}

// --rate holds media bodies back so that a download lasts long enough to be
// watched (and a second one started beside it). The bytes stay whole, HEAD
// and the other routes stay immediate, a client that leaves mid-body leaves
// the service healthy. Only a lower bound on the time is checked: a busy
// machine can make the transfer slower, never faster than the rate allows.
TEST(LocalServiceRun, RateThrottlesMediaBodiesOnlyAndKeepsTheirBytesWhole) {
  ScratchDir scratch;
  std::filesystem::create_directory(scratch.path() / "media");
  constexpr size_t size = 300000;
  constexpr int rate = 1000000;
  WriteFile(scratch.path() / "media" / "slow.mp4", PatternBytes(size));
  ServiceProcess service({"--listen", "127.0.0.1:0", "--media", scratch.File("media"), "--rate", std::to_string(rate)},
                         scratch.File("err"));
  const int port = service.ReadPort();
  ASSERT_GT(port, 0);

  const auto start = Clock::now();
  const Answer media = Split(Exchange(port, Request("GET", "/media/slow.mp4")));
  const auto elapsed = Clock::now() - start;
  EXPECT_TRUE(media.body == PatternBytes(size)) << media.body.size() << " bytes";
  // The first piece (1/20 of the rate) goes out at once, the rest at the rate.
  const auto atLeast = std::chrono::microseconds((size - rate / 20) * 1000000 / rate);
  EXPECT_GE(elapsed, atLeast) << std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count() << " ms";

  // A client that goes away in the middle: the paused body must not be
  // woken on a finished message, and the service goes on serving.
  {
    UniqueFd fd(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(connect(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    const std::string request = Request("GET", "/media/slow.mp4");
    ASSERT_EQ(send(fd.get(), request.data(), request.size(), MSG_NOSIGNAL), static_cast<ssize_t>(request.size()));
    pollfd p{fd.get(), POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, 10000), 1);
  }
  // The service learns of it at its next write, a piece later.
  const auto deadline = Clock::now() + WAIT_LIMIT;
  while (ReadFile(scratch.path() / "err").find("GET /media/slow.mp4 aborted\n") == std::string::npos &&
         Clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_NE(ReadFile(scratch.path() / "err").find("GET /media/slow.mp4 aborted\n"), std::string::npos);
  EXPECT_EQ(StatusLine(Exchange(port, Request("HEAD", "/media/slow.mp4"))), "HTTP/1.1 200 OK");
  EXPECT_EQ(Split(Exchange(port, Request("GET", "/vd/vd.php?vid=slow&vformat=mp4"))).body,
            "http://127.0.0.1:" + std::to_string(port) + "/get/slow.mp4");
  EXPECT_EQ(service.Stop(SIGTERM), 0);
}

TEST(LocalServiceRun, RefusesBadRates) {
  for (const std::string rate : {"0", "-5", "fast", "", "12x"}) {
    ScratchDir scratch;
    ServiceProcess service({"--listen", "127.0.0.1:0", "--rate", rate}, scratch.File("err"));
    EXPECT_EQ(service.WaitForExit(), 2) << rate;
  }
}

TEST(LocalServiceRun, RefusesAnyAddressButLoopback) {
  for (const std::string listen : {"0.0.0.0:0", "192.168.1.1:0", "[::]:0", "127.0.0.1:65536", "127.0.0.1:x"}) {
    ScratchDir scratch;
    ServiceProcess service({"--listen", listen}, scratch.File("err"));
    EXPECT_EQ(service.WaitForExit(), 2) << listen;
    EXPECT_EQ(service.ReadPort(), 0) << listen;
  }
}

}  // namespace
