// Conversion of what earlier versions wrote: registry keys of older
// products, copied into the current product key.
#pragma once

namespace serverconf {

// Copies the values of older products' registry keys into the current ones;
// removes the old keys when `delete_old`. Failures are silent.
void ConvertRegistry(bool delete_old);

}  // namespace serverconf
