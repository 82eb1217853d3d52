#pragma once

#include "frontend/batch.h"
#include "smp/sSMP.h"

namespace vorsel {

// Gives an owner's SMP file component the configuration of the main window's SMPfile1 (head
// defaults, in-place writing, full chunks) and lets its long scans tick the batch's busy
// indicator.
void ConfigureSMPfile1(TSMPfile& file, ConversionBatch& batch);

}  // namespace vorsel
