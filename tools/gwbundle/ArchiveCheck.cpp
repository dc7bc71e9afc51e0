#include "BundleChecks.h"
#include "FileSystem.h"

#include "CorvaneCore/FileBuf.h"
#include "CorvaneCore/ZipArchive.h"

namespace gwbundle {

namespace {

// The archives the launcher opens at start-up; it reads Channel.dat's directory at once.
const char* const kResourceArchives[] = {"Tessaly.dat", "Channel.dat", "Application.dat"};

const char kPackFix[] = "pack it with `gwbundle pack`, or `zip -0 -X`";

std::string consequence(const std::string& name, CZipError error) {
    if (name != "Channel.dat") {
        return "";
    }
    return error == CZipError::UnsupportedCompression
               ? " (the launcher stops with \"Compressed Zip File Found\")"
               : " (the launcher shows no branding)";
}

} // namespace

void checkResourceArchives(const BundlePaths& paths, CheckReport& report) {
    for (const char* name : kResourceArchives) {
        const std::string path = paths.resources + "/" + name;
        const std::string file = std::string("Contents/Resources/") + name;
        if (!isRegularFile(path)) {
            // Reported with the files the launcher refuses to start without.
            continue;
        }
        CZipArchive archive;
        // The launcher's own reader, told to report instead of ending the process.
        archive.SetStopOnFatalConditions(false);
        if (path.size() > CFILE_MAX_PATH_LENGTH) {
            report.fail(file, "lies at a path longer than the archive reader takes (1024 bytes)",
                        "install the bundle in a folder with a shorter path");
            continue;
        }
        if (!archive.OpenArchive(path.c_str(), 0, "", false, CFILE_NAME_AS_GIVEN)) {
            const CZipError error = archive.GetLastError();
            const std::string problem =
                error == CZipError::UnsupportedCompression
                    ? archive.GetLastErrorText()
                    : std::string("cannot be read as a zip archive: ") + archive.GetLastErrorText();
            report.fail(file, problem + consequence(name, error), kPackFix);
        }
    }
}

} // namespace gwbundle
