// A station's continuous record: every download a station took, put together recording by
// recording. A recording runs from one reset of the logger's memory to the next, and each of its
// downloads carries its samples again from the first, so the record keeps every sample once and
// notes where two downloads read one sample differently.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "archive/DownloadRecord.h"
#include "data/SampleTable.h"

namespace record {

// One download's reading of a sample.
struct Reading {
  std::int64_t download = 0;
  double humidity = 0;     // relative humidity, %
  double temperature = 0;  // degrees Celsius
};

// Two downloads of one recording that read the same sample differently.
struct Conflict {
  std::size_t index = 0;  // the sample's place in its recording, from 1
  Reading kept;           // what the record holds: the earliest archived download's reading
  Reading other;          // a later download's different reading
};

// One recording: the samples that its downloads hold, sample k at samples[k - 1] with its time
// stamp. A place that no download could read keeps its time stamp and has no values.
struct Segment {
  LoggerStart start;
  int rateMinutes = 0;
  std::vector<SampleNumbers> samples;
  std::vector<std::int64_t> downloads;  // in the order they were added
  std::string firstReceivedAt;          // UTC, the earliest of its downloads; empty when unknown
  std::vector<Conflict> conflicts;
  bool conflicting() const { return !conflicts.empty(); }
};

struct StationRecord {
  // In recording order: by when their first downloads were taken (the logger's local start says
  // nothing across a change of time zone), else by start, then rate.
  std::vector<Segment> segments;
  std::vector<std::int64_t> leftOut;  // downloads that name no start or no known rate
  // The calibrations whose corrections the samples carry (see ApplyCalibrations); a sample's
  // `calibration` counts from 1 into them.
  std::vector<Calibration> calibrations;
};

// Puts downloads together into a record. Each raw text is decoded once, when it is added, and only
// its samples are kept, so a year of downloads never needs all their tables at once.
class RecordAssembler {
 public:
  // Adds download `summary` with its raw text. A download cut short gives the samples of its
  // complete lines; one whose header names no start or rate cannot be placed and is left out.
  void Add(const DownloadSummary& summary, std::string_view rawText);
  // The record of everything added, segments in recording order; the assembler is empty after.
  StationRecord Finish();

 private:
  void Merge(std::size_t segment, std::int64_t download, const std::vector<SampleNumbers>& samples);

  std::vector<Segment> segments_;
  std::vector<std::vector<std::int64_t>> sources_;  // per segment: the download of each sample
  std::map<std::pair<std::string, int>, std::size_t> byRecording_;  // start text, rate -> segment
  std::vector<std::int64_t> leftOut_;
};

// The text that a download cut short would have been with its complete lines only: everything up to
// its last line break, and the end marker, which the decoder never reads as a sample.
std::string CompleteLinesText(std::string_view rawText);

}  // namespace record
