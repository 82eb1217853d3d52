#include <sqlite3.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/folders.h"
#include "platform/keystore.h"
#include "platform/textcase.h"

namespace vorsel {

namespace {

using Clock = std::chrono::steady_clock;

// Long enough for another program of the suite to finish what it does; short enough that a
// program holding the store for good does not stop this one for long.
constexpr std::chrono::milliseconds kLockWait{10000};

std::chrono::milliseconds LockWait() {
  const char* text = std::getenv("VORSEL_STORE_WAIT_MS");
  unsigned milliseconds = 0;
  if (text != nullptr) {
    const char* end = text + std::char_traits<char>::length(text);
    if (const auto result = std::from_chars(text, end, milliseconds);
        result.ec == std::errc{} && result.ptr == end) {
      return std::chrono::milliseconds(milliseconds);
    }
  }
  return kLockWait;
}

// When the waiting for each store file ends. It starts at the first lock met and holds for
// every store object on that file until an operation gets through (or as long again has
// passed), so that a file that stays locked costs the program one wait, not one per value or
// per object.
class LockDeadlines {
 public:
  Clock::time_point Of(const std::string& file) {
    const std::lock_guard lock(mutex_);
    const Clock::time_point now = Clock::now();
    const auto wait = LockWait();
    const auto [entry, added] = deadlines_.try_emplace(file, now + wait);
    // A lock met long after the last wait gave up is a new one.
    if (!added && now > entry->second + wait) {
      entry->second = now + wait;
    }
    return entry->second;
  }
  void Reached(const std::string& file) {
    const std::lock_guard lock(mutex_);
    deadlines_.erase(file);
  }

 private:
  std::mutex mutex_;
  std::map<std::string, Clock::time_point> deadlines_;
};

LockDeadlines& TheLockDeadlines() {
  static LockDeadlines deadlines;
  return deadlines;
}

// Waits a little before a locked file is tried again; false once the waiting is over.
bool WaitForLock(const std::string& file, int attempt) {
  const Clock::time_point deadline = TheLockDeadlines().Of(file);
  const Clock::time_point now = Clock::now();
  if (now >= deadline) {
    return false;
  }
  // Short steps: a program that writes value after value leaves the lock free only briefly.
  const auto step = std::chrono::milliseconds(std::min(1 + attempt / 20, 10));
  std::this_thread::sleep_for(std::min<Clock::duration>(step, deadline - now));
  return true;
}

int BusyHandler(void* file, int attempt) {
  return WaitForLock(*static_cast<const std::string*>(file), attempt) ? 1 : 0;
}

constexpr int kTypeString = 1;   // the registry's REG_SZ
constexpr int kTypeInteger = 4;  // REG_DWORD

constexpr const char* kSchema =
    "CREATE TABLE IF NOT EXISTS keys("
    "  path TEXT PRIMARY KEY,"  // folded names joined by "\"
    "  parent TEXT NOT NULL,"
    "  name TEXT NOT NULL) WITHOUT ROWID;"
    "CREATE INDEX IF NOT EXISTS keys_by_parent ON keys(parent, path);"
    "CREATE TABLE IF NOT EXISTS vals("
    "  key TEXT NOT NULL,"
    "  fold TEXT NOT NULL,"
    "  name TEXT NOT NULL,"
    "  type INTEGER NOT NULL,"
    "  value,"
    "  UNIQUE(key, fold));"
    "PRAGMA user_version = 1;";

// The file is no database, or a damaged one.
class DamagedError : public StoreError {
 public:
  using StoreError::StoreError;
};

struct DatabaseCloser {
  void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using Database = std::unique_ptr<sqlite3, DatabaseCloser>;

[[noreturn]] void Fail(sqlite3* db, const std::string& file, int code) {
  const std::string message = file + ": " + (db ? sqlite3_errmsg(db) : sqlite3_errstr(code));
  const int primary = code & 0xFF;
  if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED) {
    throw StoreLockedError(file + " is locked by another program", file);
  }
  if (primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT) {
    throw DamagedError(message);
  }
  throw StoreError(message);
}

class Statement {
 public:
  Statement(sqlite3* db, const std::string& file, std::string_view sql) : db_(db), file_(file) {
    const int rc =
        sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &stmt_, nullptr);
    if (rc != SQLITE_OK) {
      Fail(db_, file_, rc);
    }
  }
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  Statement& Bind(int index, std::string_view text) {
    Check(sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()),
                            SQLITE_TRANSIENT));
    return *this;
  }
  Statement& Bind(int index, int64_t number) {
    Check(sqlite3_bind_int64(stmt_, index, number));
    return *this;
  }

  // True while there is a row to read.
  bool Step() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) {
      return true;
    }
    if (rc == SQLITE_DONE) {
      return false;
    }
    Fail(db_, file_, rc);
  }
  void Run() {
    while (Step()) {
    }
  }
  void Reset() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
  }

  std::string Text(int column) const {
    const auto* text = sqlite3_column_text(stmt_, column);
    const int size = sqlite3_column_bytes(stmt_, column);
    return text ? std::string(reinterpret_cast<const char*>(text), static_cast<size_t>(size))
                : std::string();
  }
  int64_t Integer(int column) const { return sqlite3_column_int64(stmt_, column); }

 private:
  void Check(int rc) {
    if (rc != SQLITE_OK) {
      Fail(db_, file_, rc);
    }
  }

  sqlite3* db_;
  const std::string& file_;
  sqlite3_stmt* stmt_ = nullptr;
};

