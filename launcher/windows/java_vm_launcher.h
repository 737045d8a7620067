// Creating the virtual machine and calling the Java-side launcher class.
#pragma once
#include "startup/argument_list.h"

namespace tessel {

// True after main returned and the machine was destroyed; false when the machine could not
// be created or main ended with an exception.
bool launchProgram(ArgumentList& arguments, bool destroyAfterMain);

}  // namespace tessel
