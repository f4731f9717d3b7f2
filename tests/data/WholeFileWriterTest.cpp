// Whole-file-or-nothing writing on real files, FIFOs, device nodes, symbolic links and a real
// file-size limit: the target is replaced whole or left as it was, and no temporary file stays.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "data/WholeFileWriter.h"

namespace fs = std::filesystem;

namespace {

class WholeFileWriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/whole-file-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    dir = pattern;
  }
  void TearDown() override { fs::remove_all(dir); }

  std::string Path(const std::string& name) const { return (dir / name).string(); }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  static void Write(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
  }
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }

  fs::path dir;
};

TEST_F(WholeFileWriterTest, ReplacesARegularFileKeepingItsModeAndOwner) {
  const std::string path = Path("datos.txt");
  Write(path, "antes\r\n");
  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
  const bool root = ::geteuid() == 0;
  if (root) {
    ASSERT_EQ(::chown(path.c_str(), 4321, 4322), 0);
  }

  const WriteResult result = WriteWholeFile(path, "nuevo\r\n");
  ASSERT_TRUE(result.ok()) << result.error;
  EXPECT_EQ(Read(path), "nuevo\r\n");
  struct stat info {};
  ASSERT_EQ(::stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
  if (root) {
    EXPECT_EQ(info.st_uid, 4321u);
    EXPECT_EQ(info.st_gid, 4322u);
  }
  EXPECT_EQ(Entries(), std::vector<std::string>{"datos.txt"});

  // A new file is an ordinary document, readable by others.
  ASSERT_TRUE(WriteWholeFile(Path("nuevo.txt"), "").ok());
  ASSERT_EQ(::stat(Path("nuevo.txt").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0644u);
  EXPECT_EQ(info.st_size, 0);
}

// Regression: the file used to be renamed over whatever stood at the path.
TEST_F(WholeFileWriterTest, RefusesTargetsThatAreNotRegularFiles) {
  ASSERT_EQ(::mkfifo(Path("tuberia").c_str(), 0644), 0);
  fs::create_directory(Path("carpeta"));
  // A device node of our own (the null device's numbers), never the system's: needs privilege.
  const bool device = ::mknod(Path("nulo").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
  const std::vector<std::string> before = Entries();

  struct Case {
    std::string name;
    int error;
    mode_t type;
  };
  std::vector<Case> cases = {{"tuberia", 0, S_IFIFO}, {"carpeta", EISDIR, S_IFDIR}};
  if (device) cases.push_back({"nulo", 0, S_IFCHR});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const WriteResult result = WriteWholeFile(Path(c.name), "texto");
    EXPECT_EQ(result.failure, WriteFailure::kNotARegularFile);
    EXPECT_EQ(result.error, c.error);
    struct stat info {};
    ASSERT_EQ(::lstat(Path(c.name).c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & S_IFMT, c.type);
  }
  EXPECT_EQ(Entries(), before);
}

// Regression: a link used to be replaced by a file while its target kept the old text.
TEST_F(WholeFileWriterTest, SymbolicLinksAreFollowedAndStayLinks) {
  fs::create_directory(Path("real"));
  const std::string target = Path("real/datos.txt");
  Write(target, "antes");
  ASSERT_EQ(::symlink("real/datos.txt", Path("enlace").c_str()), 0);      // relative
  ASSERT_EQ(::symlink(Path("enlace").c_str(), Path("otro").c_str()), 0);  // a chain
  ASSERT_EQ(::symlink("real/nuevo.txt", Path("colgante").c_str()), 0);    // nothing there yet
  ASSERT_EQ(::symlink("bucle", Path("bucle").c_str()), 0);

  for (const char* link : {"enlace", "otro"}) {
    SCOPED_TRACE(link);
    const WriteResult result = WriteWholeFile(Path(link), std::string("por ") + link);
    ASSERT_TRUE(result.ok());
    EXPECT_EQ(fs::path(result.target), fs::path(Path("real/datos.txt")));
    EXPECT_TRUE(fs::is_symlink(Path(link)));
    EXPECT_EQ(Read(target), std::string("por ") + link);
  }
  ASSERT_TRUE(WriteWholeFile(Path("colgante"), "creado").ok());
  EXPECT_TRUE(fs::is_symlink(Path("colgante")));
  EXPECT_EQ(Read(Path("real/nuevo.txt")), "creado");

  const WriteResult loop = WriteWholeFile(Path("bucle"), "x");
  EXPECT_EQ(loop.failure, WriteFailure::kResolveLink);
  EXPECT_EQ(loop.error, ELOOP);
  EXPECT_EQ(Entries(), (std::vector<std::string>{"bucle", "colgante", "enlace", "otro", "real"}));
}

// Regression: a file-size limit killed the process with SIGXFSZ, leaving the temporary file. Run in
// a child, since the limit and the signal's disposition belong to the whole process.
TEST_F(WholeFileWriterTest, AFileSizeLimitFailsCleanlyAndLeavesNoTemporaryFile) {
  const std::string path = Path("lleno.txt");
  Write(path, "contenido anterior");
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::signal(SIGXFSZ, SIG_IGN);  // as both programs do at start
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = 4096;
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(90);
    const WriteResult result = WriteWholeFile(path, std::string(100000, 'x'));
    ::_exit(result.failure == WriteFailure::kWrite && result.error == EFBIG ? 0 : 91);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << "child ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(Read(path), "contenido anterior");
  EXPECT_EQ(Entries(), std::vector<std::string>{"lleno.txt"});

  // A folder that does not exist: nothing is created anywhere.
  const WriteResult missing = WriteWholeFile(Path("no/existe.txt"), "x");
  EXPECT_EQ(missing.failure, WriteFailure::kCreate);
  EXPECT_EQ(missing.error, ENOENT);
  EXPECT_EQ(Entries(), std::vector<std::string>{"lleno.txt"});
  EXPECT_EQ(WriteWholeFile("", "x").failure, WriteFailure::kCreate);
}

TEST_F(WholeFileWriterTest, NeverReplacesADatabaseOrItsSideFilesWhateverLeadsThere) {
  const std::string database = Path("descargas.sqlite");
  const std::string content = std::string("SQLite format 3", 16) + std::string(4080, '\x01');
  Write(database, content);
  Write(Path("old-log"), std::string("\x37\x7f\x06\x82", 4) + "frames");
  fs::create_symlink(database, Path("link.txt"));
  ASSERT_EQ(::link(database.c_str(), Path("hard.txt").c_str()), 0);
  for (const std::string& target : {database, Path("link.txt"), Path("hard.txt"), database + "-wal",
                                    database + "-shm", Path("old-log")}) {
    SCOPED_TRACE(target);
    EXPECT_TRUE(IsDatabaseFile(target));
    EXPECT_EQ(WriteWholeFile(target, "15/03/2012  14:50:30  50,0  23,5\r\n").failure,
              WriteFailure::kDatabase);
  }
  EXPECT_TRUE(Read(database) == content);
  EXPECT_FALSE(fs::exists(database + "-wal"));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 4);
  // A text that merely begins with the word is a document like any other.
  Write(Path("notes.txt"), "SQLite notes");
  EXPECT_TRUE(WriteWholeFile(Path("notes.txt"), "new").ok());
  EXPECT_TRUE(WriteWholeFile(Path("notes.txt-wal"), "new").ok());
}

}  // namespace
