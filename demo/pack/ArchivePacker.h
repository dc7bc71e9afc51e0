// Packs files into one of the bundle's resource archives (Tessaly.dat, Application.dat,
// Channel.dat) with the foundation library's own zip writer, so the launcher reads exactly what
// our writer produces. Every member is stored (uncompressed) with its CRC-32.
#pragma once

#include <string>
#include <vector>

namespace DemoPack {

struct Member {
    std::string name;    // the name inside the archive, '/' between folders
    std::string content; // the member's bytes
};

// Writes a new archive at path holding the members in the given order, replacing any file that
// was there. The archive is built aside and renamed into place only once every member reads
// back whole, so a failure leaves no archive behind. False, with the reason in *error, when a
// name is empty, repeated or too long, or the archive cannot be written or read back.
bool WriteArchive(const std::string& path, const std::vector<Member>& members, std::string* error);

} // namespace DemoPack
