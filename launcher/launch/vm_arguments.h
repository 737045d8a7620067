// The complete, ordered VM option list of a launch and its JavaVMInitArgs.
#pragma once
#include <jni.h>

#include <string>
#include <vector>

#include "util/argument_list.h"
#include "launch/vm_option_list.h"

namespace tessel {

// System properties that tell the Java side about the launcher, in their fixed order.
std::vector<std::string> buildLauncherProperties();
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
