// Pushing an archive file to the central archive: every row the central archive has not yet
// confirmed, kind by kind in the order they were kept, in batches that are each one transaction
// on the server. A row the server holds already (same global identity, same content) is left as
// it is there, so a push cut at any point and repeated loses nothing and adds nothing twice. Each
// row carries the identity ArchiveLineage gives it: a copied or restored file pushes its own rows
// under a new one.
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
// `url`. Throws ArchiveError: the server unreachable or refusing, the central archive not set up,
// or holding another row under the global identity of one of this file's (the file is a copy not
// seen as one: its own rows then take a new identity for the next push); what was committed
// before stays committed and marked, and nothing the server does not hold is marked.
PushResult PushToCentral(const std::string& archivePath, const std::string& url,
                         const PushOptions& options = {});

// The rows of the archive file at `archivePath` that wait to be pushed to `url`, read without
// the server and without changing the file. Throws ArchiveError.
PendingPush PendingPushOf(const std::string& archivePath, const std::string& url);
