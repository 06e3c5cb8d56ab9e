// The probe, both extractions and the transfer against a real nginx: its
// header order (Location after Content-Length) is what broke position-based
// extraction, so it is checked here on the wire, not only in a table.

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "download/file_transfer.h"
#include "download/header_fields.h"
#include "download/header_probe.h"
#include "tests/support/nginx_server.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/test_http_server.h"

namespace {

int64_t WaitForEnd(const TransferHandle& transfer) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (TransferProgress(transfer) >= 0 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  return TransferProgress(transfer);
}

TEST(RealNginx, RedirectProbesAndTransfer) {
  testserver::NginxServer nginx("location = /watch { return 302 /v.bin; }");
  const std::string content = testserver::GeneratedBytes(3, 0, (1 << 20) + 13);
  nginx.AddFile("v.bin", content);

  const std::string redirect = ProbeHeaders(nginx.Url("/watch")).str();
  ASSERT_EQ(redirect.rfind("HTTP/1.1 302", 0), 0u) << redirect;
  // nginx's own order, which the extraction must not depend on.
  ASSERT_NE(redirect.find("Content-Length:"), std::string::npos);
  EXPECT_LT(redirect.find("Content-Length:"), redirect.find("Location:")) << redirect;
  const Text target = ExtractRedirectTarget(redirect);
  EXPECT_EQ(target, Text(nginx.Url("/v.bin")));

  const Text file = ProbeHeaders(target);
  EXPECT_EQ(file.str().rfind("HTTP/1.1 200", 0), 0u) << file.str();
  EXPECT_EQ(ExtractContentLength(file), static_cast<int64_t>(content.size()));

  testserver::ScratchDir dir;
  const std::string saved = dir.File("v.mp4");
  EXPECT_EQ(WaitForEnd(StartTransfer(nginx.Url("/watch"), saved, TRANSFER_IN_BACKGROUND)), TRANSFER_SUCCEEDED);
  EXPECT_TRUE(testserver::ReadFile(saved) == content);

  const std::string missing = dir.File("missing.mp4");
  EXPECT_EQ(WaitForEnd(StartTransfer(nginx.Url("/nothing-here"), missing, TRANSFER_IN_BACKGROUND)),
            TRANSFER_FAILED);
  EXPECT_FALSE(std::filesystem::exists(missing));
  EXPECT_FALSE(std::filesystem::exists(missing + ".part"));
}

}  // namespace
