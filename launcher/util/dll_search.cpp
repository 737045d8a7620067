#include "util/dll_search.h"

#include "util/bounded_text.h"

namespace tessel {

bool keepCurrentDirectoryOutOfDllSearch() noexcept {
  wchar_t own[kPathCapacity];
  DWORD n = GetModuleFileNameW(nullptr, own, kPathCapacity);
  if (n == 0 || n >= kPathCapacity) return false;
  wchar_t* slash = own + n;
  while (slash > own && *slash != L'\\') --slash;
  if (slash == own) return false;
  *slash = 0;
  return setDllSearchFolder(own);
}

bool setDllSearchFolder(const wchar_t* folder) noexcept {
  return folder && *folder && SetDllDirectoryW(folder) != 0;
}

bool isAbsolutePathEntry(const std::wstring& entry) noexcept {
  if (entry.size() >= 3 && entry[1] == L':' && (entry[2] == L'\\' || entry[2] == L'/'))
    return (entry[0] >= L'A' && entry[0] <= L'Z') || (entry[0] >= L'a' && entry[0] <= L'z');
  return entry.size() >= 3 && entry[0] == L'\\' && entry[1] == L'\\' && entry[2] != L'\\';
}

bool findInAbsolutePathEntries(const std::wstring& pathValue, const wchar_t* fileName,
                               std::wstring& found, std::wstring& entry) {
  size_t start = 0;
  while (start <= pathValue.size()) {
    size_t end = pathValue.find(L';', start);
    if (end == std::wstring::npos) end = pathValue.size();
    std::wstring candidate = pathValue.substr(start, end - start);
    start = end + 1;
    if (candidate.size() >= 2 && candidate.front() == L'"' && candidate.back() == L'"')
      candidate = candidate.substr(1, candidate.size() - 2);
    if (!isAbsolutePathEntry(candidate)) continue;
    std::wstring path = candidate;
    if (path.back() != L'\\' && path.back() != L'/') path += L'\\';
    path += fileName;
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
    found = path;
    entry = candidate;
    return true;
  }
  return false;
}

}  // namespace tessel
