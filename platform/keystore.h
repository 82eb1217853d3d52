#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace vorsel {

// A store operation that failed: the store could not be opened, read or written. The message
// names the store's file and the reason.
class StoreError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Another program held the store's file locked for longer than a store waits: 10 s in all for
// as long as the lock lasts, shared by every store object of the process on that file (the
// variable VORSEL_STORE_WAIT_MS sets another limit in milliseconds).
class StoreLockedError : public StoreError {
 public:
  StoreLockedError(const std::string& message, std::string file)
      : StoreError(message), file_(std::move(file)) {}
  const std::string& File() const { return file_; }

 private:
  std::string file_;
};

// Texts about a store that the program carries on without, such as a damaged store that was set
// aside ("<store> is damaged; the defaults are used; it was kept as <store>.damaged"). Each is
// passed to the installed handler, or kept until a handler is installed.
using StoreNoticeHandler = std::function<void(const std::string& text)>;

// Installs the handler (an empty one keeps the notices), passes it the notices kept so far and
// returns the handler it replaces.
StoreNoticeHandler SetStoreNoticeHandler(StoreNoticeHandler handler);
void ReportStoreNotice(const std::string& text);

// The two value types of the store: a string or a signed 32-bit integer.
using StoreValue = std::variant<std::string, int32_t>;

// A hierarchical key/value store, one tree per root. A path names a key below the root with
// "\" between the key names ("Software\QuorvikData\vorsel"; leading, trailing and doubled "\"
// are ignored, so the root itself is ""). Key and value names compare without regard to case
// and keep the spelling they were created with. Every operation is one transaction, so several
// programs may share one store; failures to reach the store are thrown as StoreError.
class KeyValueStore {
 public:
  virtual ~KeyValueStore() = default;

  virtual bool KeyExists(std::string_view path) = 0;
  // Creates the key and every missing key above it.
  virtual void CreateKey(std::string_view path) = 0;
  // Deletes the key with everything below it; false when it did not exist. The root itself
  // cannot be deleted.
  virtual bool DeleteKey(std::string_view path) = 0;
  // Names of the keys directly below, in the order of their folded names.
  virtual std::vector<std::string> SubkeyNames(std::string_view path) = 0;

  // Nothing when the key or the value does not exist.
  virtual std::optional<StoreValue> ReadValue(std::string_view path, std::string_view name) = 0;
  // Creates the key when it is missing; replaces a value of either type.
  virtual void WriteValue(std::string_view path, std::string_view name,
                          const StoreValue& value) = 0;
  // False when the value did not exist.
  virtual bool DeleteValue(std::string_view path, std::string_view name) = 0;
  // Names of the key's values in the order they were first written.
  virtual std::vector<std::string> ValueNames(std::string_view path) = 0;

  // Groups the writes that follow into one transaction, stored by CommitBatch (one sync of the
  // disk instead of one per value); reads see them meanwhile. A failing write keeps the ones
  // before it. A batch that is never committed is dropped with the object.
  virtual void BeginBatch() = 0;
  virtual void CommitBatch() = 0;
};

// The three roots the suite uses.
enum class RegistryRoot { HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_CLASSES_ROOT };

std::string_view RegistryRootName(RegistryRoot root);

enum class StoreAccess { ReadOnly, ReadWrite };

// The database file of a root, as the environment places it:
//   HKEY_CURRENT_USER   $XDG_CONFIG_HOME/QuorvikData/registry.db (else ~/.config/...)
//   HKEY_LOCAL_MACHINE  $VORSEL_MACHINE_DIR/registry.db (else /etc/QuorvikData/registry.db)
//   HKEY_CLASSES_ROOT   $XDG_DATA_HOME/QuorvikData/classes.db (else ~/.local/share/...)
// Nothing when the user's folders are unknown.
std::optional<std::string> RegistryRootFile(RegistryRoot root);

// Opens the root's store. Nothing is created until the first write; a read-only store, or one
// whose file cannot be written, throws StoreError on every write. A file that is no database,
// or a damaged one, is renamed to "<file>.damaged" with a notice, and the store goes on as a
// new, empty one.
std::unique_ptr<KeyValueStore> OpenRegistryRoot(RegistryRoot root,
                                                StoreAccess access = StoreAccess::ReadWrite);

// The same over any database file.
std::unique_ptr<KeyValueStore> OpenSqliteStore(std::string databaseFile, StoreAccess access);

}  // namespace vorsel
