// Extraction of the files embedded behind the configuration block.
#pragma once

namespace tessel {

// 0 on success, else the failed file's result. Creates the per-launch directory first when
// `createDirectory` is set and the block declares embedded files.
int extractEmbeddedFiles(bool createDirectory);

}  // namespace tessel
