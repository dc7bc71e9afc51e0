// The checks of `gwbundle check`, one group per file. Each adds a line to the report for every
// problem it finds and never stops at the first, so one run shows everything to fix.
#pragma once

#include "CheckReport.h"

#include <string>

namespace gwbundle {

// Info.plist and its program, libMacPlatform.so, the three files the launcher refuses to start
// without, and the agreement text (StructureCheck.cpp).
void checkBundleStructure(const BundlePaths& paths, CheckReport& report);
void checkAgreement(const BundlePaths& paths, CheckReport& report);
// Tessaly.dat, Channel.dat and Application.dat read as zip archives with the launcher's reader:
// damaged ones with the reader's reason, compressed members with the member's name
// (ArchiveCheck.cpp).
void checkResourceArchives(const BundlePaths& paths, CheckReport& report);
// "RAW_002.wdt" and the game it names in .Game (GameInfoCheck.cpp).
void checkGameInformation(const BundlePaths& paths, CheckReport& report);
// The start page's pictures and the branding archive (PictureCheck.cpp).
void checkPictures(const BundlePaths& paths, CheckReport& report);
// main.nib and the objects the launcher asks it for (NibCheck.cpp).
void checkNib(const BundlePaths& paths, CheckReport& report);
// The storefront plug-in's exports (PluginCheck.cpp).
void checkPlugin(const BundlePaths& paths, CheckReport& report);

// The sample storefront's store.conf: the catalogue's address and the public key, and no
// secret key beside them (StoreConfigCheck.cpp).
void checkStoreConfig(const BundlePaths& paths, CheckReport& report);

// Everything above, in that order (BundleCheck.cpp).
CheckReport checkBundle(const std::string& bundlePath);

} // namespace gwbundle
