#include "BundleChecks.h"
#include "Commands.h"

#include <cstdio>

namespace gwbundle {

namespace {

const char kCheckHelp[] = R"(usage: gwbundle check BUNDLE.app

Checks a launcher bundle before it ships and prints one line per problem, naming the file and
the fix:

  - Contents/Info.plist, the launcher program it names, Contents/Frameworks/libMacPlatform.so
  - Resources/Tessaly.dat, Channel.dat and Application.dat, without which the launcher quits;
    each read as a zip archive with the launcher's own reader: a damaged archive is reported
    with the reader's reason, a compressed member by name (pack with gwbundle pack or zip -0)
  - RAW_002.wdt: every key the launcher needs, each value well-formed; lines the launcher
    never reads are warned about
  - the game in .Game named by "Application Exec Path=": an .app with an executable program,
    or an executable file
  - Background.jpg and the three button pictures, and Branding.jpg and BrandingMask.jpg in
    Channel.dat: each a JPEG the launcher can decode
  - main.nib: it parses, and holds MenuBar, MainWindow (at least 720 x 540) and EULAWindow
    with a TextView of ControlID MTXT / 0 and controls sending 'ok  ' and 'not!'
  - EULA.rtf or EULA.txt: readable and not empty
  - Pellucid.dylib: loads, and exports all nineteen kxdll_ entry points

The plug-in is opened with dlopen(RTLD_LAZY | RTLD_LOCAL) in a child process and its entry
points are looked up with dlsym, never called. Opening a library runs its constructors (static
initialisers): check only plug-ins you would run anyway. A plug-in that crashes or hangs
(10 s) while loading is reported as a problem.

Exit status: 0 when every check passes (warnings allowed), 1 otherwise.
)";

} // namespace

int printCheckReport(const std::string& bundle) {
    CheckReport report = checkBundle(bundle);
    for (const std::string& line : report.failures()) {
        std::printf("%s\n", line.c_str());
    }
    for (const std::string& line : report.warnings()) {
        std::printf("%s\n", line.c_str());
    }
    if (report.passed()) {
        std::printf("%s: all checks passed\n", bundle.c_str());
        return 0;
    }
    std::printf("%s: %zu problem%s to fix\n", bundle.c_str(), report.failures().size(),
                report.failures().size() == 1 ? "" : "s");
    return 1;
}

int runCheck(const Arguments& arguments) {
    std::vector<std::string> operands;
    for (const std::string& argument : arguments) {
        if (isHelpOption(argument)) {
            std::fputs(kCheckHelp, stdout);
            return 0;
        }
        if (argument.size() > 1 && argument[0] == '-') {
            std::fprintf(stderr, "gwbundle check: unknown option %s (see gwbundle check --help)\n",
                         argument.c_str());
            return 1;
        }
        operands.push_back(argument);
    }
    if (operands.size() != 1) {
        std::fputs("gwbundle check: name one bundle (see gwbundle check --help)\n", stderr);
        return 1;
    }
    return printCheckReport(operands[0]);
}

} // namespace gwbundle
