// The benchmarks of horalux_bench live beside this file, one source per subsystem.
#include <benchmark/benchmark.h>

BENCHMARK_MAIN();
