// The tessel build tool: `build` writes an application executable, `inspect` shows what one
// carries, `keys` lists the configuration keys.
#include <CLI/CLI.hpp>

#include <iostream>

#include "build_command.h"
#include "inspect_command.h"
#include "keys_command.h"

int main(int argc, char** argv) {
  CLI::App app{"tessel: builds and inspects Java application launchers for Windows"};
  app.require_subcommand(1);

  tessel::BuildOptions build;
  CLI::App* buildCmd = app.add_subcommand("build", "write APP.exe from the launcher template and a project file");
  buildCmd->add_option("project", build.projectPath, "project file (TOML)")->required();
  buildCmd->add_option("-o,--output", build.outputPath, "the application executable to write")->required();
  buildCmd->add_option("--template", build.templatePath,
                       "launcher template (default: launcher.exe beside this tool)");

  std::string inspectPath;
  bool json = false;
  CLI::App* inspectCmd = app.add_subcommand("inspect", "show the configuration an executable carries");
  inspectCmd->add_option("executable", inspectPath, "application executable")->required();
  inspectCmd->add_flag("--json", json, "print JSON for scripts");

  CLI::App* keysCmd = app.add_subcommand("keys", "list the configuration keys and their project-file names");

  CLI11_PARSE(app, argc, argv);
  if (buildCmd->parsed()) return tessel::runBuild(build, std::cout, std::cerr);
  if (inspectCmd->parsed()) return tessel::runInspect(inspectPath, json, std::cout, std::cerr);
  if (keysCmd->parsed()) tessel::printKeyTable(std::cout);
  return 0;
}
