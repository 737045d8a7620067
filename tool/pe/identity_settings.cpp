#include "identity_settings.h"

namespace tessel::pe {
namespace {

// A string of the version resource, named in the project as `name`, in the resource as `resource`.
#define VERSION_TEXT(name, resource) \
  { "identity.version", name, TableValue::Text, nullptr, resource " of the version resource" }

constexpr TableSetting kTableSettings[] = {
    {"identity", "icon", TableValue::Path, nullptr,
     "the executable's icon and the splash window's: an .ico (every size) or one .png up to 256x256"},
    {"identity", "splash_bitmap", TableValue::Path, nullptr,
     "a .bmp for the native splash (bitmap 10000); its size becomes [splash] width/height unless given"},
    {"identity", "runtime_splash_image", TableValue::Path, nullptr,
     "a PNG, GIF or BMP image for the runtime's own splash (runtime_splash)"},
    {"identity", "execution_level", TableValue::Choice, "asInvoker|highestAvailable|requireAdministrator",
     "the manifest's requested execution level (default asInvoker)"},
    {"identity", "dpi_awareness", TableValue::Choice, "unaware|system|true|permonitor|permonitorv2",
     "the manifest's DPI awareness"},
    {"identity", "utf8_code_page", TableValue::Boolean, nullptr,
     "declare UTF-8 as the process's active code page in the manifest"},
    {"identity", "app_user_model_id", TableValue::Text, nullptr,
     "the process's explicit AppUserModelID, like Company.Product: taskbar grouping and pinning"},
    {"identity.version", "file_version", TableValue::Version, nullptr,
     "up to four numbers 0-65535 separated by dots, like 1.2.3.4"},
    {"identity.version", "product_version", TableValue::Version, nullptr,
     "as file_version; default: file_version"},
    VERSION_TEXT("company", "CompanyName"),
    VERSION_TEXT("product_name", "ProductName"),
    VERSION_TEXT("description", "FileDescription"),
    VERSION_TEXT("copyright", "LegalCopyright"),
    VERSION_TEXT("original_filename", "OriginalFilename"),
    VERSION_TEXT("internal_name", "InternalName"),
    {"signing", "certificate", TableValue::Path, nullptr, "signing certificate (PEM or DER); needs key"},
    {"signing", "key", TableValue::Path, nullptr, "the private key of certificate"},
    {"signing", "pkcs12", TableValue::Path, nullptr, "a PKCS#12 file with certificate and key"},
    {"signing", "password", TableValue::Text, nullptr,
     "password of the key or PKCS#12 file (better: TESSEL_SIGN_PASSWORD in the environment)"},
    {"signing", "timestamp_url", TableValue::Text, nullptr, "RFC 3161 timestamp server"},
    {"file_association", "extension", TableValue::Text, nullptr,
     "a file type the application opens, like .notes (tessel associate registers it)"},
    {"file_association", "description", TableValue::Text, nullptr, "the type's name in Explorer"},
    {"file_association", "icon", TableValue::Path, nullptr,
     "the type's icon: an .ico or .png (default: the executable's icon)"},
    {"embed", "source", TableValue::Path, nullptr, "the file to embed, relative to the project file"},
    {"embed", "name", TableValue::Text, nullptr,
     "its name in the per-launch directory (default: the source's file name); at most one "
     "backslash-separated directory level"},
};

#undef VERSION_TEXT

}  // namespace

const TableSetting* tableSettings(size_t& count) noexcept {
  count = sizeof(kTableSettings) / sizeof(kTableSettings[0]);
  return kTableSettings;
}

std::vector<std::string> tableSettingNames(const std::string& section) {
  std::vector<std::string> names;
  for (const TableSetting& s : kTableSettings)
    if (section == s.section) names.push_back(s.name);
  return names;
}

std::vector<std::string> tableSettingChoices(const TableSetting& setting) {
  std::vector<std::string> choices;
  if (!setting.choices) return choices;
  std::string text = setting.choices;
  size_t start = 0;
  for (size_t bar; (bar = text.find('|', start)) != std::string::npos; start = bar + 1)
    choices.push_back(text.substr(start, bar - start));
  choices.push_back(text.substr(start));
  return choices;
}

}  // namespace tessel::pe
