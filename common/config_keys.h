// The vocabulary of configuration keys: every key the launcher reads, with the readable name
// the build tool accepts for it and the type the launcher reads it as.
#pragma once
#include <cstddef>
#include <cstdint>

namespace tessel {

enum class KeyType { String, Wide, Int, Flag, Colour, Message };

namespace key {
constexpr int32_t ApplicationName = 101;
constexpr int32_t RedirectStderr = 102;
constexpr int32_t StderrFile = 103;
constexpr int32_t RedirectStdout = 104;
constexpr int32_t StdoutFile = 105;
constexpr int32_t LauncherFlagFive = 106;
constexpr int32_t ExecutableType = 107;
constexpr int32_t SplashScreen = 108;
constexpr int32_t ClassPath = 121;
constexpr int32_t MainClass = 122;
constexpr int32_t VmParameters = 123;
constexpr int32_t ApplicationArguments = 124;
constexpr int32_t AllowJOptions = 125;
constexpr int32_t MinJavaVersion = 126;
constexpr int32_t MaxJavaVersion = 127;
constexpr int32_t SearchSequence = 128;
constexpr int32_t AllowPrerelease = 130;
constexpr int32_t RequireJdk = 131;
constexpr int32_t SplashWidth = 141;
constexpr int32_t SplashHeight = 142;
constexpr int32_t SplashAutoOff = 145;
constexpr int32_t WorkingDirectory = 146;
constexpr int32_t SplashOnTop = 147;
constexpr int32_t PreferredJvmType = 152;
constexpr int32_t QuietConsoleOptions = 154;
constexpr int32_t ConsoleOption = 156;
constexpr int32_t GlobalInstanceNamespace = 158;
constexpr int32_t ApplicationId = 160;
constexpr int32_t SplashConfigFlag = 163;
constexpr int32_t SharedRuntimesOnly = 165;
constexpr int32_t LauncherFlavour = 2001;
constexpr int32_t EmbeddedFileCount = 2002;
constexpr int32_t EmbeddedFileNames = 2003;
constexpr int32_t TemplateVersion = 2004;
constexpr int32_t MainModule = 2010;
constexpr int32_t ModulePath = 2011;
constexpr int32_t MainJar = 2012;
constexpr int32_t JarClassPath = 2013;
constexpr int32_t JarMainClass = 2014;
constexpr int32_t JarVmOptions = 2015;
constexpr int32_t ModuleMainClass = 2016;
constexpr int32_t ArgumentRules = 2020;
constexpr int32_t UserVmOptions = 2030;
constexpr int32_t ClassDataSharing = 2031;
constexpr int32_t RestartExitCodes = 2032;
constexpr int32_t MaxRestarts = 2033;
constexpr int32_t RestartOnCrash = 2034;
constexpr int32_t RestartDelayMs = 2035;
constexpr int32_t AppUserModelId = 2040;
constexpr int32_t FileAssociations = 2041;
constexpr int32_t RuntimeLibrary = 2060;
constexpr int32_t InstallationDirectory = 10003;
constexpr int32_t NativeLibraryDirectories = 10004;
constexpr int32_t SingleInstance = 10005;
constexpr int32_t ActivateRunningInstance = 10007;
constexpr int32_t StatusLineX = 10109;
constexpr int32_t StatusLineY = 10110;
constexpr int32_t StatusLineText = 10111;
constexpr int32_t StatusLineFont = 10112;
constexpr int32_t StatusLineSize = 10113;
constexpr int32_t StatusLineColour = 10114;
constexpr int32_t StatusLineWeight = 10115;
constexpr int32_t VersionLineX = 10116;
constexpr int32_t VersionLineY = 10117;
constexpr int32_t VersionLineText = 10118;
constexpr int32_t VersionLineFont = 10119;
constexpr int32_t VersionLineSize = 10120;
constexpr int32_t VersionLineColour = 10121;
constexpr int32_t VersionLineWeight = 10122;
constexpr int32_t RuntimeSplash = 10123;

// Message texts, shown through the diagnostics operations.
constexpr int32_t MsgCaption = 1000;
constexpr int32_t MsgNoJvm = 1001;
constexpr int32_t MsgJvmInPathDamaged = 1002;
constexpr int32_t MsgEnvVarNoJvm = 1003;
constexpr int32_t MsgJvmDamaged = 1004;
constexpr int32_t MsgJvmNotStarted = 1005;
constexpr int32_t MsgClassPathEntryMissing = 1006;
constexpr int32_t MsgWrongParameterUsage = 1007;
constexpr int32_t MsgEnvVarUndefined = 1008;
constexpr int32_t MsgInternalError = 1009;
constexpr int32_t MsgMainClassNotFound = 1010;
constexpr int32_t MsgMainMethodNotFound = 1011;
constexpr int32_t MsgErrorTitle = 1012;
constexpr int32_t MsgOk = 1013;
constexpr int32_t MsgStartupError = 1014;
constexpr int32_t MsgNotPowerUser = 1015;
constexpr int32_t MsgNoJvmBits = 1016;
constexpr int32_t MsgEnvVarNo32BitJvm = 1017;
constexpr int32_t MsgEnvVarNo64BitJvm = 1018;
constexpr int32_t MsgJvmDamaged32 = 1019;
constexpr int32_t MsgJvmDamaged64 = 1020;
}  // namespace key

struct KeyInfo {
  int32_t id;
  const char* name;  // readable name used in project files and by inspect
  KeyType type;
  const char* meaning;
};

// All known keys in ascending order.
const KeyInfo* allKeys(size_t& count) noexcept;
const KeyInfo* findKey(int32_t id) noexcept;
const KeyInfo* findKeyByName(const char* name) noexcept;
const char* keyTypeName(KeyType type) noexcept;

// The stored English text of a message key 1000-1020, or nullptr.
const char* defaultMessageText(int32_t id) noexcept;

}  // namespace tessel
