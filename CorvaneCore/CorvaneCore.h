// Everything the foundation library offers, in one include.
#pragma once

#include "CorvaneCore/CRC32.h"
