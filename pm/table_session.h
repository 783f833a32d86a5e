/* SPDX-License-Identifier: MIT */
// One table operation at a time: a mutex between the threads of this process and an
// advisory lock on the table file between processes, held across a whole
// read-change-write cycle. Operations nest (add_lock inside kesl_wakelock_create); the
// outermost session holds the file lock.
#pragma once

#include "common/guards.h"
#include "common/unique_fd.h"

#include <optional>

namespace pm {

class TableSession {
  public:
    enum class File {
        none,   // works on the in-memory image only
        exists, // locks the file if it exists
        create, // creates the file (all zeros) if it is missing, then locks it
    };

    explicit TableSession(File file);
    ~TableSession();
    TableSession(const TableSession &) = delete;
    TableSession &operator=(const TableSession &) = delete;

  private:
    orvo::UniqueFd file_;
    std::optional<orvo::FileLock> lock_;
};

} // namespace pm
