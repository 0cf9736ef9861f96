// Lookups on the engine path: interning a known code, finding one, and the reverse lookup, alone and while
// other threads use the same table.
#include "refdata/code_table.h"

#include <benchmark/benchmark.h>

#include <fmt/format.h>
#include <string>
#include <vector>

namespace {

std::vector<std::string> lf_fillTable(hlw::CodeTable& table)
{
    std::vector<std::string> codes;
    for (int i = 0; i < 3000; ++i) {
        codes.push_back(fmt::format("{:04X}", i * 7));
        table.intern(codes.back());
    }
    return codes;
}

hlw::CodeTable& lf_table()
{
    static hlw::CodeTable table("bench");
    return table;
}

const std::vector<std::string>& lf_codes()
{
    static const std::vector<std::string> codes = lf_fillTable(lf_table());
    return codes;
}

void BM_InternKnownCode(benchmark::State& state)
{
    const auto& codes = lf_codes();
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(lf_table().intern(codes[i++ % codes.size()]));
    }
}
BENCHMARK(BM_InternKnownCode)->ThreadRange(1, 4);

void BM_FindCode(benchmark::State& state)
{
    const auto& codes = lf_codes();
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(lf_table().find(codes[i++ % codes.size()]));
    }
}
BENCHMARK(BM_FindCode)->ThreadRange(1, 4);

void BM_TextOfIndex(benchmark::State& state)
{
    lf_codes();
    uint16_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(&lf_table().text(static_cast<uint16_t>(i++ % 3000)));
    }
}
BENCHMARK(BM_TextOfIndex)->ThreadRange(1, 4);

} // namespace
