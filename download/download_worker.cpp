#include "download/download_worker.h"

#include <cmath>
#include <limits>
#include <memory>

#include "download/curl_easy.h"
#include "download/file_transfer.h"
#include "download/header_fields.h"
#include "download/header_probe.h"
#include "download/page_fetch.h"
#include "text/pause.h"
#include "text/text_ops.h"

namespace {

constexpr int32_t POLL_PERIOD_MS = 5;
constexpr int32_t PROGRESS_BAND = -1;

// The size that becomes the bar's 100 %: the probed address usually answers
// with a redirect, and only its target knows the length. 0 when unknown.
int64_t ProbeFileSize(const Text& address) {
  const Text redirectTarget = ResolveRedirectTarget(address, ExtractRedirectTarget(ProbeHeaders(address)));
  return ExtractContentLength(ProbeHeaders(redirectTarget));
}

// Follows the transfer until it ends, keeping the bar in step. Counts stay
// 64-bit throughout, so files of 2 GiB and more show the right percentage.
WorkerOutcome FollowTransfer(WorkerHost& host, const TransferHandle& transfer, int64_t fileSize,
                             const Text& savedFile) {
  int32_t shownPercent = 0;
  bool bandShown = false;
  for (;;) {
    const int64_t progress = TransferProgress(transfer);
    if (progress == TRANSFER_SUCCEEDED) {
      host.OpenInPane(savedFile);
      host.SetProgress(0);
      Pause(POLL_PERIOD_MS);
      return WorkerOutcome::Succeeded;
    }
    if (progress == TRANSFER_FAILED) return WorkerOutcome::TransferFailed;
    if (fileSize > 0) {
      // Only a change reaches the bar: about one hundred updates a download.
      const int32_t percent = ProgressPercent(progress, fileSize);
      if (percent != shownPercent) {
        shownPercent = percent;
        host.SetProgress(percent);
      }
    } else if (!bandShown) {
      // No percentage without a size; the moving band says that work goes
      // on. It keeps moving by itself, so it is set once.
      bandShown = true;
      host.SetProgress(PROGRESS_BAND);
    }
    Pause(POLL_PERIOD_MS);
  }
}

}  // namespace

WorkerOutcome DownloadWorker(WorkerHost& host, const Text& serviceHost, const SharedText& videoId,
                             SharedText& savePath) {
  // The ID goes into the query as typed: neither trimmed nor escaped.
  const Text queryUrl = Text("http://") + serviceHost + "/vd/vd.php?vid=" + videoId.Get() + "&vformat=mp4";
  // The service answers with the bare address of the file; it is used as
  // received, an empty answer included (its transfer then fails).
  const Text pageText = FetchPageText(queryUrl);

  const Text chosen = host.ChooseSavePath();
  // A cancelled dialog means the user wants no file: nothing is fetched and
  // the name of the latest download stays for "Open Folder".
  if (chosen.empty()) return WorkerOutcome::Cancelled;
  // Each download goes into the name its own dialog gave: two downloads at
  // once must never share (and corrupt) one file. The shared name only tells
  // "Open Folder" where the latest download went.
  const Text savedFile = WithMp4Extension(chosen);
  savePath.Set(savedFile);

  const int64_t fileSize = ProbeFileSize(pageText);

  // The transfer fetches the service's address itself and follows the
  // redirect on its own; the probed target only gave the size.
  const TransferHandle transfer = StartTransfer(pageText, savedFile, TRANSFER_IN_BACKGROUND);
  if (!transfer) return WorkerOutcome::NotStarted;
  return FollowTransfer(host, transfer, fileSize, savedFile);
}

Text WithMp4Extension(const Text& name) {
  return TextFindNoCase(name, ".mp4", 1) != 0 ? name : name + ".mp4";
}

int32_t ProgressPercent(int64_t progress, int64_t fileSize) {
  // Narrowed to float before rounding, as the bar has always been fed:
  // 124999996 of 1000000000 gives 13, since 12.4999996 is 12.5 as a float.
  const float x = static_cast<float>(static_cast<double>(progress) / static_cast<double>(fileSize) * 100.0);
  const double rounded = x > 0 ? std::floor(static_cast<double>(x) + 0.5) : std::ceil(static_cast<double>(x) - 0.5);
  // A server that sends far more than it announced must not push the value
  // past what an int32_t holds (the conversion would be undefined).
  constexpr double kMax = std::numeric_limits<int32_t>::max();
  constexpr double kMin = std::numeric_limits<int32_t>::min();
  if (std::isnan(rounded)) return 0;
  if (rounded >= kMax) return std::numeric_limits<int32_t>::max();
  if (rounded <= kMin) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(static_cast<float>(rounded));
}

Text ResolveRedirectTarget(const Text& address, const Text& target) {
  if (target.empty()) return target;
  // An absolute target goes on byte for byte, not in libcurl's normalised
  // spelling.
  CurlUrl alone(curl_url());
  if (!alone || curl_url_set(alone.get(), CURLUPART_URL, target.c_str(), 0) == CURLUE_OK) return target;

  CurlUrl resolved(curl_url());
  if (!resolved || curl_url_set(resolved.get(), CURLUPART_URL, address.c_str(), 0) != CURLUE_OK) return target;
  // Set on a handle that holds a full address, a relative one is applied to it.
  if (curl_url_set(resolved.get(), CURLUPART_URL, target.c_str(), 0) != CURLUE_OK) return target;
  char* joined = nullptr;
  if (curl_url_get(resolved.get(), CURLUPART_URL, &joined, 0) != CURLUE_OK) return target;
  const CurlString owner(joined);
  return Text(joined);
}
