// Creating the effect for the entry point: the one place where the plug-in's object
// comes to life for a host.
#pragma once

#include "vst2.h"

namespace lumdel {

// Host thread that loads the plug-in (usually its UI thread): asks the host for its
// version and creates the effect. Null when the host gives no version or when the
// effect cannot be built (no memory for its buffers, tables or editor): no exception
// ever reaches the host, and a half-built effect is taken down again.
AEffect* createEffect(audioMasterCallback audioMaster) noexcept;

}  // namespace lumdel
