// The built-in message texts, apart from the key table: the launcher needs only these (for a
// failure before its configuration is read), not the names and descriptions the tool shows.
#include "config_keys.h"

namespace tessel {
namespace {

struct DefaultMessage {
  int32_t id;
  const char* text;
};

// The public Java download site's host name ends texts 1001 and 1016.
constexpr DefaultMessage kMessages[] = {
    {1000, "Error"},
    {1001, "No JVM could be found on your system.\nPlease define TESSEL_JAVA_HOME\nto point to an installed JDK or JRE or download a JRE from www.java.com."},
    {1002, "The JVM found in your path is damaged.\nPlease reinstall or define TESSEL_JAVA_HOME\nto point to an installed JDK or JRE."},
    {1003, "The {0} environment variable does not\npoint to a working JDK or JRE."},
    {1004, "The JVM found at {0} is damaged.\nPlease reinstall or define TESSEL_JAVA_HOME\nto point to an installed JDK or JRE."},
    {1005, "The JVM could not be started. The maximum heap size (-Xmx) might be too large or an antivirus or firewall tool could block the execution."},
    {1006, "File or directory {0} not found or empty\n"},
    {1007, "Wrong Parameter Usage"},
    {1008, "The environment variable {0} has to be defined"},
    {1009, "An internal error occurred (error code: {0})"},
    {1010, "Couldn't load main class {0}."},
    {1011, "Main method not found in class {0}."},
    {1012, "Error"},
    {1013, "Ok"},
    {1014, "An error occurred while starting up {0}:"},
    {1015, "You must be at least Poweruser to run this program."},
    {1016, "No JVM could be found on your system.\nPlease define TESSEL_JAVA_HOME\nto point to an installed {0}-bit JDK or JRE or download a JRE from www.java.com."},
    {1017, "The {0} environment variable does not\npoint to a working 32-bit JDK or JRE."},
    {1018, "The {0} environment variable does not\npoint to a working 64-bit JDK or JRE."},
    {1019, "The JVM found at {0} is damaged.\nPlease reinstall or define TESSEL_JAVA_HOME\nto point to an installed 32-bit JDK or JRE."},
    {1020, "The JVM found at {0} is damaged.\nPlease reinstall or define TESSEL_JAVA_HOME\nto point to an installed 64-bit JDK or JRE."},
};

}  // namespace

const char* defaultMessageText(int32_t id) noexcept {
  for (const DefaultMessage& m : kMessages)
    if (m.id == id) return m.text;
  return nullptr;
}

}  // namespace tessel
