#pragma once
// Measurements inside one process: the whole program (main window, lyrics window, its line
// tick on the Qt scheduler) playing through the sound server, and the drive's own start and
// seek, each matched against the null sink's monitor.
#include <memory>
#include <string>
#include <vector>

#include "bench_capture.h"
#include "bench_signals.h"
#include "device/real/pulse_connection.h"

namespace lirafok::bench {

struct HighlightResult {
    std::vector<double> errorsMs;        // per line: audible time when lit - (line time - lead)
    int lines = 0;                       // lines of the lyric
    std::vector<std::int64_t> dropouts;  // breaks in the recording while it played (frames)
};

// Plays track 1 of the image in `discDir` with a lyric of `lines` timed lines (one every
// 0.8-1.6 s, lead 300 ms) and notes, for every line, the frame heard when the line turned to
// the current-line colour. `work` is an empty folder for the program's files.
HighlightResult measureHighlight(const std::string& work, const std::string& discDir,
                                 const DemoImage& image, int lines,
                                 std::shared_ptr<device::real::PulseConnection> pulse,
                                 MonitorCapture& capture);

struct StartResult {
    std::vector<double> latencyMs;  // command to the first audible frame
    int lost = 0;                   // starts heard later than 5 ms past the frame asked for
    int missing = 0;                // starts never heard within a second
    double worstCutMs = 0;          // the most a start was cut by
};

// `count` starts from stopped and `count` seeks while playing, at targets in different songs.
void measureStarts(const std::string& discDir, const DemoImage& image, int count,
                   std::shared_ptr<device::real::PulseConnection> pulse, MonitorCapture& capture,
                   StartResult& starts, StartResult& seeks);

// Fills `result` from the recording: each command at time t0 (us) asked for source frame
// target; its onset is looked for in the second after it.
void scoreStarts(MonitorCapture& capture, const DemoImage& image,
                 const std::vector<std::pair<std::int64_t, std::int64_t>>& commands,
                 StartResult& result);

}  // namespace lirafok::bench
