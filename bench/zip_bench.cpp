// Zip archives: our CZipArchive against libzip, in one run. Three figures: opening an archive of
// 65,535 stored members; case-insensitive lookups by name (GetCorrectFileEntry against
// zip_name_locate with ZIP_FL_NOCASE) over a list of 100,000 names; reading every member of a
// 64 MiB archive. The archives are written once into a temporary folder at start-up.
#include "CorvaneCore/CRC32.h"
#include "CorvaneCore/ZipArchive.h"
#include "CorvaneCore/ZipFileBuf.h"

#include <benchmark/benchmark.h>
#include <zip.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr unsigned kManyMembers = 65535;
constexpr unsigned kLookups = 100000;
constexpr unsigned kLargeMembers = 256;
constexpr unsigned kLargeMemberSize = 256u << 10; // 256 members of 256 KiB: 64 MiB

struct Member {
    std::string name;
    std::string data;
};

void put16(std::string& out, unsigned value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
}

void put32(std::string& out, std::uint32_t value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

// A plain stored archive with correct CRCs (libzip checks them when a member is read whole).
bool writeArchive(std::string const& path, std::vector<Member> const& members) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        return false;
    }
    std::string directory;
    std::uint64_t offset = 0;
    for (Member const& m : members) {
        auto crc = static_cast<std::uint32_t>(FinishCRC32(UpdateCRC32(
            InitCRC32(), reinterpret_cast<unsigned char*>(const_cast<char*>(m.data.data())),
            m.data.size())));
        auto size = static_cast<std::uint32_t>(m.data.size());
        std::string header;
        put32(header, 0x04034b50);
        put16(header, 10);
        put16(header, 0);
        put16(header, 0);
        put16(header, 0);
        put16(header, 0x21);
        put32(header, crc);
        put32(header, size);
        put32(header, size);
        put16(header, static_cast<unsigned>(m.name.size()));
        put16(header, 0);
        header += m.name;
        std::fwrite(header.data(), 1, header.size(), file);
        std::fwrite(m.data.data(), 1, m.data.size(), file);

        put32(directory, 0x02014b50);
        put16(directory, 20);
        put16(directory, 10);
        put16(directory, 0);
        put16(directory, 0);
        put16(directory, 0);
        put16(directory, 0x21);
        put32(directory, crc);
        put32(directory, size);
        put32(directory, size);
        put16(directory, static_cast<unsigned>(m.name.size()));
        put32(directory, 0); // extra and comment lengths
        put32(directory, 0); // disk, internal attributes
        put32(directory, 0); // external attributes
        put32(directory, static_cast<std::uint32_t>(offset));
        directory += m.name;
        offset += header.size() + m.data.size();
    }
    std::string end;
    put32(end, 0x06054b50);
    put32(end, 0);
    put16(end, static_cast<unsigned>(members.size()));
    put16(end, static_cast<unsigned>(members.size()));
    put32(end, static_cast<std::uint32_t>(directory.size()));
    put32(end, static_cast<std::uint32_t>(offset));
    put16(end, 0);
    std::fwrite(directory.data(), 1, directory.size(), file);
    std::fwrite(end.data(), 1, end.size(), file);
    return std::fclose(file) == 0;
}

struct Fixture {
    std::string folder;
    std::string manyPath;
    std::string largePath;
    std::vector<std::string> manyNames;
    std::vector<std::string> largeNames;
    // Names of the many-member archive in another letter case, in random order.
    std::vector<std::string> lookups;

    Fixture() {
        char const* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/zip_bench-XXXXXX";
        if (!mkdtemp(pattern.data())) {
            std::perror("zip_bench: mkdtemp");
            std::exit(1);
        }
        folder = pattern;
        manyPath = folder + "/many.zip";
        largePath = folder + "/large.zip";

        std::mt19937 random(42);
        std::vector<Member> many;
        for (unsigned i = 0; i < kManyMembers; ++i) {
            char name[64];
            std::snprintf(name, sizeof name, "Assets/Group%03u/Item_%05u.dat", i % 257, i);
            many.push_back(
                {name, std::string(16 + random() % 48, static_cast<char>('a' + i % 26))});
            manyNames.push_back(name);
        }
        std::vector<Member> large;
        for (unsigned i = 0; i < kLargeMembers; ++i) {
            std::string data(kLargeMemberSize, '\0');
            for (char& c : data) {
                c = static_cast<char>(random());
            }
            large.push_back({"Large/Block_" + std::to_string(i) + ".bin", std::move(data)});
            largeNames.push_back(large.back().name);
        }
        if (!writeArchive(manyPath, many) || !writeArchive(largePath, large)) {
            std::fprintf(stderr, "zip_bench: cannot write the archives in %s\n", folder.c_str());
            std::exit(1);
        }
        for (unsigned i = 0; i < kLookups; ++i) {
            std::string name = manyNames[random() % kManyMembers];
            for (char& c : name) {
                c = static_cast<char>(random() % 2 ? std::toupper(static_cast<unsigned char>(c))
                                                   : std::tolower(static_cast<unsigned char>(c)));
            }
            lookups.push_back(std::move(name));
        }
    }

