// Whatever the user types or pastes into the video ID field goes into the
// service query as it stands, neither trimmed nor escaped. The URL service
// (libsoup) then makes a request of it as an address allows: bytes that cannot
// travel in a request line (spaces, non-ASCII) go percent-encoded, an escaped
// unreserved letter goes as the letter (the same address), a "#" starts the
// fragment, which never leaves the client; an address it cannot read at all
// (a "%" without two hex digits) is not sent: the page text is then empty and
// the download fails cleanly. Nothing crashes or hangs, and the user's file
// survives.

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>

#include "tests/integration/hostile_fixture.h"

namespace {

namespace fs = std::filesystem;
using hostile::HostileFixture;
using hostile::RecordingHost;
namespace answers = testserver::answers;

struct FieldCase {
  const char* name;
  std::string videoId;
  // The request target that reaches the service, or nothing when the query
  // cannot be sent at all.
  std::optional<std::string> arrives;
};

void PrintTo(const FieldCase& c, std::ostream* os) { *os << c.name; }

std::string Query(const std::string& id) { return "/vd/vd.php?vid=" + id + "&vformat=mp4"; }

const std::string kLongId(100 * 1024, 'x');

const FieldCase kFieldCases[] = {
    {"Empty", "", Query("")},
    {"Spaces", "  q9Jfxz Gmj24 ", Query("%20%20q9Jfxz%20Gmj24%20")},
    {"HundredKilobytes", kLongId, Query(kLongId)},
    {"NonAscii", "vid\xC3\xA9o-\xE6\x97\xA5\xE6\x9C\xAC", Query("vid%C3%A9o-%E6%97%A5%E6%9C%AC")},
    {"Ampersand", "q9Jfxz&vformat=webm", Query("q9Jfxz&vformat=webm")},
    {"Hash", "q9Jfxz#Gmj24", std::string("/vd/vd.php?vid=q9Jfxz")},
    {"QuestionMark", "q9Jfxz?Gmj24", Query("q9Jfxz?Gmj24")},
    {"Slashes", "../../etc/passwd", Query("../../etc/passwd")},
    {"EscapedLetter", "q9%41xz", Query("q9Axz")},
    {"EscapedSpace", "q9%20xz", Query("q9%20xz")},
    {"BarePercent", "100%", std::nullopt},
    {"PastedWatchUrl", "https://www.youtube.com/watch?v=q9JfxzGmj24&t=10s",
     Query("https://www.youtube.com/watch?v=q9JfxzGmj24&t=10s")},
};

class FieldInput : public HostileFixture, public ::testing::WithParamInterface<FieldCase> {};

TEST_P(FieldInput, GoesIntoTheQueryAsTypedOrFailsCleanly) {
  const FieldCase& c = GetParam();
  videoId_.Set(Text(c.videoId));
  const std::string body = testserver::GeneratedBytes(21, 0, 50000);
  ServiceAnswers(Url("/hop"));
  server_->Route("/hop", answers::Redirect("/media/clip.mp4"));
  server_->Route("/media/clip.mp4", answers::Reply(200, body));
  const fs::path target = ExistingTarget();
  RecordingHost host(target.string());

  const auto outcome = RunWorker(host);

  ASSERT_TRUE(outcome.has_value()) << "the worker did not end";
  const auto queries = server_->RequestsFor("/vd/vd.php");
  if (c.arrives) {
    ASSERT_EQ(queries.size(), 1u);
    EXPECT_TRUE(queries[0].target == *c.arrives) << queries[0].target.substr(0, 200);
    EXPECT_EQ(*outcome, WorkerOutcome::Succeeded);
    EXPECT_TRUE(testserver::ReadFile(target) == body);
    ExpectNoPartFiles(dir_.path());
  } else {
    EXPECT_TRUE(server_->Requests().empty()) << "sent: " << server_->Requests().front().target.substr(0, 200);
    EXPECT_EQ(*outcome, WorkerOutcome::TransferFailed);
    ExpectNothingLost(target, true);
  }
}

INSTANTIATE_TEST_SUITE_P(Typed, FieldInput, ::testing::ValuesIn(kFieldCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
