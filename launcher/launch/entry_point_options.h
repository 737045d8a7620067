// VM options and the main class for the three ways an application is started: a main class
// on the class path (key 122), a module (keys 2010 and 2011) or an executable jar (keys
// 2013-2015, written by the build tool from the jar's manifest).
#pragma once
#include <string>

#include "vm_option_list.h"

namespace tessel {

// The main module's name (before any "/") of key 2010; empty when none is configured.
std::string mainModuleName();
// Appends the jar's manifest options, "--module-path=", "--add-modules=", the
// "tessel.mainModule" property and, when the main class is known (key 2010 or 2016), the
// export of its package
// to the class path's unnamed module, whose launcher class calls it.
void addEntryPointOptions(VmOptionList& options);
// Key 122; else the class after "/" in key 2010, or for a module named alone the main class
// its descriptor had at build time (key 2016); else the jar's Main-Class (key 2014). Empty
// when the runtime library is to read the module's descriptor itself.
std::wstring configuredMainClass();

}  // namespace tessel
