// demo-pack ARCHIVE NAME=FILE...
//
// Writes the resource archive ARCHIVE holding each FILE under its NAME, in the order given.
#include "ArchivePacker.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

bool ReadWholeFile(const std::string& path, std::string* content) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    content->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: demo-pack ARCHIVE NAME=FILE...\n");
        return 2;
    }
    std::vector<DemoPack::Member> members;
    for (int i = 2; i < argc; ++i) {
        std::string argument = argv[i];
        std::size_t equals = argument.find('=');
        if (equals == std::string::npos || equals == 0 || equals + 1 == argument.size()) {
            std::fprintf(stderr, "demo-pack: expected NAME=FILE, got \"%s\"\n", argv[i]);
            return 2;
        }
        DemoPack::Member member{argument.substr(0, equals), {}};
        std::string file = argument.substr(equals + 1);
        if (!ReadWholeFile(file, &member.content)) {
            std::fprintf(stderr, "demo-pack: cannot read %s\n", file.c_str());
            return 1;
        }
        members.push_back(std::move(member));
    }
    std::string error;
    if (!DemoPack::WriteArchive(argv[1], members, &error)) {
        std::fprintf(stderr, "demo-pack: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
