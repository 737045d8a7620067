#include "config_keys.h"

#include <cstring>

namespace tessel {
namespace {

constexpr KeyInfo kKeys[] = {
    {101, "application_name", KeyType::String, "title of the native splash window"},
    {102, "redirect_stderr", KeyType::Flag, "pass error_output_file to the Java side"},
    {103, "stderr_file", KeyType::Wide, "file for the Java side's standard error"},
    {104, "redirect_stdout", KeyType::Flag, "pass stdout_file to the Java side"},
    {105, "stdout_file", KeyType::Wide, "file for the Java side's standard output"},
    {106, "launcher_flag_five", KeyType::Flag, "fifth launcher argument"},
    {107, "executable_type", KeyType::Int, "1 GUI; 1 and 5 show message boxes, others use stderr"},
    {108, "splash_screen", KeyType::Flag, "show a splash screen"},
    {121, "class_path", KeyType::String, "';'-separated typed class-path entries"},
    {122, "main_class", KeyType::Wide, "dotted name of the application's main class"},
    {123, "vm_parameters", KeyType::Wide, "one line of virtual-machine options"},
    {124, "application_arguments", KeyType::Wide, "arguments put before the user's arguments"},
    {125, "allow_j_options", KeyType::Flag, "-J command-line arguments are VM options"},
    {126, "min_java_version", KeyType::String, "lowest accepted runtime version"},
    {127, "max_java_version", KeyType::String, "highest accepted runtime version"},
    {128, "search_sequence", KeyType::String, "';'-separated typed runtime sources"},
    {130, "allow_prerelease", KeyType::Flag, "accept beta, ea and rc runtimes"},
    {131, "require_jdk", KeyType::Flag, "a candidate must be a JDK"},
    {141, "splash_width", KeyType::Int, "width of the splash bitmap and window"},
    {142, "splash_height", KeyType::Int, "height of the splash bitmap and window"},
    {145, "splash_auto_off", KeyType::Flag, "hide the splash when the application shows a window"},
    {146, "working_directory", KeyType::Wide, "current directory of the launched application"},
    {147, "splash_on_top", KeyType::Flag, "make the native splash window topmost"},
    {152, "preferred_jvm_type", KeyType::String, "subdirectory of bin whose jvm.dll is tried first"},
    {154, "quiet_console_options", KeyType::Flag, "enable the options -q, -c and -console"},
    {156, "console_option", KeyType::Flag, "enable the option -console"},
    {158, "global_instance_namespace", KeyType::Flag, "single-instance names begin with Global\\"},
    {160, "application_id", KeyType::String, "value name of previous installations"},
    {163, "splash_config_flag", KeyType::Flag, "second boolean of the Java-side splash configuration"},
    {165, "shared_runtimes_only", KeyType::Flag, "use only located runtimes of the shared folder"},
    {1000, "message_caption", KeyType::Message, "caption of every error box"},
    {1001, "message_no_jvm", KeyType::Message, "not shown"},
    {1002, "message_jvm_in_path_damaged", KeyType::Message, "not shown"},
    {1003, "message_env_var_no_jvm", KeyType::Message, "not shown"},
    {1004, "message_jvm_damaged", KeyType::Message, "not shown"},
    {1005, "message_jvm_not_started", KeyType::Message, "the virtual machine could not be started"},
    {1006, "message_class_path_entry_missing", KeyType::Message, "a required class-path entry is missing"},
    {1007, "message_wrong_parameter_usage", KeyType::Message, "not shown"},
    {1008, "message_env_var_undefined", KeyType::Message, "a class-path variable is undefined"},
    {1009, "message_internal_error", KeyType::Message, "internal errors with a code"},
    {1010, "message_main_class_not_found", KeyType::Message, "launcher class not found"},
    {1011, "message_main_method_not_found", KeyType::Message, "main method not found"},
    {1012, "message_error_title", KeyType::Message, "not shown"},
    {1013, "message_ok", KeyType::Message, "not shown"},
    {1014, "message_startup_error", KeyType::Message, "not shown"},
    {1015, "message_not_power_user", KeyType::Message, "no usable temporary directory"},
    {1016, "message_no_jvm_bits", KeyType::Message, "no runtime found"},
    {1017, "message_env_var_no_32bit_jvm", KeyType::Message, "not shown"},
    {1018, "message_env_var_no_64bit_jvm", KeyType::Message, "runtime named by a variable unusable"},
    {1019, "message_jvm_damaged_32", KeyType::Message, "not shown"},
    {1020, "message_jvm_damaged_64", KeyType::Message, "a found runtime is damaged"},
    {2001, "launcher_flavour", KeyType::String, "t: tessel caption; c: corvane behaviours"},
    {2002, "embedded_file_count", KeyType::Int, "number of embedded files (set by the tool)"},
    {2003, "embedded_file_names", KeyType::String, "';'-separated embedded names (set by the tool)"},
    {2004, "template_version", KeyType::String, "version of the launcher template (set by the tool)"},
    {2010, "main_module", KeyType::String, "module to start, \"module\" or \"module/main class\""},
    {2011, "module_path", KeyType::String, "';'-separated typed module-path entries"},
    {2012, "main_jar", KeyType::String, "executable jar started as by java -jar"},
    {2013, "jar_class_path", KeyType::String, "the main jar and its manifest's Class-Path (set by the tool)"},
    {2014, "jar_main_class", KeyType::Wide, "Main-Class of the main jar's manifest (set by the tool)"},
    {2015, "jar_vm_options", KeyType::String, "VM options from the main jar's manifest (set by the tool)"},
    {2016, "module_main_class", KeyType::Wide, "main class of the main module's descriptor (set by the tool)"},
    {2020, "argument_rules", KeyType::String, "how the user's arguments are split: windows or launcher"},
    {2030, "user_vmoptions", KeyType::Wide, "a user's own options file, read after the one beside the executable"},
    {2031, "class_data_sharing", KeyType::String, "\"auto\": a class-data archive per user, application and runtime"},
    {2032, "restart_exit_codes", KeyType::String, "','-separated exit codes that start the application again"},
    {2033, "max_restarts", KeyType::Int, "restarts in a row at most (absent: 3)"},
    {2034, "restart_on_crash", KeyType::Flag, "a supervising process also restarts after an abnormal end"},
    {2035, "restart_delay_ms", KeyType::Int, "pause before a restart, doubled for each further one in a row"},
    {2040, "app_user_model_id", KeyType::String, "the process's explicit AppUserModelID (taskbar grouping)"},
    {2041, "file_associations", KeyType::String, "file types for tessel associate, UTF-8, one per line (set by the tool)"},
    {2060, "runtime_library", KeyType::String,
     "embed: the tool embeds its own tessel-runtime.jar; external: the application supplies it"},
    {10003, "installation_directory", KeyType::String, "installation directory relative to the launcher"},
    {10004, "native_library_directories", KeyType::String, "directories put in front of PATH"},
    {10005, "single_instance", KeyType::Flag, "a second start hands over to the running instance"},
    {10007, "activate_running_instance", KeyType::Flag, "bring the running instance to the front"},
    {10109, "status_line_x", KeyType::Int, "x of the splash status line"},
    {10110, "status_line_y", KeyType::Int, "y of the splash status line"},
    {10111, "status_line_text", KeyType::String, "initial text of the status line"},
    {10112, "status_line_font", KeyType::String, "font face of the status line"},
    {10113, "status_line_size", KeyType::Int, "font size of the status line in points"},
    {10114, "status_line_colour", KeyType::Colour, "colour of the status line as r,g,b"},
    {10115, "status_line_weight", KeyType::Int, "font weight of the status line"},
    {10116, "version_line_x", KeyType::Int, "x of the splash version line"},
    {10117, "version_line_y", KeyType::Int, "y of the splash version line"},
    {10118, "version_line_text", KeyType::String, "text of the version line"},
    {10119, "version_line_font", KeyType::String, "font face of the version line"},
    {10120, "version_line_size", KeyType::Int, "font size of the version line in points"},
    {10121, "version_line_colour", KeyType::Colour, "colour of the version line as r,g,b"},
    {10122, "version_line_weight", KeyType::Int, "font weight of the version line"},
    {10123, "runtime_splash", KeyType::Flag, "show the runtime's own splash instead"},
};

}  // namespace

const KeyInfo* allKeys(size_t& count) noexcept {
  count = sizeof(kKeys) / sizeof(kKeys[0]);
  return kKeys;
}

const KeyInfo* findKey(int32_t id) noexcept {
  for (const KeyInfo& k : kKeys)
    if (k.id == id) return &k;
  return nullptr;
}

const KeyInfo* findKeyByName(const char* name) noexcept {
  for (const KeyInfo& k : kKeys)
    if (std::strcmp(k.name, name) == 0) return &k;
  return nullptr;
}

const char* keyTypeName(KeyType type) noexcept {
  switch (type) {
    case KeyType::String: return "string";
    case KeyType::Wide: return "wide";
    case KeyType::Int: return "int";
    case KeyType::Flag: return "flag";
    case KeyType::Colour: return "colour";
    case KeyType::Message: return "message";
  }
  return "";
}

}  // namespace tessel
