#include "BundleChecks.h"
#include "BundleHandle.h"
#include "FileSystem.h"
#include "JpegCheck.h"

#include "CorvaneCore/FileBuf.h"
#include "CorvaneCore/ZipArchive.h"

#include <memory>

namespace gwbundle {

namespace {

constexpr std::uint64_t kMaxPictureSize = 64 << 20;

const char* const kPagePictures[] = {"Background.jpg", "button_normal.jpg", "button_hover.jpg",
                                     "button_pressed.jpg"};
const char* const kBrandingMembers[] = {"Branding.jpg", "BrandingMask.jpg"};
const char kBrandingArchive[] = "Contents/Resources/Channel.dat";
const char kRepack[] = "pack it again: gwbundle pack Channel.dat Branding.jpg BrandingMask.jpg";

struct StreamDeleter {
    void operator()(CFileBuf* stream) const { delete stream; }
};

void checkPagePicture(const BundlePaths& paths, const char* name, CheckReport& report) {
    BundleHandle bundle(paths.bundle);
    std::string path = bundle.resourcePath(name, "");
    std::string file = std::string("Contents/Resources/") + name;
    if (path.empty()) {
        report.fail(file, "missing", "add the start page's picture as a JPEG file");
        return;
    }
    std::string bytes;
    std::string error;
    if (!readWholeFile(path, kMaxPictureSize, bytes, error)) {
        report.fail(paths.relative(path), "cannot be read (" + error + ")",
                    "replace it with a readable JPEG file");
    } else if (!inspectJpeg(bytes).decodable) {
        report.fail(paths.relative(path), "is not a JPEG picture the launcher can decode",
                    "save it again as a baseline or progressive RGB or grey JPEG");
    }
}

// Read as the launcher's archive holder reads a member: the whole member, non-empty.
void checkBrandingMember(CZipArchive& archive, const char* name, CheckReport& report) {
    const std::string where = std::string(kBrandingArchive) + " (" + name + ")";
    CFileEntry* entry = archive.GetCorrectFileEntry(name, nullptr);
    if (!entry) {
        report.fail(kBrandingArchive, std::string("has no member ") + name, kRepack);
        return;
    }
    std::unique_ptr<CFileBuf, StreamDeleter> stream(archive.OpenAFileWithinArchive(name, 0));
    if (!stream) {
        report.fail(where, std::string("cannot be read: ") + archive.GetLastErrorText(), kRepack);
        return;
    }
    unsigned length = stream->GetLength();
    if (length == 0 || length > kMaxPictureSize) {
        report.fail(where, "is empty or larger than 64 MB", kRepack);
        return;
    }
    std::string bytes(length, '\0');
    if (stream->Read(bytes.data(), length) != length) {
        report.fail(where, "cannot be read whole", kRepack);
    } else if (!inspectJpeg(bytes).decodable) {
        report.fail(where, "is not a JPEG picture the launcher can decode",
                    "save the picture again as a JPEG and repack Channel.dat");
    }
}

} // namespace

void checkPictures(const BundlePaths& paths, CheckReport& report) {
    for (const char* name : kPagePictures) {
        checkPagePicture(paths, name, report);
    }
    const std::string archivePath = paths.resources + "/Channel.dat";
    // A missing archive is reported with the files the launcher refuses to start without, a
    // damaged one with the resource archives; its members would only repeat that.
    if (!isRegularFile(archivePath) || report.hasFailureFor(kBrandingArchive)) {
        return;
    }
    CZipArchive archive;
    archive.SetStopOnFatalConditions(false);
    if (archivePath.size() > CFILE_MAX_PATH_LENGTH ||
        !archive.OpenArchive(archivePath.c_str(), 0, "", false, CFILE_NAME_AS_GIVEN)) {
        return;
    }
    for (const char* name : kBrandingMembers) {
        checkBrandingMember(archive, name, report);
    }
}

} // namespace gwbundle
