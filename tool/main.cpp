// The tessel build tool: `build` writes an application executable, `inspect` shows what one
// carries, `keys` lists the configuration keys.
#include <CLI/CLI.hpp>

#include <iostream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>
#endif

#include "build_command.h"
#include "inspect_command.h"
#include "keys_command.h"

int main(int argc, char** argv) {
#ifdef _WIN32
  // The narrow arguments are in the ANSI code page, which cannot hold every path: take the
  // wide command line and work in UTF-8, on the console too.
  std::vector<std::string> utf8Arguments;
  std::vector<char*> utf8Pointers;
  int wideCount = 0;
  if (wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &wideCount)) {
    for (int i = 0; i < wideCount; ++i) {
      const int size = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
      std::string text(size > 0 ? static_cast<size_t>(size) : 1, '\0');
      if (size > 0) WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, &text[0], size, nullptr, nullptr);
      text.resize(text.size() - 1);
      utf8Arguments.push_back(text);
    }
    LocalFree(wide);
    for (std::string& text : utf8Arguments) utf8Pointers.push_back(&text[0]);
    utf8Pointers.push_back(nullptr);
    argc = wideCount;
    argv = utf8Pointers.data();
  }
  SetConsoleOutputCP(CP_UTF8);
#endif
  CLI::App app{"tessel: builds and inspects Java application launchers for Windows"};
  app.require_subcommand(1);

  tessel::BuildOptions build;
  CLI::App* buildCmd = app.add_subcommand("build", "write APP.exe from the launcher template and a project file");
  buildCmd->add_option("project", build.projectPath, "project file (TOML)")->required();
  buildCmd->add_option("-o,--output", build.outputPath, "the application executable to write")->required();
  buildCmd->add_option("--template", build.templatePath,
                       "launcher template (default: launcher.exe beside this tool)");
  buildCmd->add_option("--sign-pkcs12", build.signing.pkcs12, "sign with this PKCS#12 file");
  buildCmd->add_option("--sign-cert", build.signing.certificate, "sign with this certificate (PEM or DER)");
  buildCmd->add_option("--sign-key", build.signing.key, "the private key of --sign-cert");
  buildCmd->add_option("--sign-password", build.signing.password,
                       "password of the key or PKCS#12 file (default: $TESSEL_SIGN_PASSWORD)");
  buildCmd->add_option("--timestamp-url", build.signing.timestampUrl, "RFC 3161 timestamp server");

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
