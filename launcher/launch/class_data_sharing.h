// Class-data sharing "auto" (key 2031): an archive per user, application and runtime under
// %LOCALAPPDATA%\tessel\cds\<application>\, named for what makes it stale.
#pragma once
#include <string>

#include "vm_option_list.h"

namespace tessel {

// Adds the archive's options for the loaded runtime to `options` (the class path option
// `classPath` follows them); nothing when the setting is off, the runtime is older than 13,
// has no base archive, or an option already decides sharing. Logs what it chose.
void addClassDataSharingOptions(VmOptionList& options, const std::string& classPath);
// Once the machine ended whole: the archive it wrote takes its final name.
void finishClassDataArchive();

}  // namespace tessel
