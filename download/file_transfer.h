#pragma once

#include <cstdint>
#include <memory>

#include "text/text.h"

constexpr int32_t TRANSFER_RUNNING = -1;
constexpr int32_t TRANSFER_SUCCEEDED = -2;
constexpr int32_t TRANSFER_FAILED = -3;

// Runs the transfer on a thread of its own; the only flag value in use.
// Without it the transfer runs on the calling thread and has ended when
// StartTransfer returns.
constexpr int32_t TRANSFER_IN_BACKGROUND = 1;

struct TransferRecord;
// Shared by the starter and the transfer thread, so the record lives until
// both are done with it. An empty handle means no transfer was started.
using TransferHandle = std::shared_ptr<TransferRecord>;

// Fetches `address` (HTTP or HTTPS, at most 30 redirects followed) into the
// file `fileName`. The body goes into `fileName` + ".part" as it arrives
// (never whole in memory); only a transfer that succeeds renames it over
// `fileName`, so a failure leaves an existing file of that name untouched
// and deletes the ".part" file. An HTTP status of 400 or above is a failure.
// Others may read the ".part" file, but only its transfer writes it: a second
// transfer into the same name while the first runs fails and touches nothing.
// Returns at once; an empty handle when the thread could not be started.
TransferHandle StartTransfer(const Text& address, const Text& fileName, int32_t flags);

// While the transfer runs: the bytes in the file so far (never negative).
// Once it has ended: TRANSFER_SUCCEEDED or TRANSFER_FAILED, on every call;
// by then the file is complete and closed, or gone. Never blocks. An empty
// handle reads as TRANSFER_FAILED.
int64_t TransferProgress(const TransferHandle& transfer);
