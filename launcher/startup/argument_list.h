// The launcher's argument list: element 0 is the program as written on the command line.
#pragma once
#include <string>
#include <vector>

namespace tessel {
using ArgumentList = std::vector<std::wstring>;
}
