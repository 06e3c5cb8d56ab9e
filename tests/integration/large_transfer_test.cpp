#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>

#include "download/file_transfer.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/test_http_server.h"

namespace {

// A field of /proc/self/status in KiB ("VmRSS", "VmHWM").
int64_t StatusKiB(const std::string& field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind(field + ":", 0) == 0) return std::stoll(line.substr(field.size() + 1));
  return -1;
}

TEST(LargeTransfer, SeveralHundredMegabytesWithFlatMemory) {
  constexpr uint64_t kSize = 300ull << 20;
  constexpr int64_t kAllowedGrowthKiB = 32 << 10;
  testserver::TestHttpServer server;
  testserver::ScratchDir dir;
  server.Route("/big.mp4", testserver::answers::Generated(kSize, 7));
  const std::string target = dir.File("big.mp4");

  // Restart the peak from here, so it measures this transfer alone (server
  // and client both live in this process).
  std::ofstream("/proc/self/clear_refs") << "5";
  const int64_t before = StatusKiB("VmRSS");
  ASSERT_GT(before, 0);

  const TransferHandle transfer = StartTransfer(server.Url("/big.mp4"), target, TRANSFER_IN_BACKGROUND);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(100);
  while (TransferProgress(transfer) >= 0 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  ASSERT_EQ(TransferProgress(transfer), TRANSFER_SUCCEEDED);
  const int64_t growth = StatusKiB("VmHWM") - before;
  RecordProperty("peak_rss_growth_kib", std::to_string(growth));
  EXPECT_LT(growth, kAllowedGrowthKiB) << "peak memory grew by " << growth << " KiB";

  std::ifstream file(target, std::ios::binary);
  std::string chunk(1 << 20, '\0');
  uint64_t offset = 0;
  while (file.read(chunk.data(), static_cast<std::streamsize>(chunk.size())) || file.gcount() > 0) {
    const auto got = static_cast<std::size_t>(file.gcount());
    ASSERT_TRUE(chunk.compare(0, got, testserver::GeneratedBytes(7, offset, got)) == 0) << "at " << offset;
    offset += got;
  }
  EXPECT_EQ(offset, kSize);
}

}  // namespace
