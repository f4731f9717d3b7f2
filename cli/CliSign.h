// `sign`: an archived download or a station's period signed "revisado" or "aprobado" by a user
// who confirms it with their account's password.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace cli {

// `sign --history ID | --station NAME --from TIME --to TIME --meaning revisado|aprobado
// [--user NAME] [--password-stdin] [--archive FILE]`. Returns the exit status: 0 signed, 1 refused
// or failed, 2 bad usage.
int SignCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace cli
