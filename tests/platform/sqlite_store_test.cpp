#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/keystore.h"
#include "tests/platform/store_environment.h"
#include "tests/support/store_locker.h"

namespace vorsel {
namespace {

using test::StoreEnvironment;

class SqliteStoreTest : public ::testing::Test {
 protected:
  std::unique_ptr<KeyValueStore> Open(StoreAccess access = StoreAccess::ReadWrite) {
    return OpenSqliteStore(file, access);
  }

  StoreEnvironment env;
  std::string file = env.dir / "stores/registry.db";
};

TEST_F(SqliteStoreTest, KeysArePathsWhoseNamesIgnoreCaseAndKeepTheirSpelling) {
  auto store = Open();
  store->CreateKey("\\Software\\QuorvikData\\Vorsel\\");
  EXPECT_TRUE(store->KeyExists("SOFTWARE\\quorvikdata"));
  EXPECT_TRUE(store->KeyExists("software\\\\QuorvikData\\VORSEL"));
  EXPECT_FALSE(store->KeyExists("Software\\QuorvikData\\Vorse"));
  EXPECT_TRUE(store->KeyExists(""));

  store->CreateKey("SOFTWARE\\Brannow");
  EXPECT_EQ(store->SubkeyNames("\\"), std::vector<std::string>({"Software"}));
  EXPECT_EQ(store->SubkeyNames("software"), std::vector<std::string>({"Brannow", "QuorvikData"}));

  store->CreateKey("Software\\\xC3\x84rger");  // "Ärger"
  EXPECT_TRUE(store->KeyExists("software\\\xC3\xA4RGER"));
}

TEST_F(SqliteStoreTest, StringAndIntegerValuesReplaceEachOtherAndKeepTheirListingOrder) {
  auto store = Open();
  store->WriteValue("A\\B", "Zeta", std::string("text"));
  store->WriteValue("a\\b", "alpha", int32_t{-32768});
  store->WriteValue("A\\B", "ZETA", int32_t{7});
  EXPECT_TRUE(store->KeyExists("A\\B")) << "writing a value creates its key";

  EXPECT_EQ(store->ReadValue("a\\B", "zeta"), StoreValue(int32_t{7}));
  EXPECT_EQ(store->ReadValue("A\\B", "Alpha"), StoreValue(int32_t{-32768}));
  EXPECT_EQ(store->ReadValue("A\\B", "missing"), std::nullopt);
  EXPECT_EQ(store->ReadValue("A\\C", "alpha"), std::nullopt);
  EXPECT_EQ(store->ValueNames("A\\B"), std::vector<std::string>({"Zeta", "alpha"}));

  store->WriteValue("A\\B", "", std::string());
  EXPECT_EQ(store->ReadValue("A\\B", ""), StoreValue(std::string()));

  EXPECT_TRUE(store->DeleteValue("A\\B", "ZETA"));
  EXPECT_FALSE(store->DeleteValue("A\\B", "zeta"));
  EXPECT_EQ(store->ValueNames("A\\B"), std::vector<std::string>({"alpha", ""}));
}

TEST_F(SqliteStoreTest, DeletingAKeyTakesItsSubtreeAndNothingBeside) {
  auto store = Open();
  store->WriteValue("Soft\\x", "v", std::string("1"));
  store->WriteValue("Soft\\x\\deeper\\deepest", "v", std::string("2"));
  store->WriteValue("Soft\\xy", "v", std::string("3"));
  store->WriteValue("Soft\\x]", "v", std::string("4"));
  store->WriteValue("Software", "v", std::string("5"));

  EXPECT_TRUE(store->DeleteKey("SOFT\\X"));
  EXPECT_FALSE(store->KeyExists("Soft\\x"));
  EXPECT_FALSE(store->KeyExists("Soft\\x\\deeper"));
  EXPECT_EQ(store->ReadValue("Soft\\x\\deeper\\deepest", "v"), std::nullopt);
  EXPECT_EQ(store->ReadValue("Soft\\xy", "v"), StoreValue(std::string("3")));
  EXPECT_EQ(store->ReadValue("Soft\\x]", "v"), StoreValue(std::string("4")));
  EXPECT_EQ(store->ReadValue("Software", "v"), StoreValue(std::string("5")));
  EXPECT_FALSE(store->DeleteKey("Soft\\x"));
  EXPECT_FALSE(store->DeleteKey("")) << "the root stays";
  EXPECT_TRUE(store->KeyExists("Soft"));
}

TEST_F(SqliteStoreTest, EveryWriteIsSeenByTheNextStoreObject) {
  Open()->WriteValue("K", "n", int32_t{42});
  EXPECT_EQ(Open()->ReadValue("k", "N"), StoreValue(int32_t{42}));
  EXPECT_EQ(Open(StoreAccess::ReadOnly)->ReadValue("k", "N"), StoreValue(int32_t{42}));
}

TEST_F(SqliteStoreTest, ReadingNeverCreatesTheDatabaseAndReadOnlyStoresRefuseWrites) {
  auto store = Open();
  EXPECT_FALSE(store->KeyExists("K"));
  EXPECT_TRUE(store->SubkeyNames("").empty());
  EXPECT_EQ(store->ReadValue("K", "v"), std::nullopt);
  EXPECT_FALSE(std::filesystem::exists(file));

  auto readOnly = Open(StoreAccess::ReadOnly);
  EXPECT_THROW(readOnly->CreateKey("K"), StoreError);
  EXPECT_THROW(readOnly->WriteValue("K", "v", std::string("x")), StoreError);
  EXPECT_FALSE(std::filesystem::exists(file));
}

TEST_F(SqliteStoreTest, AStoreThatCannotBeCreatedOrIsNoDatabaseFailsClearly) {
  test::WriteFile(env.dir / "plain", "not a folder");
  auto blocked = OpenSqliteStore(env.dir / "plain/registry.db", StoreAccess::ReadWrite);
  EXPECT_EQ(blocked->ReadValue("K", "v"), std::nullopt);
  try {
    blocked->WriteValue("K", "v", std::string("x"));
    FAIL() << "the write should fail";
  } catch (const StoreError& error) {
    EXPECT_NE(std::string(error.what()).find(env.dir / "plain/registry.db"), std::string::npos);
  }
}

// Collects the store notices for the life of the object.
class NoticeRecorder {
 public:
  NoticeRecorder() {
    former_ = SetStoreNoticeHandler([this](const std::string& text) { notices.push_back(text); });
  }
  ~NoticeRecorder() { SetStoreNoticeHandler(std::move(former_)); }

