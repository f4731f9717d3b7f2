// A real PostgreSQL server for the tests: a cluster made with initdb in a temporary folder,
// listening on loopback only, trusting local connections, stopped and removed at the end. Run by
// the user running the tests, or, when that is root (the server refuses to run as root), by the
// unprivileged account named in VELMORANTE_TEST_PG_USER.
#pragma once

#include <string>

class PgCluster {
 public:
  // Whether the server's programs are installed (and, as root, an account to run them is named).
  static bool Available(std::string* why);
  // Makes and starts the cluster; throws std::runtime_error saying what failed. With `tls`, the
  // server also takes TLS with a certificate for "localhost" signed by an authority of the test's
  // own, whose certificate is at CaCertificate().
  explicit PgCluster(bool tls = false);
  ~PgCluster();
  PgCluster(const PgCluster&) = delete;
  PgCluster& operator=(const PgCluster&) = delete;

  // The URL of database `database` as role `role` (the cluster's superuser by default).
  std::string Url(const std::string& database = "postgres",
                  const std::string& role = "postgres") const;
  // Makes an empty database.
  void CreateDatabase(const std::string& name);
  // Stops the server (fast: sessions are cut), and starts it again on the same port.
  void Stop();
  void Start();
  int port() const { return port_; }
  std::string CaCertificate() const { return folder_ + "/ca.crt"; }
  const std::string& folder() const { return folder_; }

 private:
  void RunControl(const std::string& arguments) const;

  std::string folder_;
  std::string bin_;
  std::string user_;  // empty: the current user
  int port_ = 0;
  bool running_ = false;
  bool tls_ = false;
};

// Skips the calling test when no server can be run here, unless VELMORANTE_TEST_REQUIRE_POSTGRESQL
// is set (as CI sets it), where it fails instead.
#define VELMORANTE_REQUIRE_POSTGRESQL()                                                 \
  do {                                                                                  \
    std::string why_;                                                                   \
    if (!PgCluster::Available(&why_)) {                                                 \
      if (std::getenv("VELMORANTE_TEST_REQUIRE_POSTGRESQL") != nullptr) FAIL() << why_; \
      GTEST_SKIP() << why_;                                                             \
    }                                                                                   \
  } while (false)
