#include "CorvaneCore/TextHelpers.h"