void Exec(sqlite3* db, const std::string& file, const char* sql) {
  const int rc = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) {
    Fail(db, file, rc);
  }
}

// A path split into its key names, with the folded forms the table is keyed by.
struct KeyPath {
  std::vector<std::string> names;
  std::vector<std::string> folds;

  explicit KeyPath(std::string_view path) {
    size_t start = 0;
    while (start <= path.size()) {
      const size_t end = std::min(path.find('\\', start), path.size());
      if (end > start) {
        names.emplace_back(path.substr(start, end - start));
        folds.push_back(FoldCase(names.back()));
      }
      start = end + 1;
    }
  }

  bool IsRoot() const { return names.empty(); }

  // Folded path of the first `count` names.
  std::string Prefix(size_t count) const {
    std::string out;
    for (size_t i = 0; i < count; ++i) {
      if (i > 0) {
        out += '\\';
      }
      out += folds[i];
    }
    return out;
  }
  std::string Folded() const { return Prefix(folds.size()); }
};

class SqliteStore : public KeyValueStore {
 public:
  SqliteStore(std::string file, StoreAccess access) : file_(std::move(file)), access_(access) {}

  ~SqliteStore() override {
    if (batchOpen_) {
      sqlite3_exec(db_.get(), "ROLLBACK", nullptr, nullptr, nullptr);
    }
  }

  bool KeyExists(std::string_view path) override {
    const KeyPath key(path);
    if (key.IsRoot()) {
      return true;
    }
    return Guarded([&] {
      sqlite3* db = Reader();
      if (db == nullptr) {
        return false;
      }
      Statement query(db, file_, "SELECT 1 FROM keys WHERE path = ?1");
      return query.Bind(1, key.Folded()).Step();
    });
  }

  void CreateKey(std::string_view path) override {
    const KeyPath key(path);
    Guarded([&] {
      return WriteTransaction([&](sqlite3* db) {
        InsertKeys(db, key);
        return 0;
      });
    });
  }

  bool DeleteKey(std::string_view path) override {
    const KeyPath key(path);
    if (key.IsRoot()) {
      return false;
    }
    const std::string folded = key.Folded();
    return Guarded([&] {
      return WriteTransaction([&](sqlite3* db) {
        // Every path below starts with the key's path and "\"; "]" follows "\" in byte order.
        Statement values(
            db, file_,
            "DELETE FROM vals WHERE key = ?1 OR (key >= ?1 || '\\' AND key < ?1 || ']')");
        values.Bind(1, folded).Run();
        Statement keys(
            db, file_,
            "DELETE FROM keys WHERE path = ?1 OR (path >= ?1 || '\\' AND path < ?1 || ']')");
        keys.Bind(1, folded).Run();
        return sqlite3_changes(db) > 0;
      });
    });
  }

