// The meta-object information of namespace Ov (generated from GEnums.h).
#include "gauges/GEnums.h"
