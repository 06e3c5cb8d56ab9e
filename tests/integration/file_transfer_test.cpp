#include "download/file_transfer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "tests/support/scratch_dir.h"
#include "tests/support/test_http_server.h"

namespace {

namespace fs = std::filesystem;
using testserver::Connection;
using testserver::Gate;
using testserver::ReadFile;
using testserver::ScratchDir;
using testserver::TestHttpServer;
using testserver::WriteFile;
namespace answers = testserver::answers;

int64_t WaitForEnd(const TransferHandle& transfer, std::chrono::seconds limit = std::chrono::seconds(60)) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  int64_t progress = TransferProgress(transfer);
  while (progress >= 0 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    progress = TransferProgress(transfer);
  }
  return progress;
}

// Polls until the transfer reports `bytes`; false if it never does.
bool WaitForProgress(const TransferHandle& transfer, int64_t bytes) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (TransferProgress(transfer) != bytes && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return TransferProgress(transfer) == bytes;
}

std::string Head(std::size_t contentLength) {
  return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(contentLength) + "\r\nConnection: close\r\n\r\n";
}

TEST(FileTransfer, FollowsRedirectsIntoTheFileAndReplacesAnOldOne) {
  TestHttpServer server;
  ScratchDir dir;
  const std::string body = testserver::GeneratedBytes(1, 0, 100000);
  server.Route("/v.mp4", answers::Redirect("/cdn/hop"));
  server.Route("/cdn/hop", answers::Redirect(server.Url("/cdn/v.mp4"), 301));
  server.Route("/cdn/v.mp4", answers::Exact(Head(body.size()) + body));
  const std::string target = dir.File("video.mp4");
  WriteFile(target, "an older file of that name");

  const TransferHandle transfer = StartTransfer(server.Url("/v.mp4"), target, TRANSFER_IN_BACKGROUND);
  ASSERT_TRUE(transfer);
  EXPECT_EQ(WaitForEnd(transfer), TRANSFER_SUCCEEDED);
  EXPECT_EQ(ReadFile(target), body);
  EXPECT_FALSE(fs::exists(target + ".part"));
  EXPECT_EQ(server.RequestsFor("/cdn/v.mp4").size(), 1u);
}

TEST(FileTransfer, ProgressRisesByThePiecesWrittenThenStaysOnTheStatus) {
  TestHttpServer server;
  ScratchDir dir;
  const std::string first(777, 'a'), second(1234, 'b'), third(3, 'c');
  Gate afterFirst, afterSecond;
  server.Route("/v.mp4", [=](Connection& c) {
    c.Send(Head(first.size() + second.size() + third.size()) + first);
    if (!c.WaitFor(afterFirst) || !c.Send(second) || !c.WaitFor(afterSecond)) return;
    c.Send(third);
  });
  const std::string target = dir.File("video.mp4");
  const TransferHandle transfer = StartTransfer(server.Url("/v.mp4"), target, TRANSFER_IN_BACKGROUND);

  ASSERT_TRUE(WaitForProgress(transfer, 777));
  // Each piece is in the ".part" file as soon as it is counted; the target
  // itself appears only at the end.
  EXPECT_EQ(ReadFile(target + ".part"), first);
  EXPECT_FALSE(fs::exists(target));
  afterFirst.Open();
  ASSERT_TRUE(WaitForProgress(transfer, 777 + 1234));
  EXPECT_EQ(fs::file_size(target + ".part"), 777u + 1234u);
  afterSecond.Open();

  EXPECT_EQ(WaitForEnd(transfer), TRANSFER_SUCCEEDED);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(TransferProgress(transfer), TRANSFER_SUCCEEDED);
  EXPECT_EQ(ReadFile(target), first + second + third);
}

