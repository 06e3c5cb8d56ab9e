// The disk turns against a download: it fills up, the target folder cannot
// be written, or the folder disappears before or during the transfer. The
// worker fails, and the user keeps what was there.

#include <fcntl.h>
#include <linux/capability.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <iostream>
#include <iterator>
#include <string>

#include "tests/integration/hostile_fixture.h"

namespace {

namespace fs = std::filesystem;
using hostile::HostileFixture;
using hostile::RecordingHost;
using testserver::Connection;
namespace answers = testserver::answers;

constexpr char kMediaPath[] = "/media/clip.mp4";

// Makes writes beyond `bytes` fail in one folder: a tmpfs of that size
// mounted there when the system allows mounts (as root), otherwise the
// process's file size limit, under which a write past the limit fails with
// EFBIG as a full disk fails with ENOSPC. Undone when it goes.
class SmallDisk {
 public:
  SmallDisk(const fs::path& folder, rlim_t bytes) : folder_(folder) {
    fs::create_directories(folder);
    const std::string options = "size=" + std::to_string(bytes);
    if (::mount("tmpfs", folder.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) == 0) {
      mounted_ = true;
      how_ = "a tmpfs of " + std::to_string(bytes) + " bytes";
      return;
    }
    how_ = "the file size limit (mounting a tmpfs failed: " + std::string(std::strerror(errno)) + ")";
    // Without this the limit would end the process with SIGXFSZ.
    oldAction_ = ::signal(SIGXFSZ, SIG_IGN);
    ::getrlimit(RLIMIT_FSIZE, &oldLimit_);
    rlimit limit = oldLimit_;
    limit.rlim_cur = bytes;
    limited_ = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
  }
  ~SmallDisk() {
    if (mounted_) ::umount2(folder_.c_str(), MNT_DETACH);
    if (limited_) {
      ::setrlimit(RLIMIT_FSIZE, &oldLimit_);
      ::signal(SIGXFSZ, oldAction_);
    }
  }
  SmallDisk(const SmallDisk&) = delete;
  SmallDisk& operator=(const SmallDisk&) = delete;

  bool ready() const { return mounted_ || limited_; }
  const std::string& how() const { return how_; }

 private:
  fs::path folder_;
  bool mounted_ = false;
  bool limited_ = false;
  std::string how_;
  rlimit oldLimit_{};
  sighandler_t oldAction_ = SIG_DFL;
};

// Takes from the calling thread (and the threads it starts later) the power
// to write where the permissions forbid it, which root has. Capabilities
// belong to each thread, so the test's other threads keep theirs.
bool DropFileOverrides() {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3]{};
  if (::syscall(SYS_capget, &header, data) != 0) return false;
  for (int capability : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER})
    data[capability / 32].effective &= ~(1u << (capability % 32));
  return ::syscall(SYS_capset, &header, data) == 0;
}

std::string Head(std::size_t contentLength) {
  return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(contentLength) + "\r\nConnection: close\r\n\r\n";
}

class HostileDisk : public HostileFixture {
 protected:
  // The service answers with a sound file of `size` bytes.
  void ServeFile(std::size_t size) {
    ServiceAnswers(Url(kMediaPath));
    server_->Route(kMediaPath, answers::Generated(size, 11));
  }
};

TEST_F(HostileDisk, FullDiskFailsAndKeepsTheExistingFile) {
  const fs::path small = dir_.path() / "small";
  SmallDisk disk(small, 1 << 20);
  ASSERT_TRUE(disk.ready());
  RecordProperty("disk_full_by", disk.how());
  std::cout << "disk full simulated by " << disk.how() << "\n";
  const fs::path target = small / "video.mp4";
  testserver::WriteFile(target, hostile::kUserBytes);
  ServeFile(4 << 20);
  RecordingHost host(target.string());

  const auto outcome = RunWorker(host);

  ASSERT_TRUE(outcome.has_value()) << "the worker did not end";
  EXPECT_EQ(*outcome, WorkerOutcome::TransferFailed);
  ExpectNothingLost(target, true);
}

