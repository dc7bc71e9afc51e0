#include "CorvaneCore/CJString.h"
