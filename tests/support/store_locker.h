#pragma once

#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

namespace vorsel::test {

// Another program holding a store locked: a child process that opens the database (creating it
// when missing) and keeps an exclusive transaction open until the object goes.
class StoreLocker {
 public:
  explicit StoreLocker(const std::string& databaseFile) {
    int ready[2];
    if (pipe(ready) != 0) {
      return;
    }
    pid_ = fork();
    if (pid_ == 0) {
      close(ready[0]);
      sqlite3* db = nullptr;
      const bool locked =
          sqlite3_open(databaseFile.c_str(), &db) == SQLITE_OK &&
          sqlite3_exec(db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr) == SQLITE_OK;
      const char answer = locked ? '1' : '0';
      (void)!write(ready[1], &answer, 1);
      pause();
      _exit(0);
    }
    close(ready[1]);
    char answer = '0';
    locked_ = pid_ > 0 && read(ready[0], &answer, 1) == 1 && answer == '1';
    close(ready[0]);
  }
  ~StoreLocker() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  StoreLocker(const StoreLocker&) = delete;
  StoreLocker& operator=(const StoreLocker&) = delete;

  bool Locked() const { return locked_; }

 private:
  pid_t pid_ = -1;
  bool locked_ = false;
};

}  // namespace vorsel::test
