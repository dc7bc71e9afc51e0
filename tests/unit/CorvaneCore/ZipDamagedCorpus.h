// Damaged archives, each with the reason the zip reader must refuse it for, or CZipError::None
// for damage that the reader reads past but other zip tools refuse. The zip reader's tests
// check the reasons, gwbundle's tests that `gwbundle check` reports each archive in one line.
#pragma once

#include "CorvaneCore/ZipArchive.h"
#include "CorvaneCore/ZipFormat.h"
#include "ZipTestHelpers.h"

#include <string>
#include <vector>

namespace ZipTest {

struct DamagedArchive {
    std::string what;
    std::string bytes;
    CZipError error;
};

// Each is an archive of Branding.jpg and BrandingMask.jpg with the given contents (at least 60
// bytes each), damaged in one way.
inline std::vector<DamagedArchive>
damagedArchives(std::string const& branding = std::string(300, 'b'),
                std::string const& mask = std::string(200, 'm')) {
    using ZipFormat::ALTERNATIVE_END_SIGNATURE;
    std::vector<Member> const members = {{"Branding.jpg", branding}, {"BrandingMask.jpg", mask}};
    std::string const whole = buildArchive(members);
    std::size_t const end = whole.size() - 22;
    std::size_t const directory = get32(whole, end + 16);
    Layout alternative;
    alternative.endSignature = ALTERNATIVE_END_SIGNATURE;
    Layout walkOnly;
    walkOnly.writeEnd = false;
    std::string const noEnd = buildArchive(members, walkOnly);
    return {
        {"empty file", "", CZipError::EmptyFile},
        {"cut inside the first member", whole.substr(0, 100), CZipError::NoDirectory},
        {"cut inside the first header", whole.substr(0, 20), CZipError::NoDirectory},
        {"cut inside the directory", whole.substr(0, directory + 60),
         CZipError::TruncatedDirectory},
        {"cut inside the end record", whole.substr(0, end + 3), CZipError::TruncatedDirectory},
        {"not a zip archive", std::string(600, 'x'), CZipError::NoDirectory},
        {"directory offset beyond the file", withField(whole, end + 16, 4, 0x7FFFFFF0),
         CZipError::DirectoryOutsideFile},
        {"directory offset inside a member", withField(whole, end + 16, 4, 40),
         CZipError::DamagedDirectory},
        {"name length beyond the file", withField(whole, directory + 28, 2, 0xFFFF),
         CZipError::TruncatedDirectory},
        {"comment length beyond the file", withField(whole, directory + 32, 2, 0xFFFF),
         CZipError::TruncatedDirectory},
        {"second directory entry damaged", withField(whole, directory + 46 + 12, 4, 0x02014c50),
         CZipError::DamagedDirectory},
        {"directory without end record, followed by junk", noEnd + std::string(40, '\0'),
         CZipError::DamagedDirectory},
        {"more members counted than the directory holds", withField(whole, end + 10, 2, 9),
         CZipError::None},
        {"fewer members counted than the directory holds", withField(whole, end + 10, 2, 1),
         CZipError::None},
        {"alternative end signature", buildArchive(members, alternative), CZipError::None},
        {"wrong CRC-32", withField(whole, directory + 16, 4, 0), CZipError::None},
    };
}

} // namespace ZipTest
