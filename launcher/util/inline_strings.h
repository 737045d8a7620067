// Forced into every launcher source. The standard library's prebuilt std::string and
// std::wstring instances bring every member function along (about 70 KB); instantiating
// them here keeps only what the launcher calls.
#pragma once
#ifdef __cplusplus
#include <bits/c++config.h>
#undef _GLIBCXX_EXTERN_TEMPLATE
#define _GLIBCXX_EXTERN_TEMPLATE -1
#endif
