// The tests' PostgreSQL cluster: see PgCluster.h.
#include "tests/central/PgCluster.h"

#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "central/PgConnection.h"

namespace {

std::string ServerBin() {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/usr/lib/postgresql", error)) {
    const std::filesystem::path bin = entry.path() / "bin";
    if (std::filesystem::exists(bin / "initdb") && std::filesystem::exists(bin / "pg_ctl"))
      return bin.string();
  }
  return "";
}

std::string RunAsUser() {
  if (geteuid() != 0) return "";
  const char* user = std::getenv("VELMORANTE_TEST_PG_USER");
  return user != nullptr ? user : "";
}

// A port free on loopback now; the server takes it a moment later.
int FreePort() {
  const int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
  socklen_t length = sizeof address;
  getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
  close(s);
  return ntohs(address.sin_port);
}

void Run(const std::string& command) {
  if (std::system(command.c_str()) != 0) throw std::runtime_error("failed: " + command);
}

}  // namespace

bool PgCluster::Available(std::string* why) {
  if (ServerBin().empty()) {
    *why = "PostgreSQL's server programs are not installed (Debian: postgresql)";
    return false;
  }
  if (geteuid() == 0 && RunAsUser().empty()) {
    *why = "running as root: name an unprivileged account in VELMORANTE_TEST_PG_USER";
    return false;
  }
  return true;
}

PgCluster::PgCluster(bool tls) : bin_(ServerBin()), user_(RunAsUser()), tls_(tls) {
  char pattern[] = "/tmp/velmorante-pg-XXXXXX";
  if (mkdtemp(pattern) == nullptr) throw std::runtime_error("no temporary folder");
  folder_ = pattern;
  if (!user_.empty()) {
    const passwd* account = getpwnam(user_.c_str());
    if (account == nullptr) throw std::runtime_error("no account " + user_);
    if (chown(folder_.c_str(), account->pw_uid, account->pw_gid) != 0)
      throw std::runtime_error("cannot give " + folder_ + " to " + user_);
  }
  const std::string as = user_.empty() ? "" : "runuser -u " + user_ + " -- ";
  Run(as + bin_ + "/initdb -A trust -U postgres -E UTF8 --no-locale -D " + folder_ + "/data > " +
      folder_ + "/initdb.log 2>&1");
  if (tls_) {
    // An authority of the test's own and a server certificate for localhost signed by it.
    const std::string f = folder_;
    Run("cd " + f +
        " && openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj '/CN=Velmorante test CA'"
        " -keyout ca.key -out ca.crt > /dev/null 2>&1 && openssl req -newkey rsa:2048 -nodes"
        " -subj '/CN=localhost' -keyout server.key -out server.csr > /dev/null 2>&1 &&"
        " printf 'subjectAltName=DNS:localhost\n' > san.ext && openssl x509 -req -in server.csr"
        " -CA ca.crt -CAkey ca.key -CAcreateserial -days 2 -extfile san.ext -out server.crt"
        " > /dev/null 2>&1 && chmod 600 server.key");
    if (!user_.empty()) Run("chown " + user_ + " " + f + "/server.key " + f + "/server.crt");
  }
  // A port taken between choosing and starting makes the start fail: choose again.
  for (int attempt = 0;; ++attempt) {
    port_ = FreePort();
    try {
      Start();
      return;
    } catch (const std::runtime_error&) {
      if (attempt == 4) throw;
    }
  }
}

PgCluster::~PgCluster() {
  try {
    if (running_) RunControl("stop -m immediate -w");
  } catch (const std::runtime_error&) {
  }
  std::error_code error;
  std::filesystem::remove_all(folder_, error);
}

void PgCluster::RunControl(const std::string& arguments) const {
  const std::string as = user_.empty() ? "" : "runuser -u " + user_ + " -- ";
  Run(as + bin_ + "/pg_ctl -D " + folder_ + "/data -l " + folder_ + "/server.log " + arguments +
      " > /dev/null 2>&1");
}

void PgCluster::Start() {
  RunControl("start -w -t 120 -o \"-c listen_addresses=127.0.0.1 -p " + std::to_string(port_) +
             " -c unix_socket_directories=" + folder_ + " -c fsync=off -c max_connections=60" +
             (tls_ ? " -c ssl=on -c ssl_cert_file=" + folder_ +
                         "/server.crt -c ssl_key_file=" + folder_ + "/server.key"
                   : std::string()) +
             "\"");
  running_ = true;
}

void PgCluster::Stop() {
  RunControl("stop -m fast -w -t 120");
  running_ = false;
}

std::string PgCluster::Url(const std::string& database, const std::string& role) const {
  return "postgresql://" + role + "@127.0.0.1:" + std::to_string(port_) + "/" + database;
}

void PgCluster::CreateDatabase(const std::string& name) {
  PgConnection(Url()).Execute("CREATE DATABASE " + name);
}
