// A sibling include: launch/ and splash/ share a layer. The second include runs downward.
#include "splash/window.h"
#include "files/temp_dir.h"
#include "config_keys.h"
