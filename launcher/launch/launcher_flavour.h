// The launcher flavour as the virtual-machine launch sees it.
#pragma once

namespace tessel {

// True when the first character of key 2001 is "c".
bool corvaneFlavour();

}  // namespace tessel
