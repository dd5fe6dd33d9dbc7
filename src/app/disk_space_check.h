// Refusing a run that would fill the disk the station's database lives on.
//
// While the restore writes the new database, the working file, the backup and the restored
// file lie side by side on the database's volume (the backup and the temporary file beside the
// database). Neither of the two new files is larger than the working file (measured on bloated
// and on compact samples: see SpaceNeededFor), so the run needs that twice, and a margin.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace orma {

extern const char* const kNotEnoughSpaceMessage;

// The bytes a run on a database file of `databaseBytes` may write beside it.
std::uint64_t SpaceNeededFor(std::uint64_t databaseBytes);

struct SpaceFigures {
  std::uint64_t needed = 0;
  std::optional<std::uint64_t> free;   // none: the volume did not say
};

// Raises ERunRefused with kNotEnoughSpaceMessage (needed and free, in megabytes) when the volume
// of the database has less room than the run needs; old service files that the run deletes
// before it writes count as room. A volume whose free space cannot be read is left to the run.
SpaceFigures CheckFreeSpace(const std::string& databasePath, const std::string& backupPath,
                            const std::string& tempPath);

}  // namespace orma
