// Creating the virtual machine and calling the Java-side launcher class.
#pragma once
#include <string>
#include <vector>

#include "argument_list.h"

namespace tessel {

// What becomes of the machine once the launcher class's main returned.
enum class AfterMain { DestroyVm, KeepVm };

// True after main returned without a pending exception, or when the first-run hook stopped
// the launch; false when the machine could not be created, the first-run hook threw or main
// ended with an exception.
bool launchProgram(ArgumentList& arguments, AfterMain afterMain);
// After launchProgram returned false because main ended with an exception: that exception's
// class and the first line of its message; empty otherwise.
const wchar_t* mainExceptionText();
// Waits for the application's non-daemon threads through the runtime library (an older one
// cannot: then DestroyJavaVM alone waits), then destroyVm: the gate of the launcher's own
// machine calls closes only once the application has ended.
void destroyVmAfterApplication();
// Builds the VM options and creates the machine; false when JNI_CreateJavaVM failed.
bool createVm(const std::vector<std::string>& properties, const ArgumentList& arguments);
// Calls the launcher class's main; ends the process with 1010/1011 when it is missing, or when
// the Java side found no application main class or no main method (naming that class).
bool runLauncherClass(const ArgumentList& arguments);
enum class FirstRunOutcome { Proceed, Stop, Failed };
// Corvane flavour, with the first-run marker: Stop when the step returns false, Failed when it
// threw (its exception described).
FirstRunOutcome runFirstRunHook();
// Hands the splash text lines to the Java side (keys 108 and 10123 both set).
void passSplashConfiguration();
// The String[] given to the launcher class's main, in order.
ArgumentList buildLauncherArguments(const ArgumentList& arguments);
// The launcher class for the flavour, in slash form.
std::string launcherClassName();

}  // namespace tessel