TEST_F(HostileDisk, ReadOnlyFolderFailsWithoutTouchingIt) {
  const fs::path folder = dir_.path() / "readonly";
  fs::create_directories(folder);
  const fs::path target = folder / "video.mp4";
  testserver::WriteFile(target, hostile::kUserBytes);
  fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                              fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
  ServeFile(100000);
  RecordingHost host(target.string());
  // The worker runs as a user for whom the folder is read-only (root is not,
  // unless it gives up its override); the check shows that the setup holds.
  std::atomic<bool> folderWritable{true};
  const auto outcome = RunWorker(host, std::chrono::seconds(60), [&] {
    DropFileOverrides();
    const int fd = ::open((folder / "probe").c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    folderWritable = fd >= 0;
    if (fd >= 0) {
      ::close(fd);
      ::unlink((folder / "probe").c_str());
    }
  });
  fs::permissions(folder, fs::perms::owner_all);

  ASSERT_FALSE(folderWritable) << "the folder could be written; the test shows nothing";
  ASSERT_TRUE(outcome.has_value()) << "the worker did not end";
  EXPECT_EQ(*outcome, WorkerOutcome::TransferFailed);
  ExpectNothingLost(target, true);
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
}

// A program that ended mid-transfer left its ".part" file; a later download
// into that name takes it over and starts it afresh.
TEST_F(HostileDisk, StalePartFileOfAnEndedRunIsTakenOverAfresh) {
  const fs::path target = dir_.path() / "video.mp4";
  testserver::WriteFile(target.string() + ".part", std::string(300000, 's'));
  ServiceAnswers(Url("/hop"));
  server_->Route("/hop", answers::Redirect(kMediaPath));
  server_->Route(kMediaPath, answers::Generated(100000, 11));
  RecordingHost host(target.string());

  ASSERT_EQ(RunWorker(host), WorkerOutcome::Succeeded);

  EXPECT_TRUE(testserver::ReadFile(target) == testserver::GeneratedBytes(11, 0, 100000));
  ExpectNoPartFiles(dir_.path());
}

TEST_F(HostileDisk, FolderGoneBeforeTheTransferIsNotCreated) {
  const fs::path folder = dir_.path() / "gone";
  ServeFile(100000);
  RecordingHost host((folder / "video.mp4").string());

  ASSERT_EQ(RunWorker(host), WorkerOutcome::TransferFailed);

  EXPECT_FALSE(fs::exists(folder));
}

TEST_F(HostileDisk, FolderVanishingMidTransferFailsAndIsNotRecreated) {
  const fs::path folder = dir_.path() / "vanishing";
  fs::create_directories(folder);
  const std::string body = testserver::GeneratedBytes(12, 0, 200000);
  testserver::Gate folderGone;
  // Through a redirect, as the service's addresses go, so the size is known.
  ServiceAnswers(Url("/hop"));
  server_->Route("/hop", answers::Redirect(kMediaPath));
  server_->Route(kMediaPath, [body, folderGone](Connection& c) {
    if (c.request().method == "HEAD") {
      c.Send(Head(body.size()));
      return;
    }
    if (!c.Send(Head(body.size()) + body.substr(0, body.size() / 2))) return;
    if (c.WaitFor(folderGone)) c.Send(body.substr(body.size() / 2));
  });
  RecordingHost host((folder / "video.mp4").string());
  hostile::WorkerThread worker(host, ServiceHost(), videoId_, savePath_);
  const hostile::StopFirst stopFirst{server_};

  // Half the file is in: the bar shows 50 %.
  ASSERT_TRUE(host.WaitForProgress([](int32_t v) { return v >= 50; }));
  fs::remove_all(folder);
  folderGone.Open();
  const auto outcome = worker.Wait(std::chrono::seconds(60));

  ASSERT_TRUE(outcome.has_value()) << "the worker did not end";
  EXPECT_EQ(*outcome, WorkerOutcome::TransferFailed);
  EXPECT_FALSE(fs::exists(folder));
  EXPECT_TRUE(host.Panes().empty());
}

}  // namespace
