#include "init_command.h"

#include <cctype>
#include <filesystem>
#include <fstream>

#include "file_io.h"
#include "jar_launch.h"
#include "schema_command.h"

namespace tessel {
namespace {

namespace fs = std::filesystem;

// A TOML basic string.
std::string quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    if (static_cast<unsigned char>(c) < 0x20) {
      static const char* hex = "0123456789ABCDEF";
      out += "\\u00";
      out += hex[(c >> 4) & 0xF];
      out += hex[c & 0xF];
      continue;
    }
    out += c;
  }
  return out + "\"";
}

// A file name made of the application's name: lower case, blanks as dashes.
std::string fileStem(const std::string& name) {
  std::string stem;
  for (char c : name) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (std::isalnum(u) || c == '-' || c == '_' || c == '.' || u >= 0x80) stem += static_cast<char>(std::tolower(u));
    else if (!stem.empty() && stem.back() != '-') stem += '-';
  }
  while (!stem.empty() && (stem.back() == '-' || stem.back() == '.')) stem.pop_back();
  return stem.empty() ? "app" : stem;
}

// `target` as the project file at `projectDir` refers to it: relative when it can be, with
// forward slashes, which both systems read.
std::string pathFromProject(const fs::path& target, const fs::path& projectDir) {
  std::error_code failure;
  const fs::path absolute = fs::absolute(target, failure);
  fs::path shown = failure ? target : absolute;
  const fs::path relative = fs::relative(absolute, fs::absolute(projectDir, failure), failure);
  if (!failure && !relative.empty()) shown = relative;
  std::string text = fromPath(shown);
#ifdef _WIN32
  for (char& c : text)
    if (c == '\\') c = '/';
#endif
  return text;
}

}  // namespace

std::string starterProjectText(const StarterProject& s) {
  std::string t;
  // Taplo-based editors complete and check the settings from this schema.
  t += std::string("#:schema ./") + kSchemaFileName + "\n";
  t += "# " + s.name + ": project file for tessel, written by `tessel init`.\n";
  t += "#   tessel build " + s.projectName + " -o " + s.executableName + "\n";
  t += "# writes the application's executable. It needs a 64-bit Java runtime: put one in a\n";
  t += "# folder named jre beside the executable, or let it find JAVA_HOME, the registry or\n";
  t += "# java.exe on the search path. docs/project-files.md describes every setting;\n";
  t += "# `tessel keys` lists them.\n\n";

  t += "[application]\n";
  t += "name = " + quoted(s.name) + "  # the splash window's title\n";
  t += "# executable_type = 1      # (default) a GUI application; errors show in message boxes\n";
  t += "# single instance, working directory, output files: see docs/\n\n";

  t += "[java]\n";
  t += "runtime_library = \"embed\"  # tessel-runtime.jar of the tool that builds, which the launcher starts through\n";
  if (s.mainClass.empty()) {
    t += "# The class whose main method starts the application: replace the example.\n";
    t += "main_class = \"com.example.Main\"\n";
  } else {
    t += "main_class = " + quoted(s.mainClass) + "  # from the jar's manifest (Main-Class)\n";
  }
  t += "# min_version = \"11\"        # the lowest Java version the application runs on: 11\n";
  t += "#                             # admits 11.0.x and every later version (17, 21, ...)\n";
  t += "# vm_parameters = \"-Xmx512m\"\n";
  t += "# search_sequence = \"B.\\\\jre;EJAVA_HOME;Y;S;\"  # (default) jre folder, JAVA_HOME, "
       "registry, search path\n\n";

  t += "[messages]\n";
  t += "caption = " + quoted(s.name) + "  # the title of error boxes\n\n";

  t += "# A splash screen while Java starts (the template's picture unless [identity] gives one).\n";
  t += "# [splash]\n# enabled = true\n# auto_off = true           # gone when the first window shows\n\n";

  t += "# The executable's icon, splash picture and version details.\n";
  t += "# [identity]\n";
  t += "# icon = \"app.png\"           # .ico or .png (up to 256x256)\n";
  t += "# splash_bitmap = \"splash.bmp\"\n";
  t += "# execution_level = \"asInvoker\"  # (default) no elevation prompt\n";
  t += "# [identity.version]\n# file_version = \"1.0.0.0\"\n# product_name = " + quoted(s.name) + "\n\n";

  t += "# An Authenticode signature (osslsigncode does the signing).\n";
  t += "# [signing]\n# pkcs12 = \"signer.p12\"      # password: TESSEL_SIGN_PASSWORD or --sign-password\n";
  t += "# timestamp_url = \"http://timestamp.example.com\"\n\n";

  t += "# Jars inside the executable: written to a temporary folder at every start and put on\n";
  t += "# the class path. Instead, ship them in a lib folder with class_path = \"S0.\\\\lib;\".\n";
  if (!s.jarSource.empty()) t += "[[embed]]\nsource = " + quoted(s.jarSource) + "\n";
  else t += "# [[embed]]\n# source = \"build/libs/app.jar\"\n";
  return t;
}