  std::vector<std::string> notices;

 private:
  StoreNoticeHandler former_;
};

TEST_F(SqliteStoreTest, ADamagedStoreIsSetAsideOnceAndANewOneTakesItsPlace) {
  NoticeRecorder recorder;
  const std::string garbage(4096, 'x');
  test::WriteFile(env.dir / "garbage.db", garbage);
  const std::string file = env.dir / "garbage.db";
  EXPECT_EQ(OpenSqliteStore(file, StoreAccess::ReadOnly)->ReadValue("K", "v"), std::nullopt);
  ASSERT_EQ(recorder.notices, std::vector<std::string>{file +
                                                       " is damaged; the defaults are used; "
                                                       "it was kept as " +
                                                       file + ".damaged"});
  EXPECT_EQ(test::ReadFile(file + ".damaged"), garbage);

  auto store = OpenSqliteStore(file, StoreAccess::ReadWrite);
  store->WriteValue("K", "v", std::string("x"));
  EXPECT_EQ(OpenSqliteStore(file, StoreAccess::ReadOnly)->ReadValue("K", "v"),
            StoreValue(std::string("x")));
  EXPECT_EQ(recorder.notices.size(), 1u);
}

TEST_F(SqliteStoreTest, ADamagedStoreThatCannotBeSetAsideIsReportedOnceAndFails) {
  NoticeRecorder recorder;
  const std::string folder = env.dir / "fixed";
  std::filesystem::create_directory(folder);
  test::WriteFile(folder + "/registry.db", std::string(4096, 'x'));
  // The folder cannot be written by the unprivileged user that reads the store.
  const std::string script = "chmod 755 '" + env.dir.path().string() + "' '" + folder +
                             "'; chmod 644 '" + folder + "/registry.db'";
  ASSERT_EQ(std::system(script.c_str()), 0);
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    if (getuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) {
      _exit(3);
    }
    NoticeRecorder child;
    auto store = OpenSqliteStore(folder + "/registry.db", StoreAccess::ReadOnly);
    bool failed = true;
    for (int i = 0; i < 3; ++i) {
      try {
        store->ReadValue("K", "v");
        failed = false;
      } catch (const StoreError&) {
      }
    }
    const bool once = child.notices.size() == 1 &&
                      child.notices[0].find("could not be kept as") != std::string::npos;
    _exit(failed && once ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_TRUE(std::filesystem::exists(folder + "/registry.db"));
}

TEST_F(SqliteStoreTest, ALockedStoreIsWaitedForOnceThenFailsAtOnce) {
  env.Set("VORSEL_STORE_WAIT_MS", "400");
  Open()->WriteValue("K", "v", int32_t{1});
  using Clock = std::chrono::steady_clock;
  {
    test::StoreLocker locker(file);
    ASSERT_TRUE(locker.Locked());
    auto store = Open();
    const auto start = Clock::now();
    try {
      store->ReadValue("K", "v");
      FAIL() << "the read should fail";
    } catch (const StoreLockedError& error) {
      EXPECT_EQ(error.File(), file);
    }
    const auto waited = Clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(350));
    EXPECT_LT(waited, std::chrono::milliseconds(2000));
    // Every further operation, of this object or another, gives up at once.
    const auto again = Clock::now();
    EXPECT_THROW(store->WriteValue("K", "v", int32_t{2}), StoreLockedError);
    EXPECT_THROW(Open()->ValueNames("K"), StoreLockedError);
    EXPECT_LT(Clock::now() - again, std::chrono::milliseconds(300));
  }
  EXPECT_EQ(Open()->ReadValue("K", "v"), StoreValue(int32_t{1}));
  test::StoreLocker locker(file);
  const auto start = Clock::now();
  EXPECT_THROW(Open()->ReadValue("K", "v"), StoreLockedError);
  EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(350)) << "a new lock, a new wait";
}

TEST_F(SqliteStoreTest, ABatchIsStoredAtItsCommitAndDroppedWithoutOne) {
  auto store = Open();
  store->WriteValue("K", "before", int32_t{1});
  store->BeginBatch();
  store->WriteValue("K", "a", std::string("1"));
  store->CreateKey("K\\Sub");
  EXPECT_EQ(store->ReadValue("K", "a"), StoreValue(std::string("1"))) << "its own writes show";
  EXPECT_EQ(Open()->ReadValue("K", "a"), std::nullopt) << "others see them only after commit";
  store->CommitBatch();
  EXPECT_EQ(Open()->ReadValue("K", "a"), StoreValue(std::string("1")));
  EXPECT_TRUE(Open()->KeyExists("K\\Sub"));

  store->BeginBatch();
  store->WriteValue("K", "dropped", int32_t{2});
  store.reset();
  EXPECT_EQ(Open()->ReadValue("K", "dropped"), std::nullopt);
  EXPECT_EQ(Open()->ReadValue("K", "before"), StoreValue(int32_t{1}));
}

// Two programs of the suite writing into one store at the same moment: each writes its own
// values, many small transactions each, and every value must be there afterwards.
TEST_F(SqliteStoreTest, TwoProcessesWritingAtOnceLoseNoValue) {
  // A writer that never pauses can keep the other from the lock for seconds on a loaded
  // machine; what counts here is that no value is lost, not how long a wait may last.
  env.Set("VORSEL_STORE_WAIT_MS", "120000");
  constexpr int kValuesPerProcess = 300;
  std::vector<pid_t> children;
  for (int process = 0; process < 2; ++process) {
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      int status = 0;
      try {
        auto store = OpenSqliteStore(file, StoreAccess::ReadWrite);
        for (int i = 0; i < kValuesPerProcess; ++i) {
          const std::string name = "p" + std::to_string(process) + "-" + std::to_string(i);
          store->WriteValue("Software\\Shared", name, int32_t{i});
          store->CreateKey("Software\\Shared\\" + name);
        }
      } catch (const std::exception&) {
        status = 1;
      }
      _exit(status);
    }
    children.push_back(pid);
  }
  for (const pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a writer failed";
  }
  auto store = Open();
  EXPECT_EQ(store->ValueNames("Software\\Shared").size(), 2u * kValuesPerProcess);
  EXPECT_EQ(store->SubkeyNames("Software\\Shared").size(), 2u * kValuesPerProcess);
  for (int process = 0; process < 2; ++process) {
    for (int i = 0; i < kValuesPerProcess; i += 37) {
      const std::string name = "p" + std::to_string(process) + "-" + std::to_string(i);
      EXPECT_EQ(store->ReadValue("Software\\Shared", name), StoreValue(int32_t{i})) << name;
    }
  }
}

