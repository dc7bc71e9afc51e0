// CRC-32 throughput over one 64 MiB buffer: our UpdateCRC32 against zlib's crc32 and
// libdeflate_crc32, in one run so that the ratios compare like with like.
#include "CorvaneCore/CRC32.h"

#include <benchmark/benchmark.h>
#include <libdeflate.h>
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <random>
#include <vector>

namespace {

constexpr std::size_t kBufferSize = 64u << 20;

std::vector<unsigned char>& buffer() {
    static std::vector<unsigned char> bytes = [] {
        std::vector<unsigned char> filled(kBufferSize);
        std::mt19937 random(1);
        for (auto& b : filled) {
            b = static_cast<unsigned char>(random());
        }
        return filled;
    }();
    return bytes;
}

// All three must agree, or the figures compare different work.
bool resultsAgree() {
    auto& bytes = buffer();
    unsigned long ours = FinishCRC32(UpdateCRC32(InitCRC32(), bytes.data(), bytes.size()));
    unsigned long zlib = crc32_z(0, bytes.data(), bytes.size());
    unsigned long deflate = libdeflate_crc32(0, bytes.data(), bytes.size());
    return ours == zlib && ours == deflate;
}

void ours(benchmark::State& state) {
    auto& bytes = buffer();
    for (auto _ : state) {
        unsigned long crc = FinishCRC32(UpdateCRC32(InitCRC32(), bytes.data(), bytes.size()));
        benchmark::DoNotOptimize(crc);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

void zlibPeer(benchmark::State& state) {
    auto& bytes = buffer();
    for (auto _ : state) {
        unsigned long crc = crc32_z(0, bytes.data(), bytes.size());
        benchmark::DoNotOptimize(crc);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

void libdeflatePeer(benchmark::State& state) {
    auto& bytes = buffer();
    for (auto _ : state) {
        std::uint32_t crc = libdeflate_crc32(0, bytes.data(), bytes.size());
        benchmark::DoNotOptimize(crc);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    if (!resultsAgree()) {
        std::fprintf(stderr, "crc32_bench: the three CRC-32 results differ\n");
        return 1;
    }
    benchmark::RegisterBenchmark("CRC32_64MiB/UpdateCRC32", ours)->UseRealTime();
    benchmark::RegisterBenchmark("CRC32_64MiB/peer_zlib_crc32", zlibPeer)->UseRealTime();
    benchmark::RegisterBenchmark("CRC32_64MiB/peer_libdeflate_crc32", libdeflatePeer)
        ->UseRealTime();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