  std::vector<std::string> SubkeyNames(std::string_view path) override {
    return Guarded([&] {
      std::vector<std::string> names;
      sqlite3* db = Reader();
      if (db == nullptr) {
        return names;
      }
      Statement query(db, file_, "SELECT name FROM keys WHERE parent = ?1 ORDER BY path");
      query.Bind(1, KeyPath(path).Folded());
      while (query.Step()) {
        names.push_back(query.Text(0));
      }
      return names;
    });
  }

  std::optional<StoreValue> ReadValue(std::string_view path, std::string_view name) override {
    return Guarded([&]() -> std::optional<StoreValue> {
      sqlite3* db = Reader();
      if (db == nullptr) {
        return std::nullopt;
      }
      Statement query(db, file_, "SELECT type, value FROM vals WHERE key = ?1 AND fold = ?2");
      query.Bind(1, KeyPath(path).Folded()).Bind(2, FoldCase(name));
      if (!query.Step()) {
        return std::nullopt;
      }
      if (query.Integer(0) == kTypeInteger) {
        return StoreValue(static_cast<int32_t>(query.Integer(1)));
      }
      return StoreValue(query.Text(1));
    });
  }

  void WriteValue(std::string_view path, std::string_view name, const StoreValue& value) override {
    const KeyPath key(path);
    Guarded([&] {
      return WriteTransaction([&](sqlite3* db) {
        InsertKeys(db, key);
        Statement upsert(
            db, file_,
            "INSERT INTO vals(key, fold, name, type, value) VALUES(?1, ?2, ?3, ?4, ?5) "
            "ON CONFLICT(key, fold) DO UPDATE SET type = excluded.type, value = excluded.value");
        upsert.Bind(1, key.Folded()).Bind(2, FoldCase(name)).Bind(3, name);
        if (const auto* text = std::get_if<std::string>(&value)) {
          upsert.Bind(4, int64_t{kTypeString}).Bind(5, *text);
        } else {
          upsert.Bind(4, int64_t{kTypeInteger}).Bind(5, int64_t{std::get<int32_t>(value)});
        }
        upsert.Run();
        return 0;
      });
    });
  }

  bool DeleteValue(std::string_view path, std::string_view name) override {
    const KeyPath key(path);
    return Guarded([&] {
      return WriteTransaction([&](sqlite3* db) {
        Statement remove(db, file_, "DELETE FROM vals WHERE key = ?1 AND fold = ?2");
        remove.Bind(1, key.Folded()).Bind(2, FoldCase(name)).Run();
        return sqlite3_changes(db) > 0;
      });
    });
  }

  std::vector<std::string> ValueNames(std::string_view path) override {
    return Guarded([&] {
      std::vector<std::string> names;
      sqlite3* db = Reader();
      if (db == nullptr) {
        return names;
      }
      Statement query(db, file_, "SELECT name FROM vals WHERE key = ?1 ORDER BY rowid");
      query.Bind(1, KeyPath(path).Folded());
      while (query.Step()) {
        names.push_back(query.Text(0));
      }
      return names;
    });
  }

  void BeginBatch() override { batch_ = true; }

  void CommitBatch() override {
    batch_ = false;
    if (!batchOpen_) {
      return;
    }
    batchOpen_ = false;
    for (int attempt = 0;; ++attempt) {
      const int rc = sqlite3_exec(db_.get(), "COMMIT", nullptr, nullptr, nullptr);
      if (rc == SQLITE_OK) {
        TheLockDeadlines().Reached(file_);
        return;
      }
      const bool busy = rc == SQLITE_BUSY || rc == SQLITE_LOCKED;
      if (!busy || !WaitForLock(file_, attempt)) {
        const std::string message = file_ + ": " + sqlite3_errmsg(db_.get());
        sqlite3_exec(db_.get(), "ROLLBACK", nullptr, nullptr, nullptr);
        if (busy) {
          throw StoreLockedError(file_ + " is locked by another program", file_);
        }
        throw StoreError(message);
      }
    }
  }

 private:
  // Runs one operation. A damaged file is set aside and the operation runs again over the new,
  // empty store; one that got through ends the waiting for a lock on the file.
  template <typename Body>
  std::invoke_result_t<Body&> Guarded(Body&& body) {
    try {
      auto result = body();
      TheLockDeadlines().Reached(file_);
      return result;
    } catch (const DamagedError&) {
      if (!SetAside()) {
        throw;
      }
    }
    return body();
  }