TEST(RegistryRootFile, FollowsTheEnvironment) {
  StoreEnvironment env;
  EXPECT_EQ(RegistryRootFile(RegistryRoot::HKEY_CURRENT_USER),
            env.ConfigHome() + "/QuorvikData/registry.db");
  EXPECT_EQ(RegistryRootFile(RegistryRoot::HKEY_LOCAL_MACHINE), env.MachineDir() + "/registry.db");
  EXPECT_EQ(RegistryRootFile(RegistryRoot::HKEY_CLASSES_ROOT),
            env.DataHome() + "/QuorvikData/classes.db");

  env.Set("XDG_CONFIG_HOME", "relative/config");  // ignored: only absolute paths count
  EXPECT_EQ(RegistryRootFile(RegistryRoot::HKEY_CURRENT_USER),
            (env.dir / "home") + "/.config/QuorvikData/registry.db");
  env.Set("VORSEL_MACHINE_DIR", std::nullopt);
  EXPECT_EQ(RegistryRootFile(RegistryRoot::HKEY_LOCAL_MACHINE), "/etc/QuorvikData/registry.db");

  env.Set("HOME", std::nullopt);
  EXPECT_EQ(RegistryRootFile(RegistryRoot::HKEY_CURRENT_USER), std::nullopt);
  auto unplaced = OpenRegistryRoot(RegistryRoot::HKEY_CURRENT_USER);
  EXPECT_EQ(unplaced->ReadValue("K", "v"), std::nullopt);
  EXPECT_THROW(unplaced->WriteValue("K", "v", int32_t{1}), StoreError);
}

TEST(RegistryRootFile, OpenedRootsShareTheirFileBetweenObjects) {
  StoreEnvironment env;
  OpenRegistryRoot(RegistryRoot::HKEY_CURRENT_USER)->WriteValue("K", "v", std::string("user"));
  OpenRegistryRoot(RegistryRoot::HKEY_LOCAL_MACHINE)->WriteValue("K", "v", std::string("machine"));
  EXPECT_TRUE(std::filesystem::exists(env.UserStoreFile()));
  EXPECT_EQ(OpenRegistryRoot(RegistryRoot::HKEY_CURRENT_USER)->ReadValue("K", "v"),
            StoreValue(std::string("user")));
  EXPECT_EQ(OpenRegistryRoot(RegistryRoot::HKEY_LOCAL_MACHINE, StoreAccess::ReadOnly)
                ->ReadValue("K", "v"),
            StoreValue(std::string("machine")));
  EXPECT_EQ(OpenRegistryRoot(RegistryRoot::HKEY_CLASSES_ROOT)->ReadValue("K", "v"), std::nullopt);
}

}  // namespace
}  // namespace vorsel
