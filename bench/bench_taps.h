#pragma once
// The timing setter's "設 定" presses on a real drive and sound server: for each press, the time
// the setter stored against the track position that was audible at the press, read from the
// null sink's monitor.
#include <memory>
#include <string>
#include <vector>

#include "bench_capture.h"
#include "bench_signals.h"
#include "device/real/pulse_connection.h"

namespace lirafok::bench {

struct TapResult {
    std::vector<double> errorsMs;  // per press: stored time - audible time, ms into the track
    int presses = 0;               // presses made
};

// Opens the timing setter for track 1 of the image in `discDir` with a lyric of `presses`
// untimed lines, starts it and presses "設 定" `presses` times at irregular moments (0.3-0.9 s
// apart). `work` is an empty folder for the program's files.
TapResult measureTaps(const std::string& work, const std::string& discDir, const DemoImage& image,
                      int presses, std::shared_ptr<device::real::PulseConnection> pulse,
                      MonitorCapture& capture);

}  // namespace lirafok::bench
