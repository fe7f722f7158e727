// libFuzzer target: the public fields page reader must take any text without
// crashing, and what it gives must hold together.
#include "fuzz/RacePageFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return RacePageFuzz::run(data, size, modBrowser::ParsePublicFieldsPage);
}
