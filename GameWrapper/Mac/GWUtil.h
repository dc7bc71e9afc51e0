// Where the launcher's bundle lies, and making that folder the working directory so that
// files named by relative paths are found beside the bundle.
#pragma once

// Writes the path of the folder that holds the launcher's bundle into out (at most size bytes,
// always terminated) and returns true; false when the main bundle, its resources folder or the
// path conversion is missing. The first success is remembered for the life of the process.
bool GetBundlePath(char* out, unsigned int size);

// Makes the folder that holds the launcher's bundle the working directory; nothing happens when
// that folder cannot be found.
void ChangeWorkingDirectoryToBundleStart();
