#include "CorvaneCore/MemoryPool.h"
