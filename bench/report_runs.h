#pragma once

#include <benchmark/benchmark.h>

#include <cstddef>

#include "bench/bench_setup.h"

// Runs of messages that ask for confirmation on arrival and on delivery, with a reply-to queue on
// the same queue manager, so that each put and each take also puts a report in its transaction.
// Each run checks that every operation made exactly one report; the same runs serve each backend.
namespace bench {

// Puts messages of `size` bytes onto PUT.R.
void putWithReports(benchmark::State& state, ConnectedManager& manager, std::size_t size);
// Takes messages of `size` bytes from GET.R, filled first with as many as the run takes.
void getWithReports(benchmark::State& state, ConnectedManager& manager, std::size_t size);

}  // namespace bench
