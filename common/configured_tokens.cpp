#include "configured_tokens.h"

#include <cwchar>
#include <memory>

namespace tessel {

void appendExpandedTokens(const wchar_t* value, size_t capacity, TokenExpander& expander,
                          ArgumentList& out) {
  if (capacity == 0 || !value || !value[0]) return;
  ArgumentList tokens;
  splitCommandLine(value, tokens);
  std::unique_ptr<wchar_t[]> text(new wchar_t[capacity]);
  for (const std::wstring& token : tokens) {
    size_t length = token.size() < capacity ? token.size() : capacity - 1;
    std::wmemcpy(text.get(), token.c_str(), length);
    text[length] = 0;
    expander.expand(text.get(), capacity);
    out.emplace_back(text.get());
  }
}

ArgumentList vmParameterLines(const ArgumentList& tokens) {
  ArgumentList lines;
  for (size_t i = 0; i < tokens.size(); ++i) {
    if (tokens[i] == L"-include-options" && i + 1 < tokens.size()) {
      lines.push_back(L"-include-options " + tokens[i + 1]);
      ++i;
    } else {
      lines.push_back(tokens[i]);
    }
  }
  return lines;
}

void appendBlankSeparated(const std::string& text, std::vector<std::string>& out) {
  for (size_t at = 0; at < text.size();) {
    size_t end = text.find(' ', at);
    if (end == std::string::npos) end = text.size();
    if (end > at) out.push_back(text.substr(at, end - at));
    at = end + 1;
  }
}

std::string moduleNameOf(const std::string& mainModule) {
  return mainModule.substr(0, mainModule.find('/'));
}

void appendModuleOptions(const std::string& mainModule, const std::string& moduleMainClass,
                         std::vector<std::string>& out) {
  const std::string module = moduleNameOf(mainModule);
  if (module.empty()) return;
  out.push_back("--add-modules=" + module);
  out.push_back("-Dtessel.mainModule=" + module);
  // The launcher class lives in the unnamed module and calls main by reflection, which needs
  // the package open to it: exported is not enough when the main class itself is not public,
  // which java -m, calling it natively, accepts.
  const size_t slash = mainModule.find('/');
  const std::string mainClass =
      slash != std::string::npos ? mainModule.substr(slash + 1) : moduleMainClass;
  const size_t lastDot = mainClass.rfind('.');
  if (lastDot != std::string::npos)
    out.push_back("--add-opens=" + module + "/" + mainClass.substr(0, lastDot) + "=ALL-UNNAMED");
}

std::string mainClassOf(const std::string& mainClass, const std::string& mainModule,
                        const std::string& moduleMainClass, const std::string& jarMainClass) {
  std::string name = mainClass;
  if (name.empty()) {
    const size_t slash = mainModule.find('/');
    if (slash != std::string::npos) name = mainModule.substr(slash + 1);
    else if (!mainModule.empty()) name = moduleMainClass;
  }
  if (name.empty()) name = jarMainClass;
  return name;
}

}  // namespace tessel
