#include "CorvaneCore/FileUtils.h"
