// Damaged archives that the zip reader must refuse, each with the reason it must give: the
// zip reader's tests check the reason, gwbundle's tests check that `gwbundle check` reports
// each one in a single line.
#pragma once

#include "CorvaneCore/ZipArchive.h"
#include "ZipTestHelpers.h"

#include <string>
#include <vector>

namespace ZipTest {

struct DamagedArchive {
    std::string what;
    std::string bytes;
    CZipError error;
};

inline std::vector<DamagedArchive> damagedArchives() {
    std::vector<Member> const members = {{"Branding.jpg", std::string(300, 'b')},
                                         {"BrandingMask.jpg", std::string(200, 'm')}};
    std::string const whole = buildArchive(members);
    std::size_t const end = whole.size() - 22;
    std::size_t const directory = get32(whole, end + 16);
    auto with32 = [&](std::size_t at, std::uint32_t value) {
        std::string bytes = whole;
        std::string encoded;
        put32(encoded, value);
        return bytes.replace(at, 4, encoded);
    };
    auto with16 = [&](std::size_t at, std::uint32_t value) {
        std::string bytes = whole;
        std::string encoded;
        put16(encoded, value);
        return bytes.replace(at, 2, encoded);
    };
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
        {"directory offset beyond the file", with32(end + 16, 0x7FFFFFF0),
         CZipError::DirectoryOutsideFile},
        {"directory offset inside a member", with32(end + 16, 40), CZipError::DamagedDirectory},
        {"name length beyond the file", with16(directory + 28, 0xFFFF),
         CZipError::TruncatedDirectory},
        {"comment length beyond the file", with16(directory + 32, 0xFFFF),
         CZipError::TruncatedDirectory},
        {"second directory entry damaged", with32(directory + 46 + 12, 0x02014c50),
         CZipError::DamagedDirectory},
        {"directory without end record, followed by junk", noEnd + std::string(40, '\0'),
         CZipError::DamagedDirectory},
    };
}

} // namespace ZipTest
