// The subcommands of gwbundle. Each takes the arguments after its own name, prints its errors
// on standard error, and returns the process's exit status: 0 on success, 1 otherwise.
#pragma once

#include <string>
#include <vector>

namespace gwbundle {

using Arguments = std::vector<std::string>;

int runPack(const Arguments& arguments);
int runBuild(const Arguments& arguments);
int runCheck(const Arguments& arguments);
// InstallCommand.cpp
int runInstall(const Arguments& arguments);
int runUninstall(const Arguments& arguments);

// Prints the report of a check and returns its exit status (CheckCommand.cpp).
int printCheckReport(const std::string& bundle);

bool isHelpOption(const std::string& argument);

} // namespace gwbundle
