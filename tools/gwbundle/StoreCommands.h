// The publisher's side of the sample storefront's online store: the key pair that signs
// storefront updates, and signing one (StoreCommands.cpp).
#pragma once

#include "Commands.h"

namespace gwbundle {

int runKeygen(const Arguments& arguments);
int runSignUpdate(const Arguments& arguments);

} // namespace gwbundle
