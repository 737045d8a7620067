// The entry point: the start-up steps in their fixed order, one call each.
#include <windows.h>

#include <cstring>

#include "config/config_access.h"
#include "config_keys.h"
#include "diagnostics/errors.h"
#include "discovery/search.h"
#include "files/extract.h"
#include "files/temp_dir.h"
#include "instance/instance_guard.h"
#include "splash/splash_control.h"
#include "startup/command_line.h"
#include "startup/console.h"
#include "startup/launcher_options.h"
#include "startup/taskbar_identity.h"
#include "config/start_markers.h"
#include "util/dll_search.h"
#include "launch/java_vm_launcher.h"
#include "restart/restart_chain.h"
#include "vm/start_outcome.h"

using namespace tessel;

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR tail, int show) {
  // Before any library is loaded by name (the delay-loaded window libraries included).
  keepCurrentDirectoryOutOfDllSearch();
  rememberStartingPoint();
  setBeforeErrorShownHook([] { splashControl(0); });
  setBeforeFatalExitHook([] {
    markFatalEnd();
    removeLaunchTempDir();
  });
  if (tail && *tail && std::strcmp(tail, "__cvn_reboot") == 0) {
    rebootSystem();
    return 0;
  }
  if (tail && std::strncmp(tail, "__cvn_lang_restart", 18) == 0) languageRestart = true;
  if (tail && std::strncmp(tail, "-q_cvn_internal", 15) == 0) clearErrorDialogs();

  ArgumentList arguments;
  splitCommandLine(GetCommandLineW(), arguments);
  prepareLaunch(arguments);
  applyRestartPolicy([] { splashControl(0); });
  applyLauncherOptions(arguments);
  if (!languageRestart) singleInstanceGuard(InstanceMode::AsConfigured, HandOver::Arguments);
  setAppUserModelId();
  if (configInt(key::SplashScreen) && !configInt(key::RuntimeSplash)) splashControl(show);
  if (extractEmbeddedFiles(ExtractInto::NewLaunchTempDir) != 0)
    fatalMessage(key::MsgInternalError, "16");
  addNativeLibraryPath();
  if (!LoadDLL()) fatalExit(83);
  if (configInt(key::SplashScreen) && configInt(key::RuntimeSplash)) splashControl(show);
  if (!launchProgram(arguments, AfterMain::DestroyVm))
    fatalMessageDetailW(key::MsgJvmNotStarted, nullptr, mainExceptionText());
  markApplicationEnded(0);
  // Returning runs the destructors of process-wide state; the splash thread must be gone first.
  stopSplashThread();
  return 0;
}
