// Whether setting the logger's clock, which empties its memory, would lose samples: it may only
// when the archive holds every sample the logger reports, judged from a status reply read just
// before.
#pragma once

#include <string>

#include "link/ReplyInterpreter.h"

namespace cli {

// Why emptying the logger now would lose samples the archive at `archivePath` lacks, in a sentence
// that says how to proceed; empty when every sample it holds is archived. `status` is the reply
// after which the command goes out at once, read from `port`. Unsure is refused.
std::string SamplesAtRisk(const std::string& archivePath, const std::string& port,
                          const LoggerStatus& status);

}  // namespace cli