int runInit(const InitOptions& options, std::ostream& out, std::ostream& err) {
  StarterProject s;
  std::string title, why;
  if (!options.jarPath.empty()) {
    // The reader `main_jar` uses, so that both take the same class from the same jar.
    jar::Manifest manifest;
    if (!jar::readJarManifest(toPath(options.jarPath), manifest, why) ||
        !jar::manifestMainClass(manifest, s.mainClass, why)) {
      err << "tessel init: " << options.jarPath << ": " << why << "\n";
      return 1;
    }
    if (const std::string* t = jar::manifestAttribute(manifest, "Implementation-Title")) title = *t;
  }
  const std::string jarStem = options.jarPath.empty() ? "" : fromPath(toPath(options.jarPath).stem());
  s.name = !options.name.empty() ? options.name
           : !title.empty()      ? title
           : !jarStem.empty()    ? jarStem
                                 : "My Application";
  const std::string stem = fileStem(options.name.empty() && !jarStem.empty() ? jarStem : s.name);
  const std::string outputPath = options.outputPath.empty() ? stem + ".toml" : options.outputPath;
  const fs::path output = toPath(outputPath);
  std::error_code failure;
  if (fs::exists(output, failure)) {
    err << "tessel init: " << outputPath << " already exists; give another file with -o\n";
    return 1;
  }
  const fs::path projectDir = output.parent_path().empty() ? fs::path(".") : output.parent_path();
  if (!fs::is_directory(projectDir, failure)) {
    err << "tessel init: cannot write " << outputPath << ": the directory " << fromPath(projectDir)
        << " does not exist\n";
    return 1;
  }
  s.projectName = fromPath(output.filename());
  s.executableName = fromPath(output.stem()) + ".exe";
  if (!options.jarPath.empty()) s.jarSource = pathFromProject(toPath(options.jarPath), projectDir);

  const std::string text = starterProjectText(s);
  std::ofstream file(output, std::ios::binary);
  if (!(file << text) || !file.flush()) {
    file.close();
    fs::remove(output, failure);
    err << "tessel init: cannot write " << outputPath << "\n";
    return 1;
  }
  out << "wrote " << outputPath << "\n";
  // The schema beside the project, named by its first line; one already there is kept.
  const fs::path schema = projectDir / kSchemaFileName;
  if (!fs::exists(schema, failure)) {
    std::ofstream schemaFile(schema, std::ios::binary);
    printProjectSchema(schemaFile);
    if (schemaFile.flush()) out << "wrote " << fromPath(schema) << " (for editors: tessel schema writes it anew)\n";
    else {
      schemaFile.close();
      fs::remove(schema, failure);
      out << "note: cannot write " << fromPath(schema) << "; editors will not check the project\n";
    }
  }
  if (!options.jarPath.empty() && s.mainClass.empty())
    out << "note: the jar's manifest names no Main-Class; set main_class in [java]\n";
  out << "next: tessel build " << outputPath << " -o " << s.executableName << "\n";
  return 0;
}

}  // namespace tessel
