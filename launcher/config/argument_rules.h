// How the user's arguments are split, read from key 2020 wherever it matters.
#pragma once

#include "argument_list.h"

namespace tessel {

// The rules of key 2020: "windows" for the C runtime's; absent, empty or an unknown value
// for the launcher's own rule, which executables built before the key had.
ArgumentRules configuredArgumentRules();
// The value the Java side receives as tessel.argumentRules: "windows" or "launcher".
const char* argumentRulesName(ArgumentRules rules);

}  // namespace tessel
