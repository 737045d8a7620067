#include "command_line.h"

#include <CLI/CLI.hpp>

#include <string>
#include <vector>

#include "associate_command.h"
#include "build_command.h"
#include "init_command.h"
#include "inspect_command.h"
#include "installation.h"
#include "keys_command.h"
#include "nearest_name.h"
#include "product_version.h"
#include "runtime_jar_command.h"
#include "schema_command.h"

namespace tessel {
namespace {

const std::vector<std::string> kCommands = {"build",       "inspect",   "init", "keys", "schema",
                                           "runtime-jar", "associate", "help"};

// "unknown command `biuld`; did you mean `build`? The commands are build, ... and help".
std::string unknownCommand(const std::string& word) {
  const std::string near = didYouMean(word, kCommands);
  std::string text = "unknown command `" + word + "`" + near + (near.empty() ? "; the" : " The") +
                     " commands are ";
  for (size_t i = 0; i < kCommands.size(); ++i)
    text += (i == 0 ? "" : i + 1 == kCommands.size() ? " and " : ", ") + kCommands[i];
  return text;
}

// The command line's parts and the values they fill.
struct Commands {
  CLI::App app{"tessel " TESSEL_VERSION ": builds and inspects Java application launchers for Windows",
               "tessel"};
  BuildOptions build;
  std::string inspectPath;
  bool json = false;
  InitOptions init;
  std::string helpTopic;
  std::string runtimeJarDir;
  CLI::App* buildCmd = nullptr;
  CLI::App* runtimeJarCmd = nullptr;
  CLI::App* inspectCmd = nullptr;
  CLI::App* initCmd = nullptr;
  CLI::App* keysCmd = nullptr;
  bool markdown = false;
  CLI::App* schemaCmd = nullptr;
  CLI::App* helpCmd = nullptr;
  AssociateOptions associate;
  CLI::App* associateCmd = nullptr;
};

void defineBuild(Commands& c) {
  BuildOptions& b = c.build;
  CLI::App* cmd = c.app.add_subcommand("build", "write APP.exe from the launcher template and a project file");
  cmd->add_option("project", b.projectPath, "project file (TOML)")->required();
  cmd->add_option("-o,--output", b.outputPath, "the application executable to write")->required();
  cmd->add_option("--template", b.templatePath,
                  "launcher template (default: launcher.exe of this installation)");
  cmd->add_option("--sign-pkcs12", b.signing.pkcs12, "sign with this PKCS#12 file");
  cmd->add_option("--sign-cert", b.signing.certificate, "sign with this certificate (PEM or DER)");
  cmd->add_option("--sign-key", b.signing.key, "the private key of --sign-cert");
  cmd->add_option("--sign-password", b.signing.password,
                  "password of the key or PKCS#12 file (default: $TESSEL_SIGN_PASSWORD)");
  cmd->add_option("--timestamp-url", b.signing.timestampUrl, "RFC 3161 timestamp server");
  cmd->add_flag("-v,--verbose", b.verbose, "name the osslsigncode that signs and show what it printed");
  c.buildCmd = cmd;
}

void defineCommands(Commands& c) {
  // The parser's Windows default reads "/x" as an option, which makes a forward-slash path
  // (tessel build /c/work/app.toml from an MSYS shell) unusable. Set before the subcommands
  // exist: they copy it.
  c.app.allow_windows_style_options(false);
  c.app.set_version_flag("--version", "tessel " TESSEL_VERSION);
  const std::vector<std::string> places = installationCandidates("launcher.exe");
  c.app.footer("Options start with - or --; an argument starting with / is a path, on Windows too.\n"
               "The launcher template (launcher.exe) and the runtime library (tessel-runtime.jar)\n"
               "are looked for beside this tool, then in ../share/tessel relative to it:\n  " +
               places[0] + "\n  " + places[1]);
  c.app.require_subcommand(1);
  defineBuild(c);
  c.inspectCmd = c.app.add_subcommand("inspect", "show the configuration an executable carries");
  c.inspectCmd->add_option("executable", c.inspectPath, "application executable")->required();
  c.inspectCmd->add_flag("--json", c.json, "print JSON for scripts (see docs/identity-and-signing.md)");
  c.initCmd = c.app.add_subcommand("init", "write a commented starter project file");
  c.initCmd->add_option("--jar", c.init.jarPath, "the application's jar; its manifest names the main class");
  c.initCmd->add_option("--name", c.init.name, "the application's name");
  c.initCmd->add_option("-o,--output", c.init.outputPath, "the project file to write (default: NAME.toml)");
  c.keysCmd = c.app.add_subcommand("keys", "list the configuration keys and their project-file names");
  c.keysCmd->add_flag("--markdown", c.markdown, "print the settings reference (docs/settings.md)");
  c.schemaCmd = c.app.add_subcommand("schema", "print the JSON Schema of project files (for editors)");
  c.runtimeJarCmd = c.app.add_subcommand(
      "runtime-jar", "print where tessel-runtime.jar is, or copy it into DIRECTORY");
  c.runtimeJarCmd->add_option("directory", c.runtimeJarDir,
                              "where the application's jars go (for example its lib folder)");
  c.associateCmd = c.app.add_subcommand(
      "associate", "register the file types APP.exe declares ([[file_association]]) for this user");
  c.associateCmd->add_option("executable", c.associate.executable, "application executable")->required();
  c.associateCmd->add_flag("--all-users", c.associate.allUsers,
                           "register for every user (HKLM; needs an administrator)");
  c.associateCmd->add_flag("--remove", c.associate.remove, "remove what registering wrote");
  c.associateCmd->add_option("--reg-file", c.associate.regFile,
                             "write a .reg file for an installer instead of the registry");
  c.associateCmd->add_option("--install-dir", c.associate.installDir,
                             "with --reg-file: the Windows folder APP.exe is installed in");
  c.helpCmd = c.app.add_subcommand("help", "show this help, or a command's: tessel help build");
  c.helpCmd->add_option("command", c.helpTopic, "the command to explain");
}

int showHelp(Commands& c, std::ostream& out, std::ostream& err) {
  // Written by the formatter directly: the apps' own help() would describe `help` itself,
  // the command that was parsed.
  const auto formatter = c.app.get_formatter();
  if (c.helpTopic.empty()) {
    out << formatter->make_help(&c.app, c.app.get_name(), CLI::AppFormatMode::Normal);
    return 0;
  }
  for (CLI::App* sub : c.app.get_subcommands({}))
    if (sub->get_name() == c.helpTopic) {
      out << formatter->make_help(sub, c.app.get_name() + " " + sub->get_name(), CLI::AppFormatMode::Normal);
      return 0;
    }
  err << "tessel help: " << unknownCommand(c.helpTopic) << "\n";
  return 1;
}

}  // namespace

int runCommandLine(int argc, char** argv, std::ostream& out, std::ostream& err) {
  // A first word that is no option and no command is named, before the parser's own words.
  if (argc > 1 && argv[1][0] != '-') {
    const std::string word = argv[1];
    bool known = false;
    for (const std::string& c : kCommands) known = known || c == word;
    if (!known) {
      err << "tessel: " << unknownCommand(word) << " (tessel help shows them)"
          << (word[0] == '/' ? "; options start with - or --, like --help" : "") << "\n";
      return 1;
    }
  }
  Commands c;
  defineCommands(c);
  if (argc < 2) {
    err << c.app.help();
    return 1;
  }
  try {
    c.app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    // Help goes to standard output, mistakes to standard error.
    return c.app.exit(e, out, err);
  }
  if (c.buildCmd->parsed()) return runBuild(c.build, out, err);
  if (c.inspectCmd->parsed()) return runInspect(c.inspectPath, c.json, out, err);
  if (c.initCmd->parsed()) return runInit(c.init, out, err);
  if (c.helpCmd->parsed()) return showHelp(c, out, err);
  if (c.runtimeJarCmd->parsed()) return runRuntimeJar(c.runtimeJarDir, out, err);
  if (c.associateCmd->parsed()) return runAssociate(c.associate, out, err);
  if (c.schemaCmd->parsed()) printProjectSchema(out);
  if (c.keysCmd->parsed()) {
    if (c.markdown) printSettingsMarkdown(out);
    else printKeyTable(out);
  }
  return 0;
}

}  // namespace tessel
