// Picking audit entries and writing them as CSV.
#include "archive/AuditListing.h"

#include <algorithm>
#include <cctype>

namespace {

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// The fields a person reads, in the listing's order.
std::vector<std::string> Fields(const AuditEntry& e) {
  return {std::to_string(e.id),
          e.atUtc,
          e.utcOffset,
          e.actor.user,
          e.actor.host,
          e.actor.program,
          e.actor.version,
          AuditActionCode(e.change.action),
          e.change.station,
          e.change.object,
          e.change.oldValue.value_or(""),
          e.change.newValue.value_or(""),
          e.change.reason};
}

std::string Quoted(const std::string& field, bool freeText) {
  std::string text = "\"";
  // A spreadsheet runs a cell that starts so as a formula.
  if (freeText && !field.empty() && std::string("=+-@").find(field.front()) != std::string::npos)
    text += '\'';
  for (const char c : field) {
    if (c == '"') text += '"';
    text += c;
  }
  return text + '"';
}

}  // namespace

bool AuditEntryMatches(const AuditEntry& entry, const AuditFilter& filter) {
  if (!filter.station.empty() && entry.change.station != filter.station) return false;
  if (filter.action && entry.change.action != *filter.action) return false;
  if (filter.text.empty()) return true;
  const std::string wanted = Lower(filter.text);
  for (const std::string& field : Fields(entry))
    if (Lower(field).find(wanted) != std::string::npos) return true;
  return false;
}

std::string AuditCsv(const std::vector<AuditEntry>& entries) {
  static const char* const kHeading[] = {"id",      "at",      "utc_offset", "user",    "host",
                                         "program", "version", "action",     "station", "object",
                                         "old",     "new",     "reason"};
  // Fields that people type: the user, the station, the object, the values and the reason.
  static const bool kFreeText[] = {false, false, false, true, true, true, true,
                                   false, true,  true,  true, true, true};
  std::string csv;
  for (std::size_t i = 0; i < std::size(kHeading); ++i)
    csv += (i ? "," : "") + std::string(kHeading[i]);
  csv += "\r\n";
  for (const AuditEntry& e : entries) {
    const std::vector<std::string> fields = Fields(e);
    for (std::size_t i = 0; i < fields.size(); ++i)
      csv += (i ? "," : "") + Quoted(fields[i], kFreeText[i]);
    csv += "\r\n";
  }
  return csv;
}