TEST(FileTransfer, FailuresLeaveNoFileAndAnExistingTargetUntouched) {
  TestHttpServer server;
  const std::string localSecret = "a local file that must never be copied";
  ScratchDir dir;
  WriteFile(dir.File("secret.txt"), localSecret);
  const std::string secretUrl = "file://" + dir.File("secret.txt");
  server.Route("/missing", answers::Reply(404, "<h1>Not Found</h1>"));
  server.Route("/broken", answers::Reply(500, "oops"));
  server.Route("/drop", answers::Exact(Head(100000) + std::string(30000, 'x')));
  server.Route("/to-missing", answers::Redirect("/missing"));
  server.Route("/to-file", answers::Redirect(secretUrl));
  server.Route("/loop", answers::Redirect("/loop"));
  const std::string cases[] = {
      server.Url("/missing"), server.Url("/broken"), server.Url("/drop"),  server.Url("/to-missing"),
      server.Url("/to-file"), secretUrl,              server.Url("/loop"), "",
      "http://" + std::string(64, 'a') + ".invalid/v.mp4"};
  for (const bool targetExists : {false, true}) {
    for (const std::string& address : cases) {
      SCOPED_TRACE(address + (targetExists ? " over an existing file" : ""));
      const std::string target = dir.File("video.mp4");
      if (targetExists) WriteFile(target, "the user's file");
      EXPECT_EQ(WaitForEnd(StartTransfer(address, target, TRANSFER_IN_BACKGROUND)), TRANSFER_FAILED);
      if (targetExists)
        EXPECT_EQ(ReadFile(target), "the user's file");
      else
        EXPECT_FALSE(fs::exists(target));
      EXPECT_FALSE(fs::exists(target + ".part"));
    }
  }
  // A redirect loop ends after 30 redirects: the first request and 30 more.
  EXPECT_EQ(server.RequestsFor("/loop").size(), 2u * 31u);
}

TEST(FileTransfer, FolderThatCannotBeWrittenFailsWithoutTouchingAnything) {
  TestHttpServer server;
  ScratchDir dir;
  server.Route("/v.mp4", answers::Reply(200, "video"));
  WriteFile(dir.File("plain-file"), "not a folder");
  fs::create_directory(dir.File("taken"));
  fs::create_directory(dir.File("taken/v.mp4.part"));  // the temporary name is a folder
  WriteFile(dir.File("taken/v.mp4"), "the user's file");
  const std::string targets[] = {dir.File("missing-folder/v.mp4"), dir.File("plain-file/v.mp4"),
                                 dir.File("taken/v.mp4")};
  for (const std::string& target : targets) {
    SCOPED_TRACE(target);
    EXPECT_EQ(WaitForEnd(StartTransfer(server.Url("/v.mp4"), target, TRANSFER_IN_BACKGROUND)), TRANSFER_FAILED);
  }
  EXPECT_TRUE(server.Requests().empty());  // nothing was even fetched
  EXPECT_FALSE(fs::exists(dir.File("missing-folder")));
  EXPECT_EQ(ReadFile(dir.File("plain-file")), "not a folder");
  EXPECT_EQ(ReadFile(dir.File("taken/v.mp4")), "the user's file");
  EXPECT_TRUE(fs::is_directory(dir.File("taken/v.mp4.part")));
}

TEST(FileTransfer, TwoTransfersAtOnceEachGetTheirOwnBytes) {
  TestHttpServer server;
  ScratchDir dir;
  constexpr std::size_t kSize = 3 << 20, kHalf = kSize / 2;
  Gate bothHalfway;
  for (uint64_t seed : {1u, 2u}) {
    server.Route("/v" + std::to_string(seed), [=](Connection& c) {
      c.Send(Head(kSize) + testserver::GeneratedBytes(seed, 0, kHalf));
      if (c.WaitFor(bothHalfway)) c.Send(testserver::GeneratedBytes(seed, kHalf, kSize - kHalf));
    });
  }
  const TransferHandle one = StartTransfer(server.Url("/v1"), dir.File("one.mp4"), TRANSFER_IN_BACKGROUND);
  const TransferHandle two = StartTransfer(server.Url("/v2"), dir.File("two.mp4"), TRANSFER_IN_BACKGROUND);
  // Both are half done at the same moment: they really run side by side.
  EXPECT_TRUE(WaitForProgress(one, kHalf));
  EXPECT_TRUE(WaitForProgress(two, kHalf));
  bothHalfway.Open();
  EXPECT_EQ(WaitForEnd(one), TRANSFER_SUCCEEDED);
  EXPECT_EQ(WaitForEnd(two), TRANSFER_SUCCEEDED);
  EXPECT_TRUE(ReadFile(dir.File("one.mp4")) == testserver::GeneratedBytes(1, 0, kSize));
  EXPECT_TRUE(ReadFile(dir.File("two.mp4")) == testserver::GeneratedBytes(2, 0, kSize));
}

TEST(FileTransfer, WithoutTheBackgroundFlagItHasEndedOnReturn) {
  TestHttpServer server;
  ScratchDir dir;
  server.Route("/v.mp4", answers::Reply(200, "video bytes"));
  const TransferHandle transfer = StartTransfer(server.Url("/v.mp4"), dir.File("v.mp4"), 0);
  EXPECT_EQ(TransferProgress(transfer), TRANSFER_SUCCEEDED);
  EXPECT_EQ(ReadFile(dir.File("v.mp4")), "video bytes");
}

}  // namespace
