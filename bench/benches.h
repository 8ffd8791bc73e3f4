// The benchmark sections kelobench runs, in this order.
#ifndef KELOCLI_BENCH_BENCHES_H
#define KELOCLI_BENCH_BENCHES_H

namespace bench {

// The photograph every paint and resampling measurement uses.
constexpr int kPhotoWidth = 4000;
constexpr int kPhotoHeight = 3000;

// The server's resampler against its float predecessor (no server needed).
void BenchResampler();
// The client's own cost per call, against a stand-in server object in this process.
void BenchCallOverhead();
// Calls against the real image server: the method cache, allocations, heap growth. False when no
// server is registered.
bool BenchServerCalls();
// Calls per second that one, two and four client processes get together from one server.
void BenchThroughput();
// One client process of that measurement (started by it): calls for `milliseconds`, prints the
// count.
int RunThroughputClient(const char* milliseconds);
// Painting, opening and publishing against the real server, each against what the host could do
// itself with the same pixels.
void BenchScreenSpeed();

}  // namespace bench

#endif
