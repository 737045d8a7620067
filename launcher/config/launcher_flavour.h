// The launcher flavour, read from key 2001 wherever it matters: it has no other source.
#pragma once

namespace tessel {

// True when the first character of key 2001 is "c".
bool corvaneFlavour();
// The product word of captions: "tessel" when the first character of key 2001 is "t",
// otherwise (also when the key is absent) "corvane".
const wchar_t* productCaptionW();

}  // namespace tessel
