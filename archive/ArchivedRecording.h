// How much of one recording of a logger the archive holds, found from the logger's reply alone
// (its clock, memory count and rate): a recording whose samples are `samples` and whose next
// sample is due after the clock started within one interval of a known moment.
#pragma once

#include <cstdint>
#include <string>

// The download that holds most of a recording: its samples and the recording's start.
struct ArchivedRecording {
  std::int64_t samples = 0;  // 0: none
  std::string start;         // local logger time, ISO
};

// The most samples a complete download in the archive at `path` holds for a recording at
// `rateMinutes` whose start (local logger time, ISO) lies from `startFrom` to `startTo`, both
// included. None when there is none, the archive is missing or older than recordings' starts.
ArchivedRecording ArchivedRecordingStartedBetween(const std::string& path, int rateMinutes,
                                                  const std::string& startFrom,
                                                  const std::string& startTo);

// The latest complete download from `port` when it is of a recording at `rateMinutes` that
// started no later than `startTo`; none otherwise.
ArchivedRecording LatestArchivedRecordingFrom(const std::string& path, const std::string& port,
                                              int rateMinutes, const std::string& startTo);
