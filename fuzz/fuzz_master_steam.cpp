// SPDX-License-Identifier: GPL-3.0-or-later
#include "fuzz_master.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CheckMasterList(MasterFlavour::Steam, data, size);
    return 0;
}
