// Pushing an archive file to the central archive: every row the central archive has not yet
// confirmed, kind by kind in the order they were kept, in batches that are each one transaction
// on the server. A row the server holds already (same global identity) is left as it is there, so
// a push cut at any point and repeated loses nothing and adds nothing twice.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "central/PushMarks.h"

struct PushOptions {
  int batchRows = 500;                  // rows per transaction at most
  std::size_t batchBytes = 16u << 20;   // raw text bytes per transaction, roughly
  std::function<bool()> stopRequested;  // checked between batches
  // Called after each committed batch with the kind and the rows sent so far of it.
  std::function<void(PushKind, std::int64_t)> progress;
};

// What a push sent, and of that what the central archive did not hold yet.
struct PushResult {
  PendingPush sent;
  PendingPush added;
  std::int64_t stationsAdded = 0;
  bool stopped = false;  // a stop was asked before everything was sent
};

// Pushes the archive file at `archivePath` (brought up to date first) to the central archive at
// `url`. Throws ArchiveError: the server unreachable or refusing, the central archive not set up;
// what was committed before stays committed and marked.
PushResult PushToCentral(const std::string& archivePath, const std::string& url,
                         const PushOptions& options = {});

// The rows of the archive file at `archivePath` that wait to be pushed to `url`, read without
// the server and without changing the file. Throws ArchiveError.
PendingPush PendingPushOf(const std::string& archivePath, const std::string& url);
