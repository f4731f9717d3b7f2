// A stable name for the emulator's port: a symbolic link that points to whichever pseudo-terminal
// serves the logger now, as a device link of a USB serial adapter names the adapter whatever
// number the system gave it.
#pragma once

#include <string>

// Points `link` to `target`, replacing a symbolic link already there in one step, so that a
// program opening `link` finds the old port or the new one, never nothing. Throws
// std::runtime_error when `link` is something other than a symbolic link (it is left alone) or
// the link cannot be made.
void PointPortLink(const std::string& link, const std::string& target);

// Removes `link` if it still points to `target`; a link that another emulator has taken over since
// is left alone.
void RemovePortLink(const std::string& link, const std::string& target);
