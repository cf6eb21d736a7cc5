// What morfel apply does around the program, whichever way runs it (in this
// process through the session, or through a plug-in binary and its dialog):
// the pictures of a batch, reading them, writing the results, and the notes,
// timings and failures it reports.
#ifndef MORFEL_CLI_APPLY_BATCH_H
#define MORFEL_CLI_APPLY_BATCH_H

#include <functional>
#include <string>
#include <vector>

#include "files/files.h"
#include "cli/options.h"

struct Job {
  std::string input;
  std::string output;
};

// How one picture fared: a program fault fails every picture alike, so a
// batch stops at the first.
enum class PictureOutcome { kWritten, kPictureFailed, kProgramFailed };

// Moments of one picture's way, in seconds of SteadySeconds(): decoded, its
// planes handed to the run, the run ended, the result taken back, encoded.
struct ApplyTimes {
  double start = 0;
  double decoded = 0;
  double rowsIn = 0;
  double ran = 0;
  double rowsOut = 0;
  double encoded = 0;
};

// The "--timings" line of one picture.
void ReportTimes(const ApplyTimes& times);
// True when standard error shows a progress bar: a terminal, and not --quiet.
bool ShowsProgressBar(const Options& options);

// Reads job.input with the options' limits, saying its notes. False after
// reporting why it could not be read.
bool ReadInputPicture(const Options& options, const Job& job, Picture* input);
// Writes output to job.output as the options ask and says so (the timings
// line too, once encoded is marked).
PictureOutcome WriteOutputPicture(const Options& options, const Job& job, const Picture& output,
                                  ApplyTimes* times);

// Runs applyOne on every job in order, stopping at a program fault; running
// out of memory fails that picture. The exit status: 0 when every picture
// was written.
int RunJobs(const std::vector<Job>& jobs,
            const std::function<PictureOutcome(const Job&)>& applyOne);

// apply without a plug-in binary: the program compiled once in this process
// and run on each picture through the session, as the main dialog's OK
// runs it. The exit status.
int ApplyThroughSession(const Options& options, const std::string& baseFolder,
                        const std::vector<Job>& jobs);

#endif
