#include "ArchivePacker.h"
#include "Commands.h"
#include "FileSystem.h"

#include <cstdio>

namespace gwbundle {

namespace {

// Progress is worth showing only when packing takes noticeable time.
constexpr std::uint64_t kProgressThreshold = 16 << 20;

const char kPackHelp[] = R"(usage: gwbundle pack [--quiet] ARCHIVE FILE...

Writes ARCHIVE as a zip archive of stored (uncompressed) members, the only kind the launcher
reads, such as Channel.dat with the branding pictures:

    gwbundle pack Channel.dat art/Branding.jpg art/BrandingMask.jpg

Each FILE becomes a member named by its base name. Write NAME=PATH to choose the name, for
example Branding.jpg=art/brand-2024.jpg or Covers/12.jpg=covers/12.jpg; names may hold '/'
between folders. Member names are compared without case, so they must differ by more than
case. An existing ARCHIVE is replaced only once the new one is complete.

For inputs of 16 MB or more, progress goes to standard error every 10%; --quiet turns it off.
Exit status: 0 when the archive was written, 1 otherwise.
)";

PackMember memberFor(const std::string& argument) {
    std::size_t equals = argument.find('=');
    // A file whose own name holds '=' is taken as it is.
    if (equals == std::string::npos || equals == 0 || isRegularFile(argument)) {
        return {baseName(argument), argument};
    }
    return {argument.substr(0, equals), argument.substr(equals + 1)};
}

} // namespace

int runPack(const Arguments& arguments) {
    bool quiet = false;
    std::vector<std::string> operands;
    for (const std::string& argument : arguments) {
        if (isHelpOption(argument)) {
            std::fputs(kPackHelp, stdout);
            return 0;
        }
        if (argument == "--quiet" || argument == "-q") {
            quiet = true;
        } else if (argument.size() > 1 && argument[0] == '-') {
            std::fprintf(stderr, "gwbundle pack: unknown option %s (see gwbundle pack --help)\n",
                         argument.c_str());
            return 1;
        } else {
            operands.push_back(argument);
        }
    }
    if (operands.size() < 2) {
        std::fputs("gwbundle pack: name the archive and at least one file "
                   "(see gwbundle pack --help)\n",
                   stderr);
        return 1;
    }
    const std::string archive = operands.front();
    std::vector<PackMember> members;
    for (std::size_t i = 1; i < operands.size(); ++i) {
        members.push_back(memberFor(operands[i]));
    }
    int lastTenth = 0;
    PackProgress progress = [&](std::uint64_t done, std::uint64_t total) {
        if (quiet || total < kProgressThreshold) {
            return;
        }
        int tenth = static_cast<int>(done * 10 / total);
        if (tenth > lastTenth) {
            lastTenth = tenth;
            std::fprintf(stderr, "gwbundle pack: %s: %d%%\n", archive.c_str(), tenth * 10);
        }
    };
    std::string error;
    if (!packArchive(archive, members, progress, error)) {
        std::fprintf(stderr, "gwbundle pack: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

} // namespace gwbundle
