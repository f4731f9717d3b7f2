// The time zone name kept with each download, from TZ in its several forms.
#include "archive/LocalTimeZone.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <regex>

namespace {

TEST(LocalTimeZone, NamesTheZoneOfTzOrItsOffsetWhenTzIsARule) {
  const char* kept = std::getenv("TZ");
  const std::string before = kept ? kept : "";
  const struct {
    const char* tz;
    const char* name;  // nullptr: an offset
  } cases[] = {
      {"Europe/Madrid", "Europe/Madrid"},
      {":America/Bogota", "America/Bogota"},
      {"/usr/share/zoneinfo/Asia/Tokyo", "Asia/Tokyo"},
      {"UTC", "UTC"},
      {"CET-1CEST", nullptr},
      {"/tmp/../etc/passwd", nullptr},
  };
  for (const auto& c : cases) {
    setenv("TZ", c.tz, 1);
    tzset();
    const std::string name = LocalTimeZoneName();
    if (c.name != nullptr)
      EXPECT_EQ(name, c.name) << c.tz;
    else
      EXPECT_TRUE(std::regex_match(name, std::regex("[+-]\\d\\d:\\d\\d"))) << c.tz << ": " << name;
  }
  if (kept)
    setenv("TZ", before.c_str(), 1);
  else
    unsetenv("TZ");
  tzset();
}

}  // namespace
