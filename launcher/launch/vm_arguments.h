// The complete, ordered VM option list of a launch and its JavaVMInitArgs.
#pragma once
#include <jni.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "argument_list.h"
#include "util/paths.h"
#include "vm_option_list.h"

namespace tessel {

// System properties that tell the Java side about the launcher, in their fixed order.
std::vector<std::string> buildLauncherProperties();
// Splits a configured command-line value (keys 123, 124) into tokens first and expands each
// token afterwards, so that an expanded value (a directory with blanks or an apostrophe)
// never splits or opens a quote. Appends the tokens to `out`.
void appendExpandedTokens(int32_t key, size_t capacity, PathForm form, ArgumentList& out);
// Appends the VM parameters (key 123), the "-J" options (key 125) and the locale options.
void collectVmParameters(const ArgumentList& arguments, VmOptionState& state);
// Properties, parameters, the default .vmoptions file and the class path, in that order.
void collectVmOptions(const std::vector<std::string>& properties, const ArgumentList& arguments,
                      VmOptionState& state);
// collectVmOptions packed for JNI_CreateJavaVM; the strings and the array live as long as
// the process.
JavaVMInitArgs* buildVmOptions(const std::vector<std::string>& properties,
                               const ArgumentList& arguments);

}  // namespace tessel