    ~Fixture() {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
};

Fixture* g_pFixture = nullptr;

struct ZipCloser {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};

std::unique_ptr<zip_t, ZipCloser> openWithLibzip(std::string const& path) {
    int error = 0;
    return std::unique_ptr<zip_t, ZipCloser>(zip_open(path.c_str(), ZIP_RDONLY, &error));
}

void OpenOurs(benchmark::State& state) {
    for (auto _ : state) {
        CZipArchive archive;
        if (!archive.OpenArchive(g_pFixture->manyPath.c_str(), 0, "", false, 0) ||
            archive.GetNumEntries() != kManyMembers) {
            state.SkipWithError("open failed");
            break;
        }
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}

void OpenLibzip(benchmark::State& state) {
    for (auto _ : state) {
        auto archive = openWithLibzip(g_pFixture->manyPath);
        if (!archive || zip_get_num_entries(archive.get(), 0) != kManyMembers) {
            state.SkipWithError("zip_open failed");
            break;
        }
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}

void LookupOurs(benchmark::State& state) {
    CZipArchive archive;
    if (!archive.OpenArchive(g_pFixture->manyPath.c_str(), 0, "", false, 0)) {
        state.SkipWithError("open failed");
        return;
    }
    std::size_t next = 0;
    for (auto _ : state) {
        CFileEntry* entry = archive.GetCorrectFileEntry(g_pFixture->lookups[next].c_str(), nullptr);
        if (!entry) {
            state.SkipWithError("name not found");
            break;
        }
        benchmark::DoNotOptimize(entry);
        next = next + 1 == kLookups ? 0 : next + 1;
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}

void LookupLibzip(benchmark::State& state) {
    auto archive = openWithLibzip(g_pFixture->manyPath);
    if (!archive) {
        state.SkipWithError("zip_open failed");
        return;
    }
    std::size_t next = 0;
    for (auto _ : state) {
        zip_int64_t index =
            zip_name_locate(archive.get(), g_pFixture->lookups[next].c_str(), ZIP_FL_NOCASE);
        if (index < 0) {
            state.SkipWithError("name not found");
            break;
        }
        benchmark::DoNotOptimize(index);
        next = next + 1 == kLookups ? 0 : next + 1;
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}

void ReadOurs(benchmark::State& state) {
    CZipArchive archive;
    if (!archive.OpenArchive(g_pFixture->largePath.c_str(), 0, "", false, 0)) {
        state.SkipWithError("open failed");
        return;
    }
    std::vector<char> buffer(kLargeMemberSize);
    for (auto _ : state) {
        for (std::string const& name : g_pFixture->largeNames) {
            CFileBuf* stream = archive.OpenAFileWithinArchive(name.c_str(), 0);
            unsigned got = stream ? stream->Read(buffer.data(), kLargeMemberSize) : 0;
            delete stream;
            if (got != kLargeMemberSize) {
                state.SkipWithError("short read");
                return;
            }
        }
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kLargeMembers *
                            kLargeMemberSize);
}

void ReadLibzip(benchmark::State& state) {
    auto archive = openWithLibzip(g_pFixture->largePath);
    if (!archive) {
        state.SkipWithError("zip_open failed");
        return;
    }
    std::vector<char> buffer(kLargeMemberSize);
    for (auto _ : state) {
        for (std::string const& name : g_pFixture->largeNames) {
            zip_file_t* file = zip_fopen(archive.get(), name.c_str(), 0);
            zip_int64_t got = file ? zip_fread(file, buffer.data(), kLargeMemberSize) : 0;
            if (file) {
                zip_fclose(file);
            }
            if (got != kLargeMemberSize) {
                state.SkipWithError("short read");
                return;
            }
        }
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kLargeMembers *
                            kLargeMemberSize);
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    Fixture fixture;
    g_pFixture = &fixture;
    benchmark::RegisterBenchmark("ZipOpen_65535_members/CZipArchive", OpenOurs)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("ZipOpen_65535_members/peer_libzip", OpenLibzip)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("ZipLookupNoCase_65535_members/GetCorrectFileEntry", LookupOurs)
        ->UseRealTime();
    benchmark::RegisterBenchmark("ZipLookupNoCase_65535_members/peer_libzip_name_locate",
                                 LookupLibzip)
        ->UseRealTime();
    benchmark::RegisterBenchmark("ZipReadAll_64MiB/CZipFileBuf", ReadOurs)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("ZipReadAll_64MiB/peer_libzip", ReadLibzip)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
