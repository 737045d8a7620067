// The location files of the runtime search: the first line names a runtime directory.
#pragma once
#include <cstddef>

#include "line_source.h"

namespace tessel {

enum class LocationLine { Read, Empty, TooLong };
// The first line of `source` without its line end, into `line` (terminated, never past
// `capacity`). Empty when the file has no line; TooLong when the first line does not fit
// (a cut name would name a wrong place). `line` is empty unless Read.
LocationLine readLocationLine(LineSource& source, char* line, size_t capacity);

}  // namespace tessel