  // Renames the damaged file (with its journal) so that the user keeps it and the suite's
  // programs start a new store; false when it cannot be renamed.
  bool SetAside() {
    if (batchOpen_) {
      sqlite3_exec(db_.get(), "ROLLBACK", nullptr, nullptr, nullptr);
      batchOpen_ = false;
    }
    db_.reset();
    writable_ = false;
    const std::string kept = file_ + ".damaged";
    const std::string notice = file_ + " is damaged; the defaults are used; it ";
    std::error_code error;
    std::filesystem::rename(file_, kept, error);
    if (error) {
      static std::mutex mutex;
      static std::set<std::string> reported;
      const std::lock_guard lock(mutex);
      if (reported.insert(file_).second) {
        ReportStoreNotice(notice + "could not be kept as " + kept + ": " + error.message());
      }
      return false;
    }
    // A journal left beside the file belongs to the damaged one, never to a new store.
    std::filesystem::rename(file_ + "-journal", kept + "-journal", error);
    ReportStoreNotice(notice + "was kept as " + kept);
    return true;
  }

  // A connection for reading; nothing while the database does not exist or holds no table yet.
  sqlite3* Reader() {
    if (db_) {
      return db_.get();
    }
    std::error_code error;
    if (!std::filesystem::exists(file_, error)) {
      return nullptr;
    }
    const int flags =
        access_ == StoreAccess::ReadWrite ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY;
    Database db = Open(flags);
    Statement schema(db.get(), file_,
                     "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'vals'");
    if (!schema.Step()) {
      return nullptr;
    }
    writable_ = sqlite3_db_readonly(db.get(), "main") == 0;
    db_ = std::move(db);
    return db_.get();
  }

  // A connection that may write, creating the database and its folder when missing.
  sqlite3* Writer() {
    if (access_ == StoreAccess::ReadOnly) {
      throw StoreError(file_ + ": opened read-only");
    }
    if (db_ && writable_) {
      return db_.get();
    }
    const std::filesystem::path folder = std::filesystem::path(file_).parent_path();
    if (!folder.empty() && !ForceDirectories(folder.string())) {
      throw StoreError(file_ + ": cannot create the folder " + folder.string());
    }
    Database db = Open(SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    if (sqlite3_db_readonly(db.get(), "main") != 0) {
      throw StoreError(file_ + ": the store cannot be written");
    }
    db_ = std::move(db);
    writable_ = true;
    WriteTransaction([&](sqlite3* handle) {
      Exec(handle, file_, kSchema);
      return 0;
    });
    return db_.get();
  }

  Database Open(int flags) {
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(file_.c_str(), &raw, flags, nullptr);
    Database db(raw);
    if (rc != SQLITE_OK) {
      Fail(db.get(), file_, rc);
    }
    sqlite3_busy_handler(db.get(), &BusyHandler, &file_);
    return db;
  }

  void InsertKeys(sqlite3* db, const KeyPath& key) {
    Statement insert(db, file_,
                     "INSERT OR IGNORE INTO keys(path, parent, name) VALUES(?1, ?2, ?3)");
    for (size_t i = 1; i <= key.names.size(); ++i) {
      insert.Bind(1, key.Prefix(i)).Bind(2, key.Prefix(i - 1)).Bind(3, key.names[i - 1]);
      insert.Run();
      insert.Reset();
    }
  }

  // A whole transaction is tried again while the lock could not be had without the busy
  // handler (a commit that meets a reader, a deadlock broken by SQLite).
  template <typename Body>
  std::invoke_result_t<Body&, sqlite3*> WriteTransaction(Body&& body) {
    if (batch_) {
      return InBatch(std::forward<Body>(body));
    }
    for (int attempt = 0;; ++attempt) {
      sqlite3* db = Writer();
      try {
        Exec(db, file_, "BEGIN IMMEDIATE");
        try {
          auto result = body(db);
          Exec(db, file_, "COMMIT");
          return result;
        } catch (...) {
          sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
          throw;
        }
      } catch (const StoreLockedError&) {
        if (!WaitForLock(file_, attempt)) {
          throw;
        }
      }
    }
  }

  // One operation of a batch, undone alone when it fails.
  template <typename Body>
  std::invoke_result_t<Body&, sqlite3*> InBatch(Body&& body) {
    sqlite3* db = Writer();
    if (!batchOpen_) {
      for (int attempt = 0;; ++attempt) {
        try {
          Exec(db, file_, "BEGIN IMMEDIATE");
          break;
        } catch (const StoreLockedError&) {
          if (!WaitForLock(file_, attempt)) {
            throw;
          }
        }
      }
      batchOpen_ = true;
    }
    Exec(db, file_, "SAVEPOINT operation");
    try {
      auto result = body(db);
      Exec(db, file_, "RELEASE operation");
      return result;
    } catch (...) {
      sqlite3_exec(db, "ROLLBACK TO operation", nullptr, nullptr, nullptr);
      sqlite3_exec(db, "RELEASE operation", nullptr, nullptr, nullptr);
      // Some failures (a full disk) end the whole transaction.
      batchOpen_ = sqlite3_get_autocommit(db) == 0;
      throw;
    }
  }

  std::string file_;
  StoreAccess access_;
  Database db_;
  bool writable_ = false;
  bool batch_ = false;
  bool batchOpen_ = false;
};

// A root whose folder is unknown: it holds nothing and refuses every write.
class UnplacedStore : public KeyValueStore {
 public:
  explicit UnplacedStore(RegistryRoot root)
      : reason_(std::string(RegistryRootName(root)) +
                ": no folder for the store (neither XDG_CONFIG_HOME nor XDG_DATA_HOME nor HOME "
                "is an absolute path)") {}

