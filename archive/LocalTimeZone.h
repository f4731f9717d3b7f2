// The computer's time zone as a name to keep beside local times: the IANA name ("Europe/Madrid")
// from TZ or /etc/localtime, or the present offset from UTC ("+01:00") when no name is known.
#pragma once

#include <string>

std::string LocalTimeZoneName();

// The name within a zone database path: "Europe/Madrid" for ".../zoneinfo/Europe/Madrid", or
// "posix/Europe/Madrid" kept whole below zoneinfo; empty when `path` is not in a zone database.
std::string ZoneNameOfPath(const std::string& path);
