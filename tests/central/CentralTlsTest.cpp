// The central archive over TLS with sslmode=verify-full: a server whose certificate an authority
// the client trusts signed for the host it connects to is taken; one named for another host, or
// signed by another authority, is refused before anything is sent.
#include <gtest/gtest.h>

#include "central/CentralArchive.h"
#include "central/CentralSchema.h"
#include "central/PgConnection.h"
#include "tests/central/PgCluster.h"

namespace {

TEST(CentralTls, VerifyFullTakesTheRightServerAndRefusesAnyOther) {
  VELMORANTE_REQUIRE_POSTGRESQL();
  PgCluster cluster(true);
  cluster.CreateDatabase("central");
  const std::string port = std::to_string(cluster.port());
  const std::string verified =
      "postgresql://postgres@localhost:" + port +
      "/central?sslmode=verify-full&sslrootcert=" + cluster.CaCertificate();
  {
    PgConnection owner(verified);
    InitCentralArchive(owner);
    EXPECT_EQ(
        owner.Run("SELECT ssl::text FROM pg_stat_ssl WHERE pid = pg_backend_pid()").Text(0, 0),
        "true");
  }
  EXPECT_TRUE(OpenCentralArchive(verified)->List().empty());

  // The certificate names localhost, not the address.
  EXPECT_THROW(PgConnection("postgresql://postgres@127.0.0.1:" + port +
                            "/central?sslmode=verify-full&sslrootcert=" + cluster.CaCertificate()),
               ArchiveError);
  // Another authority: the test's CA is not trusted when the client trusts another one.
  PgCluster other(true);
  EXPECT_THROW(PgConnection("postgresql://postgres@localhost:" + port +
                            "/central?sslmode=verify-full&sslrootcert=" + other.CaCertificate()),
               ArchiveError);
}

}  // namespace