  bool KeyExists(std::string_view path) override { return KeyPath(path).IsRoot(); }
  void CreateKey(std::string_view) override { throw StoreError(reason_); }
  bool DeleteKey(std::string_view) override { throw StoreError(reason_); }
  std::vector<std::string> SubkeyNames(std::string_view) override { return {}; }
  std::optional<StoreValue> ReadValue(std::string_view, std::string_view) override {
    return std::nullopt;
  }
  void WriteValue(std::string_view, std::string_view, const StoreValue&) override {
    throw StoreError(reason_);
  }
  bool DeleteValue(std::string_view, std::string_view) override { throw StoreError(reason_); }
  std::vector<std::string> ValueNames(std::string_view) override { return {}; }
  void BeginBatch() override {}
  void CommitBatch() override {}

 private:
  std::string reason_;
};

}  // namespace

std::string_view RegistryRootName(RegistryRoot root) {
  switch (root) {
    case RegistryRoot::HKEY_CURRENT_USER:
      return "HKEY_CURRENT_USER";
    case RegistryRoot::HKEY_LOCAL_MACHINE:
      return "HKEY_LOCAL_MACHINE";
    case RegistryRoot::HKEY_CLASSES_ROOT:
      return "HKEY_CLASSES_ROOT";
  }
  return {};
}

std::optional<std::string> RegistryRootFile(RegistryRoot root) {
  switch (root) {
    case RegistryRoot::HKEY_CURRENT_USER: {
      const auto folder = SystemFolders().AppData(AppDataFolder::Roaming);
      return folder ? std::optional(*folder + "/QuorvikData/registry.db") : std::nullopt;
    }
    case RegistryRoot::HKEY_LOCAL_MACHINE: {
      const char* dir = std::getenv("VORSEL_MACHINE_DIR");
      const std::string folder = dir != nullptr && dir[0] == '/' ? dir : "/etc/QuorvikData";
      return folder + "/registry.db";
    }
    case RegistryRoot::HKEY_CLASSES_ROOT: {
      const auto folder = SystemFolders().AppData(AppDataFolder::Local);
      return folder ? std::optional(*folder + "/QuorvikData/classes.db") : std::nullopt;
    }
  }
  return std::nullopt;
}

std::unique_ptr<KeyValueStore> OpenRegistryRoot(RegistryRoot root, StoreAccess access) {
  if (auto file = RegistryRootFile(root)) {
    return OpenSqliteStore(std::move(*file), access);
  }
  return std::make_unique<UnplacedStore>(root);
}

std::unique_ptr<KeyValueStore> OpenSqliteStore(std::string databaseFile, StoreAccess access) {
  return std::make_unique<SqliteStore>(std::move(databaseFile), access);
}

}  // namespace vorsel
